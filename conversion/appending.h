// How records are added to a material.ini that is already there, whoever wrote it: brisel,
// Notepad, an administrator's script. Nothing of the existing bytes is ever changed.
#pragma once

#include "conversion/text_encoding.h"

#include <string_view>

namespace brisel {

struct Appending {
    // What the records are written in: the file's own encoding. UTF-16 files are not extended.
    TextEncoding encoding = TextEncoding::ansi;
    // The last line has no line end (Notepad saves it so): CR LF goes before the records,
    // or the last material and the first new one would share a line.
    bool lineBreakFirst = false;
};

// `existing` is the whole file; a missing file is an empty one. Its encoding is decided as
// a table's is (detectEncoding), so an ASCII file stays ANSI.
[[nodiscard]] Appending appendingTo(std::string_view existing) noexcept;

}  // namespace brisel
