// Content-stream scanning for drawn images.
#include "PdfContent.h"

#include <algorithm>

#include "PdfColour.h"
#include "PdfDocument.h"
#include "PdfFilters.h"

namespace pictrove::readers::pdf {
namespace {

constexpr std::size_t kMaxStateDepth = 256;
constexpr std::size_t kMaxAnnotations = 10000;

std::string ExpandInlineKey(const std::string& key) {
    static const std::pair<const char*, const char*> kKeys[] = {
        {"BPC", "BitsPerComponent"},
        {"CS", "ColorSpace"},
        {"D", "Decode"},
        {"DP", "DecodeParms"},
        {"F", "Filter"},
        {"H", "Height"},
        {"W", "Width"},
        {"IM", "ImageMask"},
        {"I", "Interpolate"},
        {"L", "Length"},
    };
    for (const auto& [shortKey, longKey] : kKeys) {
        if (key == shortKey) return longKey;
    }
    return key;
}

std::uint8_t Byte(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 1.0) * 255 + 0.5);
}

// The /Matrix of a form, pattern or group; identity when absent or malformed.
Matrix MatrixOf(Document& document, const Dict& dict) {
    const Object array = document.Lookup(&dict, "Matrix");
    if (!array.IsArray() || array.array->size() != 6) return {};
    double v[6];
    for (std::size_t i = 0; i < 6; ++i) v[i] = document.Resolve((*array.array)[i]).Number();
    return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

// The rectangle [x0 y0 x1 y1] of an array, normalised; false when there is none.
bool RectOf(Document& document, const Object& array, double (&rect)[4]) {
    if (!array.IsArray() || array.array->size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) rect[i] = document.Resolve((*array.array)[i]).Number();
    if (rect[0] > rect[2]) std::swap(rect[0], rect[2]);
    if (rect[1] > rect[3]) std::swap(rect[1], rect[3]);
    return true;
}

// Where an annotation's appearance is drawn: its box, turned by its matrix, scaled and moved
// onto the annotation's rectangle.
Matrix AppearanceMatrix(Document& document, const Dict* annotation, const Object& form) {
    double rect[4];
    double box[4];
    if (!form.IsStream() || !RectOf(document, document.Lookup(annotation, "Rect"), rect) ||
        !RectOf(document, document.Lookup(&form.stream->dict, "BBox"), box)) {
        return {};
    }
    const Matrix m = MatrixOf(document, form.stream->dict);
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int corner = 0; corner < 4; ++corner) {
        const double x = box[corner & 1 ? 2 : 0];
        const double y = box[corner & 2 ? 3 : 1];
        const double tx = m.a * x + m.c * y + m.e;
        const double ty = m.b * x + m.d * y + m.f;
        minX = corner == 0 ? tx : std::min(minX, tx);
        maxX = corner == 0 ? tx : std::max(maxX, tx);
        minY = corner == 0 ? ty : std::min(minY, ty);
        maxY = corner == 0 ? ty : std::max(maxY, ty);
    }
    const double sx = maxX > minX ? (rect[2] - rect[0]) / (maxX - minX) : 1;
    const double sy = maxY > minY ? (rect[3] - rect[1]) / (maxY - minY) : 1;
    return {sx, 0, 0, sy, rect[0] - minX * sx, rect[1] - minY * sy};
}

}  // namespace

Matrix Concatenate(const Matrix& m, const Matrix& n) {
    return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d,       m.c * n.a + m.d * n.c,
            m.c * n.b + m.d * n.d, m.e * n.a + m.f * n.c + n.e, m.e * n.b + m.f * n.d + n.f};
}

Object ContentScanner::Resource(const Object& resources, std::string_view category, const std::string& name) {
    const Object dict = document_.Resolve(resources);
    const Object group = document_.Lookup(dict.AsDict(), category);
    if (!group.IsDict()) return Object::Null();
    const Object& value = group.dict->Get(name);
    if (value.IsRef()) {
        Object resolved = document_.Resolve(value);
        if (resolved.IsStream() || resolved.IsDict()) {
            // Keep the number: it identifies the object for de-duplication.
            resolved.integer = value.integer;
        }
        return resolved;
    }
    Object direct = value;
    direct.integer = -1;
    return direct;
}

PageContent ContentScanner::PrepareContent(const Dict& page) {
    PageContent prepared;
    const Object contents = document_.Lookup(&page, "Contents");
    const auto add = [&](const Object& stream) {
        if (!stream.IsStream()) return;
        if (auto ready = document_.PrepareStream(*stream.stream, kMaxContentBytes)) {
            prepared.streams.push_back(std::move(*ready));
        }
    };
    if (contents.IsArray()) {
        for (const auto& item : *contents.array) add(document_.Resolve(item));
    } else {
        add(contents);
    }
    return prepared;
}

std::vector<std::uint8_t> DecodeContent(const PageContent& prepared) {
    std::vector<std::uint8_t> content;
    for (const PreparedStream& stream : prepared.streams) {
        auto data = DecodePrepared(stream);
        if (!data || !data->codec.empty() || content.size() + data->bytes.size() > kMaxContentBytes) continue;
        if (content.empty()) {
            content = std::move(data->bytes);  // one stream, as most pages have: no copy
        } else {
            content.insert(content.end(), data->bytes.begin(), data->bytes.end());
        }
        content.push_back('\n');  // streams of an array may split tokens only at their ends
    }
    return content;
}

void ContentScanner::ScanPage(int pageNumber, const Dict& page, const Object& resources) {
    ScanPage(pageNumber, page, resources, DecodeContent(PrepareContent(page)));
}

void ContentScanner::ScanPage(int pageNumber,
                              const Dict& page,
                              const Object& resources,
                              const std::vector<std::uint8_t>& content) {
    page_ = pageNumber;
    inlineCount_ = 0;
    onPage_.clear();
    ScanContent(content, resources, 0, State{});

    const Object annotations = document_.Lookup(&page, "Annots");
    if (!annotations.IsArray()) return;
    std::size_t count = 0;
    for (const auto& item : *annotations.array) {
        if (++count > kMaxAnnotations) break;
        const Object annotation = document_.Resolve(item);
        const Object appearances = document_.Lookup(annotation.AsDict(), "AP");
        Object normal = appearances.IsDict() ? appearances.dict->Get("N") : Object::Null();
        std::int64_t number = normal.IsRef() ? normal.integer : -1;
        normal = document_.Resolve(normal);
        if (normal.IsDict() && !normal.IsStream()) {
            // Appearance states: the one named by AS, else every state.
            const Object state = document_.Lookup(annotation.AsDict(), "AS");
            std::vector<Object> streams;
            if (state.IsName() && normal.dict->Has(state.text)) {
                streams.push_back(normal.dict->Get(state.text));
            } else {
                for (const auto& entry : normal.dict->entries) streams.push_back(entry.second);
            }
            for (const auto& entry : streams) {
                Object form = document_.Resolve(entry);
                form.integer = entry.IsRef() ? entry.integer : -1;
                State state;
                state.ctm = AppearanceMatrix(document_, annotation.AsDict(), form);
                ScanForm(form, resources, 1, state);
            }
            continue;
        }
        normal.integer = number;
        State state;
        state.ctm = AppearanceMatrix(document_, annotation.AsDict(), normal);
        ScanForm(normal, resources, 1, state);
    }
}

void ContentScanner::ScanForm(const Object& form, const Object& inherited, int depth, const State& state, bool placed) {
    if (!form.IsStream() || depth > kMaxFormDepth) return;
    FormDrawings direct;
    FormDrawings* record = &direct;
    if (form.integer >= 0) {
        auto [at, fresh] = forms_.try_emplace(form.integer);
        record = &at->second;                 // nodes stay where they are when the map grows
        if (!fresh && !record->done) return;  // drawn from within itself
    }
    if (!record->done) {
        auto data = document_.DecodeFully(*form.stream, kMaxContentBytes);
        Object resources = form.stream->dict.Get("Resources");
        if (document_.Resolve(resources).IsNull()) resources = inherited;  // older files rely on the page's
        if (data) {
            FormDrawings* outer = record_;
            record_ = record;
            State inner = state;
            inner.ctm = MatrixOf(document_, form.stream->dict);
            ScanContent(*data, resources, depth, inner);
            record_ = outer;
        }
        record->done = true;
    }
    for (const std::size_t image : record->images) Use(image);
    if (!placed) return;
    for (const Drawing& drawing : record->drawings) {
        if (!Place(drawing.image, Concatenate(drawing.ctm, state.ctm))) break;
    }
}

void ContentScanner::Use(std::size_t image) {
    if (record_ != nullptr) {
        if (record_->imageSet.insert(image).second) record_->images.push_back(image);
    } else if (onPage_.insert(image).second) {
        drawn_.uses.emplace_back(image, page_);
    }
}

bool ContentScanner::Place(std::size_t image, const Matrix& ctm) {
    if (drawings_ >= kMaxDrawings) return false;
    ++drawings_;
    (record_ != nullptr ? record_->drawings : drawn_.drawings).push_back({image, page_, ctm});
    return true;
}

std::size_t ContentScanner::Add(FoundImage found, const State& state) {
    if (found.number >= 0) {
        const auto [at, fresh] = seenImages_.try_emplace(found.number, out_.size());
        if (!fresh) return at->second;
    }
    found.page = page_;
    found.fill = state.fill;
    out_.push_back(std::move(found));
    return out_.size() - 1;
}

void ContentScanner::DrawXObject(const std::string& name, const Object& resources, int depth, const State& state) {
    const Object object = Resource(resources, "XObject", name);
    if (!object.IsStream()) return;
    const Object subtype = document_.Resolve(object.stream->dict.Get("Subtype"));
    if (subtype.IsName("Image")) {
        FoundImage found;
        found.image = object;
        found.number = object.integer >= 0 ? object.integer : -2 - static_cast<std::int64_t>(out_.size());
        found.resourceName = name;
        const Object dict = document_.Resolve(resources);
        found.resources = dict.dict;
        Draw(Add(std::move(found), state), state.ctm);
    } else if (subtype.IsName("Form")) {
        ScanForm(object, resources, depth + 1, state);
    }
}

void ContentScanner::UsePattern(const std::string& name, const Object& resources, int depth, const State& state) {
    const Object pattern = Resource(resources, "Pattern", name);
    if (!pattern.IsStream() || document_.Resolve(pattern.stream->dict.Get("PatternType")).Int(0) != 1) return;
    ScanForm(pattern, resources, depth + 1, state, false);
}

void ContentScanner::UseExtGState(const std::string& name, const Object& resources, int depth, const State& state) {
    const Object gs = Resource(resources, "ExtGState", name);
    const Object mask = document_.Lookup(gs.AsDict(), "SMask");
    if (!mask.IsDict()) return;
    const Object& groupRef = mask.dict->Get("G");
    Object group = document_.Resolve(groupRef);
    group.integer = groupRef.IsRef() ? groupRef.integer : -1;
    ScanForm(group, resources, depth + 1, state);
}

void ContentScanner::InlineImage(Lexer& lexer, const Object& resources, const State& state) {
    Parser parser(lexer, false);
    Dict dict;
    for (int guard = 0; guard < 256; ++guard) {
        auto key = parser.ReadObject();
        if (!key) break;  // "ID", or damage
        auto value = parser.ReadObject();
        if (!value) break;
        if (key->IsName()) dict.entries.emplace_back(ExpandInlineKey(key->text), std::move(*value));
    }
    auto pending = parser.TakePending();
    if (!pending || !pending->IsKeyword("ID")) return;
    const auto data = lexer.Data();
    std::size_t start = pending->start + 2;
    if (start < data.size() && IsWhite(data[start])) ++start;  // exactly one blank after ID

    // Unfiltered data has a known size; otherwise the data ends at an "EI" standing alone.
    std::size_t end = std::string_view::npos;
    const Object filter = dict.Get("Filter");
    const bool filtered = !filter.IsNull() && !(filter.IsArray() && filter.array->empty());
    const std::int64_t width = dict.Get("Width").Int(0);
    const std::int64_t height = dict.Get("Height").Int(0);
    if (!filtered && width > 0 && height > 0 && width <= 65535 && height <= 65535) {
        const bool mask = dict.Get("ImageMask").Bool(false);
        int components = 1;
        std::int64_t bits = mask ? 1 : dict.Get("BitsPerComponent").Int(8);
        if (!mask) {
            if (auto space =
                    ColourSpace::Parse(document_, dict.Get("ColorSpace"), document_.Resolve(resources).AsDict())) {
                components = space->Components();
            }
        }
        const std::size_t size = (static_cast<std::size_t>(width) * static_cast<std::size_t>(components) *
                                      static_cast<std::size_t>(std::clamp<std::int64_t>(bits, 1, 16)) +
                                  7) /
                                 8 * static_cast<std::size_t>(height);
        if (size <= data.size() - start) {
            Lexer after(data, start + size);
            const Token token = after.Next();
            if (token.IsKeyword("EI")) end = start + size;
        }
    }
    if (end == std::string_view::npos) {
        for (std::size_t at = FindBytes(data, "EI", start); at != std::string_view::npos;
             at = FindBytes(data, "EI", at + 2)) {
            const bool before = at == start || IsWhite(data[at - 1]);
            const bool after = at + 2 >= data.size() || IsWhite(data[at + 2]) || IsDelimiter(data[at + 2]);
            if (before && after) {
                end = at;
                break;
            }
        }
        if (end == std::string_view::npos) end = data.size();
    }
    std::size_t dataEnd = end;
    if (filtered && dataEnd > start && IsWhite(data[dataEnd - 1])) --dataEnd;
    lexer.Seek(std::min(end + 2, data.size()));

    Stream stream;
    stream.dict = std::move(dict);
    stream.ownsData = true;
    stream.data.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
                       data.begin() + static_cast<std::ptrdiff_t>(dataEnd));
    stream.length = stream.data.size();
    FoundImage found;
    found.image = Object::MakeStream(std::move(stream));
    found.inlineNumber = ++inlineCount_;
    found.resources = document_.Resolve(resources).dict;
    Draw(Add(std::move(found), state), state.ctm);
}

void ContentScanner::ScanContent(std::span<const std::uint8_t> content,
                                 const Object& resources,
                                 int depth,
                                 const State& start) {
    Lexer lexer(content);
    Parser parser(lexer, false);
    Operands operands;
    std::vector<State> stack;
    State state = start;
    const std::uint8_t* bytes = content.data();
    const std::size_t size = content.size();
    std::size_t at = 0;
    for (;;) {
        // Blanks, comments, numbers and operators, most of any page, are read here in place:
        // no token, no object, one look-up a byte.
        std::uint8_t kind = 0;
        while (at < size) {
            kind = detail::kCharClasses.of[bytes[at]];
            if (kind == detail::kWhiteChar) {
                ++at;
            } else if (bytes[at] == '%') {
                while (at < size && bytes[at] != '\n' && bytes[at] != '\r') ++at;
            } else {
                break;
            }
        }
        if (at >= size) break;
        if (kind != detail::kDelimiterChar) {
            const std::size_t begin = at;
            std::uint8_t numberShaped = detail::kNumberChar;
            do {
                numberShaped &= kind;
                if (++at == size) break;
                kind = detail::kCharClasses.of[bytes[at]];
            } while ((kind & (detail::kWhiteChar | detail::kDelimiterChar)) == 0);
            const std::string_view word(reinterpret_cast<const char*>(bytes + begin), at - begin);
            if (numberShaped != 0 && ClassifyWord(word) != WordKind::kKeyword) {
                operands.PushNumber(word);
            } else if (word == "true" || word == "false") {
                operands.Push(Object::Boolean(word == "true"));
            } else if (word == "null") {
                operands.Push(Object::Null());
            } else {
                lexer.Seek(at);
                Operator(word.substr(0, 256), operands, lexer, resources, depth, stack, state);
                at = lexer.Position();
                operands.Clear();
            }
            continue;
        }
        lexer.Seek(at);
        if (auto object = parser.ReadObject()) {
            operands.Push(std::move(*object));
            at = lexer.Position();
            continue;
        }
        auto token = parser.TakePending();
        at = lexer.Position();
        if (!token || token->kind != TokenKind::kKeyword) {
            if (token && token->kind == TokenKind::kEnd) break;
            continue;
        }
        Operator(token->text, operands, lexer, resources, depth, stack, state);
        at = lexer.Position();
        operands.Clear();
    }
}

void ContentScanner::Operator(std::string_view op,
                              const Operands& operands,
                              Lexer& lexer,
                              const Object& resources,
                              int depth,
                              std::vector<State>& stack,
                              State& state) {
    const auto number = [&](std::size_t fromEnd) { return operands.Number(fromEnd); };
    const std::string* name = operands.LastName();
    if (op == "q") {
        if (stack.size() < kMaxStateDepth) stack.push_back(state);
    } else if (op == "Q") {
        if (!stack.empty()) {
            state = stack.back();
            stack.pop_back();
        }
    } else if (op == "cm" && operands.Size() >= 6) {
        const Matrix m{number(6), number(5), number(4), number(3), number(2), number(1)};
        state.ctm = Concatenate(m, state.ctm);
    } else if (op == "Do") {
        if (name) DrawXObject(*name, resources, depth, state);
    } else if (op == "BI") {
        InlineImage(lexer, resources, state);
    } else if (op == "g" && operands.Size() >= 1) {
        const std::uint8_t v = Byte(number(1));
        state.fill = {v, v, v};
        state.fillComponents = 1;
    } else if (op == "rg" && operands.Size() >= 3) {
        state.fill = {Byte(number(3)), Byte(number(2)), Byte(number(1))};
        state.fillComponents = 3;
    } else if (op == "k" && operands.Size() >= 4) {
        const double k = number(1);
        state.fill = {Byte((1 - number(4)) * (1 - k)), Byte((1 - number(3)) * (1 - k)),
                      Byte((1 - number(2)) * (1 - k))};
        state.fillComponents = 4;
    } else if (op == "cs") {
        const bool gray = name && *name == "DeviceGray";
        const bool rgb = name && *name == "DeviceRGB";
        const bool cmyk = name && *name == "DeviceCMYK";
        state.fillComponents = gray ? 1 : rgb ? 3 : cmyk ? 4 : 0;
        state.fill = cmyk ? std::array<std::uint8_t, 3>{255, 255, 255} : std::array<std::uint8_t, 3>{0, 0, 0};
    } else if (op == "sc" || op == "scn") {
        if (name) {
            UsePattern(*name, resources, depth, state);
        } else if (state.fillComponents == 1 && operands.Size() >= 1) {
            const std::uint8_t v = Byte(number(1));
            state.fill = {v, v, v};
        } else if (state.fillComponents == 3 && operands.Size() >= 3) {
            state.fill = {Byte(number(3)), Byte(number(2)), Byte(number(1))};
        } else if (state.fillComponents == 4 && operands.Size() >= 4) {
            const double k = number(1);
            state.fill = {Byte((1 - number(4)) * (1 - k)), Byte((1 - number(3)) * (1 - k)),
                          Byte((1 - number(2)) * (1 - k))};
        }
    } else if (op == "gs") {
        if (name) UseExtGState(*name, resources, depth, state);
    }
}

}  // namespace pictrove::readers::pdf
