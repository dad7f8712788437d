// Converts one table to one material.ini through the program's own file path, for timing
// against other tools: brisel-convert-file SOURCE DESTINATION [PREFIX]. Not part of the program.
#include "app/file_conversion.h"

#include <QString>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION [PREFIX]\n", argv[0]);
        return 2;
    }
    const auto done = brisel::convertFile(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                          argc > 3 ? argv[3] : "", brisel::WriteMode::overwrite);
    return done.outcome == brisel::FileConversion::Outcome::ok ? 0 : 1;
}
