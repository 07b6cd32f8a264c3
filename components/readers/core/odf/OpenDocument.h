// The pictures of an OpenDocument file (text, presentation, spreadsheet, drawing), packaged
// in a zip or flat in one XML file: every draw:image, fill image and background image of
// content.xml then styles.xml in document order. A frame whose images are alternatives of one
// picture (an SVG, EMF or StarView original with the bitmap a producer adds for readers that
// cannot draw it) gives one picture; the bitmaps that stand in for embedded objects
// (ObjectReplacements/) give none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "containers/ZipArchive.h"

namespace pictrove::readers {

// One stored form of a picture: a package path, or the bytes of a flat file's binary data.
struct OdfImage {
    std::string href;                               // as the document gives it; empty for inline data
    std::optional<std::vector<std::uint8_t>> data;  // inline office:binary-data, decoded
    std::string mediaType;
    std::string frameName;  // draw:name of the frame, for pictures that have no file name
};

// The alternatives of one picture, in the document's order of preference.
using OdfPicture = std::vector<OdfImage>;

// Appends the pictures of one XML stream (content.xml, styles.xml, or a whole flat file).
void CollectOdfPictures(std::string_view xml, std::vector<OdfPicture>& pictures);

// Whether the archive is an OpenDocument package: a mimetype entry naming one, or a content.xml.
bool IsOdfPackage(const ZipArchive& archive);

// Whether the bytes are a flat OpenDocument file (an office:document root).
bool IsFlatOdf(std::span<const std::uint8_t> file);

// The package path a picture's link names: "./" and a leading "/" taken off, percent escapes
// resolved; empty for links outside the package.
std::string OdfPackagePath(std::string_view href);

}  // namespace pictrove::readers
