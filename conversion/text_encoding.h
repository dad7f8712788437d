// Which encoding a table, brisel.conf or material.ini was saved in, and a table turned into
// the encoding its records are written in: the single-byte ANSI code page, or UTF-8 for a
// material.ini that is UTF-8 already. Bytes in, bytes out; the code page itself is the caller's.
#pragma once

#include "base/byte_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

enum class TextEncoding {
    ansi,   // every byte one character of the ANSI code page
    utf8,   // a UTF-8 byte-order mark, or valid UTF-8 with at least one multi-byte character
    utf16,  // a UTF-16 byte-order mark (either byte order)
};

struct DetectedText {
    TextEncoding encoding = TextEncoding::ansi;
    std::string_view text;  // the bytes after a byte-order mark
};

// An ASCII text is ANSI: both readings give the same bytes. So is any text that is not
// valid UTF-8 from end to end (a lone "ä" of Windows-1252 never is).
[[nodiscard]] DetectedText detectEncoding(std::string_view bytes) noexcept;

// ANSI bytes as UTF-8; `codePage` holds the character of each of the 256 bytes, as
// AnsiCodePage takes it. Throws std::bad_alloc.
[[nodiscard]] ByteBuffer utf8FromAnsi(std::string_view ansi, std::u16string_view codePage);

// The single-byte code page as the system has it: which character each byte stands for.
class AnsiCodePage {
public:
    // `characters` holds 256 characters, the one of byte 0 first.
    explicit AnsiCodePage(std::u16string_view characters) noexcept;
    // The byte of a character, or nothing when the code page has none.
    [[nodiscard]] std::optional<char> byteOf(char32_t character) const noexcept;

private:
    std::array<std::int16_t, 0x10000> bytes_{};  // -1 where a character has no byte
};

// A UTF-8 table in the ANSI code page, or the first character that has no byte in it.
struct AnsiTable {
    enum class Status { ok, unrepresentable };

    Status status = Status::ok;
    ByteBuffer bytes;        // ok: the table, one byte a character; never longer than the UTF-8
    std::size_t line = 0;    // unrepresentable: the character's line, from 1
    std::size_t field = 0;   // unrepresentable: its field, from 1
    char32_t character = 0;  // unrepresentable: the character, U+FFFD for an invalid sequence
};

// Only what the records are made of must fit the code page: a character that has no byte
// in the header, in a field after the sixth or after the table's end stops nothing (it is
// never written). Elsewhere it stops the conversion; an invalid UTF-8 sequence counts as
// such a character. Lines end as the table's do: CR LF, a lone CR or a lone LF.
[[nodiscard]] AnsiTable ansiFromUtf8Table(std::string_view utf8, const AnsiCodePage& codePage);

// Where a character stands in a table: its line and its field, both from 1.
struct TablePlace {
    std::size_t line = 0;
    std::size_t field = 0;
    char32_t character = 0xFFFD;
};

// For records written in UTF-8: the first invalid UTF-8 sequence (possible after a
// byte-order mark) that would go into a record, found as ansiFromUtf8Table finds a
// character without a byte; nothing when every record would be valid UTF-8.
[[nodiscard]] std::optional<TablePlace> invalidUtf8InRecords(std::string_view utf8) noexcept;

}  // namespace brisel
