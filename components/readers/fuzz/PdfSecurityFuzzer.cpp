// Fuzz target: the standard security handler's parsing of an encryption dictionary and its
// password checks, then decryption of the rest of the input as a string and a stream.
#include "FuzzSupport.h"
#include "pdf/PdfLexer.h"
#include "pdf/PdfSecurity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers::pdf;
    Lexer lexer({data, size});
    Parser parser(lexer);
    const auto dict = parser.ReadObject();
    if (!dict || !dict->IsDict()) return 0;
    std::unique_ptr<Security> security;
    if (Security::Create(*dict->dict, "0123456789abcdef", u"user", security) != SecurityStatus::kOpened) return 0;
    const std::size_t rest = lexer.Position();
    std::string text(reinterpret_cast<const char*>(data) + rest, size - rest);
    security->DecryptString(text, 12, 0);
    (void)security->DecryptStream({data + rest, size - rest}, 7, 1);
    return 0;
}
