// The table reader and record writer behind "Konvertieren".
#include "conversion/material_conversion.h"

#include <array>

namespace brisel {
namespace {

// One line of the table, cut into its first six fields.
struct Row {
    std::array<std::string_view, minimumFieldCount> fields;
    std::size_t fieldCount = 0;
};

// Walks the table line by line; a line ends at CR LF, a lone CR or a lone LF.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    // The next line without its line end, or false at the end of the input.
    bool next(std::string_view& line) {
        if (rest_.empty())
            return false;
        std::size_t end = 0;
        while (end < rest_.size() && rest_[end] != '\r' && rest_[end] != '\n')
            ++end;
        line = rest_.substr(0, end);
        std::size_t skip = end;
        if (skip < rest_.size())
            skip += (rest_[skip] == '\r' && skip + 1 < rest_.size() && rest_[skip + 1] == '\n') ? 2 : 1;
        rest_.remove_prefix(skip);
        ++number_;
        return true;
    }

    std::size_t number() const { return number_; }

private:
    std::string_view rest_;
    std::size_t number_ = 0;
};

// Cuts at every ";": no quoting, no trimming; the count includes fields beyond the sixth.
Row cutFields(std::string_view line) {
    Row row;
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = line.find(';', start);
        const std::size_t end = separator == std::string_view::npos ? line.size() : separator;
        if (row.fieldCount < minimumFieldCount)
            row.fields[row.fieldCount] = line.substr(start, end - start);
        ++row.fieldCount;
        if (separator == std::string_view::npos)
            return row;
        start = separator + 1;
    }
}

void appendRecord(std::string& out, const Row& row, std::string_view prefix) {
    const auto& f = row.fields;
    out.append("MAT=").append(f[2]).append(",").append(prefix).append(f[0]).append("\r\n");
    out.append("-XHATCH=").append(f[3]).append(", ").append(f[4]).append(", ").append(f[5]).append("\r\n");
    // The weight is written with a decimal point: only its first comma changes.
    const std::string_view weight = f[1];
    const std::size_t comma = weight.find(',');
    out.append("-KG_P_L=");
    if (comma == std::string_view::npos)
        out.append(weight);
    else
        out.append(weight.substr(0, comma)).append(".").append(weight.substr(comma + 1));
    out.append("\r\n");
}

}  // namespace

ConversionResult convertTable(std::string_view table, std::string_view prefix) {
    ConversionResult result;
    LineReader lines(table);
    std::string_view line;
    // An empty first line, like an empty input, ends the table before it begins.
    if (!lines.next(line) || line.empty())
        return result;

    result.records.reserve(table.size() + table.size() / 2);
    while (lines.next(line) && !line.empty()) {
        const Row row = cutFields(line);
        if (row.fieldCount < minimumFieldCount) {
            ConversionResult failure;
            failure.status = ConversionResult::Status::tooFewFields;
            failure.line = lines.number();
            failure.fieldCount = row.fieldCount;
            return failure;
        }
        appendRecord(result.records, row, prefix);
        ++result.rows;
    }
    return result;
}

}  // namespace brisel
