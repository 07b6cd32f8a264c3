// Start-up and shutdown of the process-wide state.
#include "app/AppModule.h"

#include <gdiplus.h>
#include <shlobj.h>

#include "resources/DialogRunner.h"
#include "resources/UiStrings.h"
#include "ui/Window.h"

namespace pictrove {

namespace {

constexpr const wchar_t* kEventNames[] = {L"SyncOpenFile", L"SyncGetPage", L"SyncOtherState"};

}  // namespace

// Built before the entry point and destroyed after it, as the named events must be.
static AppModule g_appModule;

AppModule::AppModule() {
    for (size_t i = 0; i < std::size(kEventNames); ++i) {
        events_[i].Reset(CreateEventW(nullptr, TRUE, FALSE, kEventNames[i]));
    }
    for (auto& event : events_) {
        if (event) SetEvent(event.Get());
    }
}

AppModule::~AppModule() {
    for (auto& event : events_) {
        if (event) ResetEvent(event.Get());
    }
    for (auto& event : events_) event.Reset();
}

HRESULT AppModule::Init(HINSTANCE instance, const std::wstring& folder, const std::wstring& userFolder) {
    instance_ = instance;
    SetResourceInstance(instance);
    if (!lockReady_) {
        if (!InitializeCriticalSectionAndSpinCount(&lock_, 0)) return HRESULT_FROM_WIN32(GetLastError());
        lockReady_ = true;
    }

    settings_.OpenSettings(folder + kSettingsFileName, userFolder.empty() ? L"" : userFolder + kSettingsFileName);
    if (languageResources_.LoadLanguageFile(folder + kLanguageFileName)) {
        languageResources_.languageId = settings_.languageId;
        languageResources_.SelectLanguage();
    }
    SetUiLanguage(&languageResources_);
    SetModalDialogRunner(RunModalDialog);

    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);
    return S_OK;
}

void AppModule::Term() {
    if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
    gdiplusToken_ = 0;
    settings_.SaveSettings();
    settings_.Release();
    SetUiLanguage(nullptr);
    languageResources_.Release();
    if (lockReady_) {
        messageLoops_.clear();
        DeleteCriticalSection(&lock_);
        lockReady_ = false;
    }
}

bool AppModule::AddMessageLoop(MessageLoop* loop) {
    if (!lockReady_) return false;
    EnterCriticalSection(&lock_);
    const bool added = messageLoops_.emplace(GetCurrentThreadId(), loop).second;
    LeaveCriticalSection(&lock_);
    return added;
}

void AppModule::RemoveMessageLoop() {
    if (!lockReady_) return;
    EnterCriticalSection(&lock_);
    messageLoops_.erase(GetCurrentThreadId());
    LeaveCriticalSection(&lock_);
}

MessageLoop* AppModule::GetMessageLoop(DWORD threadId) {
    if (!lockReady_) return nullptr;
    EnterCriticalSection(&lock_);
    const auto found = messageLoops_.find(threadId);
    MessageLoop* loop = found == messageLoops_.end() ? nullptr : found->second;
    LeaveCriticalSection(&lock_);
    return loop;
}

std::wstring AppModule::GetExecutableFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring AppModule::GetUserSettingsFolder() {
    PWSTR roaming = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming)) && roaming) {
        folder = std::wstring(roaming) + L"\\Pictrove\\";
    }
    CoTaskMemFree(roaming);
    return folder;
}

AppModule& App() {
    return g_appModule;
}

}  // namespace pictrove
