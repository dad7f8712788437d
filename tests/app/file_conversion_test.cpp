// The conversion from file to file when the files change under it.
#include "app/file_conversion.h"

#include "temp_folder.h"
#include "workbook_fixture.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

using Outcome = FileConversion::Outcome;

// The problems that a test does not look at.
class Ignored final : public ProblemSink {
public:
    void problem(const TableProblem&) override {}
};

FileConversion convertFile(std::u16string_view source, std::u16string_view destination, std::u16string_view prefix,
                           WriteMode mode) {
    Ignored ignored;
    return brisel::convertFile(source, destination, prefix, mode, ignored);
}

TEST(ConvertFile, ReportsASourceGoneOrReplacedAfterTheExistenceTest) {
    TempFolder folder;
    folder.write(u"material.ini", "ALT");
    folder.makeFolder(u"jetzt ein Ordner.csv");
    for (const std::u16string& source : {folder.path(u"entfernt.csv"), folder.path(u"jetzt ein Ordner.csv")}) {
        for (const WriteMode mode : {WriteMode::overwrite, WriteMode::append})
            EXPECT_EQ(convertFile(source, folder.path(u"material.ini"), u"*", mode).outcome, Outcome::sourceUnreadable);
    }
    EXPECT_EQ(folder.read(u"material.ini"), "ALT");
}

TEST(ConvertFile, CountsTheRowsItWrote) {
    TempFolder folder;
    const std::u16string source = folder.write(u"t.csv", "K\nA;1;2;3;4;5\nB;1;2;3;4;5\n");
    const FileConversion done = convertFile(source, folder.path(u"m.ini"), u"", WriteMode::append);
    EXPECT_EQ(done.outcome, Outcome::ok);
    EXPECT_EQ(done.rows, 2u);
}

// The same table saved as CSV and as workbooks by three programs, alone and on the active
// sheet after a cover sheet and a hidden one: the same records, byte for byte, in both modes.
TEST(ConvertFile, ReadsAWorkbookAsTheTableItHolds) {
    TempFolder folder;
    const std::u16string table = folder.write(u"tabelle.csv", workbookFixture("tabelle.csv"));
    for (const WriteMode mode : {WriteMode::overwrite, WriteMode::append}) {
        folder.write(u"von csv.ini", "MAT=9,alt");
        ASSERT_EQ(convertFile(table, folder.path(u"von csv.ini"), u"*", mode).outcome, Outcome::ok);
        for (const char* workbook : {"openpyxl.xlsx", "libreoffice.xlsx", "libreoffice.ods", "blaetter-openpyxl.xlsx",
                                     "blaetter-libreoffice.xlsx", "blaetter-libreoffice.ods"}) {
            const std::u16string source = folder.write(u"mappe", workbookFixture(workbook));
            folder.write(u"von mappe.ini", "MAT=9,alt");
            const FileConversion done = convertFile(source, folder.path(u"von mappe.ini"), u"*", mode);
            EXPECT_EQ(done.outcome, Outcome::ok) << workbook;
            EXPECT_EQ(done.rows, 6u) << workbook;
            EXPECT_EQ(folder.read(u"von mappe.ini"), folder.read(u"von csv.ini")) << workbook;
        }
    }
}

}  // namespace
}  // namespace brisel
