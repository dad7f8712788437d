// The console program's command line: which conversion it asks for, or why it is no valid
// call. Parsing only; nothing is read or checked here.
#pragma once

#include "app/write_mode.h"

#include <optional>
#include <string>
#include <vector>

namespace brisel {

struct Invocation {
    enum class Request { convert, check, help, version };

    Request request = Request::convert;
    std::optional<WriteMode> mode;
    std::optional<std::u16string> prefix;
    std::optional<std::u16string> configuration;  // --konfiguration
    std::optional<std::u16string> sheet;          // --blatt: a workbook's sheet by its name
    std::optional<std::u16string> source;         // the operands, both or neither (check: QUELLE alone)
    std::optional<std::u16string> destination;
    bool quiet = false;

    bool operator==(const Invocation&) const = default;
};

// An invocation, or the reason the call is wrong (for standard error, before the usage).
struct ParsedArguments {
    std::optional<Invocation> invocation;
    std::u16string usageError;
};

// `arguments` without the program's name. GNU conventions: "--name=value" or "--name value",
// "--" ends the options, "-" is an operand.
[[nodiscard]] ParsedArguments parseArguments(const std::vector<std::u16string>& arguments);

}  // namespace brisel
