// Fuzzes the workbook reader: whatever the archive holds, it ends in a status; the rows it
// hands on are data rows in the sheet's order, each holding more than empty text or a
// formula without a result; and the records made of them are three CR LF lines a row.
#include "conversion/text_encoding.h"
#include "workbook/workbook.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

class CheckedRows final : public brisel::WorkbookRows {
public:
    bool row(std::size_t number, std::span<const brisel::WorkbookCell> cells, std::size_t width,
             std::size_t undecided) override {
        check(number >= 2 && number > last_);
        last_ = number;
        check(cells.size() == brisel::minimumFieldCount);
        // A row in which no cell holds more than empty text, nor a formula without a result,
        // ends the table.
        const bool holdsValue = std::any_of(cells.begin(), cells.end(), [](const brisel::WorkbookCell& c) {
            return c.error || c.withoutResult || !c.text.empty();
        });
        check(holdsValue || width > brisel::minimumFieldCount);
        check(undecided == 0 || (!holdsValue && undecided > brisel::minimumFieldCount && undecided <= width));
        return true;
    }

private:
    std::size_t last_ = 1;
};

// Records and problems kept in memory.
class Kept final : public brisel::RecordSink, public brisel::ProblemSink {
public:
    bool write(std::string_view bytes) override {
        records += bytes;
        return true;
    }
    void problem(const brisel::TableProblem& found) override { problems.push_back(found); }

    std::string records;
    std::vector<brisel::TableProblem> problems;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckedRows rows;
    const brisel::WorkbookRead read = brisel::readWorkbookRows(bytes, rows);
    if (read.status != brisel::WorkbookStatus::ok)
        return 0;
    check(read.worksheets.empty() || read.sheet < read.worksheets.size());
    // The same workbook as records in UTF-8: the three lines of each record.
    Kept kept;
    const brisel::WorkbookRecords records = brisel::convertWorkbook(bytes, "*", nullptr, kept, kept);
    if (records.read != brisel::WorkbookStatus::ok)
        return 0;
    if (!kept.problems.empty()) {
        for (const brisel::TableProblem& problem : kept.problems) {
            check(problem.line >= 2);
            check(problem.kind != brisel::TableProblem::Kind::tooFewFields ||
                  problem.fieldCount < brisel::minimumFieldCount);
        }
        return 0;
    }
    std::string_view text = kept.records;
    static constexpr std::string_view starts[] = {"MAT=", "-XHATCH=", "-KG_P_L="};
    std::size_t lines = 0;
    for (; !text.empty(); ++lines) {
        check(text.starts_with(starts[lines % 3]));
        const std::size_t end = text.find("\r\n");
        check(end != std::string_view::npos);
        check(text.substr(0, end).find_first_of("\r\n") == std::string_view::npos);
        text.remove_prefix(end + 2);
    }
    check(lines == 3 * records.rows);
    return 0;
}
