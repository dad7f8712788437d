// The existence test: is there an ordinary file under this exact path?
#pragma once

#include <filesystem>

namespace brisel {

// True only for an ordinary file: a folder, a missing path and a hidden file count as
// missing (on Windows the hidden and system attributes, elsewhere a name starting with
// "."). The path is looked up as it stands; wildcards are not expanded.
#ifdef _WIN32
// Takes the path as Windows does: std::filesystem::path's own library would make brisel.exe
// half as large again.
[[nodiscard]] bool isOrdinaryFile(const wchar_t* path) noexcept;
[[nodiscard]] inline bool isOrdinaryFile(const std::filesystem::path& path) noexcept {
    return isOrdinaryFile(path.c_str());
}
#else
[[nodiscard]] bool isOrdinaryFile(const std::filesystem::path& path) noexcept;
#endif

}  // namespace brisel
