// Text lookup and formatting by string id.
#include "resources/UiStrings.h"

#include <cwchar>
#include <span>

#include "contracts/ReaderContract.h"
#include "contracts/ReaderLimits.h"
#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "common/ResourceInstance.h"

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

std::wstring SystemErrorText(DWORD error) {
    if (static_cast<HRESULT>(error) == kImageOverPixelLimit) {
        return FormatUiString(IDS_OVER_PIXEL_LIMIT, {static_cast<long long>(kMaxPictureMegapixels)});
    }
    if (static_cast<HRESULT>(error) == kImageOverStreamLimit) {
        return FormatUiString(IDS_OVER_STREAM_LIMIT, {static_cast<long long>(kMaxStreamMegabytes)});
    }
    if (static_cast<HRESULT>(error) == kImageKindNotDecoded) return LoadUiString(IDS_KIND_NOT_DECODED);
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (text.empty()) {
        // A code the system has no text for still identifies the failure.
        wchar_t hex[16] = L"";
        swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(error));
        text = hex;
    }
    return text;
}

}  // namespace pictrove
