// The existence test, with the Windows file attributes where there are some.
#include "platform/ordinary_file.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace brisel {

#ifdef _WIN32

bool isOrdinaryFile(const wchar_t* path) noexcept {
    if (*path == L'\0')
        return false;
    const DWORD attributes = GetFileAttributesW(path);
    constexpr DWORD notOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & notOrdinary) == 0;
}

#else

bool isOrdinaryFile(const std::filesystem::path& path) noexcept {
    if (path.empty())
        return false;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status))
        return false;
    const auto name = path.filename().native();
    return !name.empty() && name.front() != '.';
}

#endif

}  // namespace brisel
