// Writes the synthetic benchmark table to standard output: brisel-make-table BYTES [SEED].
#include "table_generator.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BYTES [SEED]\n", argv[0]);
        return 2;
    }
    const std::string table = brisel::bench::makeTable(std::strtoull(argv[1], nullptr, 10), SIZE_MAX,
                                                       argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1);
    return std::fwrite(table.data(), 1, table.size(), stdout) == table.size() ? 0 : 1;
}
