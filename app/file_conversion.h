// One conversion from file to file, as "Konvertieren" runs it: read the whole table, build
// every record, then write them with one write. The steps are also offered one by one for
// the console program, whose table may come from standard input and whose records may go
// to standard output.
#pragma once

#include "app/write_mode.h"
#include "conversion/material_conversion.h"
#include "conversion/text_encoding.h"
#include "base/byte_buffer.h"
#include "platform/files.h"
#include "platform/leftovers.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace brisel {

struct FileConversion {
    enum class Outcome {
        ok,
        sourceUnreadable,
        sourceInUse,
        utf16Table,             // saved as UTF-16, which is no CSV text of ours
        unrepresentable,        // a character of the table that the records' encoding cannot hold
        prefixUnrepresentable,  // the same in the prefix
        tooFewFields,
        utf16Destination,       // "erweitern" on a material.ini saved as UTF-16
        oldWorkbook,            // an Excel 97-2003 workbook or one protected with a password
        workbookUnsupported,    // an archive with no workbook brisel reads: an .xlsb, a .docx, ...
        workbookUnreadable,     // a damaged workbook
        workbookTooLarge,       // a part of it inflates past the limit
        cellError,              // an error value in a cell that a record takes
        cellLineBreak,          // a line break in such a cell
        cellUnrepresentable,    // a character in such a cell that the records' encoding cannot hold
        writeFailed,
        outOfMemory,
    };

    Outcome outcome = Outcome::ok;
    std::size_t rows = 0;                       // ok: the data rows converted
    std::size_t line = 0;                       // tooFewFields, unrepresentable, cell...: the line (row)
    std::size_t fieldCount = 0;                 // tooFewFields: its fields
    std::size_t field = 0;                      // unrepresentable, cell...: the field (column), from 1
    std::string errorValue{};                   // cellError: as the German Excel shows it
    char32_t character = 0;                     // unrepresentable, cellUnrepresentable: which
    WriteError writeError = WriteError::none;  // writeFailed: why
    Leftovers leftovers{};                      // what an earlier conversion that ended early left, cleared first
};

// A table read whole, or why it could not be read (sourceUnreadable, sourceInUse).
struct TableBytes {
    FileConversion::Outcome outcome = FileConversion::Outcome::ok;
    ByteBuffer bytes;
};
[[nodiscard]] TableBytes readTable(std::u16string_view source);

// The records of a table (a whole file's bytes, in ANSI, UTF-8 or with a byte-order mark,
// or an .xlsx or .ods workbook, which converts as the table its first sheet holds) in
// `encoding`, ANSI or UTF-8. Every character of the table and of `prefix` reaches the
// records as it is, or the outcome names the first one that cannot.
struct BuiltRecords {
    FileConversion result;
    ConversionResult records;  // result ok: the records
};
[[nodiscard]] BuiltRecords buildRecords(ByteBuffer table, std::u16string_view prefix, TextEncoding encoding);

// Writes the records of `table` to `destination` in `mode`. "ersetzen" writes ANSI;
// "erweitern" keeps the destination's own encoding (see appending.h) and starts the records
// on a line of their own. The destination is written only once every record is built, so
// a failure before that leaves it untouched. What a conversion that ended early left beside
// the destination is cleared first (see leftovers.h), before its content is looked at.
[[nodiscard]] FileConversion convertTableToFile(ByteBuffer table, std::u16string_view destination,
                                                std::u16string_view prefix, WriteMode mode);

// readTable, then convertTableToFile.
[[nodiscard]] FileConversion convertFile(std::u16string_view source, std::u16string_view destination,
                                         std::u16string_view prefix, WriteMode mode);

}  // namespace brisel
