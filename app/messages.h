// The texts of the conversion's checks and failures, for every front end: the window shows
// them in its boxes, the console program on standard error.
#pragma once

#include "app/file_conversion.h"

#include <optional>
#include <string>
#include <string_view>

namespace brisel {

struct Message {
    std::u16string text;
    std::u16string title;

    bool operator==(const Message&) const = default;
};

// Where the table of a conversion is looked for.
enum class SourceLookup {
    file,                   // an ordinary file under the path
    fileOrStandardInput,    // the same, but "-" is standard input (the console program)
};

// The first input that keeps a conversion from running, in the window's order: a source
// given, the existence test, a destination given, a write mode chosen.
[[nodiscard]] std::optional<Message> missingInput(std::u16string_view source, std::u16string_view destination,
                                                  bool modeChosen, SourceLookup lookup = SourceLookup::file);

// What a conversion's outcome tells the user: "OK", or the failure named for the files.
// With `lookup` fileOrStandardInput, a source "-" is named as standard input.
[[nodiscard]] std::u16string statusText(const FileConversion& done, std::u16string_view source,
                                        std::u16string_view destination, SourceLookup lookup = SourceLookup::file);

// The console program's word for a write mode that neither its options nor the
// configuration file `configuration` give: the window's names no option of its own.
[[nodiscard]] std::u16string writeModeMissing(std::u16string_view configuration);

// A text in German quotation marks, as messages quote names.
[[nodiscard]] std::u16string inQuotes(std::u16string_view text);

// The path as messages show it: in quotation marks, with the system's separators.
[[nodiscard]] std::u16string quotedPath(std::u16string_view path);

// A count in digits, whatever the locale.
[[nodiscard]] std::u16string number(std::size_t n);

}  // namespace brisel
