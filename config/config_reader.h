// Reads brisel.conf: which inputs its setting lines fill, over the file's bytes.
#pragma once

#include <optional>
#include <string_view>

namespace brisel {

// The write-mode options as an "action" line leaves them.
enum class ActionSetting {
    replace,  // "ersetzen": the first option selected
    extend,   // "erweitern": the second option selected
    neither,  // any other value: both options deselected
};

// The last value of each key in the file; a key that does not occur leaves its input as
// it was. The texts are views into the bytes given to readConfig, in the file's code page.
struct ConfigSettings {
    std::optional<std::string_view> source;       // "quelle"
    std::optional<std::string_view> destination;  // "ziel"
    std::optional<std::string_view> prefix;       // "prefix"
    std::optional<ActionSetting> action;          // "action"
};

// Lines end at CR LF, LF or CR, in any mix, as editors on every system save them. Each
// line is trimmed of spaces; blank lines, lines starting with "#" and lines without "="
// are skipped. A setting line is cut at every "=": the trimmed first piece is the key, the
// trimmed second the value. Keys and values are compared exactly; unknown keys are ignored.
[[nodiscard]] ConfigSettings readConfig(std::string_view text) noexcept;

}  // namespace brisel
