// Reads a brisel.conf as "Standardwerte" does and prints what it would set:
// brisel-read-config FILE. For the hostile-input checks; not part of the program.
#include "config/config_reader.h"
#include "platform/files.h"

#include <QString>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const auto bytes = brisel::readWholeFile(QString::fromLocal8Bit(argv[1]));
    if (!bytes)
        return 1;
    const brisel::ConfigSettings settings = brisel::readConfig(bytes->view());
    const auto length = [](const std::optional<std::string_view>& value) {
        return value ? static_cast<long long>(value->size()) : -1LL;
    };
    std::printf("quelle %lld, ziel %lld, prefix %lld, action %d\n", length(settings.source),
                length(settings.destination), length(settings.prefix),
                settings.action ? static_cast<int>(*settings.action) : -1);
    return 0;
}
