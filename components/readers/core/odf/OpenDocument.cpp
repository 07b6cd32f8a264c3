// Finding the pictures of OpenDocument markup.
#include "odf/OpenDocument.h"

#include "epub/EpubSource.h"
#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"
#include "model/DecodedImage.h"

namespace pictrove::readers {
namespace {

// One picture inline in a flat file may be as large as any embedded picture.
constexpr std::size_t kMaxInlinePicture = kMaxImageBytes;

bool IsObjectReplacement(std::string_view path) {
    return path.starts_with("ObjectReplacements/");
}

struct Frame {
    OdfPicture images;
    std::string name;
    bool holdsObject = false;
};

}  // namespace

std::string OdfPackagePath(std::string_view href) {
    while (href.starts_with("./")) href.remove_prefix(2);
    return ResolveLink({}, href);
}

void CollectOdfPictures(std::string_view xml, std::vector<OdfPicture>& pictures) {
    std::vector<Frame> frames;
    XmlScanner scanner(xml);
    const auto emit = [&pictures](OdfPicture picture) {
        if (!picture.empty()) pictures.push_back(std::move(picture));
    };
    while (scanner.Next()) {
        const auto kind = scanner.Kind();
        if (kind == XmlScanner::Token::kText) continue;
        const std::string_view name = scanner.Name();
        if (kind == XmlScanner::Token::kEndTag) {
            if (name == "frame" && !frames.empty()) {
                Frame frame = std::move(frames.back());
                frames.pop_back();
                if (!frame.holdsObject) emit(std::move(frame.images));
            }
            continue;
        }
        if (name == "frame") {
            frames.push_back({{}, scanner.Attribute("name").value_or(""), false});
            if (scanner.SelfClosing()) frames.pop_back();
            continue;
        }
        if ((name == "object" || name == "object-ole") && !frames.empty()) {
            frames.back().holdsObject = true;
            continue;
        }
        const bool image = name == "image";
        // Fill images of drawing styles and background images of page, paragraph and cell styles.
        const bool styleImage = name == "fill-image" || name == "background-image";
        if (!image && !styleImage) continue;
        OdfImage found;
        found.href = scanner.Attribute("href").value_or("");
        found.mediaType = scanner.Attribute("mime-type").value_or("");
        if (!frames.empty()) found.frameName = frames.back().name;
        if (!scanner.SelfClosing()) {
            // The binary data of a flat file sits inside the element.
            std::string base64;
            bool inData = false;
            while (scanner.Next()) {
                const auto inner = scanner.Kind();
                if (inner == XmlScanner::Token::kEndTag && scanner.Name() == name) break;
                if (inner == XmlScanner::Token::kStartTag && scanner.Name() == "binary-data") inData = true;
                if (inner == XmlScanner::Token::kEndTag && scanner.Name() == "binary-data") inData = false;
                if (inner == XmlScanner::Token::kText && inData) base64 += scanner.Text();
            }
            if (!base64.empty()) found.data = DecodeBase64(base64, kMaxInlinePicture);
        }
        if (!found.data && (found.href.empty() || IsObjectReplacement(OdfPackagePath(found.href)))) continue;
        if (image && !frames.empty()) {
            frames.back().images.push_back(std::move(found));
        } else {
            emit({std::move(found)});
        }
    }
}

bool IsOdfPackage(const ZipArchive& archive) {
    if (const ZipEntry* mimetype = archive.Find("mimetype")) {
        const auto bytes = archive.Extract(*mimetype, 256);
        if (bytes) {
            const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
            if (text.starts_with("application/vnd.oasis.opendocument.")) return true;
        }
    }
    return archive.Find("content.xml") != nullptr && archive.Find("META-INF/manifest.xml") != nullptr;
}

bool IsFlatOdf(std::span<const std::uint8_t> file) {
    const std::string head = XmlToUtf8(file.first(std::min<std::size_t>(file.size(), 4096)));
    XmlScanner scanner(head);
    while (scanner.Next()) {
        if (scanner.Kind() == XmlScanner::Token::kStartTag) {
            return scanner.Name() == "document" &&
                   head.find("urn:oasis:names:tc:opendocument:xmlns:office:1.0") != std::string::npos;
        }
    }
    return false;
}

}  // namespace pictrove::readers
