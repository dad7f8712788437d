// Starts Windows' Notepad on a file, without waiting for it.
#pragma once

#include <string>
#include <string_view>

namespace brisel {

// "notepad.exe <file>", the file name quoted when it holds a blank.
[[nodiscard]] std::wstring notepadCommandLine(std::wstring_view file);

#ifdef _WIN32
// Runs notepadCommandLine(file) in a normal window that gets the focus. False if Notepad
// could not be started.
[[nodiscard]] bool startNotepad(std::wstring_view file) noexcept;
#endif

}  // namespace brisel
