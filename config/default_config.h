// The commented brisel.conf that "Standardwerte" writes when there is none.
#pragma once

#include <string_view>

namespace brisel {

// 41 lines in Windows-1252, each but the last ended by CR LF: 1161 bytes, always the same.
[[nodiscard]] std::string_view defaultConfigText() noexcept;

}  // namespace brisel
