// Little CMS glue: transforms made once per colour space and used for whole rows.
#include "ColourProfile.h"

#include <algorithm>
#include <vector>

#include <lcms2.h>

namespace pictrove::readers::codecs {
namespace {

// Profiles in documents are often sloppy; a profile Little CMS cannot use is simply not used.
void Silent(cmsContext, cmsUInt32Number, const char*) {}

struct ProfileHandle {
    cmsHPROFILE profile = nullptr;
    ~ProfileHandle() {
        if (profile) cmsCloseProfile(profile);
    }
};

void* Transform(cmsHPROFILE from, cmsUInt32Number format) {
    ProfileHandle srgb{cmsCreate_sRGBProfile()};
    if (!srgb.profile) return nullptr;
    // Relative colorimetric with black point compensation: what documents mean by their colours,
    // with shadows kept apart.
    return cmsCreateTransform(from, format, srgb.profile, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                              cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
}

}  // namespace

std::shared_ptr<ColourProfile> ColourProfile::FromIcc(std::span<const std::uint8_t> bytes, int components) {
    static const bool quiet = (cmsSetLogErrorHandler(Silent), true);
    (void)quiet;
    if (bytes.size() < 132 || bytes.size() > (64u << 20)) return nullptr;
    ProfileHandle profile{cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()))};
    if (!profile.profile) return nullptr;
    cmsUInt32Number format = 0;
    cmsUInt32Number format8 = 0;
    switch (cmsGetColorSpace(profile.profile)) {
        case cmsSigGrayData:
            format = TYPE_GRAY_FLT;
            format8 = TYPE_GRAY_8;
            break;
        case cmsSigRgbData:
            format = TYPE_RGB_FLT;
            format8 = TYPE_RGB_8;
            break;
        case cmsSigCmykData:
            format = TYPE_CMYK_FLT;
            format8 = TYPE_CMYK_8;
            break;
        default:
            return nullptr;
    }
    if (static_cast<int>(cmsChannelsOf(cmsGetColorSpace(profile.profile))) != components) return nullptr;
    void* transform = Transform(profile.profile, format);
    if (!transform) return nullptr;
    void* transform8 = Transform(profile.profile, format8);
    if (!transform8) {
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform));
        return nullptr;
    }
    return std::shared_ptr<ColourProfile>(new ColourProfile(transform, transform8, components, false));
}

std::shared_ptr<ColourProfile> ColourProfile::FromLab(const std::array<float, 3>& whiteXyz) {
    cmsCIEXYZ xyz{whiteXyz[0], whiteXyz[1], whiteXyz[2]};
    if (!(xyz.X > 0 && xyz.Y > 0 && xyz.Z > 0)) return nullptr;
    cmsCIExyY white;
    cmsXYZ2xyY(&white, &xyz);
    ProfileHandle lab{cmsCreateLab4Profile(&white)};
    if (!lab.profile) return nullptr;
    void* transform = Transform(lab.profile, TYPE_Lab_FLT);
    if (!transform) return nullptr;
    return std::shared_ptr<ColourProfile>(new ColourProfile(transform, nullptr, 3, true));
}

ColourProfile::~ColourProfile() {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
    if (transform8_) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform8_));
}

bool ColourProfile::ToRgb8(const std::uint8_t* samples, std::size_t count, std::uint8_t* rgb) const {
    if (!transform8_) return false;
    if (count > 0) {
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform8_), samples, rgb, static_cast<cmsUInt32Number>(count));
    }
    return true;
}

void ColourProfile::ToRgb(const float* values, std::size_t count, std::uint8_t* rgb) const {
    if (count == 0) return;
    // Little CMS reads CMYK floats as percentages; everything else as given.
    if (components_ == 4) {
        std::vector<float> percent(values, values + 4 * count);
        for (auto& v : percent) v = std::clamp(v, 0.0f, 1.0f) * 100.0f;
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), percent.data(), rgb,
                       static_cast<cmsUInt32Number>(count));
        return;
    }
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), values, rgb, static_cast<cmsUInt32Number>(count));
}

}  // namespace pictrove::readers::codecs
