// A workbook told by its content alone, and handed to the reader of its kind.
#include "workbook/workbook.h"

#include "workbook/package.h"
#include "workbook/zip_archive.h"

#include <optional>
#include <string>

namespace brisel {
namespace {

using Status = WorkbookStatus;

constexpr std::string_view oleSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::string_view odsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

}  // namespace

bool mayBeWorkbook(std::string_view start) noexcept {
    return start.starts_with(oleSignature) || looksLikeZip(start);
}

WorkbookRead readWorkbookRows(std::string_view bytes, WorkbookRows& rows, std::optional<std::string_view> sheetName) {
    const auto only = [](Status status) { return WorkbookRead{status, {}, 0}; };
    if (bytes.starts_with(oleSignature))
        return only(Status::oldFormat);
    if (!looksLikeZip(bytes))
        return only(Status::notAWorkbook);
    const std::optional<ZipArchive> archive = ZipArchive::open(bytes);
    if (!archive)
        return only(Status::damaged);
    if (const ZipArchive::Entry* mimeType = archive->find("mimetype")) {
        const std::optional<std::string> type = archive->readWhole(*mimeType, 256);
        if (!type)
            return only(Status::damaged);
        if (*type != odsMimeType)
            return only(Status::unsupported);
        return package::readOpenDocument(*archive, rows, sheetName);
    }
    if (archive->find("[Content_Types].xml") != nullptr)
        return package::readOfficeOpenXml(*archive, rows, sheetName);
    return only(Status::unsupported);  // a ZIP archive is no CSV table either
}

std::string columnLetters(std::size_t column) {
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    return letters;
}

}  // namespace brisel
