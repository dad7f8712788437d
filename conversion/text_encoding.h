// Which encoding a table, brisel.conf or material.ini was saved in, and a table's fields in
// the encoding their records are written in: the single-byte ANSI code page, or UTF-8 for
// a material.ini that is UTF-8 already. Bytes in, bytes out; the code page itself is the
// caller's.
#pragma once

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

// The byte-order mark at the start of a text, if it has one, and how long it is.
struct ByteOrderMark {
    std::optional<TextEncoding> encoding;
    std::size_t size = 0;
};
[[nodiscard]] ByteOrderMark byteOrderMark(std::string_view start) noexcept;

// The encoding of a text without a byte-order mark, told from its bytes given a piece at a
// time: UTF-8 where every byte belongs to a valid sequence and one is longer than a byte.
class EncodingDetector {
public:
    // Takes the next piece; false once the answer can no longer change (a byte that is no
    // UTF-8 was met).
    bool feed(std::string_view piece) noexcept;
    // The answer once every piece is given.
    [[nodiscard]] TextEncoding result() const noexcept;

private:
    std::array<char, 4> pending_{};  // a sequence that the piece cut off
    std::size_t pendingSize_ = 0;
    bool multiByte_ = false;
    bool invalid_ = false;
};

// The single-byte code page as the system has it: which character each byte stands for.
class AnsiCodePage {
public:
    // `characters` holds 256 characters, the one of byte 0 first.
    explicit AnsiCodePage(std::u16string_view characters);
    // The byte of a character, or nothing when the code page has none.
    [[nodiscard]] std::optional<char> byteOf(char32_t character) const noexcept;
    // The UTF-8 of the character of a byte from 0x80 on.
    [[nodiscard]] std::string_view utf8Of(unsigned char byte) const noexcept { return high_[byte & 0x7F]; }

private:
    std::array<std::int16_t, 0x10000> bytes_{};  // -1 where a character has no byte
    std::array<std::string, 128> high_;
};

// What FieldEncoding::encode names as unfit where a field read as UTF-8 holds bytes that
// are no UTF-8: no character at all, unlike U+FFFD, which a table may hold like any other.
inline constexpr char32_t noCharacter = 0xFFFFFFFF;

// How the bytes of a field that goes into a record reach it: from a table's encoding (ANSI
// or UTF-8) into the records' (ANSI or UTF-8). ANSI goes as it is, or through the code page
// into UTF-8; UTF-8 goes into the code page, where a character without a byte is unfit, or
// as it is once it is valid UTF-8.
class FieldEncoding {
public:
    FieldEncoding() = default;  // every byte as it is
    // The code page must outlive the encoding.
    FieldEncoding(TextEncoding table, TextEncoding records, const AnsiCodePage& codePage) noexcept;

    // Whether every field goes as it is, so that nothing can be unfit.
    [[nodiscard]] bool asItIs() const noexcept { return kind_ == Kind::asItIs; }
    // Adds `field` to `into` in the records' encoding, or says which character it holds
    // that cannot go there (noCharacter for bytes that are no UTF-8). Throws std::bad_alloc.
    [[nodiscard]] bool encode(std::string_view field, std::string& into, char32_t& unfit) const;
    // The same into `out`, which has room for `room(field.size())` bytes: the end of what
    // was written, or null where a character cannot go there.
    [[nodiscard]] char* encode(std::string_view field, char* out, char32_t& unfit) const noexcept;
    // The bytes a field of `size` bytes takes at most in the records' encoding.
    [[nodiscard]] std::size_t room(std::size_t size) const noexcept { return kind_ == Kind::ansiToUtf8 ? 3 * size : size; }

private:
    enum class Kind { asItIs, ansiToUtf8, utf8ToAnsi, utf8Checked };
    Kind kind_ = Kind::asItIs;
    const AnsiCodePage* codePage_ = nullptr;
};

// The encoding of a table's fields, decided when it is first needed: the converter asks
// only where a field that goes into a record holds a byte from 0x80 on, so that an ASCII
// table is never looked at twice.
class FieldEncodings {
public:
    virtual ~FieldEncodings() = default;
    // Throws std::bad_alloc.
    virtual FieldEncoding encoding() = 0;
};

// One encoding, known from the start.
class KnownEncoding final : public FieldEncodings {
public:
    explicit KnownEncoding(FieldEncoding known = {}) noexcept : known_(known) {}
    FieldEncoding encoding() override { return known_; }

private:
    FieldEncoding known_;
};

}  // namespace brisel
