// Entry point: COM, the settings and language files, the command-line document and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/AppModule.h"
#include "app/CommandLine.h"
#include "app/HostWindow.h"
#include "app/MessageLoop.h"
#include "ui/Handles.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    using namespace pictrove;
    {
        ScopedCoInit com;
        const std::wstring documentPath = DocumentPathFromCommandLine(commandLine ? commandLine : L"");
        // Neither a missing settings file nor a missing language file stops the program.
        App().Init(instance);

        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);

        MessageLoop loop;
        App().AddMessageLoop(&loop);
        {
            HostWindow window;
            if (window.CreateMain(showCommand)) {
                if (!documentPath.empty()) window.Open(documentPath);
                loop.Run();
            }
            App().RemoveMessageLoop();
            App().Term();
        }
    }
    return 0;
}
