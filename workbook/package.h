// What both kinds of workbook share: a part of the archive read through the XML reader, the
// rows of a sheet handed on as each ends, the error values, and the small text helpers.
// Within the workbook reader only.
#pragma once

#include "workbook/workbook.h"
#include "workbook/xml_reader.h"
#include "workbook/zip_archive.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace brisel::package {

inline constexpr std::size_t fieldsWritten = minimumFieldCount;
inline constexpr std::size_t lastRow = 1048576;  // the most rows a sheet of either program has

[[nodiscard]] bool is(std::string_view ns, std::string_view name, std::string_view wantedNs, std::string_view wanted);

[[nodiscard]] std::optional<std::string_view> attribute(std::span<const XmlAttribute> attributes, std::string_view ns,
                                                        std::string_view name);

// XML Schema's white space, which may stand around a number.
[[nodiscard]] std::string_view trimmed(std::string_view text);

// A count written in digits, white space around it allowed.
[[nodiscard]] std::optional<std::size_t> count(std::string_view given);

// The error values as the file stores them (in English), as the German Excel shows them.
[[nodiscard]] std::string germanError(std::string_view stored);

// Whether a formula's saved text is the name of an error value, as the spreadsheets store it.
[[nodiscard]] bool isErrorName(std::string_view text);

// Reads a part of the archive through the XML reader; the status of whatever failed.
[[nodiscard]] WorkbookStatus readPart(const ZipArchive& archive, const ZipArchive::Entry& entry, XmlHandler& handler);

// The rows of the sheet, each handed on as it ends.
class SheetRows {
public:
    explicit SheetRows(WorkbookRows& rows) : rows_(rows) {}

    // Starts the row of that number; false once the table has ended before it.
    bool startRow(std::size_t row) {
        row = std::max(row, nextRow_);  // a row named twice or out of order counts as the next
        if (row > nextRow_ && row > 2)
            return false;  // rows the file leaves out are empty rows, and an empty row ends the table
        row_ = row;
        cells_.fill({});
        width_ = 0;
        holdsValue_ = false;
        firstWithoutResult_ = 0;
        return true;
    }

    // A cell that holds a value, empty text included.
    void cell(std::size_t column, std::string text, bool error) {
        std::string shown = error ? germanError(text) : std::move(text);
        place(column, {std::move(shown), error});
    }

    // A formula cell whose result the file does not hold. Its row goes on the table: the
    // result may well be a value, and a table cut off there would lose the rows after it.
    void withoutResult(std::size_t column) { place(column, {{}, false, true}); }

    // Ends the row, `times` times over; false once the table has ended or the rows' taker
    // has stopped.
    bool endRow(std::size_t times = 1) {
        if (row_ < 2) {
            nextRow_ = row_ + 1;
            return times == 1;  // the header repeated: rows with no material of their own
        }
        if (!holdsValue_ && firstWithoutResult_ == 0)
            return false;  // a row in which no cell holds more than empty text ends the table
        // Formulas without results alone, past the cells written: the row may be empty.
        const std::size_t undecided = !holdsValue_ && firstWithoutResult_ > fieldsWritten ? firstWithoutResult_ : 0;
        times = std::min(times, lastRow + 1 - row_);
        for (std::size_t i = 0; i < times; ++i) {
            if (!rows_.row(row_ + i, cells_, width_, undecided))
                return false;
        }
        nextRow_ = row_ + times;
        return nextRow_ <= lastRow;
    }

    std::size_t nextRow() const noexcept { return nextRow_; }

private:
    void place(std::size_t column, WorkbookCell held) {
        if (column == 0 || column <= width_)
            return;  // a cell named twice or out of order: the first counts
        width_ = column;
        holdsValue_ = holdsValue_ || held.error || !held.text.empty();
        if (held.withoutResult && firstWithoutResult_ == 0)
            firstWithoutResult_ = column;
        if (column > fieldsWritten || row_ < 2)
            return;  // the header is never interpreted
        cells_[column - 1] = std::move(held);
    }

    WorkbookRows& rows_;
    std::array<WorkbookCell, fieldsWritten> cells_;
    std::size_t row_ = 0;
    std::size_t nextRow_ = 1;
    std::size_t width_ = 0;
    bool holdsValue_ = false;
    std::size_t firstWithoutResult_ = 0;  // the column of the row's first formula without a result
};

// The worksheet read where none is named: the active one where it is visible, else the
// first visible one, else (no program saves that) the first. `worksheets` is not empty.
[[nodiscard]] std::size_t sheetToRead(std::span<const Worksheet> worksheets, std::optional<std::size_t> active);

// The two kinds of workbook, each from its own file, as readWorkbookRows reads them.
[[nodiscard]] WorkbookRead readOfficeOpenXml(const ZipArchive& archive, WorkbookRows& taker,
                                             std::optional<std::string_view> sheetName);
[[nodiscard]] WorkbookRead readOpenDocument(const ZipArchive& archive, WorkbookRows& taker,
                                            std::optional<std::string_view> sheetName);

}  // namespace brisel::package
