// Entry point.
#include <windows.h>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return pictrove::RunPictrove(instance, commandLine);
}
