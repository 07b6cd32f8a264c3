// The application object: process-wide state that lives from before the entry point to after it.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "resources/LanguageResources.h"
#include "resources/SettingsStore.h"
#include "common/Handles.h"

namespace pictrove {

class MessageLoop;

class AppModule {
  public:
    // Creates the process's named events, signalled, for other processes to see.
    AppModule();
    // Resets and closes them.
    ~AppModule();
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    // Takes the instance for resources, opens the settings and the language file found in folder,
    // selects the language the settings name and starts GDI+. Settings that cannot be kept in
    // folder live in userFolder instead (see SettingsStore::OpenSettings).
    HRESULT Init(HINSTANCE instance,
                 const std::wstring& folder = GetExecutableFolder(),
                 const std::wstring& userFolder = GetUserSettingsFolder());
    // Shuts GDI+ down, saves the settings and lets go of both files.
    void Term();

    // The loop of a thread, through which its windows register idle handlers and filters.
    // Registration is valid between Init and Term.
    bool AddMessageLoop(MessageLoop* loop);
    void RemoveMessageLoop();
    MessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId());

    HINSTANCE ModuleInstance() const { return instance_; }
    SettingsStore& Settings() { return settings_; }
    LanguageResources& Language() { return languageResources_; }

    // The running executable's folder with a trailing backslash.
    static std::wstring GetExecutableFolder();
    // The program's folder in the user's roaming application data, with a trailing backslash;
    // empty when the system names no such folder.
    static std::wstring GetUserSettingsFolder();

  private:
    HINSTANCE instance_ = nullptr;
    LanguageResources languageResources_;
    SettingsStore settings_;
    ULONG_PTR gdiplusToken_ = 0;
    bool lockReady_ = false;
    CRITICAL_SECTION lock_{};
    std::map<DWORD, MessageLoop*> messageLoops_;
    UniqueHandle events_[3];
};

// The one application object.
AppModule& App();

}  // namespace pictrove
