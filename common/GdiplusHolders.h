// Per-thread GDI+ start-up and an owning pointer for GDI+ bitmaps.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>

namespace pictrove {

// Starts GDI+ for the current scope and shuts it down again only when the start succeeded.
class ScopedGdiplus {
  public:
    ScopedGdiplus() {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, codecs not suppressed
        status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~ScopedGdiplus() {
        if (status_ == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token_);
    }
    ScopedGdiplus(const ScopedGdiplus&) = delete;
    ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;
    Gdiplus::Status Status() const { return status_; }

  private:
    ULONG_PTR token_ = 0;
    Gdiplus::Status status_ = Gdiplus::GenericError;
};

// GdiplusBase gives Bitmap its own operator new/delete (GdipAlloc/GdipFree), so the default
// deleter frees it the right way.
using BitmapPtr = std::unique_ptr<Gdiplus::Bitmap>;

}  // namespace pictrove
