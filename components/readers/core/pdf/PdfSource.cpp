// Opening a PDF document: structure, security, page tree, content scan and naming.
#include "PdfSource.h"

#include <string>
#include <unordered_set>

#include "PdfContent.h"
#include "PdfDocument.h"
#include "PdfSecurity.h"
#include "PdfStored.h"

namespace pictrove::readers {
namespace {

using pdf::Document;
using pdf::Object;

struct PageRef {
    Object page;
    Object resources;  // inherited when the page has none of its own
};

void WalkPages(Document& document,
               const Object& node,
               const Object& inherited,
               int depth,
               std::unordered_set<std::int64_t>& visited,
               std::vector<PageRef>& pages) {
    if (depth > kMaxPageTreeDepth || pages.size() >= static_cast<std::size_t>(kMaxPages)) return;
    if (node.IsRef() && !visited.insert(node.integer).second) return;  // a cycle, or a page listed twice
    const Object resolved = document.Resolve(node);
    const pdf::Dict* dict = resolved.AsDict();
    if (dict == nullptr) return;
    Object resources = dict->Get("Resources");
    if (document.Resolve(resources).IsNull()) resources = inherited;
    const Object kids = document.Lookup(dict, "Kids");
    const Object type = document.Lookup(dict, "Type");
    if (kids.IsArray() && !type.IsName("Page")) {
        for (const auto& kid : *kids.array) WalkPages(document, kid, resources, depth + 1, visited, pages);
        return;
    }
    pages.push_back({resolved, resources});
}

// Whether the catalog leads to a page tree at all, even an empty one: a tree that is there but
// lists no page is a document without pictures, a tree that is gone is damage.
bool HasPageTree(Document& document, const Object& root) {
    if (!root.IsDict()) return false;
    const Object tree = document.Lookup(root.dict.get(), "Pages");
    return tree.IsDict() && document.Lookup(tree.dict.get(), "Kids").IsArray();
}

// The pictures of a document whose page tree is lost: every image object once, in object
// order, leaving out those that only serve another image as its mask.
std::vector<pdf::FoundImage> ImageObjects(Document& document) {
    std::vector<pdf::FoundImage> found;
    std::unordered_set<std::int64_t> masks;
    std::size_t visited = 0;
    for (std::int64_t number : document.ObjectNumbers()) {
        if (++visited > pdf::kMaxRecoveredObjects) break;
        const Object object = document.Get(number);
        if (!object.IsStream()) continue;
        const pdf::Dict& dict = object.stream->dict;
        if (!document.Resolve(dict.Get("Subtype")).IsName("Image")) continue;
        for (const char* key : {"SMask", "Mask"}) {
            const Object& mask = dict.Get(key);
            if (mask.IsRef()) masks.insert(mask.integer);
        }
        pdf::FoundImage image;
        image.image = object;
        image.number = number;
        found.push_back(std::move(image));
    }
    std::erase_if(found, [&](const pdf::FoundImage& image) { return masks.count(image.number) != 0; });
    return found;
}

std::u16string Ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string PageLabel(int page, int width) {
    std::string digits = std::to_string(page);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return u"Page" + Ascii(digits);
}

// Resource names are bytes; anything beyond ASCII is kept as Latin-1, and the shared name rules
// then make it safe as a file name.
std::u16string Latin1(const std::string& text) {
    std::u16string out;
    for (unsigned char c : text) out += static_cast<char16_t>(c);
    return out;
}

}  // namespace

PdfSource::PdfSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {
    if (decoder_) {
        jpeg_ = [decoder = decoder_.get()](std::span<const std::uint8_t> data) { return decoder->Decode(data); };
    }
}
PdfSource::~PdfSource() = default;

bool PdfSource::Repaired() const {
    return document_ && document_->Recovered();
}

void PdfSource::Close() {
    found_.clear();
    document_.reset();
    file_.clear();
    pageCount_ = 0;
}

OpenStatus PdfSource::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    document_ = std::make_unique<Document>();
    if (!document_->Load(file_)) {
        // A PDF that lost its catalog (a file cut short, where most writers put it last) may
        // still hold every picture intact.
        if (!document_->HeaderFound()) return OpenStatus::kNotReadable;
        return OpenFromImageObjects();
    }

    const Object encrypt = document_->Lookup(&document_->Trailer(), "Encrypt");
    if (encrypt.IsDict()) {
        const Object ids = document_->Lookup(&document_->Trailer(), "ID");
        std::string firstId;
        if (ids.IsArray() && !ids.array->empty()) firstId = document_->Resolve((*ids.array)[0]).text;
        std::unique_ptr<pdf::Security> security;
        switch (pdf::Security::Create(*encrypt.dict, firstId, request.password, security)) {
            case pdf::SecurityStatus::kOpened:
                document_->SetSecurity(std::move(security));
                break;
            case pdf::SecurityStatus::kWrongPassword:
                return OpenStatus::kNeedsPassword;
            case pdf::SecurityStatus::kUnsupported:
                return OpenStatus::kNotReadable;
        }
    }

    Object root = document_->Lookup(&document_->Trailer(), "Root");
    std::vector<PageRef> pages;
    std::unordered_set<std::int64_t> visited;
    WalkPages(*document_, root.IsDict() ? root.dict->Get("Pages") : Object::Null(), Object::Null(), 0, visited, pages);
    if (pages.empty()) {
        // The cross-reference data looked sound but leads to no page: scan the file instead.
        document_->ForceRecovery();
        root = document_->Lookup(&document_->Trailer(), "Root");
        visited.clear();
        WalkPages(*document_, root.IsDict() ? root.dict->Get("Pages") : Object::Null(), Object::Null(), 0, visited,
                  pages);
    }
    if (pages.empty() && !HasPageTree(*document_, root)) return OpenFromImageObjects();
    pageCount_ = static_cast<int>(pages.size());

    pdf::ContentScanner scanner(*document_, found_);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        scanner.ScanPage(static_cast<int>(i + 1), *pages[i].page.dict, pages[i].resources);
    }
    const int width = static_cast<int>(std::to_string(std::max(pageCount_, 1)).size());
    images_.reserve(found_.size());
    for (const auto& found : found_) {
        ImageEntry entry;
        const pdf::ImageSize size = pdf::DeclaredSize(*document_, found.image);
        entry.width = size.width;
        entry.height = size.height;
        entry.name =
            PageLabel(found.page, width) + u"_" +
            (found.number == -1 ? u"Inline" + Ascii(std::to_string(found.inlineNumber)) : Latin1(found.resourceName));
        images_.push_back(std::move(entry));
    }
    return OpenStatus::kOpened;
}

OpenStatus PdfSource::OpenFromImageObjects() {
    found_ = ImageObjects(*document_);
    // Damage that leaves nothing to show is damage, not a document without pictures.
    if (found_.empty()) return OpenStatus::kNotReadable;
    for (const auto& found : found_) {
        ImageEntry entry;
        const pdf::ImageSize size = pdf::DeclaredSize(*document_, found.image);
        entry.width = size.width;
        entry.height = size.height;
        entry.name = u"Object" + Ascii(std::to_string(found.number));
        images_.push_back(std::move(entry));
    }
    return OpenStatus::kOpened;
}

std::optional<DecodedImage> PdfSource::Decode(std::size_t index) {
    if (!document_ || index >= found_.size()) return std::nullopt;
    return pdf::DecodeImage(*document_, found_[index], jpeg_);
}

StoredInfo PdfSource::Stored(std::size_t index) {
    if (!document_ || index >= found_.size()) return {};
    return pdf::StoredImageInfo(*document_, found_[index]);
}

std::optional<std::vector<std::uint8_t>> PdfSource::StoredBytes(std::size_t index) {
    if (!document_ || index >= found_.size()) return std::nullopt;
    return pdf::StoredImageBytes(*document_, found_[index]);
}

}  // namespace pictrove::readers
