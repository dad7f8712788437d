// The working folder as the system names it, in UTF-16 as paths are held.
#include "platform/working_folder.h"

#include "base/utf.h"

#include <filesystem>
#include <system_error>

namespace brisel {

std::u16string workingFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (error)
        return {};
#ifdef _WIN32
    return {folder.native().begin(), folder.native().end()};
#else
    return utf16FromUtf8(folder.native());
#endif
}

}  // namespace brisel
