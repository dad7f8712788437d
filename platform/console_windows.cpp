// The standard streams through their handles. Text goes to a console window as UTF-16
// (WriteConsoleW: right in cmd.exe, PowerShell and Windows Terminal whatever the code
// page), and as UTF-8 into a pipe or a file.
#include "platform/console.h"

#include "base/utf.h"
#include "base/windows_api.h"

#include <algorithm>
#include <string>

namespace brisel {

// A write to a pipe that nobody reads fails here (ERROR_NO_DATA); no signal ends the program.
void reportClosedStreamsAsWriteErrors() noexcept {}

// A handle that the caller closed is none that a file could take: nothing to keep.
SystemConsole::SystemConsole() = default;

bool SystemConsole::readInput(const std::function<bool(std::string_view piece)>& take) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string piece(std::size_t{1} << 16, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(input, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE;  // a closed pipe is the end of the input
        if (got == 0)
            return true;
        if (!take(std::string_view(piece.data(), got)))
            return false;
    }
}

bool SystemConsole::writeOutput(std::string_view bytes) {
    return writeAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

void SystemConsole::printLine(StandardStream stream, std::u16string_view text) {
    const HANDLE handle = GetStdHandle(stream == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    // A readable text holds nothing that UTF-8 cannot: the line is never lost.
    const std::u16string readable = readableText(text);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring line = wide(readable) + L"\r\n";
        DWORD written = 0;
        WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    std::string line = utf8FromUtf16(readable).value_or(std::string());
    line += "\r\n";
    (void)writeAll(handle, line);
}

}  // namespace brisel
