// UTF-8 and UTF-16, the two encodings the program's texts travel in: characters decoded
// and encoded one at a time, whole texts converted, and names that are bytes.
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

// A name on Linux is bytes, and not every name is UTF-8 (older systems and archives give
// names in Windows-1252). Such a name travels as UTF-16 all the same: valid UTF-8 reads as
// its characters, and each byte outside a valid sequence (0x80 to 0xFF) as the lone
// surrogate U+DC80 + byte, which no text of characters holds. bytesFromUtf16 gives the
// same bytes back, so every name reaches the system exactly as it came.
[[nodiscard]] std::u16string utf16FromBytes(std::string_view bytes);

// The bytes of a text as utf16FromBytes reads them, or nothing for a text that no bytes
// give: one with a lone surrogate outside U+DC80..U+DCFF, or with kept bytes that would
// read as a character (one name would have two texts).
[[nodiscard]] std::optional<std::string> bytesFromUtf16(std::u16string_view text);

// The text as a person reads it, in a message or on a console: a kept byte as "\xE4", a
// control character as "\x1B" (a NUL, where a displayed text would end; an ESC, which a
// terminal would obey) and any other lone surrogate as "\uD800", so that no half of a pair
// is ever displayed or printed.
[[nodiscard]] std::u16string readableText(std::u16string_view text);

}  // namespace brisel
