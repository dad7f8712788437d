// brisel.conf read from its file: the reader core's settings as the texts of the inputs,
// in whichever encoding the file was saved. The window's "Standardwerte" and the console
// program's --konfiguration both read it so.
#pragma once

#include "app/messages.h"
#include "config/config_reader.h"

#include <optional>
#include <string>
#include <string_view>

namespace brisel {

struct ConfigFile {
    std::optional<Message> failure;  // the file could not be read: nothing below is set
    std::optional<std::u16string> source;
    std::optional<std::u16string> destination;
    std::optional<std::u16string> prefix;
    std::optional<ActionSetting> action;
};

// Reads the configuration file at `path`; messages name it as it is given, followed by
// `where` where that is given ("im Arbeitsordner …").
[[nodiscard]] ConfigFile loadConfigFile(std::u16string_view path, std::u16string_view where = {});

}  // namespace brisel
