// Workbooks read as the records they hold: the text rules, the odd files, the damaged ones.
#include "workbook/workbook.h"

#include "conversion/text_encoding.h"
#include "hand_made_workbook.h"
#include "workbook_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel {
namespace {

std::string fixture(const std::string& name) {
    return workbookFixture(name);
}

// ISO 8859-1: each byte its own character, so every test sees the same code page.
const AnsiCodePage& latin1() {
    static const AnsiCodePage codePage([] {
        std::u16string characters(256, u'\0');
        for (std::size_t byte = 0; byte < 256; ++byte)
            characters[byte] = static_cast<char16_t>(byte);
        return characters;
    }());
    return codePage;
}

// A workbook's records and problems, kept.
struct Converted final : RecordSink, ProblemSink {
    bool write(std::string_view bytes) override {
        records += bytes;
        return true;
    }
    void problem(const TableProblem& found) override { problems.push_back(found); }

    WorkbookRecords read;
    std::string records;
    std::vector<TableProblem> problems;
};

Converted convertAll(std::string_view bytes, std::optional<std::string_view> sheet = std::nullopt) {
    Converted converted;
    converted.read = convertWorkbook(bytes, "", &latin1(), converted, converted, sheet);
    return converted;
}

// What a conversion came to, for comparing: the records, or the first problem and where.
// A row's place is "Blatt!5:2" where the workbook has several worksheets.
std::string convert(std::string_view bytes, std::optional<std::string_view> sheetName = std::nullopt) {
    const Converted converted = convertAll(bytes, sheetName);
    const WorkbookRecords& read = converted.read;
    if (read.read == WorkbookStatus::unknownSheet) {
        std::string sheets;
        for (const Worksheet& sheet : read.worksheets)
            sheets += (sheets.empty() ? "" : ", ") + sheet.name + (sheet.hidden ? " (hidden)" : "");
        return "unknown sheet; sheets: " + sheets;
    }
    if (read.read != WorkbookStatus::ok)
        return read.read == WorkbookStatus::damaged ? "damaged" : "unreadable " + std::to_string(static_cast<int>(read.read));
    if (converted.problems.empty())
        return converted.records;
    const TableProblem& first = converted.problems.front();
    const std::string sheet = read.worksheets.size() > 1 ? read.worksheets[read.sheet].name + "!" : "";
    const std::string at = sheet + std::to_string(first.line) + ":" + std::to_string(first.field);
    switch (first.kind) {
    case TableProblem::Kind::errorValue:
        return "error " + first.errorValue + " at " + at;
    case TableProblem::Kind::lineBreak:
        return "line break at " + at;
    case TableProblem::Kind::withoutResult:
        return "no result at " + at;
    case TableProblem::Kind::unrepresentable:
    case TableProblem::Kind::prefixUnrepresentable:
        return "unrepresentable at " + at;
    case TableProblem::Kind::tooFewFields:
        return std::to_string(first.fieldCount) + " fields in row " + sheet + std::to_string(first.line);
    }
    return "?";
}

const std::string steel = xlsxRow({"t:Stahl", "7.85", "1", "31", "45", "2.5"});
const std::string steelRecord = "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";

// An .ods of one table, `rows` after a header row.
std::string odsOf(const std::string& rows) {
    return zipOf({
        {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
        {"content.xml",
         "<o:document-content xmlns:o='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
         "xmlns:t='urn:oasis:names:tc:opendocument:xmlns:table:1.0' xmlns:p='urn:oasis:names:tc:opendocument:xmlns:text:1.0' "
         "xmlns:d='urn:oasis:names:tc:opendocument:xmlns:drawing:1.0'><o:body><o:spreadsheet><t:table>"
         "<t:table-row><t:table-cell o:value-type='string'><p:p>Name</p:p></t:table-cell></t:table-row>" + rows +
         "</t:table></o:spreadsheet></o:body></o:document-content>"},
    });
}

// A data row whose first cell is given as XML, followed by the usual numbers.
std::string odsRow(const std::string& first) {
    std::string row = "<t:table-row>" + first;
    for (const char* value : {"7.85", "1", "31", "45", "2.5"})
        row += std::string("<t:table-cell o:value-type='float' o:value='") + value + "'/>";
    return row + "</t:table-row>";
}

// A sheet of an .ods: a header row, then one material of that name and the usual numbers.
std::string odsTable(const std::string& name, bool hidden = false) {
    return "<t:table t:name='" + name + "' t:style-name='" + (hidden ? "ta2" : "ta1") +
           "'><t:table-row><t:table-cell o:value-type='string'><p:p>Name</p:p></t:table-cell></t:table-row>" +
           odsRow("<t:table-cell o:value-type='string'><p:p>" + name + "</p:p></t:table-cell>") + "</t:table>";
}

// What odsTable's material becomes.
std::string odsRecord(const std::string& name) {
    return "MAT=1," + name + "\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
}

// An .ods of `tables`, with LibreOffice's table styles (ta2 hides a table) and, where one is
// given, the table that was active in settings.xml, as LibreOffice writes them.
std::string odsOfTables(const std::string& tables, const std::string& activeTable = "") {
    const std::string settings =
        "<o:document-settings xmlns:o='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
        "xmlns:c='urn:oasis:names:tc:opendocument:xmlns:config:1.0'><o:settings>"
        "<c:config-item-set c:name='ooo:view-settings'><c:config-item-map-indexed c:name='Views'><c:config-item-map-entry>"
        "<c:config-item c:name='ViewId' c:type='string'>view1</c:config-item><c:config-item-map-named c:name='Tables'>"
        "<c:config-item-map-entry c:name='Alt'><c:config-item c:name='CursorPositionX' c:type='int'>0</c:config-item>"
        "</c:config-item-map-entry></c:config-item-map-named>"
        "<c:config-item c:name='ActiveTable' c:type='string'>" + activeTable + "</c:config-item>"
        "</c:config-item-map-entry></c:config-item-map-indexed></c:config-item-set></o:settings></o:document-settings>";
    std::vector<std::pair<std::string, std::string>> entries{
        {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
        {"content.xml",
         "<o:document-content xmlns:o='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
         "xmlns:t='urn:oasis:names:tc:opendocument:xmlns:table:1.0' xmlns:p='urn:oasis:names:tc:opendocument:xmlns:text:1.0' "
         "xmlns:s='urn:oasis:names:tc:opendocument:xmlns:style:1.0'><o:automatic-styles>"
         "<s:style s:name='ta1' s:family='table'><s:table-properties t:display='true'/></s:style>"
         "<s:style s:name='ta2' s:family='table'><s:table-properties t:display='false'/></s:style>"
         "</o:automatic-styles><o:body><o:spreadsheet>" + tables + "</o:spreadsheet></o:body></o:document-content>"},
    };
    if (!activeTable.empty())
        entries.emplace_back("settings.xml", settings);
    return zipOf(entries);
}

// Sheets of a hand-made .xlsx: a cover whose second row has six cells, a stale table, the
// material table.
const HandMadeSheet cover{"Deckblatt", xlsxRow({"t:Stand 2026", "t:x", "t:x", "t:x", "t:x", "t:x"})};
const std::string coverRecord = "MAT=x,Stand 2026\r\n-XHATCH=x, x, x\r\n-KG_P_L=x\r\n";
const HandMadeSheet hiddenOld{"Alt", xlsxRow({"t:Alt", "1.5", "9", "30", "0", "1"}), "state='hidden'"};
const std::string oldRecord = "MAT=9,Alt\r\n-XHATCH=30, 0, 1\r\n-KG_P_L=1.5\r\n";
const HandMadeSheet chart{"Diagramm", "", "", true};

std::string activeTab(int tab) {
    return "<bookViews><workbookView activeTab='" + std::to_string(tab) + "'/></bookViews>";
}

// The materials of formeln-openpyxl.xlsx, once a spreadsheet has calculated its formulas;
// one's result is empty text.
const std::string calculatedRecords =
    "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\nMAT=4,Kupfer\r\n-XHATCH=33, 90, \r\n-KG_P_L=8.96\r\n"
    "MAT=5,Messing\r\n-XHATCH=34, 45, 1\r\n-KG_P_L=8.5\r\nMAT=6,Titan\r\n-XHATCH=36, 45, 1\r\n-KG_P_L=4.5\r\n";

TEST(ConvertWorkbook, FollowsTheTextRulesAndReportsTheFirstProblemInTheSheetsOrder) {
    struct Case {
        const char* name;
        std::string workbook;
        std::string expected;
        std::optional<std::string> sheet = std::nullopt;  // the sheet asked for
    };
    // Excel's workbook part before <sheets>, as it writes it (namespaces declared where used).
    const std::string excelBeforeSheets =
        "<fileVersion appName='xl' lastEdited='7' lowestEdited='7' rupBuild='27425'/>"
        "<workbookPr defaultThemeVersion='166925'/>"
        "<mc:AlternateContent xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006'>"
        "<mc:Choice Requires='x15'><x15ac:absPath url='C:\\Users\\cad\\Documents\\' "
        "xmlns:x15ac='http://schemas.microsoft.com/office/spreadsheetml/2010/11/ac'/></mc:Choice></mc:AlternateContent>"
        "<xr:revisionPtr revIDLastSave='0' documentId='8_{3F2A1B7C-0D4E-4C1B-9A55-2E6B1C0F8D21}' "
        "xmlns:xr='http://schemas.microsoft.com/office/spreadsheetml/2014/revision'/>"
        "<bookViews><workbookView xWindow='-120' yWindow='-120' windowWidth='29040' windowHeight='15840' activeTab='1' "
        "xr2:uid='{00000000-000D-0000-FFFF-FFFF00000000}' "
        "xmlns:xr2='http://schemas.microsoft.com/office/spreadsheetml/2015/revision2'/></bookViews>";
    for (const Case& c : {
             Case{"the header is never interpreted, an error value in it neither",
                  xlsxOf(steel, false, "<c t='e'><v>#N/A</v></c>"), steelRecord},
             Case{"an error value in the German Excel's words", xlsxOf(xlsxRow({"t:Stahl", "<c t='e'><v>#N/A</v></c>"})),
                  "error #NV at 2:2"},
             Case{"an escaped lone CR is a line break", xlsxOf(xlsxRow({"t:Stahl_x000D_verzinkt"})), "line break at 2:1"},
             Case{"a character U+001F is text, not a separator", xlsxOf(xlsxRow({"t:a_x001F_b", "7.85", "1", "31", "45", "2.5"})),
                  "MAT=1,a\x1F" "b\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
             Case{"a number with white space around it",
                  xlsxOf(xlsxRow({"t:Stahl", "\n 7.85 \n", "1", "31", "45", "2.5"})), steelRecord},
             Case{"numbers at the ends of the double range",
                  xlsxOf(xlsxRow({"t:Stahl", "1e-400", "1", "1.797693134862316e+308", "45", "2.5"})),
                  std::string("MAT=1,Stahl\r\n-XHATCH=179769313486232").append(294, '0') + ", 45, 2,5\r\n-KG_P_L=0\r\n"},
             Case{"a row of empty text ends the table; an empty text among values is an empty field",
                  xlsxOf(xlsxRow({"t:", "7.85", "1", "31", "45", "2.5"}) + xlsxRow({"t:"}) + steel),
                  "MAT=1,\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
             Case{"a row of five fields is short", xlsxOf(xlsxRow({"t:Stahl", "7.85", "1", "31", "45"})),
                  "5 fields in row 2"},
             Case{"a formula's error saved as text in an .ods is an error value",
                  odsOf(odsRow("<t:table-cell t:formula='of:=1/0' o:value-type='string' o:string-value='#DIV/0!'>"
                               "<p:p>#DIV/0!</p:p></t:table-cell>")),
                  "error #DIV/0! at 2:1"},
             Case{"a formula's error saved as text in an .xlsx, in LibreOffice's spelling",
                  xlsxOf(xlsxRow({"t:Stahl", "<c t='str'><f>1/\"a\"</f><v>Err:502</v></c>"})), "error Err:502 at 2:2"},
             Case{"the name of an error value typed as text stays text",
                  odsOf(odsRow("<t:table-cell o:value-type='string'><p:p>#N/A</p:p></t:table-cell>")),
                  "MAT=1,#N/A\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
             Case{"a short row before an error value", xlsxOf(xlsxRow({"t:Stahl", "7.85"}) + xlsxRow({"<c t='e'><v>#REF!</v></c>"})),
                  "2 fields in row 2"},
             Case{"a character of no code page before an error value in its row",
                  xlsxOf(xlsxRow({"t:Stahl", "t:\xE2\x82\xAC", "<c t='e'><v>#DIV/0!</v></c>"})), "unrepresentable at 2:2"},
             Case{"the first worksheet, not a chart sheet before it", xlsxOf(steel, true), steelRecord},
             Case{"a stored entry whose checksum does not match", [] {
                      std::string damaged = xlsxOf(steel);
                      damaged[damaged.find("Stahl")] = 'X';
                      return damaged;
                  }(),
                  "damaged"},
             Case{"an .ods cell: its own paragraphs, without a comment, a drawing or leading blanks",
                  odsOf(odsRow("<t:table-cell o:value-type='string'><o:annotation><p:p>Kommentar</p:p></o:annotation>"
                               "<d:frame><d:text-box><p:p>Bild</p:p><p:p>zweiter Absatz</p:p></d:text-box></d:frame>"
                               "<p:p>   Stahl</p:p></t:table-cell>")),
                  steelRecord},
             Case{"an .ods string value stands before its paragraphs",
                  odsOf(odsRow("<t:table-cell o:value-type='string' o:string-value='Stahl'><p:p>anders</p:p></t:table-cell>")),
                  steelRecord},
             Case{"the sheet that was active, after a cover sheet",
                  xlsxOfSheets({cover, {"Materialien", steel}}, activeTab(1)), steelRecord},
             Case{"no active tab recorded: the first visible worksheet",
                  xlsxOfSheets({hiddenOld, {"Materialien", steel}, cover}), steelRecord},
             Case{"a hidden active tab: the first visible worksheet",
                  xlsxOfSheets({hiddenOld, cover}, activeTab(0)), coverRecord},
             Case{"an active tab on a chart sheet: the first visible worksheet",
                  xlsxOfSheets({chart, hiddenOld, {"Materialien", steel}}, activeTab(0)), steelRecord},
             Case{"the active tab counts chart sheets too",
                  xlsxOfSheets({chart, cover, {"Materialien", steel}}, activeTab(2)), steelRecord},
             Case{"a hidden sheet named", xlsxOfSheets({cover, hiddenOld, {"Materialien", steel}}, activeTab(2)), oldRecord,
                  "Alt"},
             Case{"a name as the tab shows it, no other spelling",
                  xlsxOfSheets({chart, cover, hiddenOld, {"Materialien", steel}}, activeTab(3)),
                  "unknown sheet; sheets: Deckblatt, Alt (hidden), Materialien", "materialien"},
             Case{"a workbook as Excel saves it, the second tab active, a very hidden one named",
                  xlsxOfSheets({cover, {"Materialien", steel}, {"Alt", hiddenOld.rows, "state=\"veryHidden\""}},
                               excelBeforeSheets),
                  steelRecord},
             Case{"the very hidden sheet of Excel's workbook named",
                  xlsxOfSheets({cover, {"Materialien", steel}, {"Alt", hiddenOld.rows, "state=\"veryHidden\""}},
                               excelBeforeSheets),
                  oldRecord, "Alt"},
             Case{"an .ods: the active table, after a cover and a hidden table",
                  odsOfTables(odsTable("Deckblatt") + odsTable("Alt", true) + odsTable("Stahl"), "Stahl"), steelRecord},
             Case{"an .ods without settings: the first visible table",
                  odsOfTables(odsTable("Alt", true) + odsTable("Stahl") + odsTable("Deckblatt")), steelRecord},
             Case{"an .ods whose active table is hidden: the first visible one",
                  odsOfTables(odsTable("Alt", true) + odsTable("Deckblatt"), "Alt"), odsRecord("Deckblatt")},
             Case{"an .ods whose active table is gone: the first visible one",
                  odsOfTables(odsTable("Alt", true) + odsTable("Deckblatt") + odsTable("Stahl"), "Umbenannt"),
                  odsRecord("Deckblatt")},
             Case{"an .ods table named, hidden", odsOfTables(odsTable("Deckblatt") + odsTable("Alt", true) + odsTable("Stahl"), "Stahl"),
                  odsRecord("Alt"), "Alt"},
             Case{"an .ods: a row's problem, and the tables after it still counted",
                  odsOfTables("<t:table t:name='Kurz'>" + odsRow("<t:table-cell/>") +
                              "<t:table-row><t:table-cell o:value-type='string'><p:p>Kupfer</p:p></t:table-cell>"
                              "</t:table-row></t:table>" + odsTable("Stahl")),
                  "1 fields in row Kurz!2"},
             Case{"LibreOffice's .ods: its hidden table named", fixture("blaetter-libreoffice.ods"),
                  "MAT=9,Altes Material\r\n-XHATCH=30, 0, 1\r\n-KG_P_L=1.5\r\n", "Alt"},
             Case{"LibreOffice's .xlsx: the cover sheet named", fixture("blaetter-libreoffice.xlsx"), coverRecord,
                  "Deckblatt"},
             Case{"an .ods: a table of a DDE link is no sheet",
                  odsOfTables(odsTable("Stahl") + "<t:dde-links><t:dde-link>" + odsTable("Fremd") + "</t:dde-link></t:dde-links>"),
                  "unknown sheet; sheets: Stahl", "Fremd"},
             // Formulas: a result saved with them is what they give; one that is not is a problem,
             // and its row does not end the table.
             Case{"a script's formula without a result, its <v> empty and untyped",
                  xlsxOf(xlsxRow({"t:Stahl", "7.85", "1", "31", "45", "<c><f>2.5</f><v/></c>"})), "no result at 2:6"},
             Case{"a formula without any <v>", xlsxOf(xlsxRow({"t:Stahl", "<c r='B2'><f>8.96</f></c>"})),
                  "no result at 2:2"},
             Case{"a formula of text without any <v>", xlsxOf(xlsxRow({"<c t='str'><f>\"Stahl\"</f></c>"})),
                  "no result at 2:1"},
             Case{"an empty <v> is no truth value", xlsxOf(xlsxRow({"t:Stahl", "<c t='b'><f>TRUE()</f><v></v></c>"})),
                  "no result at 2:2"},
             Case{"a script's stand-in result in a workbook that asks to be calculated when opened",
                  xlsxOfSheets({{"Materialien", xlsxRow({"t:Stahl", "<c><f>7.85*1</f><v>0</v></c>"})}}, "",
                               "<definedNames/><calcPr calcId='124519' fullCalcOnLoad='1'/>"),
                  "no result at 2:2"},
             Case{"a formula's result in a workbook as Excel saves it, calculated",
                  xlsxOfSheets({{"Materialien", xlsxRow({"t:Stahl", "<c><f>7.85*1</f><v>7.85</v></c>", "1", "31", "45", "2.5"})}},
                               "", "<calcPr calcId='191029'/>"),
                  steelRecord},
             Case{"a formula whose result is empty text, as Excel saves it",
                  xlsxOf(xlsxRow({"t:Stahl", "7.85", "1", "31", "45", "<c t='str'><f>\"\"</f><v/></c>"})),
                  "MAT=1,Stahl\r\n-XHATCH=31, 45, \r\n-KG_P_L=7.85\r\n"},
             Case{"a formula without a result in the header is never read",
                  xlsxOf(steel, false, "<c><f>1</f><v></v></c>"), steelRecord},
             Case{"a formula without a result after the sixth cell of a material is never read",
                  xlsxOf(xlsxRow({"t:Stahl", "7.85", "1", "31", "45", "2.5", "<c><f>B2*2</f></c>"})), steelRecord},
             Case{"a row of formulas without results after the sixth cell alone may end the table or not",
                  xlsxOf(steel + xlsxRow({"<c r='H3'><f>B3*2</f><v></v></c>", "<c><f>1</f></c>"}) + steel),
                  "no result at 3:8"},
             Case{"an .ods formula with neither value nor text", odsOf(odsRow("<t:table-cell t:formula='of:=1+1'/>")),
                  "no result at 2:1"},
             Case{"LibreOffice's .xlsx of the script's formulas, calculated", fixture("formeln-libreoffice.xlsx"),
                  calculatedRecords},
             Case{"LibreOffice's .ods of the script's formulas, calculated", fixture("formeln-libreoffice.ods"),
                  calculatedRecords},
             Case{"an .ods shape on an empty cell after the last material ends the table",
                  odsOf(odsRow("<t:table-cell o:value-type='string'><p:p>Stahl</p:p></t:table-cell>") +
                        "<t:table-row><t:table-cell><d:custom-shape><p:p>Pfeil</p:p></d:custom-shape></t:table-cell></t:table-row>"),
                  steelRecord},
         }) {
        EXPECT_EQ(convert(c.workbook, c.sheet), c.expected) << c.name;
    }
}

TEST(ConvertWorkbook, ChecksTheChecksumOfADeflatedEntry) {
    std::string workbook = fixture("openpyxl.xlsx");
    ASSERT_EQ(convert(workbook).substr(0, 4), "MAT=");
    // The central directory's CRC-32 of every entry, changed.
    for (std::size_t at = workbook.find("PK\x01\x02"); at != std::string::npos; at = workbook.find("PK\x01\x02", at + 4))
        workbook[at + 16] = static_cast<char>(workbook[at + 16] ^ 1);
    EXPECT_EQ(convert(workbook), "damaged");
}

TEST(NumberText, IsTheValueRoundedTo15DigitsWithADecimalComma) {
    const std::pair<const char*, std::string> cases[] = {
        {"7.85", "7,85"}, {"31", "31"}, {"0.30000000000000004", "0,3"}, {"-0.5", "-0,5"},
        {"1E+16", "10000000000000000"}, {"1.5E-7", "0,00000015"}, {"0", "0"}, {"-0", "0"},
        {"123456789012345678", "123456789012346000"}, {"2.50", "2,5"}, {"abc", "abc"}, {"", ""},
        {" 7.85\r\n", "7,85"}, {"+2.5", "2,5"}, {"-1e-400", "0"},
        {"-1.7976931348623159e308", std::string("-179769313486232").append(294, '0')},
        {"9.999999999999999e400", std::string("1").append(401, '0')},
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

TEST(ConvertWorkbook, TakesTheFirstSheetWithItsOddCells) {
    // inline strings, rich text runs without their phonetic guide, rows and cells without a
    // reference, a ";" kept in its cell, a formula's text, a formatted cell that holds
    // nothing, the gap after row 3 that ends the table
    EXPECT_EQ(convert(fixture("handgemacht.xlsx")),
              "MAT=1,Stahl; verzinkt\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
              "MAT=2,Aluminium \r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n");
    // truth values as the German Excel shows them
    EXPECT_NE(convert(fixture("wahrheitswerte.xlsx")).find("MAT=7,Quarz\r\n-XHATCH=36, WAHR, FALSCH\r\n"),
              std::string::npos);
    // repeated rows and columns, blanks and a truth value, a million empty rows
    EXPECT_EQ(convert(fixture("wiederholt.ods")),
              "MAT=,Stahl  S235\r\n-XHATCH=31, WAHR, 0,25\r\n-KG_P_L=\r\nMAT=,Stahl  S235\r\n-XHATCH=31, WAHR, 0,25\r\n-KG_P_L=\r\n");
}

TEST(ConvertWorkbook, StopsAtAnErrorValueOrALineBreakInACellThatIsWritten) {
    EXPECT_EQ(convert(fixture("fehlerwert.xlsx")), "error #WERT! at 2:3");
    EXPECT_EQ(convert(fixture("zeilenumbruch.xlsx")), "line break at 2:2");
    // openpyxl's formulas, which no spreadsheet has calculated yet: every one is named, and
    // the row of formulas alone does not end the table before the last material.
    const Converted script = convertAll(fixture("formeln-openpyxl.xlsx"));
    std::string places;
    for (const TableProblem& problem : script.problems)
        places += (problem.kind == TableProblem::Kind::withoutResult ? " " : " ?") + std::to_string(problem.line) +
                  ":" + std::to_string(problem.field);
    EXPECT_EQ(places, " 3:2 3:5 3:6 4:1 4:2 4:3 4:4 4:5 4:6");
    EXPECT_EQ(script.read.rows, 4u);
    EXPECT_EQ(script.records, "");
}

TEST(ConvertWorkbook, TellsOtherFilesByTheirContent) {
    const std::string workbook = fixture("openpyxl.xlsx");
    const std::string_view ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    struct Case {
        const char* name;
        std::string bytes;
        WorkbookStatus status;
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
             Case{"a CSV table", "Name;Gewicht\r\nStahl;7,85\r\n", WorkbookStatus::notAWorkbook},
             Case{"an old Excel file", std::string(ole) + std::string(600, '\0'), WorkbookStatus::oldFormat},
             Case{"a cut-off archive", workbook.substr(0, workbook.size() / 2), WorkbookStatus::damaged},
             Case{"a damaged entry", badDeflate, WorkbookStatus::damaged},
             Case{"an unknown compression", storedOther, WorkbookStatus::damaged},
             Case{"the mark of a ZIP alone", "PK\x03\x04", WorkbookStatus::damaged},
             Case{"an Excel binary workbook", binaryWorkbook, WorkbookStatus::unsupported},
             Case{"a Word document",
                  officePackage("word/document.xml",
                                "<w:document xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'/>"),
                  WorkbookStatus::unsupported},
             Case{"a LibreOffice text document", zipOf({{"mimetype", "application/vnd.oasis.opendocument.text"}}),
                  WorkbookStatus::unsupported},
             Case{"another ZIP archive", zipOf({{"liesmich.txt", "Name;Gewicht"}}), WorkbookStatus::unsupported},
             Case{"an .ods saved with a password",
                  zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                         {"META-INF/manifest.xml",
                          "<m:manifest xmlns:m='urn:oasis:names:tc:opendocument:xmlns:manifest:1.0'>"
                          "<m:file-entry m:full-path='content.xml'><m:encryption-data/></m:file-entry></m:manifest>"},
                         {"content.xml", "\x8F\x12 encrypted"}}),
                  WorkbookStatus::oldFormat},
             Case{"an .ods whose content is no XML",
                  zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "\x8F\x12"}}),
                  WorkbookStatus::damaged},
         }) {
        EXPECT_EQ(convertAll(c.bytes).read.read, c.status) << c.name;
    }
}

TEST(ConvertWorkbook, FindsEveryByteOfTheArchiveInsideIt) {
    // Every cut of a small workbook ends in a status, never in a read outside the bytes
    // (the sanitizers watch that).
    const std::string workbook = fixture("handgemacht.xlsx");
    for (std::size_t size = 0; size < workbook.size(); size += 7)
        EXPECT_NE(convertAll(std::string_view(workbook).substr(0, size)).read.read, WorkbookStatus::ok)
            << size;
}

}  // namespace
}  // namespace brisel
