// Text lookup and formatting by string id.
#include "resources/UiStrings.h"

#include <span>

#include "resources/LanguageResources.h"
#include "ui/Window.h"

namespace pictrove {

namespace {
const LanguageResources* g_language = nullptr;
}

const LanguageResources* UiLanguage() {
    return g_language;
}

const LanguageResources* SetUiLanguage(const LanguageResources* language) {
    const LanguageResources* previous = g_language;
    g_language = language;
    return previous;
}

bool LoadBuiltInString(UINT id, std::wstring& text) {
    text.clear();
    const wchar_t* resource = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const int length = LoadStringW(ResourceInstance(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return false;
    text.assign(resource, static_cast<size_t>(length));
    return true;
}

bool LoadUiString(UINT id, std::wstring& text) {
    text.clear();
    // A language's text wins even when it is empty.
    if (g_language && g_language->GetLanguageString(id, text)) return true;
    return LoadBuiltInString(id, text);
}

std::wstring LoadUiString(UINT id) {
    std::wstring text;
    LoadUiString(id, text);
    return text;
}

std::wstring FormatUiString(UINT id, std::initializer_list<FormatArg> args) {
    const std::span<const FormatArg> list(args.begin(), args.size());
    std::wstring builtIn;
    LoadBuiltInString(id, builtIn);
    std::wstring translated;
    if (g_language && g_language->GetLanguageString(id, translated)) {
        const auto signature = FormatSignature(translated);
        if (signature && signature == FormatSignature(builtIn)) {
            if (auto text = FormatText(translated, list)) return *text;
        }
    }
    if (auto text = FormatText(builtIn, list)) return *text;
    return builtIn;
}

}  // namespace pictrove
