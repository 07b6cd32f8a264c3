// JPEG files for the reader tests, written by libjpeg-turbo's own encoder: every colour model
// the decoders must tell apart (gray, RGB, CMYK and YCCK, with and without Adobe's marker),
// baseline, progressive and arithmetic-coded.
#pragma once

#include <cstdint>

#include "TestImageFiles.h"

namespace pictrove::test {

struct JpegOptions {
    int components = 3;  // 1, 3 or 4 samples per pixel as given
    bool adobe = true;   // four components: write Adobe's marker (libjpeg's default)
    bool ycck = false;   // four components: store as YCCK (implies the marker)
    bool progressive = false;
    bool arithmetic = false;
    int quality = 100;
};

// samples: width * height * components bytes, rows top-down, stored in the file as given.
Bytes MakeJpeg(int width, int height, const Bytes& samples, const JpegOptions& options);

// A picture of one colour.
Bytes JpegOfColour(int width, int height, const Bytes& colour, const JpegOptions& options);

}  // namespace pictrove::test
