// Program start of brisel-convert: the arguments as UTF-16, the process's own streams.
#include "app/console/console_program.h"
#include "platform/console.h"
#include "platform/files.h"

#include <string>
#include <vector>

#ifdef _WIN32

int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i], argv[i] + std::char_traits<wchar_t>::length(argv[i]));
    brisel::reportFileSizeLimitAsWriteError();
    brisel::reportClosedStreamsAsWriteErrors();
    brisel::SystemConsole console;
    return static_cast<int>(brisel::runConsoleProgram(arguments, console));
}

#else

#include "base/utf.h"

// Arguments, paths included, are bytes as the system passes them: UTF-8, or a name that is
// none, kept byte for byte.
int main(int argc, char* argv[]) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(brisel::utf16FromBytes(argv[i]));
    brisel::reportFileSizeLimitAsWriteError();
    brisel::reportClosedStreamsAsWriteErrors();
    brisel::SystemConsole console;
    return static_cast<int>(brisel::runConsoleProgram(arguments, console));
}

#endif
