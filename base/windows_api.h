// The Windows API as this program includes it: lean, without the min and max macros, with
// the two conversions between its wide text and the window's UTF-16, and a whole write.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace brisel {

// wchar_t is UTF-16 on Windows: the units are copied as they are.
inline std::wstring wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

inline std::u16string utf16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

// ReadFile and WriteFile take at most a DWORD at a time; this much goes per call.
inline constexpr std::size_t ioChunk = std::size_t{1} << 30;

// Writes every byte to a file, pipe or console handle.
inline bool writeAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto size = static_cast<DWORD>(bytes.size() < ioChunk ? bytes.size() : ioChunk);
        if (!WriteFile(handle, bytes.data(), size, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace brisel
