// UTF-8 and UTF-16 conversions.
#include "base/utf.h"

namespace brisel {

DecodedCharacter decodeUtf8At(std::string_view text, std::size_t at) noexcept {
    const auto lead = static_cast<unsigned char>(text[at]);
    const DecodedCharacter invalid{0xFFFD, 1, false};
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t length = 0;
    char32_t character = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, character = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, character = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, character = lead & 0x07, smallest = 0x10000;
    } else {
        return invalid;
    }
    if (length > text.size() - at)
        return invalid;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return invalid;
        character = (character << 6) | (next & 0x3F);
    }
    if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        return invalid;
    return {character, length, true};
}

bool appendUtf8(std::string& utf8, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return false;
    if (c < 0x80) {
        utf8.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
        utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
        utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return true;
}

namespace {

// A character as UTF-16: one unit, or a surrogate pair beyond the Basic Multilingual Plane.
void appendUtf16(std::u16string& text, char32_t character) {
    if (character < 0x10000) {
        text.push_back(static_cast<char16_t>(character));
        return;
    }
    const char32_t above = character - 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (above >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (above & 0x3FF)));
}

}  // namespace

std::u16string utf16FromUtf8(std::string_view utf8) {
    std::u16string text;
    text.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const DecodedCharacter decoded = decodeUtf8At(utf8, at);
        appendUtf16(text, decoded.character);
        at += decoded.length;
    }
    return text;
}

std::optional<std::string> utf8FromUtf16(std::u16string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        char32_t c = text[at];
        if (c >= 0xD800 && c < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++at] - 0xDC00);
        if (!appendUtf8(utf8, c))
            return std::nullopt;
    }
    return utf8;
}

namespace {

constexpr char16_t firstKeptByte = 0xDC80;  // U+DC80 + byte, for the bytes 0x80 to 0xFF

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

bool isLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool isKeptByte(char32_t c) {
    return c >= firstKeptByte && c <= 0xDCFF;
}

}  // namespace

std::u16string utf16FromBytes(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const DecodedCharacter decoded = decodeUtf8At(bytes, at);
        if (!decoded.valid) {
            text.push_back(static_cast<char16_t>(firstKeptByte + (static_cast<unsigned char>(bytes[at]) - 0x80)));
        } else {
            appendUtf16(text, decoded.character);
        }
        at += decoded.length;
    }
    return text;
}

std::optional<std::string> bytesFromUtf16(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    bool keptBytes = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        char32_t c = text[at];
        if (isHighSurrogate(c) && at + 1 < text.size() && isLowSurrogate(text[at + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++at] - 0xDC00);
        } else if (isKeptByte(c)) {
            bytes.push_back(static_cast<char>(c - firstKeptByte + 0x80));
            keptBytes = true;
            continue;
        }
        if (!appendUtf8(bytes, c))
            return std::nullopt;
    }
    // Kept bytes next to each other, or beside a character, may form a valid sequence.
    if (keptBytes && utf16FromBytes(bytes) != text)
        return std::nullopt;
    return bytes;
}

std::u16string readableText(std::u16string_view text) {
    constexpr std::u16string_view digits = u"0123456789ABCDEF";
    std::u16string readable;
    readable.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t c = text[at];
        if (isHighSurrogate(c) && at + 1 < text.size() && isLowSurrogate(text[at + 1])) {
            readable += text.substr(at++, 2);
        } else if (isKeptByte(c) || c < 0x20 || c == 0x7F) {
            // A control character would act on the terminal (ESC starts a sequence), not show.
            const unsigned byte = isKeptByte(c) ? c - firstKeptByte + 0x80 : c;
            readable += {u'\\', u'x', digits[byte >> 4], digits[byte & 0xF]};
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            readable += {u'\\', u'u', digits[c >> 12], digits[(c >> 8) & 0xF], digits[(c >> 4) & 0xF], digits[c & 0xF]};
        } else {
            readable += c;
        }
    }
    return readable;
}

}  // namespace brisel
