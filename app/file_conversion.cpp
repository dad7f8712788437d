// The conversion between the files and the conversion core.
#include "app/file_conversion.h"

#include "conversion/material_conversion.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"

#include <new>

namespace brisel {

FileConversion convertFile(std::u16string_view source, std::u16string_view destination, std::string_view prefix,
                           WriteMode mode) try {
    using Outcome = FileConversion::Outcome;
    FileConversion done;
    FileContent table = readWholeFile(source);
    if (!table.bytes) {
        done.outcome = table.error == ReadError::inUse ? Outcome::sourceInUse : Outcome::sourceUnreadable;
        return done;
    }
    const DetectedText detected = detectEncoding(table.bytes->view());
    if (detected.encoding == TextEncoding::utf16) {
        done.outcome = Outcome::utf16Table;
        return done;
    }
    std::string_view ansi = detected.text;
    AnsiTable transcoded;
    if (detected.encoding == TextEncoding::utf8) {
        static const AnsiCodePage codePage(ansiCharacters());
        transcoded = ansiFromUtf8Table(detected.text, codePage);
        if (transcoded.status == AnsiTable::Status::unrepresentable) {
            done.outcome = Outcome::unrepresentable;
            done.line = transcoded.line;
            done.field = transcoded.field;
            return done;
        }
        ansi = transcoded.bytes.view();
        table.bytes.reset();  // the UTF-8 bytes are done with: at most two copies of the table at a time
    }
    ConversionResult result = convertTable(ansi, prefix);
    // The table's memory goes back before the write.
    table.bytes.reset();
    transcoded.bytes = ByteBuffer();
    if (result.status == ConversionResult::Status::tooFewFields) {
        done.outcome = Outcome::tooFewFields;
        done.line = result.line;
        done.fieldCount = result.fieldCount;
        return done;
    }
    done.rows = result.rows;
    done.writeError = mode == WriteMode::overwrite ? replaceFile(destination, result.records())
                                                   : appendToFile(destination, result.records());
    if (done.writeError != WriteError::none)
        done.outcome = Outcome::writeFailed;
    return done;
} catch (const std::bad_alloc&) {
    FileConversion failed;
    failed.outcome = FileConversion::Outcome::outOfMemory;
    return failed;
}

}  // namespace brisel
