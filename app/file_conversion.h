// One conversion from file to file, as "Konvertieren" runs it: read the whole table,
// build every record, then write them with one write.
#pragma once

#include "app/write_mode.h"
#include "platform/files.h"

#include <cstddef>
#include <string_view>

namespace brisel {

struct FileConversion {
    enum class Outcome {
        ok,
        sourceUnreadable,
        sourceInUse,
        utf16Table,       // saved as UTF-16, which is no CSV text of ours
        unrepresentable,  // a UTF-8 character that the ANSI code page has no byte for
        tooFewFields,
        writeFailed,
        outOfMemory,
    };

    Outcome outcome = Outcome::ok;
    std::size_t rows = 0;                       // ok: the data rows converted
    std::size_t line = 0;                       // tooFewFields, unrepresentable: the line
    std::size_t fieldCount = 0;                 // tooFewFields: its fields
    std::size_t field = 0;                      // unrepresentable: the field, from 1
    WriteError writeError = WriteError::none;  // writeFailed: why
};

// Converts the table at `source` into records with `prefix` (ANSI bytes) and writes them
// to `destination` in `mode`. A table in UTF-8 reaches the records in the ANSI code page. The destination is opened only once every record is built,
// so a failure before that leaves it untouched.
[[nodiscard]] FileConversion convertFile(std::u16string_view source, std::u16string_view destination,
                                         std::string_view prefix, WriteMode mode);

}  // namespace brisel
