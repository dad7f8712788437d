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
    const std::string_view records = result.records();
    check(count(records, "\r\n") == 3 * result.rows);
    check(count(records, "\r") == 3 * result.rows && count(records, "\n") == 3 * result.rows);
    check(inputLines == 0 ? result.rows == 0 : result.rows < inputLines);
}

// In the ANSI code page a UTF-8 table keeps its lines and fields: the same rows are taken,
// and the same row is short, as in its UTF-8 bytes.
void checkUtf8Path(std::string_view table, std::string_view prefix) {
    const brisel::DetectedText detected = brisel::detectEncoding(table);
    if (detected.encoding != brisel::TextEncoding::utf8)
        return;
    static const brisel::AnsiCodePage codePage(brisel::ansiCharacters());
    const brisel::AnsiTable ansi = brisel::ansiFromUtf8Table(detected.text, codePage);
    const std::size_t lines = brisel::reference::splitLines(detected.text).size();
    if (ansi.status == brisel::AnsiTable::Status::unrepresentable) {
        check(ansi.line >= 2 && ansi.line <= lines && ansi.field >= 1 && ansi.field <= brisel::minimumFieldCount);
        return;
    }
    const std::string_view bytes = ansi.bytes.view();
    check(bytes.size() <= detected.text.size());
    for (const char* kept : {"\r", "\n", ";"})
        check(count(bytes, kept) == count(detected.text, kept));
    const brisel::ConversionResult converted = brisel::convertTable(bytes, prefix);
    const brisel::ConversionResult asBytes = brisel::convertTable(detected.text, prefix);
    check(converted.status == asBytes.status && converted.rows == asBytes.rows && converted.line == asBytes.line &&
          converted.fieldCount == asBytes.fieldCount);
    checkShape(converted, lines);
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
    std::string_view text = detected.text;
    brisel::ByteBuffer fromAnsi;
    if (detected.encoding == brisel::TextEncoding::ansi) {
        static const std::u16string codePage = brisel::ansiCharacters();
        fromAnsi = brisel::utf8FromAnsi(text, codePage);
        text = fromAnsi.view();
        check(isUtf8(text));
        for (const char* kept : {"\r", "\n", ";"})
            check(count(text, kept) == count(detected.text, kept));
    } else if (brisel::invalidUtf8InRecords(text)) {
        return;
    }
    const brisel::ConversionResult records = brisel::convertTable(text, "");
    check(isUtf8(records.records()));
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

    if (result.status == brisel::ConversionResult::Status::tooFewFields) {
        // A short row is named by its line, and it really is short.
        check(!plain.records && result.line == plain.line && result.fieldCount == plain.fieldCount);
        check(result.line >= 2 && result.line <= inputLines && result.fieldCount < brisel::minimumFieldCount);
        check(result.records().empty());
        checkUtf8Path(table, prefix);
        checkUtf8Records(table);
        return 0;
    }
    check(plain.records && result.records() == *plain.records);
    checkShape(result, inputLines);
    checkUtf8Path(table, prefix);
    checkUtf8Records(table);
    return 0;
}
