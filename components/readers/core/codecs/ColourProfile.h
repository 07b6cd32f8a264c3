// Colour conversions through Little CMS: pictures described by an embedded ICC profile, and
// CIE L*a*b* with its white point, turned into sRGB.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace pictrove::readers::codecs {

class ColourProfile {
  public:
    // A conversion from an ICC profile's space (gray, RGB or CMYK) to sRGB; null when the
    // profile cannot be read or its space does not have that many components.
    static std::shared_ptr<ColourProfile> FromIcc(std::span<const std::uint8_t> profile, int components);
    // CIE L*a*b* relative to a white point given as XYZ (Y = 1) to sRGB.
    static std::shared_ptr<ColourProfile> FromLab(const std::array<float, 3>& whiteXyz);

    ~ColourProfile();
    ColourProfile(const ColourProfile&) = delete;
    ColourProfile& operator=(const ColourProfile&) = delete;

    int Components() const { return components_; }
    // count pixels of Components() values each (0..1 per component; L* 0..100 and a*, b* as they
    // are for Lab) to red, green, blue bytes.
    void ToRgb(const float* values, std::size_t count, std::uint8_t* rgb) const;
    // The same for 8-bit samples (ink amounts for CMYK), a whole row at a time: Little CMS
    // optimises this case into tables, far faster than the general path. Lab has no such path
    // (false).
    bool ToRgb8(const std::uint8_t* samples, std::size_t count, std::uint8_t* rgb) const;

  private:
    ColourProfile(void* transform, void* transform8, int components, bool lab)
        : transform_(transform), transform8_(transform8), components_(components), lab_(lab) {}
    void* transform_;
    void* transform8_;
    int components_;
    bool lab_;
};

}  // namespace pictrove::readers::codecs
