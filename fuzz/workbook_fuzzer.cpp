// Fuzzes the workbook reader: whatever the archive holds, it ends in a status, and a table
// it makes is the shape a CSV table has: a header line, then lines of at most six fields,
// each ended by CR LF, with no line break inside a field.
#include "workbook/workbook.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const brisel::WorkbookTable read = brisel::readWorkbook(bytes);
    if (read.status != brisel::WorkbookTable::Status::ok)
        return 0;
    std::string_view table = read.table;
    check(table.starts_with("\xEF\xBB\xBF-\r\n"));
    table.remove_prefix(6);
    while (!table.empty()) {
        const std::size_t end = table.find("\r\n");
        check(end != std::string_view::npos && end > 0);
        const std::string_view line = table.substr(0, end);
        check(line.find_first_of("\r\n") == std::string_view::npos);
        check(std::count(line.begin(), line.end(), ';') < 6);
        table.remove_prefix(end + 2);
    }
    return 0;
}
