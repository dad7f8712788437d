// A workbook as the table it holds. One worksheet of an Excel workbook (.xlsx, .xlsm) or a
// LibreOffice spreadsheet (.ods), the one "Speichern unter → CSV" would write, is a header
// row, never interpreted, then data rows up to the first row without any value. The sheet
// is streamed and each row handed on as its end is read, never held whole, and no grid is
// ever built.
#pragma once

#include "conversion/material_conversion.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class AnsiCodePage;

// What one entry of a workbook may inflate to, and what its records may take.
inline constexpr std::size_t workbookPartLimit = std::size_t{256} << 20;

enum class WorkbookStatus {
    ok,
    notAWorkbook,  // any other file, a CSV table above all: read as it is
    oldFormat,     // an Excel 97-2003 workbook (.xls) or one protected with a password
    unsupported,   // an archive without a worksheet brisel reads: an Excel binary workbook
                   // (.xlsb), a text document (.docx, .odt), any other ZIP archive
    damaged,       // a damaged or incomplete archive, a wrong checksum, a missing part, malformed XML
    tooLarge,      // a part that inflates past workbookPartLimit
    unknownSheet,  // the sheet asked for by its name is none of the workbook's worksheets
};

// A worksheet as its tab shows it. Chart, dialog and macro sheets are none.
struct Worksheet {
    std::string name;  // UTF-8
    bool hidden = false;

    bool operator==(const Worksheet&) const = default;
};

// One cell as the sheet shows it: its text (UTF-8; a number by the number rule, a truth
// value as "WAHR" or "FALSCH"), or an error value as the German Excel shows it, or a
// formula whose result the file does not hold (see the readers for when a result counts as
// saved): what it shows is not known until a spreadsheet calculates it.
struct WorkbookCell {
    std::string text;
    bool error = false;
    bool withoutResult = false;
};

// Takes the data rows of a sheet, one at a time, in the sheet's order.
class WorkbookRows {
public:
    virtual ~WorkbookRows() = default;
    // A data row: its number as the sheet counts it, its first six cells (empty where the
    // sheet has none), and its width, the column of its last cell that holds anything.
    // A row is handed on only when a cell holds more than empty text or a formula without
    // a result; `undecided`, where the row holds nothing but such formulas, all after the
    // sixth cell, is the column of the first: whether the table ends there is not known.
    // False stops.
    virtual bool row(std::size_t number, std::span<const WorkbookCell> cells, std::size_t width,
                     std::size_t undecided) = 0;
};

// What reading a workbook came to, and which of its worksheets it read.
struct WorkbookRead {
    WorkbookStatus status = WorkbookStatus::ok;
    std::vector<Worksheet> worksheets;  // in the workbook's order, hidden ones included
    std::size_t sheet = 0;              // the one read, in `worksheets`, where any is
};

// Whether a file that starts with these bytes (eight are enough) is read as a workbook:
// a ZIP archive, or an old Office file.
[[nodiscard]] bool mayBeWorkbook(std::string_view start) noexcept;

// Reads `bytes` as a workbook if it is one, told by its content alone, and hands the data
// rows of one worksheet to `rows`; ok also when `rows` stopped it. The worksheet is the one
// named `sheetName` (exactly as its tab shows it, hidden or not), or without a name the one
// that was active when the workbook was saved, as "Speichern unter → CSV" writes it; where
// none is recorded, or it is hidden or no worksheet, the first visible worksheet. Throws
// std::bad_alloc.
[[nodiscard]] WorkbookRead readWorkbookRows(std::string_view bytes, WorkbookRows& rows,
                                            std::optional<std::string_view> sheetName = std::nullopt);

// What became of a workbook's records.
struct WorkbookRecords {
    WorkbookStatus read = WorkbookStatus::ok;  // tooLarge also for records past workbookPartLimit
    bool refused = false;                      // the record sink refused them
    std::size_t rows = 0;                      // the data rows read
    std::vector<Worksheet> worksheets;         // the workbook's worksheets, as WorkbookRead has them
    std::size_t sheet = 0;                     // the one read
};

// Hands the records of a workbook's data rows (of the worksheet that readWorkbookRows takes
// for `sheetName`) to `records`, with `prefix` (in the records' encoding) in front of every
// material name: in the ANSI `codePage`, or in UTF-8 where it is null. Every problem of a
// row goes to `problems`, in the sheet's order; once there is one, no more records are
// written. Throws std::bad_alloc.
[[nodiscard]] WorkbookRecords convertWorkbook(std::string_view bytes, std::string_view prefix,
                                              const AnsiCodePage* codePage, RecordSink& records, ProblemSink& problems,
                                              std::optional<std::string_view> sheetName = std::nullopt);

// A number as a workbook stores it ("7.85", "1E+16", " 2.5 ") as a record takes it: rounded
// to 15 significant digits, without exponent or trailing zeros, with a decimal comma
// ("7,85", "10000000000000000", "2,5"). Text that is no number comes back as it is.
[[nodiscard]] std::string numberText(std::string_view stored);

// The column's letters: 1 is "A", 27 is "AA".
[[nodiscard]] std::string columnLetters(std::size_t column);

}  // namespace brisel
