// One conversion from file to file, as "Konvertieren" runs it: read the whole table,
// build every record, then write them with one write.
#pragma once

#include "app/write_mode.h"
#include "platform/files.h"

#include <cstddef>
#include <string_view>

namespace brisel {

struct FileConversion {
    enum class Outcome { ok, sourceUnreadable, sourceInUse, tooFewFields, writeFailed, outOfMemory };

    Outcome outcome = Outcome::ok;
    std::size_t rows = 0;                       // ok: the data rows converted
    std::size_t line = 0;                       // tooFewFields: the short row's line
    std::size_t fieldCount = 0;                 // tooFewFields: its fields
    WriteError writeError = WriteError::none;  // writeFailed: why
};

// Converts the table at `source` into records with `prefix` (ANSI bytes) and writes them
// to `destination` in `mode`. The destination is opened only once every record is built,
// so a failure before that leaves it untouched.
[[nodiscard]] FileConversion convertFile(std::u16string_view source, std::u16string_view destination,
                                         std::string_view prefix, WriteMode mode);

}  // namespace brisel
