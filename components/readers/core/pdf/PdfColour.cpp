// Colour spaces and functions.
#include "PdfColour.h"

#include <algorithm>
#include <cmath>

#include "PdfDocument.h"
#include "codecs/CmykModel.h"

namespace pictrove::readers::pdf {
namespace {

// Embedded ICC profiles larger than this are not read (real ones are a few kilobytes to a few
// megabytes).
constexpr std::size_t kMaxProfileBytes = std::size_t{16} << 20;

constexpr int kMaxColourDepth = 8;
constexpr std::size_t kMaxFunctionSamples = 1 << 22;

std::uint8_t ToByte(float value) {
    if (!(value > 0)) return 0;  // also NaN
    if (value >= 1) return 255;
    return static_cast<std::uint8_t>(value * 255.0f + 0.5f);
}

// Through the readers' one CMYK model, so PDF images match JPEG and TIFF CMYK pictures.
void CmykToRgb(float c, float m, float y, float k, std::uint8_t rgb[3]) {
    codecs::CmykToRgb(ToByte(c), ToByte(m), ToByte(y), ToByte(k), rgb);
}

float LinearToSrgb(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
}

}  // namespace

std::shared_ptr<Function> Function::Parse(Document& document, const Object& object, int depth) {
    if (depth > kMaxColourDepth) return nullptr;
    const Object resolved = document.Resolve(object);
    const Dict* dict = resolved.AsDict();
    if (dict == nullptr) return nullptr;
    auto function = std::make_shared<Function>();
    function->type_ = static_cast<int>(document.Lookup(dict, "FunctionType").Int(-1));
    function->domain_ = document.Numbers(dict->Get("Domain"));
    function->range_ = document.Numbers(dict->Get("Range"));
    if (function->domain_.size() < 2) return nullptr;
    function->inputs_ = static_cast<int>(function->domain_.size() / 2);
    if (function->inputs_ > 8) return nullptr;
    switch (function->type_) {
        case 0: {
            if (!resolved.IsStream() || function->range_.size() < 2) return nullptr;
            function->outputs_ = static_cast<int>(function->range_.size() / 2);
            const auto sizes = document.Numbers(dict->Get("Size"));
            if (static_cast<int>(sizes.size()) < function->inputs_) return nullptr;
            std::size_t total = static_cast<std::size_t>(function->outputs_);
            for (int i = 0; i < function->inputs_; ++i) {
                const int size = static_cast<int>(sizes[static_cast<std::size_t>(i)]);
                if (size < 1 || size > 65536) return nullptr;
                function->size_.push_back(size);
                total *= static_cast<std::size_t>(size);
                if (total > kMaxFunctionSamples) return nullptr;
            }
            const int bits = static_cast<int>(document.Lookup(dict, "BitsPerSample").Int(8));
            if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 12 && bits != 16 && bits != 24 &&
                bits != 32) {
                return nullptr;
            }
            function->encode_ = document.Numbers(dict->Get("Encode"));
            if (function->encode_.size() < function->size_.size() * 2) {
                function->encode_.clear();
                for (int size : function->size_)
                    function->encode_.insert(function->encode_.end(), {0.0f, float(size - 1)});
            }
            function->decode_ = document.Numbers(dict->Get("Decode"));
            if (function->decode_.size() < function->range_.size()) function->decode_ = function->range_;
            auto data = document.DecodeFully(*resolved.stream, (total * static_cast<std::size_t>(bits) + 7) / 8);
            if (!data) return nullptr;
            const double maxValue = std::ldexp(1.0, bits) - 1;
            function->samples_.resize(total, 0.0f);
            for (std::size_t i = 0; i < total; ++i) {
                std::uint64_t value = 0;
                const std::size_t bit = i * static_cast<std::size_t>(bits);
                for (int b = 0; b < bits; ++b) {
                    const std::size_t at = bit + static_cast<std::size_t>(b);
                    const std::size_t byte = at / 8;
                    const int set = byte < data->size() ? ((*data)[byte] >> (7 - at % 8)) & 1 : 0;
                    value = (value << 1) | static_cast<std::uint64_t>(set);
                }
                function->samples_[i] = static_cast<float>(value / maxValue);
            }
            return function;
        }
        case 2: {
            function->c0_ = document.Numbers(dict->Get("C0"));
            function->c1_ = document.Numbers(dict->Get("C1"));
            if (function->c0_.empty()) function->c0_ = {0.0f};
            if (function->c1_.empty()) function->c1_ = {1.0f};
            if (function->c0_.size() != function->c1_.size() || function->c0_.size() > 32) return nullptr;
            function->outputs_ = static_cast<int>(function->c0_.size());
            function->exponent_ = static_cast<float>(document.Lookup(dict, "N").Number(1));
            return function;
        }
        case 3: {
            const Object functions = document.Lookup(dict, "Functions");
            if (!functions.IsArray() || functions.array->empty() || functions.array->size() > 64) return nullptr;
            for (const auto& item : *functions.array) {
                auto part = Parse(document, item, depth + 1);
                if (!part) return nullptr;
                function->functions_.push_back(part);
            }
            function->outputs_ = function->functions_[0]->Outputs();
            function->bounds_ = document.Numbers(dict->Get("Bounds"));
            function->encode_ = document.Numbers(dict->Get("Encode"));
            if (function->bounds_.size() + 1 != function->functions_.size() ||
                function->encode_.size() < 2 * function->functions_.size()) {
                return nullptr;
            }
            return function;
        }
        default:
            return nullptr;  // PostScript calculators are not evaluated
    }
}

void Function::Evaluate(const float* in, float* out) const {
    float x[8];
    for (int i = 0; i < inputs_; ++i) {
        const float lo = domain_[2 * static_cast<std::size_t>(i)];
        const float hi = domain_[2 * static_cast<std::size_t>(i) + 1];
        x[i] = std::isnan(in[i]) ? lo : std::clamp(in[i], std::min(lo, hi), std::max(lo, hi));
    }
    switch (type_) {
        case 0: {
            // Nearest sample: enough for the tint transforms of images.
            std::size_t index = 0;
            std::size_t stride = 1;
            for (int i = 0; i < inputs_; ++i) {
                const auto u = static_cast<std::size_t>(i);
                const float d0 = domain_[2 * u];
                const float d1 = domain_[2 * u + 1];
                float e =
                    encode_[2 * u] + (d1 != d0 ? (x[i] - d0) * (encode_[2 * u + 1] - encode_[2 * u]) / (d1 - d0) : 0);
                e = std::clamp(e, 0.0f, float(size_[u] - 1));
                index += static_cast<std::size_t>(std::lround(e)) * stride;
                stride *= static_cast<std::size_t>(size_[u]);
            }
            for (int j = 0; j < outputs_; ++j) {
                const auto u = static_cast<std::size_t>(j);
                const float s = samples_[index * static_cast<std::size_t>(outputs_) + u];
                out[j] = decode_[2 * u] + s * (decode_[2 * u + 1] - decode_[2 * u]);
            }
            break;
        }
        case 2: {
            const float t = exponent_ == 1 ? x[0] : std::pow(std::max(x[0], 0.0f), exponent_);
            for (int j = 0; j < outputs_; ++j) {
                const auto u = static_cast<std::size_t>(j);
                out[j] = c0_[u] + t * (c1_[u] - c0_[u]);
            }
            break;
        }
        case 3: {
            std::size_t k = 0;
            while (k < bounds_.size() && x[0] >= bounds_[k]) ++k;
            const float lo = k == 0 ? domain_[0] : bounds_[k - 1];
            const float hi = k == bounds_.size() ? domain_[1] : bounds_[k];
            const float e0 = encode_[2 * k];
            const float e1 = encode_[2 * k + 1];
            const float t = hi != lo ? e0 + (x[0] - lo) * (e1 - e0) / (hi - lo) : e0;
            functions_[k]->Evaluate(&t, out);
            break;
        }
        default:
            for (int j = 0; j < outputs_; ++j) out[j] = 0;
            break;
    }
    if (range_.size() >= 2 * static_cast<std::size_t>(outputs_)) {
        for (int j = 0; j < outputs_; ++j) {
            const auto u = static_cast<std::size_t>(j);
            out[j] = std::clamp(out[j], std::min(range_[2 * u], range_[2 * u + 1]),
                                std::max(range_[2 * u], range_[2 * u + 1]));
        }
    }
}

std::shared_ptr<ColourSpace> ColourSpace::Device(ColourFamily family) {
    auto space = std::make_shared<ColourSpace>();
    space->family_ = family;
    space->components_ = family == ColourFamily::kRgb || family == ColourFamily::kLab ? 3
                         : family == ColourFamily::kCmyk                              ? 4
                                                                                      : 1;
    return space;
}

std::shared_ptr<ColourSpace> ColourSpace::Parse(Document& document,
                                                const Object& value,
                                                const Dict* resources,
                                                int depth) {
    if (depth > kMaxColourDepth) return nullptr;
    const Object resolved = document.Resolve(value);
    if (resolved.IsName()) {
        const std::string& name = resolved.text;
        if (name == "DeviceGray" || name == "G" || name == "CalGray") return Device(ColourFamily::kGray);
        if (name == "DeviceRGB" || name == "RGB" || name == "CalRGB") return Device(ColourFamily::kRgb);
        if (name == "DeviceCMYK" || name == "CMYK") return Device(ColourFamily::kCmyk);
        if (name == "Indexed" || name == "I") return nullptr;
        // A named resource of the page.
        if (resources != nullptr) {
            const Object spaces = document.Lookup(resources, "ColorSpace");
            if (spaces.IsDict() && spaces.dict->Has(name)) {
                return Parse(document, spaces.dict->Get(name), nullptr, depth + 1);
            }
        }
        return nullptr;
    }
    if (!resolved.IsArray() || resolved.array->empty()) return nullptr;
    const Array& items = *resolved.array;
    const Object family = document.Resolve(items[0]);
    if (!family.IsName()) return nullptr;
    const std::string& name = family.text;
    if (items.size() == 1) return Parse(document, family, resources, depth + 1);
    if (name == "CalGray") return Device(ColourFamily::kGray);
    if (name == "CalRGB") return Device(ColourFamily::kRgb);
    if (name == "CalCMYK") return Device(ColourFamily::kCmyk);
    if (name == "Lab") {
        auto space = Device(ColourFamily::kLab);
        const Object params = document.Resolve(items[1]);
        if (params.IsDict()) {
            const auto white = document.Numbers(params.dict->Get("WhitePoint"));
            if (white.size() >= 3 && white[1] > 0) space->white_ = {white[0], white[1], white[2]};
            const auto range = document.Numbers(params.dict->Get("Range"));
            if (range.size() >= 4) space->range_ = {range[0], range[1], range[2], range[3]};
        }
        space->profile_ = codecs::ColourProfile::FromLab(space->white_);
        return space;
    }
    if (name == "ICCBased") {
        const Object profile = document.Resolve(items[1]);
        const Dict* dict = profile.AsDict();
        const std::int64_t n = document.Lookup(dict, "N").Int(0);
        if (n != 1 && n != 3 && n != 4)
            return Parse(document, document.Lookup(dict, "Alternate"), resources, depth + 1);
        auto space = Device(n == 1 ? ColourFamily::kGray : n == 3 ? ColourFamily::kRgb : ColourFamily::kCmyk);
        // The embedded profile decides the colours; one that cannot be used leaves the device space.
        if (profile.IsStream()) {
            if (auto bytes = document.DecodeFully(*profile.stream, kMaxProfileBytes)) {
                space->profile_ = codecs::ColourProfile::FromIcc(*bytes, static_cast<int>(n));
            }
        }
        return space;
    }
    if (name == "Indexed" || name == "I") {
        if (items.size() < 4) return nullptr;
        auto base = Parse(document, items[1], resources, depth + 1);
        if (!base || base->family_ == ColourFamily::kIndexed) return nullptr;
        auto space = Device(ColourFamily::kIndexed);
        space->hival_ = static_cast<int>(std::clamp<std::int64_t>(document.Resolve(items[2]).Int(0), 0, 255));
        const Object lookup = document.Resolve(items[3]);
        std::vector<std::uint8_t> table;
        const std::size_t need =
            static_cast<std::size_t>(space->hival_ + 1) * static_cast<std::size_t>(base->components_);
        if (lookup.IsString()) {
            table.assign(lookup.text.begin(), lookup.text.end());
        } else if (lookup.IsStream()) {
            if (auto data = document.DecodeFully(*lookup.stream, need)) table = std::move(*data);
        }
        table.resize(need, 0);  // short tables: the missing entries are black
        space->palette_.resize(static_cast<std::size_t>(space->hival_ + 1) * 3);
        space->paletteGray_ = base->GrayOutput();
        bool colourEntries = false;
        std::vector<float> values(static_cast<std::size_t>(base->components_));
        for (int i = 0; i <= space->hival_; ++i) {
            for (int c = 0; c < base->components_; ++c) {
                const float byte = table[static_cast<std::size_t>(i * base->components_ + c)];
                const auto range = base->DefaultDecode(c, 8);
                values[static_cast<std::size_t>(c)] = range[0] + byte / 255.0f * (range[1] - range[0]);
            }
            std::uint8_t* rgb = &space->palette_[static_cast<std::size_t>(i) * 3];
            base->ToRgb(values.data(), rgb);
            // A colour base whose palette holds only grays (black and white scans) still gives
            // a gray picture: a third of the memory and what the page really shows.
            colourEntries |= rgb[0] != rgb[1] || rgb[1] != rgb[2];
        }
        space->paletteGray_ = space->paletteGray_ || !colourEntries;
        return space;
    }
    if (name == "Separation" || name == "DeviceN") {
        if (items.size() < 4) return nullptr;
        auto space = Device(ColourFamily::kTint);
        const Object names = document.Resolve(items[1]);
        space->components_ = name == "Separation" ? 1 : names.IsArray() ? static_cast<int>(names.array->size()) : 0;
        if (space->components_ < 1 || space->components_ > 32) return nullptr;
        space->alternate_ = Parse(document, items[2], resources, depth + 1);
        space->tint_ = Function::Parse(document, items[3]);
        if (space->tint_ && space->alternate_ && space->tint_->Outputs() < space->alternate_->components_) {
            space->tint_.reset();
        }
        if (!space->tint_ || !space->alternate_ || space->alternate_->family_ == ColourFamily::kIndexed ||
            space->alternate_->family_ == ColourFamily::kTint) {
            space->tint_.reset();
            space->alternate_.reset();  // shown as gray: full tint is black
        }
        return space;
    }
    if (name == "Pattern") return nullptr;
    return nullptr;
}

bool ColourSpace::GrayOutput() const {
    switch (family_) {
        case ColourFamily::kGray:
            return true;
        case ColourFamily::kIndexed:
            return paletteGray_;
        case ColourFamily::kTint:
            return !alternate_ || alternate_->GrayOutput();
        default:
            return false;
    }
}

std::array<float, 2> ColourSpace::DefaultDecode(int component, int bitsPerComponent) const {
    if (family_ == ColourFamily::kIndexed) return {0.0f, float((1 << bitsPerComponent) - 1)};
    if (family_ == ColourFamily::kLab) {
        if (component == 0) return {0.0f, 100.0f};
        return component == 1 ? std::array<float, 2>{range_[0], range_[1]} : std::array<float, 2>{range_[2], range_[3]};
    }
    return {0.0f, 1.0f};
}

void ColourSpace::ToRgb(const float* v, std::uint8_t rgb[3]) const {
    if (profile_ && family_ == ColourFamily::kLab) {
        const float lab[3] = {std::clamp(v[0], 0.0f, 100.0f), std::clamp(v[1], range_[0], range_[1]),
                              std::clamp(v[2], range_[2], range_[3])};
        profile_->ToRgb(lab, 1, rgb);
        return;
    }
    if (profile_) {
        float clamped[4];
        for (int i = 0; i < components_ && i < 4; ++i)
            clamped[i] = std::clamp(std::isnan(v[i]) ? 0.0f : v[i], 0.0f, 1.0f);
        profile_->ToRgb(clamped, 1, rgb);
        return;
    }
    switch (family_) {
        case ColourFamily::kGray:
            rgb[0] = rgb[1] = rgb[2] = ToByte(v[0]);
            return;
        case ColourFamily::kRgb:
            rgb[0] = ToByte(v[0]);
            rgb[1] = ToByte(v[1]);
            rgb[2] = ToByte(v[2]);
            return;
        case ColourFamily::kCmyk:
            CmykToRgb(v[0], v[1], v[2], v[3], rgb);
            return;
        case ColourFamily::kLab: {
            // L*a*b* to XYZ under the space's white point, then to linear sRGB (D65 matrix).
            const float l = v[0];
            const float a = std::clamp(v[1], range_[0], range_[1]);
            const float b = std::clamp(v[2], range_[2], range_[3]);
            const float fy = (l + 16) / 116;
            const auto g = [](float t) {
                return t >= 6.0f / 29 ? t * t * t : 3 * (6.0f / 29) * (6.0f / 29) * (t - 4.0f / 29);
            };
            const float x = white_[0] * g(fy + a / 500);
            const float y = white_[1] * g(fy);
            const float z = white_[2] * g(fy - b / 200);
            rgb[0] = ToByte(LinearToSrgb(3.2406f * x - 1.5372f * y - 0.4986f * z));
            rgb[1] = ToByte(LinearToSrgb(-0.9689f * x + 1.8758f * y + 0.0415f * z));
            rgb[2] = ToByte(LinearToSrgb(0.0557f * x - 0.2040f * y + 1.0570f * z));
            return;
        }
        case ColourFamily::kIndexed: {
            const int index = std::clamp(static_cast<int>(std::lround(std::isnan(v[0]) ? 0 : v[0])), 0, hival_);
            const std::uint8_t* entry = &palette_[static_cast<std::size_t>(index) * 3];
            rgb[0] = entry[0];
            rgb[1] = entry[1];
            rgb[2] = entry[2];
            return;
        }
        case ColourFamily::kTint: {
            if (tint_ && alternate_) {
                float out[32] = {};
                tint_->Evaluate(v, out);
                alternate_->ToRgb(out, rgb);
                return;
            }
            // No usable transform: the strongest tint as darkness.
            float tint = 0;
            for (int i = 0; i < components_; ++i) tint = std::max(tint, v[i]);
            rgb[0] = rgb[1] = rgb[2] = ToByte(1 - tint);
            return;
        }
    }
}

}  // namespace pictrove::readers::pdf
