// Reads a brisel.conf as "Standardwerte" does and prints what it would set:
// brisel-read-config FILE. For the hostile-input checks; not part of the program.
#include "config/config_reader.h"
#include "platform/files.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const auto content = brisel::readWholeFile(std::filesystem::path(argv[1]).u16string());
    if (!content.bytes)
        return 1;
    const brisel::ConfigSettings settings = brisel::readConfig(content.bytes->view());
    const auto length = [](const std::optional<std::string_view>& value) {
        return value ? static_cast<long long>(value->size()) : -1LL;
    };
    std::printf("quelle %lld, ziel %lld, prefix %lld, action %d\n", length(settings.source),
                length(settings.destination), length(settings.prefix),
                settings.action ? static_cast<int>(*settings.action) : -1);
    return 0;
}
