// The existence test: is there an ordinary file under this exact path?
#pragma once

#include <filesystem>

namespace brisel {

// True only for an ordinary file: a folder, a missing path and a hidden file count as
// missing (on Windows the hidden and system attributes, elsewhere a name starting with
// "."). The path is looked up as it stands; wildcards are not expanded.
[[nodiscard]] bool isOrdinaryFile(const std::filesystem::path& path) noexcept;

}  // namespace brisel
