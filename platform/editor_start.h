// Starts Windows' Notepad on a file, without waiting for it.
#pragma once

#ifdef _WIN32

#include <string_view>

namespace brisel {

// Runs the command line "notepad.exe <file>" in a normal window that gets the focus; the
// file name is quoted when it holds a blank. False if Notepad could not be started.
[[nodiscard]] bool startNotepad(std::wstring_view file) noexcept;

}  // namespace brisel

#endif
