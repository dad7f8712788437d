// One conversion from file to file, as "Konvertieren" runs it: the table is read a piece at
// a time and its records go to the destination as they are made, so that neither is ever
// held in memory whole; nothing of the destination changes before the whole table is
// known to be good. The steps are also offered for the console program, whose table may
// come from standard input and whose records may go to standard output, and which can check
// a table alone.
#pragma once

#include "app/write_mode.h"
#include "conversion/material_conversion.h"
#include "platform/files.h"
#include "platform/leftovers.h"
#include "workbook/workbook.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

struct FileConversion {
    enum class Outcome {
        ok,
        sourceUnreadable,
        sourceInUse,
        utf16Table,             // saved as UTF-16, which is no CSV text of ours
        tableProblems,          // rows that cannot become records: each went to the problem sink
        utf16Destination,       // "erweitern" on a material.ini saved as UTF-16
        oldWorkbook,            // an Excel 97-2003 workbook or one protected with a password
        workbookUnsupported,    // an archive with no workbook brisel reads: an .xlsb, a .docx, ...
        workbookUnreadable,     // a damaged workbook
        workbookTooLarge,       // a part of it inflates past the limit
        unknownSheet,           // the sheet asked for is none of the workbook's worksheets
        emptySheet,             // the sheet read, one of several, holds no material: another was meant
        sheetOfCsvTable,        // a sheet asked for in a CSV table, which has none
        writeFailed,
        outOfMemory,
    };

    Outcome outcome = Outcome::ok;
    std::size_t rows = 0;                      // ok: the data rows converted
    std::size_t problems = 0;                  // tableProblems: how many
    bool workbook = false;                     // the table is a workbook: its places are cells
    WriteError writeError = WriteError::none;  // writeFailed: why
    std::u16string sheet{};                    // unknownSheet: the name asked for; emptySheet: the sheet read
    bool sheetNamed = false;                   // emptySheet: the sheet read was asked for by its name
    std::vector<Worksheet> worksheets{};       // unknownSheet: the workbook's worksheets
    Leftovers leftovers{};                      // what an earlier conversion that ended early left, cleared first
};

// The sheet of a workbook to read, by its name; none: the one that was active when it was
// saved (see readWorkbookRows).
using SheetChoice = std::optional<std::u16string_view>;

// A table that can be read more than once, a piece at a time: a file, or standard input
// kept in a file of its own.
class Table {
public:
    virtual ~Table() = default;
    // Reads at most `room` bytes at `offset`; `got` is 0 at the end.
    [[nodiscard]] virtual ReadError read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) = 0;
    // Its size as it is now, where that can be known.
    [[nodiscard]] virtual std::optional<std::uint64_t> size() = 0;
};

// The table in a file, opened; or why it could not be (sourceUnreadable, sourceInUse).
struct OpenedTable {
    FileConversion::Outcome outcome = FileConversion::Outcome::ok;
    std::unique_ptr<Table> table;
};
[[nodiscard]] OpenedTable openTable(std::u16string_view source);
// Bytes that the caller keeps, as a table.
[[nodiscard]] std::unique_ptr<Table> tableOf(std::string_view bytes);
// A file opened for reading, or a scratch file that holds the table, as a table.
[[nodiscard]] std::unique_ptr<Table> tableOf(FileReader file);

// The table's rows as records in `mode` to `destination`. "ersetzen" writes ANSI;
// "erweitern" keeps the destination's own encoding (see appending.h) and starts the records
// on a line of their own. Every problem of the table goes to `problems`, in the order of
// its rows, and then nothing is written. What a conversion that ended early left beside the
// destination is cleared first (see leftovers.h), and told in `leftovers`.
[[nodiscard]] FileConversion convertTableToFile(Table& table, std::u16string_view destination,
                                                std::u16string_view prefix, WriteMode mode, ProblemSink& problems,
                                                SheetChoice sheet = std::nullopt);

// openTable, then convertTableToFile.
[[nodiscard]] FileConversion convertFile(std::u16string_view source, std::u16string_view destination,
                                         std::u16string_view prefix, WriteMode mode, ProblemSink& problems);

// The records that "ersetzen" would write, in ANSI, to `records`, once the whole table is
// known to be good: standard output.
[[nodiscard]] FileConversion convertTableTo(Table& table, ContentSink& records, std::u16string_view prefix,
                                            ProblemSink& problems, SheetChoice sheet = std::nullopt);

// Reads the whole table as "ersetzen" would convert it with `prefix`, and writes nothing.
[[nodiscard]] FileConversion checkTable(Table& table, std::u16string_view prefix, ProblemSink& problems,
                                        SheetChoice sheet = std::nullopt);

}  // namespace brisel
