// The standard streams of the console program, as each system has them.
#pragma once

#include "base/byte_buffer.h"

#include <optional>
#include <string_view>

namespace brisel {

enum class StandardStream { output, error };

class Console {
public:
    virtual ~Console() = default;

    // Every byte of standard input, or nothing when it cannot be read. Throws std::bad_alloc.
    virtual std::optional<ByteBuffer> readInput() = 0;
    // Bytes to standard output exactly as they are (records, never translated).
    virtual bool writeOutput(std::string_view bytes) = 0;
    // One line of text, readable where it lands: a console window, a pipe, a file.
    virtual void printLine(StandardStream stream, std::u16string_view text) = 0;
};

// The process's own standard streams.
class SystemConsole final : public Console {
public:
    std::optional<ByteBuffer> readInput() override;
    bool writeOutput(std::string_view bytes) override;
    void printLine(StandardStream stream, std::u16string_view text) override;
};

}  // namespace brisel
