// Pages and pictures of an XPS document.
#include "xps/XpsSource.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "epub/EpubSource.h"
#include "markup/TextCodec.h"
#include "markup/XmlScanner.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kMaxMarkupSize = 64u << 20;
constexpr std::string_view kFixedRepresentation = "/fixedrepresentation";

// XPS lengths are 1/96 inch.
constexpr double kPointsPerUnit = 72.0 / 96.0;

struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

// first, then second.
Affine Then(const Affine& first, const Affine& second) {
    return {first.m11 * second.m11 + first.m12 * second.m21,
            first.m11 * second.m12 + first.m12 * second.m22,
            first.m21 * second.m11 + first.m22 * second.m21,
            first.m21 * second.m12 + first.m22 * second.m22,
            first.dx * second.m11 + first.dy * second.m21 + second.dx,
            first.dx * second.m12 + first.dy * second.m22 + second.dy};
}

// Comma- or blank-separated numbers; nothing unless there are exactly count of them.
std::optional<std::vector<double>> Numbers(std::string_view text, std::size_t count) {
    std::vector<double> values;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ',' || text[at] == ' ' || text[at] == '\t')) ++at;
        if (at == text.size()) break;
        double value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
        if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
        values.push_back(value);
        at = static_cast<std::size_t>(end - text.data());
    }
    if (values.size() != count) return std::nullopt;
    return values;
}

std::optional<Affine> ParseMatrix(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const auto v = Numbers(*text, 6);
    if (!v) return std::nullopt;
    return Affine{(*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5]};
}

// The picture a brush or image names: a markup extension ("{ColorConvertedBitmap /a.jpg /b.icc}")
// names it first.
std::optional<std::string> PictureLink(std::string link) {
    if (link.empty()) return std::nullopt;
    if (link[0] == '{') {
        const auto space = link.find(' ');
        if (space == std::string::npos) return std::nullopt;
        link = link.substr(space + 1, link.find_first_of(" }", space + 1) - space - 1);
    }
    return link;
}

// The viewport of a brush, in page units through transform, as a placement of an image of
// width x height pixels.
Placement PlaceViewport(const std::vector<double>& viewport, const Affine& transform, int width, int height) {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int corner = 0; corner < 4; ++corner) {
        const double x = viewport[0] + (corner & 1 ? viewport[2] : 0);
        const double y = viewport[1] + (corner & 2 ? viewport[3] : 0);
        const double tx = transform.m11 * x + transform.m21 * y + transform.dx;
        const double ty = transform.m12 * x + transform.m22 * y + transform.dy;
        minX = corner == 0 ? tx : std::min(minX, tx);
        maxX = corner == 0 ? tx : std::max(maxX, tx);
        minY = corner == 0 ? ty : std::min(minY, ty);
        maxY = corner == 0 ? ty : std::max(maxY, ty);
    }
    Placement placement;
    placement.x = minX * kPointsPerUnit;
    placement.y = minY * kPointsPerUnit;
    placement.width = (maxX - minX) * kPointsPerUnit;
    placement.height = (maxY - minY) * kPointsPerUnit;
    // The whole picture fills the viewport, as writers' viewboxes have it.
    const auto ppi = [](int pixels, double dx, double dy) {
        const double inches = std::hypot(dx, dy) / 96;
        const double value = inches > 0 ? pixels / inches : 0;
        return std::isfinite(value) ? value : 0;
    };
    placement.ppiX = ppi(width, viewport[2] * transform.m11, viewport[2] * transform.m12);
    placement.ppiY = ppi(height, viewport[3] * transform.m21, viewport[3] * transform.m22);
    return placement;
}

}  // namespace

void XpsSource::ScanPage(const std::string& part, int page) {
    const ZipEntry* entry = Archive().Find(part);
    if (entry == nullptr) return;
    const auto bytes = Archive().Extract(*entry, kMaxMarkupSize);
    if (!bytes) return;
    const std::string text = XmlToUtf8(*bytes);

    // One frame per open element: the transform its content is drawn through, and the one of
    // its parent (a RenderTransform property element replaces the first from the second).
    struct Frame {
        std::string name;
        Affine transform;
        Affine parent;
        bool resources = false;  // inside a resource dictionary: drawn wherever it is used
    };
    struct Brush {
        std::size_t image = 0;
        std::vector<double> viewport;
        Affine transform;  // the brush's own
        Affine element;    // of the element it paints
        std::size_t depth = 0;
    };
    std::vector<Frame> stack;
    std::optional<Brush> brush;
    const auto placeBrush = [&] {
        const ImageEntry& image = images_[brush->image];
        Placement placement =
            PlaceViewport(brush->viewport, Then(brush->transform, brush->element), image.width, image.height);
        placement.page = page;
        places_[brush->image].placements.push_back(placement);
        brush.reset();
    };
    constexpr std::size_t kMaxDepth = 256;
    XmlScanner scanner(text);
    while (scanner.Next()) {
        if (scanner.Kind() == XmlScanner::Token::kEndTag) {
            if (brush && stack.size() == brush->depth) placeBrush();
            if (!stack.empty()) stack.pop_back();
            continue;
        }
        if (scanner.Kind() != XmlScanner::Token::kStartTag) continue;
        const std::string_view name = scanner.Name();
        const Affine outer = stack.empty() ? Affine{} : stack.back().transform;
        const bool inResources = (!stack.empty() && stack.back().resources) || name.ends_with(".Resources");
        Frame frame{std::string(name), outer, outer, inResources};
        if (const auto own = ParseMatrix(scanner.Attribute("RenderTransform"))) frame.transform = Then(*own, outer);
        if (name == "MatrixTransform" && stack.size() >= 2) {
            const auto matrix = ParseMatrix(scanner.Attribute("Matrix"));
            const std::string& holder = stack.back().name;
            if (matrix && holder.ends_with(".RenderTransform")) {
                Frame& element = stack[stack.size() - 2];
                element.transform = Then(*matrix, element.parent);
            } else if (matrix && holder == "ImageBrush.Transform" && brush) {
                brush->transform = *matrix;
            }
        }
        if (const auto link = PictureLink(scanner.Attribute("ImageSource").value_or(""))) {
            const std::string resolved = ResolveLink(entry->name, *link);
            const ZipEntry* picture = resolved.empty() ? nullptr : Archive().Find(resolved);
            if (picture != nullptr && AddPicture(*picture)) {
                const std::size_t index = *IndexOf(*picture);
                AddPage(index, page);
                const auto viewport = Numbers(scanner.Attribute("Viewport").value_or(""), 4);
                const bool absolute = scanner.Attribute("ViewportUnits").value_or("Absolute") == "Absolute";
                if (name == "ImageBrush" && !inResources && viewport && absolute && !brush) {
                    if (places_.size() <= index) places_.resize(index + 1);
                    brush = Brush{index, *viewport, Affine{}, outer, stack.size() + 1};
                    if (const auto own = ParseMatrix(scanner.Attribute("Transform"))) brush->transform = *own;
                    if (scanner.SelfClosing()) placeBrush();
                }
            }
        }
        if (!scanner.SelfClosing() && stack.size() < kMaxDepth) stack.push_back(std::move(frame));
    }
}

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
    pageCount_ = static_cast<int>(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) ScanPage(pages[i], static_cast<int>(i + 1));
    return OpenStatus::kOpened;
}

}  // namespace pictrove::readers
