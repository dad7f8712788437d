// A workbook as the table it holds. The first worksheet of an Excel workbook (.xlsx, .xlsm)
// or a LibreOffice spreadsheet (.ods) becomes the CSV table that it converts as: a header
// line, then one line per row up to the first row without any value, each with the row's
// first six fields. The sheet is streamed, never held whole, and no grid is ever built.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brisel {

// Stands for a ";" inside a cell in the table made of a workbook, so that the cell stays
// one field; the records get the ";" back. XML cannot hold this byte.
inline constexpr char cellSemicolon = '\x1F';

// What one entry of a workbook may inflate to, and what the table made of it may hold.
inline constexpr std::size_t workbookPartLimit = std::size_t{256} << 20;

struct WorkbookTable {
    enum class Status {
        ok,
        notAWorkbook,  // any other file, a CSV table above all: read as it is
        oldFormat,     // an Excel 97-2003 workbook (.xls) or one protected with a password
        damaged,       // a damaged or incomplete archive, a missing part, malformed XML
        tooLarge,      // a part that inflates past workbookPartLimit
        errorValue,    // an error value (#DIV/0!, ...) in one of a row's first six cells
        lineBreak,     // a line break in one of them
    };

    Status status = Status::notAWorkbook;
    std::string table;        // ok: UTF-8, lines ended by CR LF, ";" in cells as cellSemicolon
    std::size_t row = 0;      // errorValue, lineBreak: the row as the sheet numbers it
    std::size_t column = 0;   // and its column, from 1
    std::string errorValue;   // errorValue: as the German Excel shows it, e.g. "#WERT!"
};

// Reads `bytes` as a workbook if it is one, told by its content alone. Throws
// std::bad_alloc.
[[nodiscard]] WorkbookTable readWorkbook(std::string_view bytes);

// A number as a workbook stores it ("7.85", "1E+16") as a record takes it: rounded to 15
// significant digits, without exponent or trailing zeros, with a decimal comma ("7,85",
// "10000000000000000"). Text that is no number comes back as it is.
[[nodiscard]] std::string numberText(std::string_view stored);

// The column's letters: 1 is "A", 27 is "AA".
[[nodiscard]] std::string columnLetters(std::size_t column);

}  // namespace brisel
