// Encoding detection and UTF-8 to ANSI. ASCII, by far the most of any table, is passed over
// sixteen bytes at a time; only the other characters are decoded one by one.
#include "conversion/text_encoding.h"

#include "base/utf.h"
#include "conversion/material_conversion.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define BRISEL_SSE2 1
#endif

namespace brisel {
namespace {

constexpr std::size_t block = 16;

// Where the run of ASCII bytes from `at` ends: the first byte from 0x80 on, or the end.
std::size_t asciiRunEnd(std::string_view text, std::size_t at) noexcept {
#ifdef BRISEL_SSE2
    const char* data = text.data();
    for (; at + 4 * block <= text.size(); at += 4 * block) {
        const auto load = [&](std::size_t offset) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + offset));
        };
        const __m128i any = _mm_or_si128(_mm_or_si128(load(0), load(block)), _mm_or_si128(load(2 * block), load(3 * block)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    for (; at + block <= text.size(); at += block) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)));
        if (high != 0)
            return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
    }
#endif
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80)
        ++at;
    return at;
}

// Where in the table a byte stands, worked out only when a character does not fit: the
// scan goes on from where the last one left off, so the whole table is read once at most.
class Place {
public:
    explicit Place(std::string_view text) noexcept : text_(text) {}

    // Moves to `at`, which is not a line end or a separator.
    void moveTo(std::size_t at) noexcept {
        for (; scanned_ < at; ++scanned_) {
            const char c = text_[scanned_];
            if (c == ';') {
                ++field_;
            } else if (c == '\r' || c == '\n') {
                tableEnded_ = tableEnded_ || scanned_ == lineStart_;  // the first empty line ends the table
                if (c == '\r' && scanned_ + 1 < at && text_[scanned_ + 1] == '\n')
                    ++scanned_;
                ++line_;
                field_ = 0;
                lineStart_ = scanned_ + 1;
            }
        }
    }

    // Whether the character here goes into a record.
    bool isWritten() const noexcept { return line_ > 1 && field_ < minimumFieldCount && !tableEnded_; }
    std::size_t line() const noexcept { return line_; }
    std::size_t field() const noexcept { return field_ + 1; }

private:
    std::string_view text_;
    std::size_t scanned_ = 0;
    std::size_t lineStart_ = 0;
    std::size_t line_ = 1;
    std::size_t field_ = 0;
    bool tableEnded_ = false;
};

}  // namespace

DetectedText detectEncoding(std::string_view bytes) noexcept {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return {TextEncoding::utf8, bytes.substr(3)};
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return {TextEncoding::utf16, bytes.substr(2)};
    bool multiByte = false;
    for (std::size_t at = asciiRunEnd(bytes, 0); at < bytes.size(); at = asciiRunEnd(bytes, at)) {
        const DecodedCharacter decoded = decodeUtf8At(bytes, at);
        if (!decoded.valid)
            return {TextEncoding::ansi, bytes};
        multiByte = true;
        at += decoded.length;
    }
    return {multiByte ? TextEncoding::utf8 : TextEncoding::ansi, bytes};
}

ByteBuffer utf8FromAnsi(std::string_view ansi, std::u16string_view codePage) {
    // Each byte from 0x80 on becomes at most three bytes: every character of a single-byte
    // code page lies in the Basic Multilingual Plane.
    std::array<std::string, 128> high;
    for (std::size_t byte = 0x80; byte < 0x100 && byte < codePage.size(); ++byte)
        high[byte - 0x80] = utf8FromUtf16(codePage.substr(byte, 1)).value_or("\xEF\xBF\xBD");
    ByteBuffer utf8(3 * ansi.size() + 1);
    char* out = utf8.data();
    for (std::size_t at = 0; at < ansi.size();) {
        const std::size_t run = asciiRunEnd(ansi, at);
        std::memcpy(out, ansi.data() + at, run - at);
        out += run - at;
        for (at = run; at < ansi.size() && static_cast<unsigned char>(ansi[at]) >= 0x80; ++at) {
            const std::string& character = high[static_cast<unsigned char>(ansi[at]) - 0x80];
            std::memcpy(out, character.data(), character.size());
            out += character.size();
        }
    }
    utf8.setSize(static_cast<std::size_t>(out - utf8.data()));
    return utf8;
}

AnsiCodePage::AnsiCodePage(std::u16string_view characters) noexcept {
    bytes_.fill(-1);
    // Where two bytes stand for one character, the lower one is written.
    for (std::size_t byte = characters.size(); byte-- > 0;)
        bytes_[characters[byte]] = static_cast<std::int16_t>(byte);
}

std::optional<char> AnsiCodePage::byteOf(char32_t character) const noexcept {
    if (character >= bytes_.size() || bytes_[character] < 0)
        return std::nullopt;
    return static_cast<char>(bytes_[character]);
}

AnsiTable ansiFromUtf8Table(std::string_view utf8, const AnsiCodePage& codePage) {
    AnsiTable table;
    table.bytes = ByteBuffer(utf8.size() + 1);
    char* out = table.bytes.data();
    Place place(utf8);
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t run = asciiRunEnd(utf8, at);
        std::memcpy(out, utf8.data() + at, run - at);
        out += run - at;
        at = run;
        if (at == utf8.size())
            break;
        const DecodedCharacter decoded = decodeUtf8At(utf8, at);
        std::optional<char> byte = decoded.valid ? codePage.byteOf(decoded.character) : std::nullopt;
        if (!byte) {
            place.moveTo(at);
            if (place.isWritten()) {
                AnsiTable refused;
                refused.status = AnsiTable::Status::unrepresentable;
                refused.line = place.line();
                refused.field = place.field();
                refused.character = decoded.character;
                return refused;
            }
            byte = '?';  // never written: the header, an ignored field, or after the table
        }
        *out++ = *byte;
        at += decoded.length;
    }
    table.bytes.setSize(static_cast<std::size_t>(out - table.bytes.data()));
    return table;
}

std::optional<TablePlace> invalidUtf8InRecords(std::string_view utf8) noexcept {
    Place place(utf8);
    for (std::size_t at = asciiRunEnd(utf8, 0); at < utf8.size(); at = asciiRunEnd(utf8, at)) {
        const DecodedCharacter decoded = decodeUtf8At(utf8, at);
        if (!decoded.valid) {
            place.moveTo(at);
            if (place.isWritten())
                return TablePlace{place.line(), place.field(), decoded.character};
        }
        at += decoded.length;
    }
    return std::nullopt;
}

}  // namespace brisel
