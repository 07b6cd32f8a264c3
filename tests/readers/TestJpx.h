// JPEG 2000 files for the reader tests, written losslessly by OpenJPEG's own encoder, so the
// decoded pixels can be compared exactly with the planes they were made from.
#pragma once

#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

struct JpxPlane {
    std::vector<int> values;  // (width / dx) * (height / dy) samples, rows top-down
    int dx = 1;               // sub-sampling
    int dy = 1;
    bool alpha = false;  // an opacity channel
};

struct JpxOptions {
    int precision = 8;
    bool jp2 = true;      // a JP2 file; false: a bare codestream
    int colourSpace = 0;  // 0 left to the reader, 1 sRGB, 2 gray, 3 sYCC
};

Bytes MakeJpx(int width, int height, const std::vector<JpxPlane>& planes, const JpxOptions& options);

// A JP2 file whose one 8-bit component indexes a palette box (pclr, mapped by cmap) of RGB
// entries; the boxes are written here, the codestream by OpenJPEG.
Bytes MakePalettedJp2(int width, int height, const std::vector<int>& indices, const Bytes& rgbEntries);

}  // namespace pictrove::test
