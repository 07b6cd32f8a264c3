// Class and interface ids written as the registry writes them, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}",
// turned into GUIDs while compiling. The text form is the one the build reads back for the
// programs' manifests, so each id is written once; a malformed id does not compile.
#pragma once

#include <guiddef.h>

namespace pictrove {

namespace guid_text {

constexpr unsigned HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    throw "not a hexadecimal digit";  // only ever evaluated while compiling
}

constexpr unsigned long Hex(const char* text, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[i]);
    return value;
}

}  // namespace guid_text

constexpr GUID GuidFromText(const char (&text)[39]) {
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}') {
        throw "an id is written {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    }
    GUID id{};
    id.Data1 = guid_text::Hex(text + 1, 8);
    id.Data2 = static_cast<unsigned short>(guid_text::Hex(text + 10, 4));
    id.Data3 = static_cast<unsigned short>(guid_text::Hex(text + 15, 4));
    id.Data4[0] = static_cast<unsigned char>(guid_text::Hex(text + 20, 2));
    id.Data4[1] = static_cast<unsigned char>(guid_text::Hex(text + 22, 2));
    for (int i = 0; i < 6; ++i) id.Data4[2 + i] = static_cast<unsigned char>(guid_text::Hex(text + 25 + 2 * i, 2));
    return id;
}

}  // namespace pictrove
