// The standard streams through the file descriptors; text goes out as UTF-8.
#include "platform/console.h"

#include "base/utf.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace brisel {
namespace {

bool writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

void reportClosedStreamsAsWriteErrors() noexcept {
    std::signal(SIGPIPE, SIG_IGN);
}

// On POSIX the next file opened gets the lowest free number: without a stream 0, 1 or 2,
// a file of the program's own would stand in for it, and the table would be read from it,
// the records or the success line written into it. /dev/null takes the number instead.
SystemConsole::SystemConsole() {
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY) != stream)
            continue;
        if (stream == STDIN_FILENO)
            inputClosed_ = true;
        else if (stream == STDOUT_FILENO)
            outputClosed_ = true;
    }
}

bool SystemConsole::readInput(const std::function<bool(std::string_view piece)>& take) {
    if (inputClosed_)
        return false;
    std::string piece(std::size_t{1} << 16, '\0');
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, piece.data(), piece.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        if (!take(std::string_view(piece.data(), static_cast<std::size_t>(got))))
            return false;
    }
}

bool SystemConsole::writeOutput(std::string_view bytes) {
    if (outputClosed_)
        return false;
    return writeAll(STDOUT_FILENO, bytes);
}

void SystemConsole::printLine(StandardStream stream, std::u16string_view text) {
    // A readable text holds nothing that UTF-8 cannot: the line is never lost.
    std::string line = utf8FromUtf16(readableText(text)).value_or(std::string());
    line += '\n';
    (void)writeAll(stream == StandardStream::output ? STDOUT_FILENO : STDERR_FILENO, line);
}

}  // namespace brisel
