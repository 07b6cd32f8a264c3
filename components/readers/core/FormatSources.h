// The document source of each reader family, by format number (contracts/ReaderFormats.h): one
// table for the readers DLL and the native command line. Sources of formats that embed picture
// files decode them with the core's codecs, the fallback behind them for what those do not read
// (on Windows metafiles and 12-bit JPEG; natively nothing).
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

// The picture files family (format 5), which a platform may extend with readers of its own.
inline constexpr int kPictureFileFormat = 5;

// The source of a format number; null for an unknown number.
std::unique_ptr<DocumentSource> MakeFormatSource(int format, PayloadDecoderPtr fallback);

}  // namespace pictrove::readers
