// The module whose resources (strings, dialogs, icons) the program loads. Header only, so a
// program without windows can load strings without linking the window framework.
#pragma once

#include <windows.h>

namespace pictrove {

namespace detail {
inline HINSTANCE& ResourceInstanceSlot() {
    static HINSTANCE instance = nullptr;
    return instance;
}
}  // namespace detail

inline HINSTANCE ResourceInstance() {
    const HINSTANCE set = detail::ResourceInstanceSlot();
    return set ? set : GetModuleHandleW(nullptr);
}

inline void SetResourceInstance(HINSTANCE instance) {
    detail::ResourceInstanceSlot() = instance;
}

}  // namespace pictrove
