// How records are added to a material.ini that is already there, whoever wrote it: brisel,
// Notepad, an administrator's script. Nothing of the existing bytes is ever changed.
#pragma once

#include "conversion/text_encoding.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace brisel {

struct Appending {
    // What the records are written in: the file's own encoding. UTF-16 files are not extended.
    TextEncoding encoding = TextEncoding::ansi;
    // The last line has no line end (Notepad saves it so): CR LF goes before the records,
    // or the last material and the first new one would share a line.
    bool lineBreakFirst = false;
};

// What the file's first bytes (up to three) and its last byte tell of an append: the
// encoding where a byte-order mark names it, and whether a line break comes first. Only
// without a mark is the rest of the file needed for its encoding (detectEncoding), and only
// where the records hold more than ASCII, which reads the same in either encoding.
struct AppendingStart {
    std::optional<TextEncoding> marked;
    bool lineBreakFirst = false;
};
[[nodiscard]] AppendingStart appendingStart(std::string_view firstBytes, char lastByte, std::uint64_t size) noexcept;

// The same for a whole file; a missing file is an empty one. Its encoding is decided as a
// table's is (detectEncoding), so an ASCII file stays ANSI.
[[nodiscard]] Appending appendingTo(std::string_view existing) noexcept;

}  // namespace brisel
