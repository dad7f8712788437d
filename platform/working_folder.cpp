// The working folder as the system names it, in UTF-16 as paths are held. On Windows
// straight from the system: std::filesystem's current_path would add its whole library of
// file operations to brisel.exe.
#include "platform/working_folder.h"

#ifdef _WIN32
#include "base/windows_api.h"
#else
#include "base/utf.h"

#include <filesystem>
#include <system_error>
#endif

namespace brisel {

#ifdef _WIN32

std::u16string workingFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
        if (length == 0)
            return {};
        if (length < folder.size()) {
            folder.resize(length);
            return utf16(folder);
        }
        folder.resize(length);  // the size it needs, with its final NUL
    }
}

#else

std::u16string workingFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::u16string() : utf16FromBytes(folder.native());
}

#endif

}  // namespace brisel
