// Workbooks read as the tables they hold: the text rules, the odd files, the damaged ones.
#include "workbook/workbook.h"
#include "workbook/zip_archive.h"

#include "workbook_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace brisel {
namespace {

using Status = WorkbookTable::Status;

std::string fixture(const std::string& name) {
    return workbookFixture(name);
}

TEST(NumberText, IsTheValueRoundedTo15DigitsWithADecimalComma) {
    const std::pair<const char*, const char*> cases[] = {
        {"7.85", "7,85"}, {"31", "31"}, {"0.30000000000000004", "0,3"}, {"-0.5", "-0,5"},
        {"1E+16", "10000000000000000"}, {"1.5E-7", "0,00000015"}, {"0", "0"}, {"-0", "0"},
        {"123456789012345678", "123456789012346000"}, {"2.50", "2,5"}, {"abc", "abc"}, {"", ""},
    };
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(numberText(stored), expected) << stored;
}

TEST(ColumnLetters, CountAsTheSheetDoes) {
    EXPECT_EQ(columnLetters(1), "A");
    EXPECT_EQ(columnLetters(26), "Z");
    EXPECT_EQ(columnLetters(27), "AA");
    EXPECT_EQ(columnLetters(16384), "XFD");
}

// The table a workbook converts as, after its header line.
std::string rowsOf(const WorkbookTable& read) {
    const std::string_view table = read.table;
    return std::string(table.substr(table.find('\n') + 1));
}

TEST(ReadWorkbook, TakesTheFirstSheetWithItsOddCells) {
    struct Case {
        const char* file;
        const char* rows;
    };
    for (const Case& c : {
             // inline strings, rich text runs without their phonetic guide, rows and cells
             // without a reference, a ";" kept in its cell, a formula's text, a formatted
             // cell that holds nothing, the gap after row 3 that ends the table
             Case{"handgemacht.xlsx", "Stahl\x1F verzinkt;7,85;1;31;45;2,5\r\nAluminium ;2,7;2;32;0;1\r\n"},
             // repeated rows and columns, blanks and a truth value, a million empty rows
             Case{"wiederholt.ods", "Stahl  S235;;;31;WAHR;0,25\r\nStahl  S235;;;31;WAHR;0,25\r\n"},
         }) {
        const WorkbookTable read = readWorkbook(fixture(c.file));
        EXPECT_EQ(read.status, Status::ok) << c.file;
        EXPECT_EQ(rowsOf(read), c.rows) << c.file;
    }
}

TEST(ReadWorkbook, StopsAtAnErrorValueOrALineBreakInACellThatIsWritten) {
    const WorkbookTable error = readWorkbook(fixture("fehlerwert.xlsx"));
    EXPECT_EQ(error.status, Status::errorValue);
    EXPECT_EQ(error.row, 2u);
    EXPECT_EQ(error.column, 3u);
    EXPECT_EQ(error.errorValue, "#WERT!");
    const WorkbookTable lineBreak = readWorkbook(fixture("zeilenumbruch.xlsx"));
    EXPECT_EQ(lineBreak.status, Status::lineBreak);
    EXPECT_EQ(lineBreak.row, 2u);
    EXPECT_EQ(lineBreak.column, 2u);
}

TEST(ReadWorkbook, TellsOtherFilesByTheirContent) {
    const std::string workbook = fixture("openpyxl.xlsx");
    const std::string_view ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    struct Case {
        const char* name;
        std::string bytes;
        Status status;
    };
    std::string badDeflate = workbook;
    // Each entry's data start after its 30-byte header, its name and its extra field.
    for (std::size_t at = badDeflate.find("PK\x03\x04"); at != std::string::npos; at = badDeflate.find("PK\x03\x04", at + 4)) {
        const std::size_t data = at + 30 + static_cast<unsigned char>(workbook[at + 26]) +
                                 static_cast<unsigned char>(workbook[at + 28]);
        for (std::size_t i = data; i < data + 8 && i < badDeflate.size(); ++i)
            badDeflate[i] = '\xFF';
    }
    std::string storedOther = workbook;
    for (std::size_t at = storedOther.find("PK\x01\x02"); at != std::string::npos; at = storedOther.find("PK\x01\x02", at + 4))
        storedOther[at + 10] = 99;  // a compression method no workbook uses
    for (const Case& c : {
             Case{"a CSV table", "Name;Gewicht\r\nStahl;7,85\r\n", Status::notAWorkbook},
             Case{"an old Excel file", std::string(ole) + std::string(600, '\0'), Status::oldFormat},
             Case{"a cut-off archive", workbook.substr(0, workbook.size() / 2), Status::damaged},
             Case{"a damaged entry", badDeflate, Status::damaged},
             Case{"an unknown compression", storedOther, Status::damaged},
             Case{"the mark of a ZIP alone", "PK\x03\x04", Status::damaged},
         }) {
        EXPECT_EQ(readWorkbook(c.bytes).status, c.status) << c.name;
    }
}

TEST(ReadWorkbook, FindsEveryByteOfTheArchiveInsideIt) {
    // Every cut of a small workbook ends in a status, never in a read outside the bytes
    // (the sanitizers watch that).
    const std::string workbook = fixture("handgemacht.xlsx");
    for (std::size_t size = 0; size < workbook.size(); size += 7)
        EXPECT_NE(readWorkbook(std::string_view(workbook).substr(0, size)).status, Status::ok) << size;
}

}  // namespace
}  // namespace brisel
