// Dialog layouts from the language file: a description read from a "Dialog" element and the
// extended dialog template built from it in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictrove {

class LanguageResources;

struct DialogControlItem {
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, width = 0, height = 0;
    uint32_t id = 0;
    uint16_t classAtom = 0;  // 0: className names the class
    std::wstring className;
    uint16_t captionId = 0;  // 0: caption is the text
    std::wstring caption;
};

struct DialogTemplateBuilder {
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, width = 0, height = 0;
    std::wstring caption;
    std::wstring fontName;
    uint16_t pointSize = 0;
    uint16_t weight = 0;
    std::vector<DialogControlItem> controls;
};

// Fills the description from the selected language's "Dialog" with that id; false when the
// language has none (or no language is selected).
bool ReadDialogDescription(const LanguageResources& language, unsigned dialogId, DialogTemplateBuilder& description);

// The DLGTEMPLATEEX block, every item on a 4-byte boundary, padding zeroed.
std::vector<uint8_t> BuildDialogTemplate(const DialogTemplateBuilder& description);

}  // namespace pictrove
