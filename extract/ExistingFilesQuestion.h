// The one question before files that already exist are written over: Replace, Keep both or
// Cancel.
#pragma once

#include <windows.h>

#include <string>

namespace pictrove {

enum class ExistingFilesChoice { kReplace, kKeepBoth, kCancel };

// Button ids of the question, so a test can answer it.
inline constexpr int kReplaceFilesButton = 101;
inline constexpr int kKeepBothFilesButton = 102;

// Asks, owned by owner, what to do about `count` files that exist (`example` is one of them).
// Keep both is the default button; closing the question cancels.
ExistingFilesChoice AskAboutExistingFiles(HWND owner, int count, const std::wstring& example);

}  // namespace pictrove
