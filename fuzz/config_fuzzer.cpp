// Fuzzes the brisel.conf reader: every value it sets is clean and comes from the file.
#include "config/config_reader.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

// A value as the reader may set it: no "=", no blank at either end, and a view into the
// file's own bytes.
void checkValue(const std::optional<std::string_view>& value, std::string_view file) {
    if (!value)
        return;
    check(value->find('=') == std::string_view::npos);
    check(value->empty() || (value->front() != ' ' && value->back() != ' '));
    check(value->find_first_of("\r\n") == std::string_view::npos);
    check(value->empty() || (value->data() >= file.data() && value->data() + value->size() <= file.data() + file.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const brisel::ConfigSettings settings = brisel::readConfig(file);
    checkValue(settings.source, file);
    checkValue(settings.destination, file);
    checkValue(settings.prefix, file);
    // Any setting needs a line with "=" in it.
    if (settings.source || settings.destination || settings.prefix || settings.action)
        check(file.find('=') != std::string_view::npos);
    return 0;
}
