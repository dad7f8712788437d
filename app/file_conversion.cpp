// The conversion between the files and the conversion core.
#include "app/file_conversion.h"

#include "conversion/material_conversion.h"

#include <new>

namespace brisel {

FileConversion convertFile(const QString& source, const QString& destination, std::string_view prefix,
                           WriteMode mode) try {
    using Outcome = FileConversion::Outcome;
    FileConversion done;
    std::optional<ByteBuffer> table = readWholeFile(source);
    if (!table) {
        done.outcome = Outcome::sourceUnreadable;
        return done;
    }
    ConversionResult result = convertTable(table->view(), prefix);
    table.reset();  // the table's memory goes back before the write
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
