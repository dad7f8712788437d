// How the destination is opened: the numbers are the open modes the conversion is called with.
#pragma once

#include <cstdint>

namespace brisel {

enum class WriteMode : std::int16_t {
    overwrite = 2,  // "ersetzen": the destination holds only the new records
    append = 8,     // "erweitern": the new records follow the destination's last byte
};

}  // namespace brisel
