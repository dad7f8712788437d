// The conversion between the files and the conversion core.
#include "app/file_conversion.h"

#include "base/utf.h"
#include "conversion/appending.h"
#include "platform/ansi_text.h"
#include "workbook/workbook.h"

#include <new>
#include <optional>
#include <string>
#include <utility>

namespace brisel {
namespace {

using Outcome = FileConversion::Outcome;

FileConversion failed(Outcome outcome) {
    FileConversion done;
    done.outcome = outcome;
    return done;
}

FileConversion unrepresentableAt(const TablePlace& place) {
    FileConversion done = failed(Outcome::unrepresentable);
    done.line = place.line;
    done.field = place.field;
    return done;
}

const std::u16string& codePageCharacters() {
    static const std::u16string characters = ansiCharacters();
    return characters;
}

// The table in the records' encoding, or the first character that does not fit. `bytes`
// keeps what the view points into.
struct TableText {
    std::optional<TablePlace> unfit;
    std::string_view text;
    ByteBuffer bytes;
};

TableText inEncoding(const DetectedText& table, TextEncoding encoding) {
    TableText result;
    result.text = table.text;
    if (encoding == TextEncoding::utf8) {
        if (table.encoding == TextEncoding::utf8) {
            result.unfit = invalidUtf8InRecords(table.text);  // only a table with a mark can hold one
        } else {
            result.bytes = utf8FromAnsi(table.text, codePageCharacters());
            result.text = result.bytes.view();
        }
    } else if (table.encoding == TextEncoding::utf8) {
        static const AnsiCodePage codePage(codePageCharacters());
        AnsiTable ansi = ansiFromUtf8Table(table.text, codePage);
        if (ansi.status == AnsiTable::Status::unrepresentable)
            result.unfit = TablePlace{ansi.line, ansi.field};
        result.bytes = std::move(ansi.bytes);
        result.text = result.bytes.view();
    }
    return result;
}

// The table that a workbook's bytes hold, into `table`; a failure to read it, or nothing.
// `table` stays empty for a file that is no workbook.
std::optional<FileConversion> readAsWorkbook(std::string_view bytes, std::string& table) {
    WorkbookTable workbook = readWorkbook(bytes);
    using Status = WorkbookTable::Status;
    switch (workbook.status) {
    case Status::notAWorkbook:
        return std::nullopt;
    case Status::ok:
        break;
    case Status::oldFormat:
        return failed(Outcome::oldWorkbook);
    case Status::damaged:
        return failed(Outcome::workbookUnreadable);
    case Status::tooLarge:
        return failed(Outcome::workbookTooLarge);
    case Status::errorValue:
    case Status::lineBreak: {
        FileConversion done = failed(workbook.status == Status::errorValue ? Outcome::cellError : Outcome::cellLineBreak);
        done.line = workbook.row;
        done.field = workbook.column;
        done.errorValue = std::move(workbook.errorValue);
        return done;
    }
    }
    table = std::move(workbook.table);
    return std::nullopt;
}

}  // namespace

TableBytes readTable(std::u16string_view source) try {
    FileContent content = readWholeFile(source);
    if (!content.bytes)
        return {content.error == ReadError::inUse ? Outcome::sourceInUse : Outcome::sourceUnreadable, {}};
    return {Outcome::ok, std::move(*content.bytes)};
} catch (const std::bad_alloc&) {
    return {Outcome::outOfMemory, {}};
}

BuiltRecords buildRecords(ByteBuffer table, std::u16string_view prefix, TextEncoding encoding) try {
    std::string workbookTable;
    if (std::optional<FileConversion> unread = readAsWorkbook(table.view(), workbookTable))
        return {std::move(*unread), {}};
    const bool fromWorkbook = !workbookTable.empty();
    if (fromWorkbook)
        table = ByteBuffer();  // the archive is done with
    const std::string_view bytes = fromWorkbook ? std::string_view(workbookTable) : table.view();
    const DetectedText detected = detectEncoding(bytes);
    if (detected.encoding == TextEncoding::utf16)
        return {failed(Outcome::utf16Table), {}};
    const std::optional<std::string> prefixBytes =
        encoding == TextEncoding::utf8 ? utf8FromUtf16(prefix) : toAnsi(prefix);
    if (!prefixBytes)
        return {failed(Outcome::prefixUnrepresentable), {}};

    TableText text = inEncoding(detected, encoding);
    if (text.unfit)
        return {unrepresentableAt(*text.unfit), {}};
    if (text.bytes.capacity() != 0) {
        // The original bytes are done with: at most two copies of the table at a time.
        table = ByteBuffer();
        std::string().swap(workbookTable);
    }

    BuiltRecords built;
    built.records = convertTable(text.text, *prefixBytes, fromWorkbook ? cellSemicolon : '\0');
    if (built.records.status == ConversionResult::Status::tooFewFields) {
        built.result = failed(Outcome::tooFewFields);
        built.result.line = built.records.line;
        built.result.fieldCount = built.records.fieldCount;
    }
    built.result.rows = built.records.rows;
    return built;
} catch (const std::bad_alloc&) {
    return {failed(Outcome::outOfMemory), {}};
}

FileConversion convertTableToFile(ByteBuffer table, std::u16string_view destination, std::u16string_view prefix,
                                  WriteMode mode) try {
    // "erweitern" writes in the destination's own encoding, so it is looked at first. A
    // destination that is missing or cannot be read gets ANSI records and nothing before them.
    Appending appending;
    if (mode == WriteMode::append) {
        const FileContent existing = readWholeFile(destination);
        if (existing.error == ReadError::inUse) {
            FileConversion done = failed(Outcome::writeFailed);
            done.writeError = WriteError::inUse;
            return done;
        }
        if (existing.bytes)
            appending = appendingTo(existing.bytes->view());
        if (appending.encoding == TextEncoding::utf16)
            return failed(Outcome::utf16Destination);
    }

    BuiltRecords built = buildRecords(std::move(table), prefix, appending.encoding);
    if (built.result.outcome != Outcome::ok)
        return built.result;
    const std::string_view records = built.records.records();
    const std::string_view lead = appending.lineBreakFirst ? "\r\n" : "";
    built.result.writeError =
        mode == WriteMode::overwrite ? replaceFile(destination, records) : appendToFile(destination, {lead, records});
    if (built.result.writeError != WriteError::none)
        built.result.outcome = Outcome::writeFailed;
    return built.result;
} catch (const std::bad_alloc&) {
    return failed(Outcome::outOfMemory);
}

FileConversion convertFile(std::u16string_view source, std::u16string_view destination, std::u16string_view prefix,
                           WriteMode mode) {
    TableBytes table = readTable(source);
    if (table.outcome != Outcome::ok)
        return failed(table.outcome);
    return convertTableToFile(std::move(table.bytes), destination, prefix, mode);
}

}  // namespace brisel
