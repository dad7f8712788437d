// The single-byte ANSI code page of the files: the system's on Windows, Windows-1252 elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// The text as ANSI bytes, or nothing when a character has no byte in the code page
// (it is refused rather than written as "?").
[[nodiscard]] std::optional<std::string> toAnsi(std::u16string_view text);

// The text of ANSI bytes; every byte stands for one character.
[[nodiscard]] std::u16string fromAnsi(std::string_view bytes);

// The character of each byte of the code page, the one of byte 0 first: 256 in all.
[[nodiscard]] std::u16string ansiCharacters();

}  // namespace brisel
