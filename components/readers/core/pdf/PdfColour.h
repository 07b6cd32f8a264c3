// Colour spaces of images and the functions that tint transforms use: every space is reduced to
// gray or RGB. ICC spaces through their embedded profile (Little CMS), else like device and
// calibrated spaces by their component count; Lab through Little CMS under its white point, Indexed over any base,
// Separation and DeviceN through their alternate space when the tint transform is a sampled, exponential or stitching
// function, else as gray.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "PdfObject.h"
#include "codecs/ColourProfile.h"

namespace pictrove::readers::pdf {

class Document;

// Sampled (type 0), exponential (type 2) and stitching (type 3) functions.
class Function {
  public:
    static std::shared_ptr<Function> Parse(Document& document, const Object& object, int depth = 0);
    int Outputs() const { return outputs_; }
    // in: inputs, out: Outputs() values.
    void Evaluate(const float* in, float* out) const;

  private:
    int type_ = 2;
    int inputs_ = 1;
    int outputs_ = 1;
    std::vector<float> domain_;
    std::vector<float> range_;
    // Type 0.
    std::vector<int> size_;
    std::vector<float> encode_;
    std::vector<float> decode_;
    std::vector<float> samples_;  // normalised to 0..1
    // Type 2.
    std::vector<float> c0_;
    std::vector<float> c1_;
    float exponent_ = 1;
    // Type 3.
    std::vector<std::shared_ptr<Function>> functions_;
    std::vector<float> bounds_;
};

enum class ColourFamily : std::uint8_t { kGray, kRgb, kCmyk, kLab, kIndexed, kTint };

class ColourSpace {
  public:
    // A space from an image's ColorSpace value; names are looked up in the page's ColorSpace
    // resources. Null when the value names nothing usable.
    static std::shared_ptr<ColourSpace> Parse(Document& document,
                                              const Object& value,
                                              const Dict* resources,
                                              int depth = 0);
    static std::shared_ptr<ColourSpace> Device(ColourFamily family);

    ColourFamily Family() const { return family_; }
    int Components() const { return components_; }
    // Whether the result is best kept as gray.
    bool GrayOutput() const;
    // Whether colours go through colour management (an embedded profile, or Lab).
    bool Managed() const { return profile_ != nullptr; }
    // 8-bit samples with the default Decode array straight through the embedded profile, a row
    // at a time; false when the space has no such profile.
    bool ManagedRow(const std::uint8_t* samples, std::size_t count, std::uint8_t* rgb) const {
        return profile_ && family_ != ColourFamily::kLab && profile_->ToRgb8(samples, count, rgb);
    }
    // The default Decode range of component i for bpc bits per component.
    std::array<float, 2> DefaultDecode(int component, int bitsPerComponent) const;
    // Converts component values (decoded: 0..1 for most spaces, index for Indexed, L*a*b* for
    // Lab) to red, green and blue bytes.
    void ToRgb(const float* values, std::uint8_t rgb[3]) const;

  private:
    ColourFamily family_ = ColourFamily::kGray;
    int components_ = 1;
    // Lab.
    std::array<float, 3> white_{0.9505f, 1.0f, 1.089f};
    std::array<float, 4> range_{-100, 100, -100, 100};
    // Indexed: the palette as RGB, (hival + 1) * 3 bytes.
    int hival_ = 0;
    std::vector<std::uint8_t> palette_;
    bool paletteGray_ = false;
    // ICCBased spaces with a usable embedded profile, and Lab: converted by Little CMS.
    std::shared_ptr<codecs::ColourProfile> profile_;
    // Separation and DeviceN.
    std::shared_ptr<ColourSpace> alternate_;
    std::shared_ptr<Function> tint_;
};

}  // namespace pictrove::readers::pdf
