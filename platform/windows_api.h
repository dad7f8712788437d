// The Windows API as this program includes it: lean, without the min and max macros, and
// with the two conversions between its wide text and the window's UTF-16.
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

}  // namespace brisel
