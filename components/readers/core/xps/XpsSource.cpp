// Pages and pictures of an XPS document.
#include "xps/XpsSource.h"

#include <algorithm>

#include "epub/EpubSource.h"
#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kMaxMarkupSize = 64u << 20;
constexpr std::string_view kFixedRepresentation = "/fixedrepresentation";

}  // namespace

std::vector<std::string> XpsSource::Links(const std::string& part,
                                          std::string_view element,
                                          std::string_view attribute) const {
    std::vector<std::string> links;
    const ZipEntry* entry = Archive().Find(part);
    if (entry == nullptr) return links;
    const auto bytes = Archive().Extract(*entry, kMaxMarkupSize);
    if (!bytes) return links;
    const std::string text = XmlToUtf8(*bytes);
    XmlScanner scanner(text);
    while (scanner.Next()) {
        if (scanner.Kind() != XmlScanner::Token::kStartTag || (!element.empty() && scanner.Name() != element)) continue;
        auto link = scanner.Attribute(attribute);
        if (!link || link->empty()) continue;
        // Markup extensions ("{ColorConvertedBitmap /a.jpg /b.icc}") name the picture first.
        if ((*link)[0] == '{') {
            const auto space = link->find(' ');
            if (space == std::string::npos) continue;
            *link = link->substr(space + 1, link->find_first_of(" }", space + 1) - space - 1);
        }
        const std::string resolved = ResolveLink(entry->name, *link);
        if (!resolved.empty()) links.push_back(resolved);
    }
    return links;
}

OpenStatus XpsSource::ListPictures() {
    std::vector<std::string> pages;
    std::string sequence;
    // The package relationships name the sequence (OpenXPS uses another type name, same ending).
    if (const ZipEntry* rels = Archive().Find("_rels/.rels")) {
        if (const auto bytes = Archive().Extract(*rels, kMaxMarkupSize)) {
            const std::string text = XmlToUtf8(*bytes);
            XmlScanner scanner(text);
            while (sequence.empty() && scanner.Next()) {
                if (scanner.Kind() != XmlScanner::Token::kStartTag || scanner.Name() != "Relationship") continue;
                if (AsciiLower(scanner.Attribute("Type").value_or("")).ends_with(kFixedRepresentation)) {
                    sequence = ResolveLink("", scanner.Attribute("Target").value_or(""));
                }
            }
        }
    }
    if (!sequence.empty()) {
        for (const auto& document : Links(sequence, "DocumentReference", "Source")) {
            for (const auto& page : Links(document, "PageContent", "Source")) pages.push_back(page);
        }
    }
    if (pages.empty()) {
        // No usable sequence: every page part, in natural order.
        for (const auto& entry : Archive().Entries()) {
            if (AsciiLower(entry.name).ends_with(".fpage")) pages.push_back(entry.name);
        }
        std::stable_sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) { return NaturalLess(a, b); });
    }
    if (pages.empty()) return OpenStatus::kNotReadable;
    for (const auto& page : pages) {
        // ImageBrush elements, and the ImageSource property element form alike.
        for (const auto& picture : Links(page, "", "ImageSource")) {
            if (const ZipEntry* entry = Archive().Find(picture)) AddPicture(*entry);
        }
    }
    return OpenStatus::kOpened;
}

}  // namespace pictrove::readers
