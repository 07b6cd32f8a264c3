// Finds the images a page draws, in drawing order: image XObjects, inline images, and
// recursively what forms, annotation appearances, tiling patterns and soft-mask groups draw.
// Each image object is reported once, at its first use, with the fill colour in force (stencil
// masks are painted with it).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

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

inline constexpr int kMaxFormDepth = 16;

class ContentScanner {
  public:
    ContentScanner(Document& document, std::vector<FoundImage>& out) : document_(document), out_(out) {}

    // Scans one page: its content streams, then its annotations' normal appearances.
    void ScanPage(int pageNumber, const Dict& page, const Object& resources);

  private:
    struct State {
        std::array<std::uint8_t, 3> fill{0, 0, 0};
        int fillComponents = 1;  // components of the fill colour space; 0 when not a device space
    };

    void ScanContent(std::span<const std::uint8_t> content, const Object& resources, int depth, const State& start);
    void ScanForm(const Object& form, const Object& inherited, int depth, const State& state);
    void DrawXObject(const std::string& name, const Object& resources, int depth, const State& state);
    void InlineImage(Lexer& lexer, const Object& resources, const State& state);
    void UsePattern(const std::string& name, const Object& resources, int depth, const State& state);
    void UseExtGState(const std::string& name, const Object& resources, int depth, const State& state);
    Object Resource(const Object& resources, std::string_view category, const std::string& name);
    void Add(FoundImage found, const State& state);

    Document& document_;
    std::vector<FoundImage>& out_;
    std::unordered_set<std::int64_t> seenImages_;
    std::unordered_set<std::int64_t> seenForms_;  // forms, patterns and groups already scanned
    int page_ = 0;
    int inlineCount_ = 0;
};

}  // namespace pictrove::readers::pdf
