// Notepad through CreateProcessW: an argument list of our own, no shell in between.
#include "platform/editor_start.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace brisel {

std::wstring notepadCommandLine(std::wstring_view file) {
    std::wstring commandLine = L"notepad.exe ";
    if (file.find(L' ') == std::wstring_view::npos)
        commandLine += file;
    else
        commandLine.append(L"\"").append(file).append(L"\"");
    return commandLine;
}

#ifdef _WIN32

bool startNotepad(std::wstring_view file) noexcept try {
    std::wstring commandLine = notepadCommandLine(file);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // Notepad runs on by itself; its handles are not needed.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
} catch (...) {
    return false;
}

#endif

}  // namespace brisel
