// brisel-convert: one conversion as "Konvertieren" runs it, from a script. The checks,
// messages and the conversion are the window's; only the command line is the program's own.
#pragma once

#include <string>
#include <vector>

namespace brisel {

class Console;

// The exit statuses, as scripts test them.
enum class ExitStatus {
    converted = 0,
    failed = 1,      // a check or the conversion failed: message on standard error, nothing written
    wrongUsage = 2,  // the command line is wrong: a short usage on standard error
};

// Runs the program with `arguments` (without its own name) on `console`.
[[nodiscard]] ExitStatus runConsoleProgram(const std::vector<std::u16string>& arguments, Console& console);

}  // namespace brisel
