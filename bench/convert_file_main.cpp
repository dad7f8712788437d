// Converts one table to one material.ini through the program's own file path, for timing
// against other tools: brisel-convert-file SOURCE DESTINATION [PREFIX]. Not part of the program.
#include "app/file_conversion.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION [PREFIX]\n", argv[0]);
        return 2;
    }
    const auto done = brisel::convertFile(std::filesystem::path(argv[1]).u16string(),
                                          std::filesystem::path(argv[2]).u16string(), argc > 3 ? std::filesystem::path(argv[3]).u16string() : u"",
                                          brisel::WriteMode::overwrite);
    return done.outcome == brisel::FileConversion::Outcome::ok ? 0 : 1;
}
