// The brisel.conf reader: one pass over the lines, the last setting of a key wins.
#include "config/config_reader.h"

namespace brisel {
namespace {

// Only the blank is trimmed; a tab stays part of the text.
std::string_view trimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The next line and the rest after its line end (CR LF, LF or CR).
std::string_view takeLine(std::string_view& rest) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos)
        rest = {};
    else
        rest.remove_prefix(end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
    return line;
}

void apply(ConfigSettings& settings, std::string_view key, std::string_view value) {
    if (key == "quelle")
        settings.source = value;
    else if (key == "ziel")
        settings.destination = value;
    else if (key == "prefix")
        settings.prefix = value;
    else if (key == "action")
        settings.action = value == "ersetzen"    ? ActionSetting::replace
                          : value == "erweitern" ? ActionSetting::extend
                                                 : ActionSetting::neither;
}

}  // namespace

ConfigSettings readConfig(std::string_view text) noexcept {
    ConfigSettings settings;
    while (!text.empty()) {
        const std::string_view line = trimSpaces(takeLine(text));
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        // The value ends at a second "=": what follows it is dropped.
        const std::string_view afterKey = line.substr(equals + 1);
        apply(settings, trimSpaces(line.substr(0, equals)), trimSpaces(afterKey.substr(0, afterKey.find('='))));
    }
    return settings;
}

}  // namespace brisel
