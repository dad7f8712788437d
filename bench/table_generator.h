// A synthetic material table as a spreadsheet exports it, the same for the same seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brisel::bench {

// A header and data rows of 7 fields ("Stahl S235 12;7,85;1;31;45;2,5;120") with CR LF,
// until the table holds at least `bytes` bytes or `rows` rows, whichever comes first.
std::string makeTable(std::size_t bytes, std::size_t rows = SIZE_MAX, std::uint32_t seed = 1);

}  // namespace brisel::bench
