// Fuzzes the conversion core against the plain reading, and checks the records' shape;
// a table that reads as UTF-8 goes through the ANSI code page as well, and every table
// into the UTF-8 records of a UTF-8 material.ini. The first byte
// gives the prefix's length; the prefix follows, then the table.
#include "conversion/material_conversion.h"
#include "conversion/reference_conversion.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

std::size_t count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// The records' shape: three CR LF lines per accepted row, no other line end, never more
// rows than lines.
void checkShape(const brisel::ConversionResult& result, std::size_t inputLines) {
    const std::string_view records = result.records;
    check(count(records, "\r\n") == 3 * result.rows);
    check(count(records, "\r") == 3 * result.rows && count(records, "\n") == 3 * result.rows);
    check(inputLines == 0 ? result.rows == 0 : result.rows < inputLines);
}

const brisel::AnsiCodePage& codePage() {
    static const brisel::AnsiCodePage codePage(brisel::ansiCharacters());
    return codePage;
}

bool shortRowsOnly(const brisel::ConversionResult& result) {
    return std::all_of(result.problems.begin(), result.problems.end(), [](const brisel::TableProblem& problem) {
        return problem.kind == brisel::TableProblem::Kind::tooFewFields;
    });
}

// In the ANSI code page a UTF-8 table keeps its lines and fields: the same rows are taken,
// and the same rows are short, as in its UTF-8 bytes; a character that does not fit is
// named in a field that a record takes.
void checkUtf8Path(std::string_view table, std::string_view prefix) {
    const brisel::DetectedText detected = brisel::detectEncoding(table);
    if (detected.encoding != brisel::TextEncoding::utf8)
        return;
    const brisel::ConversionResult converted = brisel::convertTable(
        detected.text, prefix, brisel::FieldEncoding(brisel::TextEncoding::utf8, brisel::TextEncoding::ansi, codePage()));
    const brisel::ConversionResult asBytes = brisel::convertTable(detected.text, prefix);
    const std::size_t lines = brisel::reference::splitLines(detected.text).size();
    for (const brisel::TableProblem& problem : converted.problems) {
        check(problem.line >= 2 && problem.line <= lines);
        if (problem.kind == brisel::TableProblem::Kind::unrepresentable)
            check(problem.field >= 1 && problem.field <= brisel::minimumFieldCount);
    }
    std::vector<brisel::TableProblem> shortRows;
    std::copy_if(converted.problems.begin(), converted.problems.end(), std::back_inserter(shortRows),
                 [](const brisel::TableProblem& problem) { return problem.kind == brisel::TableProblem::Kind::tooFewFields; });
    check(converted.rows == asBytes.rows && shortRows == asBytes.problems);
    if (converted.problems.empty()) {
        check(converted.records.size() <= asBytes.records.size());
        checkShape(converted, lines);
    }
}

bool isUtf8(std::string_view bytes) {
    return brisel::detectEncoding(bytes).encoding == brisel::TextEncoding::utf8 ||
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Records for a UTF-8 material.ini are valid UTF-8: from an ANSI table through the code page,
// from a UTF-8 table directly once no invalid sequence stands where a record takes it.
void checkUtf8Records(std::string_view table) {
    const brisel::DetectedText detected = brisel::detectEncoding(table);
    if (detected.encoding == brisel::TextEncoding::utf16)
        return;
    const brisel::ConversionResult records = brisel::convertTable(
        detected.text, "", brisel::FieldEncoding(detected.encoding, brisel::TextEncoding::utf8, codePage()));
    if (records.problems.empty())
        check(isUtf8(records.records));
    else
        check(detected.encoding == brisel::TextEncoding::utf8 || shortRowsOnly(records));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t prefixLength = std::min<std::size_t>(data[0] % 32, size - 1);
    // A prefix comes from a one-line text box: it holds no line end.
    std::string prefix(reinterpret_cast<const char*>(data + 1), prefixLength);
    std::replace(prefix.begin(), prefix.end(), '\r', 'r');
    std::replace(prefix.begin(), prefix.end(), '\n', 'n');
    const std::string_view table(reinterpret_cast<const char*>(data + 1 + prefixLength), size - 1 - prefixLength);

    const brisel::ConversionResult result = brisel::convertTable(table, prefix);
    const brisel::reference::Result plain = brisel::reference::convert(table, prefix);
    const std::size_t inputLines = brisel::reference::splitLines(table).size();

    // Read in pieces as a file is, the same records and problems.
    const brisel::ConversionResult pieces = brisel::convertTable(table, prefix, {}, 1 + data[0] / 4);
    check(pieces.records == result.records && pieces.problems == result.problems && pieces.rows == result.rows);

    if (!result.problems.empty()) {
        // Every short row is named by its line, and it really is short; the first is the
        // plain reading's.
        check(!plain.records && result.problems.front().line == plain.line &&
              result.problems.front().fieldCount == plain.fieldCount);
        for (const brisel::TableProblem& problem : result.problems)
            check(problem.line >= 2 && problem.line <= inputLines && problem.fieldCount < brisel::minimumFieldCount);
        check(result.records.empty());
        checkUtf8Path(table, prefix);
        checkUtf8Records(table);
        return 0;
    }
    check(plain.records && result.records == *plain.records);
    checkShape(result, inputLines);
    checkUtf8Path(table, prefix);
    checkUtf8Records(table);
    return 0;
}
