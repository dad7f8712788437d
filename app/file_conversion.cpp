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
    done.character = place.character;
    return done;
}

const std::u16string& codePageCharacters() {
    static const std::u16string characters = ansiCharacters();
    return characters;
}

const AnsiCodePage& codePage() {
    static const AnsiCodePage codePage(codePageCharacters());
    return codePage;
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
        AnsiTable ansi = ansiFromUtf8Table(table.text, codePage());
        if (ansi.status == AnsiTable::Status::unrepresentable)
            result.unfit = TablePlace{ansi.line, ansi.field, ansi.character};
        result.bytes = std::move(ansi.bytes);
        result.text = result.bytes.view();
    }
    return result;
}

FileConversion atCell(Outcome outcome, const WorkbookRecords& read) {
    FileConversion done = failed(outcome);
    done.line = read.row;
    done.field = read.column;
    return done;
}

// A workbook's records, or its first problem; a prefix that the records' encoding cannot
// hold counts after the workbook's own problems.
BuiltRecords fromWorkbook(WorkbookRecords read, bool prefixFits) {
    using Status = WorkbookRecords::Status;
    switch (read.status) {
    case Status::ok:
        break;
    case Status::unreadable:
        switch (read.read) {
        case WorkbookStatus::oldFormat:
            return {failed(Outcome::oldWorkbook), {}};
        case WorkbookStatus::unsupported:
            return {failed(Outcome::workbookUnsupported), {}};
        case WorkbookStatus::tooLarge:
            return {failed(Outcome::workbookTooLarge), {}};
        case WorkbookStatus::ok:
        case WorkbookStatus::notAWorkbook:
        case WorkbookStatus::damaged:
            break;
        }
        return {failed(Outcome::workbookUnreadable), {}};
    case Status::errorValue: {
        FileConversion done = atCell(Outcome::cellError, read);
        done.errorValue = std::move(read.errorValue);
        return {std::move(done), {}};
    }
    case Status::lineBreak:
        return {atCell(Outcome::cellLineBreak, read), {}};
    case Status::unrepresentable: {
        FileConversion done = atCell(Outcome::cellUnrepresentable, read);
        done.character = read.character;
        return {std::move(done), {}};
    }
    case Status::tooFewFields: {
        FileConversion done = failed(Outcome::tooFewFields);
        done.line = read.row;
        done.fieldCount = read.fieldCount;
        return {std::move(done), {}};
    }
    }
    if (!prefixFits)
        return {failed(Outcome::prefixUnrepresentable), {}};
    BuiltRecords built;
    built.records = std::move(read.records);
    built.result.rows = built.records.rows;
    return built;
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
    const std::optional<std::string> prefixBytes =
        encoding == TextEncoding::utf8 ? utf8FromUtf16(prefix) : toAnsi(prefix);
    WorkbookRecords workbook =
        convertWorkbook(table.view(), prefixBytes.value_or(""), encoding == TextEncoding::utf8 ? nullptr : &codePage());
    if (workbook.read != WorkbookStatus::notAWorkbook)
        return fromWorkbook(std::move(workbook), prefixBytes.has_value());

    const DetectedText detected = detectEncoding(table.view());
    if (detected.encoding == TextEncoding::utf16)
        return {failed(Outcome::utf16Table), {}};
    if (!prefixBytes)
        return {failed(Outcome::prefixUnrepresentable), {}};

    TableText text = inEncoding(detected, encoding);
    if (text.unfit)
        return {unrepresentableAt(*text.unfit), {}};
    if (text.bytes.capacity() != 0)
        table = ByteBuffer();  // the original bytes are done with: at most two copies of the table at a time

    BuiltRecords built;
    built.records = convertTable(text.text, *prefixBytes);
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

namespace {

FileConversion writeRecords(ByteBuffer table, std::u16string_view destination, std::u16string_view prefix,
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
    if (mode == WriteMode::overwrite) {
        built.result.writeError = replaceFile(destination, records);
    } else {
        // What decides the line break before the records and their encoding is looked at
        // again once the destination is held: another program may have written it since.
        bool changed = false;
        const WriteError written = appendToFile(destination, [&](std::optional<std::string_view> now) {
            const Appending held = now ? appendingTo(*now) : Appending{};
            changed = held.encoding != appending.encoding;
            if (changed)
                return std::optional<std::vector<std::string_view>>();
            return std::optional(std::vector<std::string_view>{held.lineBreakFirst ? "\r\n" : "", records});
        });
        // One whose encoding changed meanwhile is in another program's hands.
        built.result.writeError = changed ? WriteError::inUse : written;
    }
    if (built.result.writeError != WriteError::none)
        built.result.outcome = Outcome::writeFailed;
    return built.result;
} catch (const std::bad_alloc&) {
    return failed(Outcome::outOfMemory);
}

}  // namespace

FileConversion convertTableToFile(ByteBuffer table, std::u16string_view destination, std::u16string_view prefix,
                                  WriteMode mode) try {
    // "erweitern" chooses from what the destination holds, which such a run may have taken
    // from under its name.
    Leftovers cleared = clearLeftovers(destination);
    FileConversion done = writeRecords(std::move(table), destination, prefix, mode);
    done.leftovers = std::move(cleared);
    return done;
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
