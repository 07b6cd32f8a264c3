// Entry point: start-up in order, the message loop, and shutdown in reverse order.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/AppModule.h"
#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/MessageLoop.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    using namespace pictrove;
    // Its result is not examined: without COM only the readers fail, each with its message.
    CoInitialize(nullptr);
    const std::wstring documentPath = DocumentPathFromCommandLine(commandLine ? commandLine : L"");
    // Neither a missing settings file nor a missing language file stops the program.
    App().Init(instance);
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
