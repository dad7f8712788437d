// UTF-8 and UTF-16, the two encodings the program's texts travel in: characters decoded
// and encoded one at a time, and whole texts converted.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

struct DecodedCharacter {
    char32_t character;  // U+FFFD for an invalid sequence
    std::size_t length;  // 1 for an invalid sequence: its first byte is passed over
    bool valid;
};

// The character whose UTF-8 sequence starts at `at` (before the text's end). Overlong
// forms, surrogates and sequences cut off by the end of the text are invalid.
[[nodiscard]] DecodedCharacter decodeUtf8At(std::string_view text, std::size_t at) noexcept;

// Adds the UTF-8 of `character`; false, adding nothing, for a surrogate or a value past
// U+10FFFF, which no text can hold.
[[nodiscard]] bool appendUtf8(std::string& utf8, char32_t character);

// The text of valid UTF-8; an invalid sequence reads as U+FFFD.
[[nodiscard]] std::u16string utf16FromUtf8(std::string_view utf8);

// The UTF-8 of a text, or nothing when it holds half of a surrogate pair.
[[nodiscard]] std::optional<std::string> utf8FromUtf16(std::u16string_view text);

}  // namespace brisel
