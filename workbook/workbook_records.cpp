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

using Status = WorkbookRecords::Status;

class RecordRows final : public WorkbookRows {
public:
    RecordRows(std::string_view prefix, const AnsiCodePage* codePage, WorkbookRecords& result)
        : builder_(prefix), codePage_(codePage), result_(result) {}

    // A row's problems in its cells' order, then its fields' count.
    bool row(std::size_t number, std::span<const WorkbookCell> cells, std::size_t width) override {
        const std::size_t fields = std::min(width, minimumFieldCount);
        for (std::size_t c = 0; c < fields; ++c) {
            const WorkbookCell& cell = cells[c];
            if (cell.error) {
                result_.errorValue = cell.text;
                return fail(Status::errorValue, number, c + 1);
            }
            if (cell.text.find_first_of("\r\n") != std::string::npos)
                return fail(Status::lineBreak, number, c + 1);
            if (!encode(cell.text, encoded_[c]))
                return fail(Status::unrepresentable, number, c + 1);  // result_.character says which
        }
        if (fields < minimumFieldCount) {
            result_.fieldCount = fields;
            return fail(Status::tooFewFields, number, 0);
        }
        std::array<std::string_view, minimumFieldCount> views;
        std::copy(encoded_.begin(), encoded_.end(), views.begin());
        builder_.add(views);
        if (builder_.size() > workbookPartLimit) {
            result_.read = WorkbookStatus::tooLarge;
            return false;
        }
        return true;
    }

    ConversionResult finish() { return builder_.finish(); }

private:
    bool fail(Status status, std::size_t row, std::size_t column) {
        result_.status = status;
        result_.row = row;
        result_.column = column;
        return false;
    }

    // The cell's UTF-8 in the records' encoding; false where a character does not fit.
    bool encode(std::string_view utf8, std::string& into) {
        if (codePage_ == nullptr) {
            into.assign(utf8);
            return true;
        }
        into.clear();
        for (std::size_t at = 0; at < utf8.size();) {
            if (static_cast<unsigned char>(utf8[at]) < 0x80) {
                into += utf8[at++];
                continue;
            }
            const DecodedCharacter decoded = decodeUtf8At(utf8, at);
            const std::optional<char> byte = codePage_->byteOf(decoded.character);
            if (!decoded.valid || !byte) {
                result_.character = decoded.character;
                return false;
            }
            into += *byte;
            at += decoded.length;
        }
        return true;
    }

    RecordBuilder builder_;
    const AnsiCodePage* codePage_;
    WorkbookRecords& result_;
    std::array<std::string, minimumFieldCount> encoded_;
};

}  // namespace

WorkbookRecords convertWorkbook(std::string_view bytes, std::string_view prefix, const AnsiCodePage* codePage,
                                std::optional<std::string_view> sheetName) {
    WorkbookRecords result;
    RecordRows rows(prefix, codePage, result);
    WorkbookRead read = readWorkbookRows(bytes, rows, sheetName);
    result.worksheets = std::move(read.worksheets);
    result.sheet = read.sheet;
    if (read.status != WorkbookStatus::ok)
        result.read = read.status;  // a damaged part counts before a problem met in what was read of it
    if (result.read != WorkbookStatus::ok)
        result.status = Status::unreadable;
    else if (result.status == Status::ok)
        result.records = rows.finish();
    return result;
}

}  // namespace brisel
