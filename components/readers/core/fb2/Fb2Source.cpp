// Pictures of a FictionBook file.
#include "fb2/Fb2Source.h"

#include <algorithm>
#include <string>

#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"
#include "model/ImageNames.h"
#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kMaxBookSize = 256u << 20;
constexpr std::size_t kMaxPicture = 64u << 20;

struct Binary {
    std::string id;
    std::vector<std::uint8_t> bytes;
    ImageInfo info;
    StoredInfo stored;
};

std::string LinkTarget(const std::optional<std::string>& href) {
    if (!href || href->empty() || (*href)[0] != '#') return {};
    return href->substr(1);
}

}  // namespace

OpenStatus Fb2Source::OpenDocument(OpenRequest request) {
    FileBytes book;
    if (LooksLikeZip(request.bytes)) {
        ZipArchive archive;
        if (!archive.Open(request.bytes)) return OpenStatus::kNotReadable;
        const ZipEntry* chosen = nullptr;
        for (const auto& entry : archive.Entries()) {
            if (!entry.IsFolder() && AsciiLower(entry.name).ends_with(".fb2")) {
                chosen = &entry;
                break;
            }
        }
        if (chosen == nullptr && !archive.Entries().empty() && !archive.Entries()[0].IsFolder()) {
            chosen = &archive.Entries()[0];
        }
        if (chosen == nullptr) return OpenStatus::kNotReadable;
        auto extracted = archive.Extract(*chosen, kMaxBookSize);
        if (!extracted) return OpenStatus::kNotReadable;
        book = std::move(*extracted);
    } else {
        book = std::move(request.bytes);
    }
    const std::string text = XmlToUtf8(book);
    book.clear();

    std::vector<Binary> binaries;
    std::vector<std::string> shown;  // ids in order of first showing, the cover first
    std::string cover;
    bool sawRoot = false;
    bool inCover = false;
    bool inBody = false;
    XmlScanner scanner(text);
    while (scanner.Next()) {
        const auto kind = scanner.Kind();
        if (kind == XmlScanner::Token::kText) continue;
        const auto name = scanner.Name();
        const bool start = kind == XmlScanner::Token::kStartTag;
        if (name == "FictionBook") sawRoot = true;
        if (name == "coverpage") inCover = start && !scanner.SelfClosing();
        if (name == "body") inBody = start && !scanner.SelfClosing();
        if (!start) continue;
        if (name == "image") {
            const std::string target = LinkTarget(scanner.Attribute("href"));
            if (target.empty()) continue;
            if (inCover && cover.empty()) cover = target;
            if (inBody && std::find(shown.begin(), shown.end(), target) == shown.end()) shown.push_back(target);
        } else if (name == "binary" && !scanner.SelfClosing()) {
            Binary binary;
            binary.id = scanner.Attribute("id").value_or("");
            const std::string contentType = scanner.Attribute("content-type").value_or("");
            std::string content;
            while (scanner.Next() && scanner.Kind() == XmlScanner::Token::kText) content += scanner.Text();
            auto bytes = DecodeBase64(content, kMaxPicture);
            if (!bytes) continue;
            if (const auto info = ReadImageHeader(*bytes)) {
                binary.info = *info;
                binary.stored = StoredInfoOfFile(*bytes);
            } else if (const auto foreign = RecognizeForeignPicture(*bytes, binary.id, contentType)) {
                binary.info = {ImageFormat::kUnknown, foreign->width, foreign->height};
                binary.stored = ForeignStoredInfo(*foreign);
            } else {
                continue;
            }
            binary.bytes = std::move(*bytes);
            binaries.push_back(std::move(binary));
        }
    }
    if (!sawRoot) return OpenStatus::kNotReadable;

    std::vector<bool> taken(binaries.size(), false);
    const auto take = [&](const std::string& id) {
        for (std::size_t i = 0; i < binaries.size(); ++i) {
            if (taken[i] || binaries[i].id != id) continue;
            taken[i] = true;
            images_.push_back(
                {DocumentStem(Utf8ToUtf16(binaries[i].id)), binaries[i].info.width, binaries[i].info.height});
            stored_.push_back(binaries[i].stored);
            payloads_.push_back(std::move(binaries[i].bytes));
            return;
        }
    };
    if (!cover.empty()) take(cover);
    for (const auto& id : shown) take(id);
    for (std::size_t i = 0; i < binaries.size(); ++i) {
        if (!taken[i]) take(binaries[i].id);
    }
    return OpenStatus::kOpened;
}

std::optional<std::vector<std::uint8_t>> Fb2Source::StoredBytes(std::size_t index) {
    if (index >= payloads_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return payloads_[index];
}

std::optional<DecodedImage> Fb2Source::Decode(std::size_t index) {
    if (index >= payloads_.size() || !decoder_) return std::nullopt;
    auto image = decoder_->Decode(payloads_[index]);
    if (image && (image->width != images_[index].width || image->height != images_[index].height)) return std::nullopt;
    return image;
}

}  // namespace pictrove::readers
