// Start-up, message loop and shutdown.
#include "app/Startup.h"

#include <commctrl.h>

#include <memory>

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/MessageLoop.h"

namespace pictrove {

int RunPictrove(HINSTANCE instance, const wchar_t* commandLine, const std::wstring& folder) {
    // Its result is not examined: without COM only the readers fail, each with its message.
    CoInitialize(nullptr);
    const std::wstring documentPath = DocumentPathFromCommandLine(commandLine ? commandLine : L"");
    // Neither a missing settings file nor a missing language file stops the program.
    App().Init(instance, folder);
    InitCommonControls();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    {
        MessageLoop loop;
        App().AddMessageLoop(&loop);
        auto frame = std::make_unique<MainFrame>();
        if (frame->CreateMain()) {
            frame->ApplySettingsPlacement();
            if (!documentPath.empty()) frame->Open(documentPath);
            loop.Run();
        }
        App().RemoveMessageLoop();
        App().Term();
        frame.reset();
    }
    CoUninitialize();
    return 0;
}

}  // namespace pictrove
