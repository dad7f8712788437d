// ANSI conversion: the Windows API where there is one, a Windows-1252 table elsewhere.
#include "platform/ansi_text.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <algorithm>
#include <array>
#endif

namespace brisel {

#ifdef _WIN32

std::optional<std::string> toAnsi(std::u16string_view text) {
    if (text.empty())
        return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int wideLength = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0,
                                           nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes.data(), length, nullptr,
                        &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

std::u16string fromAnsi(std::string_view bytes) {
    if (bytes.empty())
        return {};
    const int byteLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), byteLength, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), byteLength, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

#else

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F. Its five unassigned bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number,
// as they do on Windows, so every byte reads and writes back unchanged.
constexpr std::array<char16_t, 32> cp1252High = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

std::optional<char> byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    const auto found = std::find(cp1252High.begin(), cp1252High.end(), c);
    if (found == cp1252High.end())
        return std::nullopt;
    return static_cast<char>(0x80 + (found - cp1252High.begin()));
}

}  // namespace

std::optional<std::string> toAnsi(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t c : text) {
        const auto byte = byteOf(c);
        if (!byte)
            return std::nullopt;
        bytes.push_back(*byte);
    }
    return bytes;
}

std::u16string fromAnsi(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        text.push_back(byte >= 0x80 && byte < 0xA0 ? cp1252High[byte - 0x80] : char16_t{byte});
    }
    return text;
}

#endif

std::u16string ansiCharacters() {
    std::string bytes(256, '\0');
    for (std::size_t byte = 0; byte < bytes.size(); ++byte)
        bytes[byte] = static_cast<char>(byte);
    return fromAnsi(bytes);
}

}  // namespace brisel
