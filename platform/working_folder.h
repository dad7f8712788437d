// The working folder, which messages name where brisel.conf and relative paths are looked for.
#pragma once

#include <string>

namespace brisel {

// The absolute path of the process's working folder; empty where the system cannot tell.
[[nodiscard]] std::u16string workingFolder();

}  // namespace brisel
