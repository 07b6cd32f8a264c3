// Opening a PDF document: structure, security, page tree, content scan and naming.
#include "PdfSource.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "PdfContent.h"
#include "PdfDocument.h"
#include "PdfSecurity.h"
#include "PdfStored.h"

namespace pictrove::readers {
namespace pdf {

// What a page takes from the nodes above it when it has none of its own.
struct Inherited {
    Object resources;
    Object mediaBox;
    Object cropBox;
    Object rotate;
};

struct PageRef {
    Object page;
    Inherited inherited;  // each entry the page's own, else its nearest ancestor's
};

}  // namespace pdf

namespace {
using pdf::Inherited;
using pdf::PageRef;

using pdf::Document;
using pdf::Object;

void WalkPages(Document& document,
               const Object& node,
               const Inherited& inherited,
               int depth,
               std::unordered_set<std::int64_t>& visited,
               std::vector<PageRef>& pages) {
    if (depth > kMaxPageTreeDepth || pages.size() >= static_cast<std::size_t>(kMaxPages)) return;
    if (node.IsRef() && !visited.insert(node.integer).second) return;  // a cycle, or a page listed twice
    const Object resolved = document.Resolve(node);
    const pdf::Dict* dict = resolved.AsDict();
    if (dict == nullptr) return;
    Inherited own = inherited;
    const auto take = [&](Object& slot, std::string_view key) {
        const Object& value = dict->Get(key);
        if (!document.Resolve(value).IsNull()) slot = value;
    };
    take(own.resources, "Resources");
    take(own.mediaBox, "MediaBox");
    take(own.cropBox, "CropBox");
    take(own.rotate, "Rotate");
    const Object kids = document.Lookup(dict, "Kids");
    const Object type = document.Lookup(dict, "Type");
    if (kids.IsArray() && !type.IsName("Page")) {
        for (const auto& kid : *kids.array) WalkPages(document, kid, own, depth + 1, visited, pages);
        return;
    }
    pages.push_back({resolved, std::move(own)});
}

// The page as shown: its crop box (else its media box, else US Letter) turned clockwise by its
// rotation. Maps default user space to points from the shown page's top-left corner, y down.
class PageFrame {
  public:
    PageFrame(Document& document, const Inherited& page) {
        double box[4] = {0, 0, 612, 792};
        if (!ReadBox(document, page.cropBox, box)) ReadBox(document, page.mediaBox, box);
        x0_ = box[0];
        y0_ = box[1];
        width_ = box[2] - box[0];
        height_ = box[3] - box[1];
        const std::int64_t rotate = document.Resolve(page.rotate).Int(0);
        turns_ = static_cast<int>(((rotate / 90) % 4 + 4) % 4);
    }

    void Map(double x, double y, double& outX, double& outY) const {
        const double u = x - x0_;              // from the left edge
        const double v = height_ - (y - y0_);  // from the top edge
        switch (turns_) {
            case 1:
                outX = height_ - v;
                outY = u;
                break;
            case 2:
                outX = width_ - u;
                outY = height_ - v;
                break;
            case 3:
                outX = v;
                outY = width_ - u;
                break;
            default:
                outX = u;
                outY = v;
        }
    }

  private:
    static bool ReadBox(Document& document, const Object& value, double (&box)[4]) {
        const Object array = document.Resolve(value);
        if (!array.IsArray() || array.array->size() != 4) return false;
        double read[4];
        for (std::size_t i = 0; i < 4; ++i) read[i] = document.Resolve((*array.array)[i]).Number();
        box[0] = std::min(read[0], read[2]);
        box[1] = std::min(read[1], read[3]);
        box[2] = std::max(read[0], read[2]);
        box[3] = std::max(read[1], read[3]);
        return true;
    }

    double x0_ = 0, y0_ = 0, width_ = 0, height_ = 0;
    int turns_ = 0;
};

// Where an image of width x height pixels drawn through ctm lands on its page; nothing when
// the transformation is beyond numbers.
std::optional<Placement> PlaceOnPage(const PageFrame& frame, const pdf::Matrix& ctm, int width, int height) {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int corner = 0; corner < 4; ++corner) {
        const double ux = corner & 1 ? 1 : 0;
        const double uy = corner & 2 ? 1 : 0;
        double x = 0, y = 0;
        frame.Map(ctm.a * ux + ctm.c * uy + ctm.e, ctm.b * ux + ctm.d * uy + ctm.f, x, y);
        minX = corner == 0 ? x : std::min(minX, x);
        maxX = corner == 0 ? x : std::max(maxX, x);
        minY = corner == 0 ? y : std::min(minY, y);
        maxY = corner == 0 ? y : std::max(maxY, y);
    }
    if (!std::isfinite(minX) || !std::isfinite(minY) || !std::isfinite(maxX - minX) || !std::isfinite(maxY - minY)) {
        return std::nullopt;
    }
    Placement placement;
    placement.x = minX;
    placement.y = minY;
    placement.width = maxX - minX;
    placement.height = maxY - minY;
    // Along the image's own edges, so a turned picture keeps its resolution.
    const auto ppi = [](int pixels, double dx, double dy) {
        const double inches = std::hypot(dx, dy) / 72;
        const double value = inches > 0 ? pixels / inches : 0;
        return std::isfinite(value) ? value : 0;
    };
    placement.ppiX = ppi(width, ctm.a, ctm.b);
    placement.ppiY = ppi(height, ctm.c, ctm.d);
    return placement;
}

// Whether the catalog leads to a page tree at all, even an empty one: a tree that is there but
// lists no page is a document without pictures, a tree that is gone is damage.
// "%%EOF" near the end, where every writer puts it (some add a line or a few bytes after it).
bool EndsWithEofMarker(std::span<const std::uint8_t> file) {
    constexpr std::size_t kTail = 1024;
    const std::size_t start = file.size() > kTail ? file.size() - kTail : 0;
    const std::string_view tail(reinterpret_cast<const char*>(file.data()) + start, file.size() - start);
    return tail.find("%%EOF") != std::string_view::npos;
}

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

using DecodedBatch = std::vector<std::vector<std::uint8_t>>;

DecodedBatch DecodeBatch(const std::vector<pdf::PageContent>& batch) {
    DecodedBatch decoded;
    decoded.reserve(batch.size());
    for (const auto& content : batch) decoded.push_back(pdf::DecodeContent(content));
    return decoded;
}

// Decodes batches of prepared page content, in the order given, on one thread of its own (or,
// when asked to or no thread can be had, on the caller's). A failure there (memory) comes out
// of Pop.
class ContentDecoder {
  public:
    explicit ContentDecoder(bool ownThread) {
        if (!ownThread) return;
        try {
            worker_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
        }
    }
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;
    ~ContentDecoder() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    void Push(std::vector<pdf::PageContent> batch) {
        if (!worker_.joinable()) {
            done_.push_back(Result{DecodeBatch(batch), nullptr});
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            todo_.push_back(std::move(batch));
        }
        changed_.notify_all();
    }

    DecodedBatch Pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !done_.empty(); });
        Result result = std::move(done_.front());
        done_.pop_front();
        if (result.failure) std::rethrow_exception(result.failure);
        return std::move(result.batch);
    }

  private:
    struct Result {
        DecodedBatch batch;
        std::exception_ptr failure;
    };

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stop_ || !todo_.empty(); });
            if (stop_) return;  // the scan ended early: what is left is not wanted
            std::vector<pdf::PageContent> batch = std::move(todo_.front());
            todo_.pop_front();
            lock.unlock();
            Result result;
            try {
                result.batch = DecodeBatch(batch);
            } catch (...) {
                result.failure = std::current_exception();
            }
            lock.lock();
            done_.push_back(std::move(result));
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<pdf::PageContent>> todo_;
    std::deque<Result> done_;
    bool stop_ = false;
    std::thread worker_;  // last: started once everything it uses exists
};

// Pages are scanned in order on this thread while the content of the next pages is inflated on
// another (inflating and scanning cost about the same on documents of drawn pages). Content is
// prepared here, since only preparing reads the document; at most two batches are ahead.
void ScanPages(pdf::Document& document,
               const std::vector<PageRef>& pages,
               std::vector<pdf::FoundImage>& found,
               pdf::DrawnImages& drawn) {
    pdf::ContentScanner scanner(document, found, drawn);
    constexpr std::size_t kBatch = 8;
    // A document of one batch has nothing to overlap: no thread for it.
    ContentDecoder decoder(pages.size() > kBatch);
    std::size_t prepared = 0;
    const auto prepareNext = [&] {
        if (prepared >= pages.size()) return;
        std::vector<pdf::PageContent> batch;
        for (; batch.size() < kBatch && prepared < pages.size(); ++prepared)
            batch.push_back(scanner.PrepareContent(*pages[prepared].page.dict));
        decoder.Push(std::move(batch));
    };
    prepareNext();
    prepareNext();
    for (std::size_t first = 0; first < pages.size(); first += kBatch) {
        const DecodedBatch decoded = decoder.Pop();
        prepareNext();
        for (std::size_t k = 0; k < decoded.size(); ++k) {
            const PageRef& page = pages[first + k];
            scanner.ScanPage(static_cast<int>(first + k + 1), *page.page.dict, page.inherited.resources, decoded[k]);
        }
    }
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
    WalkPages(*document_, root.IsDict() ? root.dict->Get("Pages") : Object::Null(), Inherited{}, 0, visited, pages);
    if (pages.empty()) {
        // The cross-reference data looked sound but leads to no page: scan the file instead.
        document_->ForceRecovery();
        root = document_->Lookup(&document_->Trailer(), "Root");
        visited.clear();
        WalkPages(*document_, root.IsDict() ? root.dict->Get("Pages") : Object::Null(), Inherited{}, 0, visited, pages);
    }
    if (pages.empty() && !HasPageTree(*document_, root)) return OpenFromImageObjects();
    pageCount_ = static_cast<int>(pages.size());
    // Rebuilt tables are common in sound files (offsets a little off); a rebuilt file without
    // its end marker was cut short, and its last pages may have lost their pictures.
    damaged_ = document_->Recovered() && !EndsWithEofMarker(file_);

    pdf::DrawnImages drawn;
    ScanPages(*document_, pages, found_, drawn);
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
    PlaceDrawings(pages, drawn);
    return OpenStatus::kOpened;
}

void PdfSource::PlaceDrawings(const std::vector<pdf::PageRef>& pages, const pdf::DrawnImages& drawn) {
    places_.resize(images_.size());
    for (const auto& [image, page] : drawn.uses) {
        if (image < images_.size()) AddPage(image, page);
    }
    std::optional<PageFrame> frame;
    int framed = 0;
    for (const pdf::Drawing& drawing : drawn.drawings) {
        if (drawing.image >= images_.size() || drawing.page < 1) continue;
        if (framed != drawing.page) {  // drawings come page by page
            frame.emplace(*document_, pages[static_cast<std::size_t>(drawing.page - 1)].inherited);
            framed = drawing.page;
        }
        const ImageEntry& entry = images_[drawing.image];
        if (auto placement = PlaceOnPage(*frame, drawing.ctm, entry.width, entry.height)) {
            placement->page = drawing.page;
            places_[drawing.image].placements.push_back(*placement);
        }
    }
}

OpenStatus PdfSource::OpenFromImageObjects() {
    damaged_ = true;
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
