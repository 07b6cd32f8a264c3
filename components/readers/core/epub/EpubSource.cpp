// Reading order and pictures of an EPUB book.
#include "epub/EpubSource.h"

#include <vector>

#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"

namespace pictrove::readers {
namespace {

// Pages and package files are text; anything larger is not one.
constexpr std::size_t kMaxMarkupSize = 32u << 20;

struct ManifestItem {
    std::string id;
    std::string path;
    std::string mediaType;
    std::string properties;
};

bool HasWord(std::string_view list, std::string_view word) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && list[at] == ' ') ++at;
        const auto end = std::min(list.find(' ', at), list.size());
        if (list.substr(at, end - at) == word) return true;
        at = end;
    }
    return false;
}

}  // namespace

std::string ResolveLink(const std::string& fromFile, std::string_view link) {
    const auto cut = link.find_first_of("#?");
    if (cut != std::string_view::npos) link = link.substr(0, cut);
    while (!link.empty() && (link.front() == ' ' || link.front() == '\n' || link.front() == '\t'))
        link.remove_prefix(1);
    while (!link.empty() && (link.back() == ' ' || link.back() == '\n' || link.back() == '\t')) link.remove_suffix(1);
    if (link.empty()) return {};
    const auto colon = link.find(':');
    if (colon != std::string_view::npos && link.find('/') > colon) return {};  // a scheme: http:, data:
    std::string decoded = PercentDecode(link);
    std::string joined;
    if (decoded.starts_with("/")) {
        joined = decoded.substr(1);
    } else {
        const auto slash = fromFile.rfind('/');
        joined = (slash == std::string::npos ? std::string() : fromFile.substr(0, slash + 1)) + decoded;
    }
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= joined.size()) {
        const auto end = std::min(joined.find('/', at), joined.size());
        const std::string part = joined.substr(at, end - at);
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string path;
    for (const auto& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
}

void EpubSource::AddPictureAt(const std::string& path, int spinePage, std::string_view mediaType) {
    if (path.empty()) return;
    const ZipEntry* entry = Archive().Find(path);
    if (entry == nullptr || !AddPicture(*entry, mediaType) || spinePage < 1) return;
    const auto index = IndexOf(*entry);
    if (index && Places(*index).pages.empty()) AddPage(*index, spinePage);  // the spine is read in order
}

void EpubSource::AddPicturesOfPage(const std::string& pagePath, int spinePage) {
    const ZipEntry* entry = Archive().Find(pagePath);
    if (entry == nullptr) return;
    // A page may be a picture itself (books of scanned pages put them straight into the spine).
    if (HasPictureExtension(entry->name)) {
        AddPictureAt(entry->name, spinePage);
        return;
    }
    const auto bytes = Archive().Extract(*entry, kMaxMarkupSize);
    if (!bytes) return;
    const std::string text = XmlToUtf8(*bytes);
    XmlScanner scanner(text);
    while (scanner.Next()) {
        if (scanner.Kind() != XmlScanner::Token::kStartTag) continue;
        std::optional<std::string> link;
        if (scanner.Name() == "img") {
            link = scanner.Attribute("src");
        } else if (scanner.Name() == "image") {
            link = scanner.Attribute("href");  // svg:image, with or without the xlink prefix
        }
        if (link) AddPictureAt(ResolveLink(entry->name, *link), spinePage);
    }
}

OpenStatus EpubSource::ListPictures() {
    std::string packagePath;
    if (const ZipEntry* container = Archive().Find("META-INF/container.xml")) {
        if (const auto bytes = Archive().Extract(*container, kMaxMarkupSize)) {
            const std::string text = XmlToUtf8(*bytes);
            XmlScanner scanner(text);
            while (packagePath.empty() && scanner.Next()) {
                if (scanner.Kind() == XmlScanner::Token::kStartTag && scanner.Name() == "rootfile") {
                    packagePath = ResolveLink("", scanner.Attribute("full-path").value_or(""));
                }
            }
        }
    }
    const ZipEntry* package = packagePath.empty() ? nullptr : Archive().Find(packagePath);
    if (package == nullptr) {
        // A book without (or with a wrong) container file: its first package file will do.
        for (const auto& entry : Archive().Entries()) {
            if (AsciiLower(entry.name).ends_with(".opf")) {
                package = &entry;
                break;
            }
        }
    }
    if (package == nullptr) return OpenStatus::kNotReadable;
    const auto bytes = Archive().Extract(*package, kMaxMarkupSize);
    if (!bytes) return OpenStatus::kNotReadable;
    const std::string text = XmlToUtf8(*bytes);

    std::vector<ManifestItem> manifest;
    std::vector<std::string> spine;
    std::string coverId;
    std::string coverPage;
    XmlScanner scanner(text);
    while (scanner.Next()) {
        if (scanner.Kind() != XmlScanner::Token::kStartTag) continue;
        const auto name = scanner.Name();
        if (name == "item") {
            ManifestItem item;
            item.id = scanner.Attribute("id").value_or("");
            item.path = ResolveLink(package->name, scanner.Attribute("href").value_or(""));
            item.mediaType = AsciiLower(scanner.Attribute("media-type").value_or(""));
            item.properties = scanner.Attribute("properties").value_or("");
            if (!item.path.empty()) manifest.push_back(std::move(item));
        } else if (name == "itemref") {
            spine.push_back(scanner.Attribute("idref").value_or(""));
        } else if (name == "meta" && scanner.Attribute("name") == "cover") {
            coverId = scanner.Attribute("content").value_or("");
        } else if (name == "reference" && AsciiLower(scanner.Attribute("type").value_or("")) == "cover") {
            coverPage = ResolveLink(package->name, scanner.Attribute("href").value_or(""));
        }
    }
    const auto byId = [&](const std::string& id) -> const ManifestItem* {
        for (const auto& item : manifest) {
            if (item.id == id) return &item;
        }
        return nullptr;
    };

    // The cover first: named by the version 3 property, the version 2 meta element, or the
    // guide's cover page.
    for (const auto& item : manifest) {
        if (HasWord(item.properties, "cover-image")) AddPictureAt(item.path);
    }
    if (const ManifestItem* cover = coverId.empty() ? nullptr : byId(coverId)) AddPictureAt(cover->path);
    if (Images().empty() && !coverPage.empty()) AddPicturesOfPage(coverPage, 0);

    pageCount_ = static_cast<int>(spine.size());
    for (std::size_t i = 0; i < spine.size(); ++i) {
        if (const ManifestItem* item = byId(spine[i])) AddPicturesOfPage(item->path, static_cast<int>(i + 1));
    }
    for (const auto& item : manifest) {
        if (item.mediaType.starts_with("image/")) AddPictureAt(item.path, 0, item.mediaType);
    }
    return OpenStatus::kOpened;
}

}  // namespace pictrove::readers
