// Shared, counted GDI+ start-up of the reader DLL.
#include "GdiplusSession.h"

#include <windows.h>
#include <gdiplus.h>

#include <mutex>

namespace pictrove::readers {
namespace {
std::mutex g_lock;
int g_users = 0;
ULONG_PTR g_token = 0;
}  // namespace

GdiplusSession::GdiplusSession() {
    std::lock_guard guard(g_lock);
    if (g_users == 0) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&g_token, &input, nullptr) != Gdiplus::Ok) return;
    }
    ++g_users;
    ok_ = true;
}

GdiplusSession::~GdiplusSession() {
    if (!ok_) return;
    std::lock_guard guard(g_lock);
    if (--g_users == 0) Gdiplus::GdiplusShutdown(g_token);
}

}  // namespace pictrove::readers
