// Finds the images a page draws, in drawing order: image XObjects, inline images, and
// recursively what forms, annotation appearances, tiling patterns and soft-mask groups draw.
// Each image object is reported once, at its first use, with the fill colour in force (stencil
// masks are painted with it); every drawing of it is recorded with the transformation in force.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "PdfDocument.h"
#include "PdfLexer.h"
#include "PdfObject.h"

namespace pictrove::readers::pdf {

class Document;

struct FoundImage {
    Object image;                               // the image stream; inline images own their bytes
    std::int64_t number = -1;                   // object number, -1 for inline images
    std::string resourceName;                   // "Im3"; empty for inline images
    int page = 0;                               // 1-based
    int inlineNumber = 0;                       // 1-based within the page, inline images only
    std::shared_ptr<const Dict> resources;      // where the image was drawn, for named colour spaces
    std::array<std::uint8_t, 3> fill{0, 0, 0};  // RGB of the fill colour at first use
};

// An affine transformation as PDF writes it, [a b c d e f]: a point (x, y) goes to
// (a x + c y + e, b x + d y + f).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// first, then second (PDF's "first concatenated with second").
Matrix Concatenate(const Matrix& first, const Matrix& second);

// One drawing of a found image: the image space (the unit square) maps through ctm to the page's
// default user space.
struct Drawing {
    std::size_t image = 0;  // index into the found images
    int page = 0;           // 1-based
    Matrix ctm;
};

// What the scanned pages draw: each image on each page that draws it (once a page), and the
// drawings that have a place. Pictures painted as tiles of a pattern are drawn all over its area,
// not at one place: they are on the page without a drawing.
struct DrawnImages {
    std::vector<std::pair<std::size_t, int>> uses;  // image index, page
    std::vector<Drawing> drawings;
};

inline constexpr int kMaxFormDepth = 16;
// Drawings recorded in one document, forms' included: forms drawing forms many times each would
// multiply them past any memory. Pictures drawn beyond it keep their pages, without a place.
inline constexpr std::size_t kMaxDrawings = std::size_t{1} << 19;
inline constexpr std::size_t kMaxContentBytes = std::size_t{256} << 20;

// A page's content streams, prepared on the document's thread (PrepareContent) and decoded by
// DecodeContent on any thread.
struct PageContent {
    std::vector<PreparedStream> streams;
};

// The page's content streams decoded and joined, each ending in a line break; streams that do
// not decode are left out, as is what would take the content past kMaxContentBytes.
std::vector<std::uint8_t> DecodeContent(const PageContent& prepared);

class ContentScanner {
  public:
    ContentScanner(Document& document, std::vector<FoundImage>& out, DrawnImages& drawn)
        : document_(document), out_(out), drawn_(drawn) {}

    // Scans one page: its content streams, then its annotations' normal appearances.
    void ScanPage(int pageNumber, const Dict& page, const Object& resources);
    // The same with the page's content already decoded (DecodeContent of PrepareContent).
    void ScanPage(int pageNumber, const Dict& page, const Object& resources, const std::vector<std::uint8_t>& content);
    PageContent PrepareContent(const Dict& page);

  private:
    struct State {
        std::array<std::uint8_t, 3> fill{0, 0, 0};
        int fillComponents = 1;  // components of the fill colour space; 0 when not a device space
        Matrix ctm;
    };

    // What a form, pattern or group draws, relative to the space it is drawn in; a form is read
    // once and its drawings replayed wherever else it is drawn.
    struct FormDrawings {
        bool done = false;  // false while it is read: a form drawing itself draws nothing there
        std::vector<Drawing> drawings;
        std::vector<std::size_t> images;  // each image it draws, once
        std::unordered_set<std::size_t> imageSet;
    };

    // The operands of the operator being read, the last kMax of them. Numbers, most of what
    // content streams hold, are kept as their text in the content, read only when an operator
    // needs their value; other operands as objects.
    class Operands {
      public:
        static constexpr std::size_t kMax = 32;

        void PushNumber(std::string_view text) {
            Slot& slot = Next();
            slot.isNumber = true;
            slot.number = text;
        }
        void Push(Object object) {
            Slot& slot = Next();
            slot.isNumber = false;
            slot.object = std::move(object);
        }
        void Clear() {
            first_ = 0;
            count_ = 0;
        }
        std::size_t Size() const { return count_; }
        // The operand fromEnd places from the last (1 is the last) as a number, 0 when it is none.
        double Number(std::size_t fromEnd) const {
            const Slot& slot = At(fromEnd);
            if (!slot.isNumber) return slot.object.Number();
            std::int64_t integer = 0;
            double real = 0;
            ClassifyWord(slot.number, integer, real);
            return real;
        }
        // The last operand's name, when it is a name.
        const std::string* LastName() const {
            if (count_ == 0) return nullptr;
            const Slot& slot = At(1);
            return !slot.isNumber && slot.object.IsName() ? &slot.object.text : nullptr;
        }

      private:
        struct Slot {
            bool isNumber = true;
            std::string_view number;
            Object object;
        };
        Slot& Next() {
            if (count_ == kMax) {  // the oldest operand makes room
                first_ = (first_ + 1) % kMax;
                --count_;
            }
            return slots_[(first_ + count_++) % kMax];
        }
        const Slot& At(std::size_t fromEnd) const { return slots_[(first_ + count_ - fromEnd) % kMax]; }

        std::array<Slot, kMax> slots_;
        std::size_t first_ = 0;
        std::size_t count_ = 0;
    };

    void ScanContent(std::span<const std::uint8_t> content, const Object& resources, int depth, const State& start);
    void Operator(std::string_view op,
                  const Operands& operands,
                  Lexer& lexer,
                  const Object& resources,
                  int depth,
                  std::vector<State>& stack,
                  State& state);
    void ScanForm(const Object& form, const Object& inherited, int depth, const State& state, bool placed = true);
    void DrawXObject(const std::string& name, const Object& resources, int depth, const State& state);
    void InlineImage(Lexer& lexer, const Object& resources, const State& state);
    void UsePattern(const std::string& name, const Object& resources, int depth, const State& state);
    void UseExtGState(const std::string& name, const Object& resources, int depth, const State& state);
    Object Resource(const Object& resources, std::string_view category, const std::string& name);
    // The index of the found image, listed now when it is new.
    std::size_t Add(FoundImage found, const State& state);
    // The image is drawn where the scan is: on the page, or in the form being read.
    void Use(std::size_t image);
    // The image is drawn through ctm; false once the document's drawings are spent.
    bool Place(std::size_t image, const Matrix& ctm);
    void Draw(std::size_t image, const Matrix& ctm) {
        Use(image);
        Place(image, ctm);
    }

    Document& document_;
    std::vector<FoundImage>& out_;
    DrawnImages& drawn_;
    FormDrawings* record_ = nullptr;          // the form being read; null on the page itself
    std::unordered_set<std::size_t> onPage_;  // images the page being scanned draws
    std::unordered_map<std::int64_t, std::size_t> seenImages_;
    std::unordered_map<std::int64_t, FormDrawings> forms_;  // forms, patterns and groups by number
    int page_ = 0;
    int inlineCount_ = 0;
    std::size_t drawings_ = 0;
};

}  // namespace pictrove::readers::pdf
