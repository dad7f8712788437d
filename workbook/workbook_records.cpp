// A workbook's data rows as records: each row checked in the sheet's order as it is read,
// each cell in the records' encoding.
#include "workbook/workbook.h"

#include "base/utf.h"
#include "conversion/text_encoding.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brisel {
namespace {

using Kind = TableProblem::Kind;

// The rows of a sheet come one at a time, slower than a table's lines: a small buffer
// hands their records on often enough.
constexpr std::size_t rowsBuffer = std::size_t{64} << 10;

// Counts what the writer hands on, so that a workbook's records stay within its limit.
class CountedRecords final : public RecordSink {
public:
    explicit CountedRecords(RecordSink& records) : records_(records) {}
    bool write(std::string_view records) override {
        written += records.size();
        return written <= workbookPartLimit && records_.write(records);
    }
    std::size_t written = 0;

private:
    RecordSink& records_;
};

class RecordRows final : public WorkbookRows {
public:
    RecordRows(std::string_view prefix, const AnsiCodePage* codePage, RecordSink& records, ProblemSink& problems)
        : counted_(records), writer_(prefix, counted_, rowsBuffer), codePage_(codePage), problems_(problems) {}

    // A row's problems in its cells' order, then its fields' count.
    bool row(std::size_t number, std::span<const WorkbookCell> cells, std::size_t width,
             std::size_t undecided) override {
        ++rows;
        const std::size_t fields = std::min(width, minimumFieldCount);
        bool fit = true;
        for (std::size_t c = 0; c < fields; ++c) {
            const WorkbookCell& cell = cells[c];
            TableProblem problem;
            problem.line = number;
            problem.field = c + 1;
            problem.cell = true;
            if (cell.withoutResult) {
                problem.kind = Kind::withoutResult;
            } else if (cell.error) {
                problem.kind = Kind::errorValue;
                problem.errorValue = cell.text;
            } else if (cell.text.find_first_of("\r\n") != std::string::npos) {
                problem.kind = Kind::lineBreak;
            } else if (!encode(cell.text, encoded_[c], problem.character)) {
                problem.kind = Kind::unrepresentable;
            } else {
                continue;
            }
            problems_.problem(problem);
            fit = false;
        }
        if (undecided != 0) {
            // Its result is never written, but it tells whether the table ends at this row.
            TableProblem problem;
            problem.kind = Kind::withoutResult;
            problem.line = number;
            problem.field = undecided;
            problem.cell = true;
            problems_.problem(problem);
            fit = false;
        }
        if (fields < minimumFieldCount) {
            TableProblem problem;
            problem.line = number;
            problem.fieldCount = fields;
            problem.cell = true;
            problems_.problem(problem);
            fit = false;
        }
        failed_ = failed_ || !fit;
        if (failed_)
            return true;
        // The fields one after another, and after the last the bytes that the writer may read
        // past a field's end.
        row_.clear();
        for (const std::string& field : encoded_)
            row_ += field;
        row_.append(fieldReadAhead, '\0');
        std::array<std::string_view, minimumFieldCount> views;
        for (std::size_t c = 0, at = 0; c < minimumFieldCount; at += encoded_[c++].size())
            views[c] = std::string_view(row_).substr(at, encoded_[c].size());
        // A refused record stops the reading: past the workbook's limit, or where the records
        // cannot go.
        return writer_.add<true>(views);
    }

    bool finish() { return failed_ || writer_.flush(); }
    std::size_t rows = 0;
    bool tooLarge() const noexcept { return counted_.written > workbookPartLimit; }

private:
    // The cell's UTF-8 in the records' encoding; false where a character does not fit.
    bool encode(std::string_view utf8, std::string& into, char32_t& unfit) {
        into.clear();
        if (codePage_ == nullptr) {
            into.assign(utf8);
            return true;
        }
        return FieldEncoding(TextEncoding::utf8, TextEncoding::ansi, *codePage_).encode(utf8, into, unfit);
    }

    CountedRecords counted_;
    RecordWriter writer_;
    const AnsiCodePage* codePage_;
    ProblemSink& problems_;
    bool failed_ = false;
    std::array<std::string, minimumFieldCount> encoded_;
    std::string row_;  // the encoded fields, as the writer reads them
};

}  // namespace

WorkbookRecords convertWorkbook(std::string_view bytes, std::string_view prefix, const AnsiCodePage* codePage,
                                RecordSink& records, ProblemSink& problems, std::optional<std::string_view> sheetName) {
    RecordRows rows(prefix, codePage, records, problems);
    WorkbookRead read = readWorkbookRows(bytes, rows, sheetName);
    const bool written = read.status == WorkbookStatus::ok && rows.finish();
    WorkbookRecords result;
    // A damaged part counts before the limit met in what was read of it.
    result.read = read.status != WorkbookStatus::ok ? read.status
                  : rows.tooLarge()                 ? WorkbookStatus::tooLarge
                                                    : read.status;
    result.refused = result.read == WorkbookStatus::ok && !written;
    result.rows = rows.rows;
    result.worksheets = std::move(read.worksheets);
    result.sheet = read.sheet;
    return result;
}

}  // namespace brisel
