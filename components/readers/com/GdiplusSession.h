// GDI+ for the image decoders, started when the first object that needs it is made and shut down
// when the last one goes: never from DllMain, where the loader lock forbids both.
#pragma once

namespace pictrove::readers {

class GdiplusSession {
  public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Ok() const { return ok_; }

  private:
    bool ok_ = false;
};

}  // namespace pictrove::readers
