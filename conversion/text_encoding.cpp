// Encoding detection and UTF-8 to ANSI. ASCII, by far the most of any table, is passed over
// sixteen bytes at a time; only the other characters are decoded one by one.
#include "conversion/text_encoding.h"

#include "base/utf.h"

#include <algorithm>
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

// How long the UTF-8 sequence is that `lead` starts; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) noexcept {
    if (lead >= 0xC0 && lead < 0xE0)
        return 2;
    if (lead >= 0xE0 && lead < 0xF0)
        return 3;
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    return 0;
}

bool isContinuation(char byte) noexcept {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

ByteOrderMark byteOrderMark(std::string_view start) noexcept {
    if (start.starts_with("\xEF\xBB\xBF"))
        return {TextEncoding::utf8, 3};
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        return {TextEncoding::utf16, 2};
    return {};
}

DetectedText detectEncoding(std::string_view bytes) noexcept {
    const ByteOrderMark mark = byteOrderMark(bytes);
    if (mark.encoding)
        return {*mark.encoding, bytes.substr(mark.size)};
    EncodingDetector detector;
    detector.feed(bytes);
    return {detector.result(), bytes};
}

bool EncodingDetector::feed(std::string_view piece) noexcept {
    if (invalid_)
        return false;
    if (pendingSize_ > 0) {
        // The rest of a sequence that the last piece cut off.
        const std::size_t length = sequenceLength(static_cast<unsigned char>(pending_[0]));
        const std::size_t taken = std::min(length - pendingSize_, piece.size());
        for (std::size_t i = 0; i < taken; ++i)
            pending_[pendingSize_++] = piece[i];
        piece.remove_prefix(taken);
        if (pendingSize_ < length) {
            invalid_ = !std::all_of(pending_.begin() + 1, pending_.begin() + pendingSize_, isContinuation);
            return !invalid_;
        }
        pendingSize_ = 0;
        invalid_ = !decodeUtf8At(std::string_view(pending_.data(), length), 0).valid;
        if (invalid_)
            return false;
        multiByte_ = true;
    }
    for (std::size_t at = asciiRunEnd(piece, 0); at < piece.size(); at = asciiRunEnd(piece, at)) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(piece[at]));
        if (length == 0) {
            invalid_ = true;
            return false;
        }
        if (length > piece.size() - at) {
            const std::string_view rest = piece.substr(at);
            invalid_ = !std::all_of(rest.begin() + 1, rest.end(), isContinuation);
            std::copy(rest.begin(), rest.end(), pending_.begin());
            pendingSize_ = rest.size();
            return !invalid_;
        }
        const DecodedCharacter decoded = decodeUtf8At(piece, at);
        if (!decoded.valid) {
            invalid_ = true;
            return false;
        }
        multiByte_ = true;
        at += decoded.length;
    }
    return true;
}

TextEncoding EncodingDetector::result() const noexcept {
    return multiByte_ && !invalid_ && pendingSize_ == 0 ? TextEncoding::utf8 : TextEncoding::ansi;
}

AnsiCodePage::AnsiCodePage(std::u16string_view characters) {
    bytes_.fill(-1);
    // Where two bytes stand for one character, the lower one is written.
    for (std::size_t byte = characters.size(); byte-- > 0;)
        bytes_[characters[byte]] = static_cast<std::int16_t>(byte);
    // Every character of a single-byte code page lies in the Basic Multilingual Plane.
    for (std::size_t byte = 0x80; byte < 0x100; ++byte) {
        std::string& utf8 = high_[byte - 0x80];
        if (byte >= characters.size() || !appendUtf8(utf8, characters[byte]))
            utf8 = "\xEF\xBF\xBD";
    }
}

std::optional<char> AnsiCodePage::byteOf(char32_t character) const noexcept {
    if (character >= bytes_.size() || bytes_[character] < 0)
        return std::nullopt;
    return static_cast<char>(bytes_[character]);
}

FieldEncoding::FieldEncoding(TextEncoding table, TextEncoding records, const AnsiCodePage& codePage) noexcept
    : codePage_(&codePage) {
    if (table == TextEncoding::utf8)
        kind_ = records == TextEncoding::utf8 ? Kind::utf8Checked : Kind::utf8ToAnsi;
    else
        kind_ = records == TextEncoding::utf8 ? Kind::ansiToUtf8 : Kind::asItIs;
}

bool FieldEncoding::encode(std::string_view field, std::string& into, char32_t& unfit) const {
    const std::size_t size = into.size();
    into.resize(size + room(field.size()));
    char* const end = encode(field, into.data() + size, unfit);
    into.resize(end == nullptr ? size : static_cast<std::size_t>(end - into.data()));
    return end != nullptr;
}

char* FieldEncoding::encode(std::string_view field, char* out, char32_t& unfit) const noexcept {
    const char* in = field.data();
    const char* const end = in + field.size();
    if (kind_ == Kind::asItIs) {
        std::memcpy(out, in, field.size());
        return out + field.size();
    }
    for (;;) {
        // A field is short: its ASCII is copied eight bytes at a time, then a byte at a time.
        for (std::uint64_t word = 0; end - in >= 8; in += 8, out += 8) {
            std::memcpy(&word, in, 8);
            if ((word & 0x8080808080808080u) != 0)
                break;
            std::memcpy(out, in, 8);
        }
        while (in != end && static_cast<unsigned char>(*in) < 0x80)
            *out++ = *in++;
        if (in == end)
            return out;
        if (kind_ == Kind::ansiToUtf8) {
            const std::string_view utf8 = codePage_->utf8Of(static_cast<unsigned char>(*in++));
            std::memcpy(out, utf8.data(), utf8.size());
            out += utf8.size();
            continue;
        }
        const DecodedCharacter decoded = decodeUtf8At(std::string_view(in, static_cast<std::size_t>(end - in)), 0);
        const std::optional<char> byte =
            decoded.valid && kind_ == Kind::utf8ToAnsi ? codePage_->byteOf(decoded.character) : std::nullopt;
        if (!decoded.valid || (kind_ == Kind::utf8ToAnsi && !byte)) {
            unfit = decoded.valid ? decoded.character : noCharacter;
            return nullptr;
        }
        if (byte) {
            *out++ = *byte;
        } else {
            std::memcpy(out, in, decoded.length);
            out += decoded.length;
        }
        in += decoded.length;
    }
}

}  // namespace brisel
