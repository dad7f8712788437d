// The standard streams of the console program, as each system has them.
#pragma once

#include <functional>
#include <string_view>

namespace brisel {

enum class StandardStream { output, error };

class Console {
public:
    virtual ~Console() = default;

    // Hands every byte of standard input to `take`, a piece at a time, until its end; false
    // when it cannot be read or `take` refuses a piece.
    virtual bool readInput(const std::function<bool(std::string_view piece)>& take) = 0;
    // Bytes to standard output exactly as they are (records, never translated).
    virtual bool writeOutput(std::string_view bytes) = 0;
    // One line of text, readable where it lands: a console window, a pipe, a file.
    virtual void printLine(StandardStream stream, std::u16string_view text) = 0;
};

// Called once at the console program's start: a standard stream that nobody reads any more
// (a pipe whose reader has gone) fails its writes instead of ending the program (SIGPIPE on
// Linux), so that the program reports what it did with its exit status.
void reportClosedStreamsAsWriteErrors() noexcept;

// The process's own standard streams. Made once, before any file is opened: a stream that
// the caller closed ("<&-", ">&-") is kept closed for the program, so that no file it opens
// takes its place, and reads or writes of it fail.
class SystemConsole final : public Console {
public:
    SystemConsole();
    bool readInput(const std::function<bool(std::string_view piece)>& take) override;
    bool writeOutput(std::string_view bytes) override;
    void printLine(StandardStream stream, std::u16string_view text) override;

private:
    bool inputClosed_ = false;
    bool outputClosed_ = false;
};

}  // namespace brisel
