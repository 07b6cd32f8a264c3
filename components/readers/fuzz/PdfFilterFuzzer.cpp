// Fuzz target: the PDF stream decoders on their own. The first byte chooses the filter and the
// predictor, the rest is the encoded data.
#include "FuzzSupport.h"
#include "codecs/Ccitt.h"
#include "pdf/PdfFilters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers::pdf;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::span<const std::uint8_t> in(data + 1, size - 1);
    constexpr std::size_t kLimit = 1 << 20;
    ByteVector out;
    switch (selector % 8) {
        case 0:
            AsciiHexDecode(in, kLimit, out);
            break;
        case 1:
            Ascii85Decode(in, kLimit, out);
            break;
        case 2:
            RunLengthDecode(in, kLimit, out);
            break;
        case 3:
            LzwDecode(in, (selector & 8) != 0, kLimit, out);
            break;
        case 4:
            FlateDecode(in, kLimit, out);
            break;
        case 5: {
            pictrove::readers::codecs::CcittParams params;
            params.k = (selector >> 3) % 3 - 1;
            params.columns = 1 + (selector >> 5) * 97;
            params.encodedByteAlign = (selector & 0x10) != 0;
            (void)pictrove::readers::codecs::CcittDecode(in, params);
            break;
        }
        default: {
            // Predictors over the raw bytes: PNG and TIFF, every depth.
            out.assign(in.begin(), in.end());
            static const int kBits[] = {1, 2, 4, 8, 16};
            Unpredict((selector & 8) ? 2 : 10 + (selector >> 4) % 6, 1 + (selector >> 5) % 4,
                      kBits[(selector >> 3) % 5], 1 + (selector >> 2) % 13, out);
            break;
        }
    }
    if (out.size() > kLimit + (1 << 16)) __builtin_trap();
    return 0;
}
