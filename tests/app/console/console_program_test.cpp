// brisel-convert as a script runs it: arguments in; exit status, streams and file bytes out.
#include "app/console/console_program.h"

#include "platform/console.h"
#include "temp_folder.h"
#include "hand_made_workbook.h"
#include "workbook_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace brisel {
namespace {

const std::string table = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n"
                          "Stahl;7,85;1;31;45;2,5\r\n"
                          "Aluminium;2,7;2;32;0;1\r\n";
const std::string records = "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
                            "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n";
// The table on the active sheet of a workbook, after a cover sheet and, hidden, the table's
// first row alone.
const std::string steel = xlsxRow({"t:Stahl", "7.85", "1", "31", "45", "2.5"});
const std::string workbook = xlsxOfSheets(
    {{"Deckblatt", xlsxRow({"t:Stand 2026", "t:x", "t:x", "t:x", "t:x", "t:x"})},
     {"Alt", steel, "state='hidden'"},
     {"Materialien", steel + xlsxRow({"t:Aluminium", "2.7", "2", "32", "0", "1"})}},
    "<bookViews><workbookView activeTab='2'/></bookViews>");

// Standard streams in memory: lines of text kept as they were printed.
class FakeConsole final : public Console {
public:
    bool readInput(const std::function<bool(std::string_view piece)>& take) override { return take(input); }
    bool writeOutput(std::string_view bytes) override {
        output += bytes;
        return true;
    }
    void printLine(StandardStream stream, std::u16string_view text) override {
        (stream == StandardStream::output ? outputLines : errorLines).emplace_back(text);
    }

    std::string input;
    std::string output;  // bytes written as they are
    std::vector<std::u16string> outputLines, errorLines;
};

class ConsoleProgram : public testing::Test {
protected:
    int run(std::vector<std::u16string> arguments) { return static_cast<int>(runConsoleProgram(arguments, console)); }

    TempFolder folder;  // the working directory
    FakeConsole console;
};

TEST_F(ConsoleProgram, ConvertsAndSaysWhatItWrote) {
    folder.write(u"Tabelle ä.csv", table);
    folder.write(u"material.ini", "ALT");
    EXPECT_EQ(run({u"--ersetzen", u"--prefix", u"*", u"Tabelle ä.csv", u"material.ini"}), 0);
    EXPECT_EQ(folder.read(u"material.ini"), records);
    EXPECT_EQ(console.outputLines, std::vector<std::u16string>{u"2 Materialien nach „material.ini“ geschrieben."});
    EXPECT_TRUE(console.errorLines.empty());
    EXPECT_EQ(run({u"-q", u"--erweitern", u"--prefix=*", u"Tabelle ä.csv", u"material.ini"}), 0);
    EXPECT_EQ(folder.read(u"material.ini"), records + records);
    EXPECT_EQ(run({u"--pruefen", u"Tabelle ä.csv"}), 0);  // a good table, checked, says nothing
    EXPECT_EQ(console.outputLines.size(), 1u);
    EXPECT_TRUE(console.errorLines.empty());
#ifndef _WIN32
    // A name with line breaks in it still gives one line, as a failure's message does.
    EXPECT_EQ(run({u"--ersetzen", u"Tabelle ä.csv", u"neue\nZeile\r\n.ini"}), 0);
    EXPECT_EQ(console.outputLines.back(), u"2 Materialien nach „neue Zeile .ini“ geschrieben.");
#endif
}

// A failed check or conversion: status 1, the window's message as one line, nothing written.
TEST_F(ConsoleProgram, ReportsAFailureOnStandardErrorAndWritesNothing) {
    struct Case {
        std::vector<std::u16string> arguments;
        std::u16string message;
        std::string input = "\xFF\xFEN";  // standard input: a table saved as UTF-16
    };
    folder.write(u"tabelle.csv", table);
    folder.write(u"kurz.csv", "K\r\nKupfer;8,9\r\n");
    folder.write(u"brisel.conf", "action=ersetzen\r\n");
    folder.write(u"material.ini", "ALT");
    folder.write(u"fehlerwert.xlsx", workbookFixture("fehlerwert.xlsx"));
    folder.write(u"umbruch.xlsx", workbookFixture("zeilenumbruch.xlsx"));
    folder.write(u"alt.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1000, '\0'));
    folder.write(u"kaputt.xlsx", workbookFixture("openpyxl.xlsx").substr(0, 3000));
    folder.write(u"omega.xlsx", xlsxOf(xlsxRow({"t:Stahl", "t:\xCE\xA9"})));
    folder.write(u"ohne-modus.conf", "prefix=*\r\n");
    folder.write(u"binär.xlsb", binaryWorkbook);
    folder.write(u"mappe.xlsx", workbook);
    folder.write(u"kurz.xlsx", xlsxOfSheets({{"Deckblatt", ""}, {"Materialien", xlsxRow({"t:Kupfer", "8.9"})}},
                                            "<bookViews><workbookView activeTab='1'/></bookViews>"));
    for (const Case& c : {
             Case{{u"--ersetzen", u"fehlt.csv", u"material.ini"},
                  u"Die Quelldatei „fehlt.csv“ existiert nicht. Bitte den Pfad prüfen."},
             Case{{u"--ersetzen", u"fehlt\xDCE4.csv", u"material.ini"},
                  u"Die Quelldatei „fehlt\\xE4.csv“ existiert nicht. Bitte den Pfad prüfen."},
#ifndef _WIN32
             Case{{u"--ersetzen", u"tabelle.csv", u"material\xD800.ini"},
                  u"Der Pfad der Zieldatei „material\\uD800.ini“ enthält ein Zeichen, das in keinem Dateinamen stehen "
                  u"kann. Bitte den Pfad prüfen."},
#endif
             Case{{u"--ersetzen", u"", u"material.ini"},
                  u"QUELLE ist leer. Bitte den Pfad der Tabelle angeben oder „-“ für die Standardeingabe."},
             Case{{u"--erweitern", u"kurz.csv", u"material.ini"},
                  u"Zeile 2 der Quelldatei hat 2 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                  u"der Tabelle ergänzen."},
             Case{{u"--pruefen", u"kurz.csv"},
                  u"Zeile 2 der Quelldatei hat 2 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                  u"der Tabelle ergänzen."},
             Case{{u"--konfiguration", u"brisel.conf"},
                  u"In „brisel.conf“ ist keine Quelldatei angegeben. Bitte QUELLE und ZIEL angeben oder in "
                  u"„brisel.conf“ die Zeile „quelle = …“ eintragen."},
             Case{{u"--konfiguration", u"fehlt.conf", u"tabelle.csv", u"material.ini"},
                  u"Die Konfigurationsdatei „fehlt.conf“ wurde nicht gefunden. Bitte den Pfad prüfen."},
             Case{{u"--ersetzen", u"fehlerwert.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte C der Quelldatei enthält den Fehlerwert „#WERT!“. Bitte die Formel oder den Wert "
                  u"in der Zelle korrigieren.\nZeile 2 der Quelldatei hat 3 Felder; erwartet werden mindestens 6. Bitte "
                  u"die fehlenden Felder in der Tabelle ergänzen."},
             Case{{u"--erweitern", u"umbruch.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte B der Quelldatei enthält einen Zeilenumbruch. Ein Material muss in einer Zeile "
                  u"stehen. Bitte den Zeilenumbruch in der Zelle entfernen.\nZeile 2 der Quelldatei hat 2 Felder; "
                  u"erwartet werden mindestens 6. Bitte die fehlenden Felder in der Tabelle ergänzen."},
             Case{{u"--ersetzen", u"alt.xls", u"material.ini"},
                  u"Die Quelldatei „alt.xls“ ist eine Arbeitsmappe im alten Excel-Format (.xls) oder eine "
                  u"kennwortgeschützte Arbeitsmappe. Bitte ohne Kennwort speichern: in Excel als „Excel-Arbeitsmappe "
                  u"(*.xlsx)“, in LibreOffice als „ODF-Tabellendokument (.ods)“ oder als CSV."},
             Case{{u"--ersetzen", u"binär.xlsb", u"material.ini"},
                  u"Die Quelldatei „binär.xlsb“ ist keine Arbeitsmappe, die brisel lesen kann (z.\u00A0B. eine "
                  u"Excel-Binärarbeitsmappe oder ein Word-Dokument). brisel liest Excel-Arbeitsmappen (.xlsx, .xlsm), "
                  u"LibreOffice-Tabellen (.ods) und CSV-Dateien. Bitte die Tabelle in Excel als „Excel-Arbeitsmappe "
                  u"(*.xlsx)“ oder als CSV speichern."},
             Case{{u"--konfiguration", u"ohne-modus.conf", u"tabelle.csv", u"material.ini"},
                  u"Bitte --ersetzen oder --erweitern angeben oder in „ohne-modus.conf“ die Zeile „action = "
                  u"ersetzen“ oder „action = erweitern“ eintragen."},
             Case{{u"--ersetzen", u"-", u"material.ini"},
                  u"Die Tabelle auf der Standardeingabe ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle "
                  u"in Excel als „CSV (Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen getrennt) "
                  u"(*.csv)“ speichern."},
             Case{{u"--erweitern", u"-", u"material.ini"},
                  u"Zeile 2 der Tabelle auf der Standardeingabe hat 2 Felder; erwartet werden mindestens 6. Bitte die "
                  u"fehlenden Felder in der Tabelle ergänzen.",
                  "K\r\nKupfer;8,9\r\n"},
             Case{{u"--ersetzen", u"omega.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte B der Quelldatei enthält das Zeichen „Ω“, das in der Zieldatei nicht darstellbar "
                  u"ist. Bitte das Zeichen in der Tabelle ersetzen.\nZeile 2 der Quelldatei hat 2 Felder; erwartet "
                  u"werden mindestens 6. Bitte die fehlenden Felder in der Tabelle ergänzen."},
             Case{{u"--ersetzen", u"--blatt", u"materialien", u"mappe.xlsx", u"material.ini"},
                  u"Die Arbeitsmappe „mappe.xlsx“ hat kein Tabellenblatt „materialien“. Ihre Tabellenblätter: "
                  u"„Deckblatt“, „Alt“ (ausgeblendet), „Materialien“. Bitte bei --blatt einen dieser Namen angeben, "
                  u"in derselben Groß- und Kleinschreibung."},
             Case{{u"--erweitern", u"kurz.xlsx", u"material.ini"},
                  u"Tabellenblatt „Materialien“, Zeile 2 der Quelldatei hat 2 Felder; erwartet werden mindestens 6. "
                  u"Bitte die fehlenden Felder in der Tabelle ergänzen."},
             Case{{u"--ersetzen", u"--blatt", u"Materialien", u"tabelle.csv", u"material.ini"},
                  u"Die Quelldatei „tabelle.csv“ ist keine Arbeitsmappe und hat keine Tabellenblätter. Bitte --blatt "
                  u"weglassen oder eine Arbeitsmappe (.xlsx, .xlsm, .ods) angeben."},
             Case{{u"--ersetzen", u"kaputt.xlsx", u"material.ini"},
                  u"Die Arbeitsmappe „kaputt.xlsx“ ist beschädigt oder unvollständig und kann nicht gelesen werden. "
                  u"Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen und neu speichern oder eine unbeschädigte "
                  u"Kopie nehmen."},
         }) {
        console.errorLines.clear();
        console.input = c.input;
        EXPECT_EQ(run(c.arguments), 1) << testing::PrintToString(c.arguments);
        // Every problem of a table on a line of its own.
        std::vector<std::u16string> lines;
        for (std::size_t start = 0, end = 0; end != std::u16string::npos; start = end + 1) {
            end = c.message.find(u'\n', start);
            lines.push_back(u"brisel-convert: " + c.message.substr(start, end - start));
        }
        EXPECT_EQ(console.errorLines, lines) << testing::PrintToString(c.arguments);
    }
    EXPECT_TRUE(console.outputLines.empty());
    EXPECT_EQ(folder.read(u"material.ini"), "ALT");
}

TEST_F(ConsoleProgram, RefusesAWrongCallWithItsUsage) {
    folder.write(u"tabelle.csv", table);
    for (const auto& arguments : {std::vector<std::u16string>{u"--ersetzen", u"--erweitern", u"tabelle.csv", u"m.ini"},
                                  std::vector<std::u16string>{u"--erweitern", u"tabelle.csv", u"-"}}) {
        console.errorLines.clear();
        EXPECT_EQ(run(arguments), 2);
        ASSERT_EQ(console.errorLines.size(), 7u);
        EXPECT_TRUE(console.errorLines[1].starts_with(u"Aufruf: brisel-convert "));
    }
    EXPECT_FALSE(folder.exists(u"m.ini"));
    EXPECT_TRUE(console.output.empty() && console.outputLines.empty());
}

TEST_F(ConsoleProgram, ReadsStandardInputAndWritesStandardOutput) {
    console.input = table;
    EXPECT_EQ(run({u"--erweitern", u"--prefix", u"*", u"-", u"neu.ini"}), 0);
    EXPECT_EQ(folder.read(u"neu.ini"), records);
    console.outputLines.clear();
    EXPECT_EQ(run({u"--ersetzen", u"--prefix", u"*", u"-", u"-"}), 0);
    EXPECT_EQ(console.output, records);
    EXPECT_TRUE(console.outputLines.empty());
}

TEST_F(ConsoleProgram, TakesTheConfigurationWithTheCommandLineFirst) {
    struct Case {
        std::vector<std::u16string> arguments;
        std::u16string written;  // the file that gets the records; every other stays "ALT"
        char prefix;
        std::size_t rows;  // 1 from "eine.csv" or the workbook's hidden sheet, 2 from the configuration's table
                           // or the workbook's active sheet
    };
    for (const Case& c : {
             Case{{u"--konfiguration", u"rollout.conf", u"--ersetzen"}, u"Ziel ü.ini", '\xE4', 2},
             Case{{u"--konfiguration", u"rollout.conf", u"--ersetzen", u"eine.csv", u"andere.ini"}, u"andere.ini",
                  '\xE4', 1},
             Case{{u"--konfiguration", u"rollout.conf", u"--ersetzen", u"--prefix", u"+"}, u"Ziel ü.ini", '+', 2},
             Case{{u"--konfiguration", u"rollout.conf", u"--ersetzen", u"mappe.xlsx", u"andere.ini"}, u"andere.ini", '\xE4', 2},
             Case{{u"--konfiguration", u"rollout.conf", u"--blatt", u"Alt", u"--ersetzen", u"mappe.xlsx", u"andere.ini"},
                  u"andere.ini", '\xE4', 1},
         }) {
        TempFolder each;
        each.write(u"tabelle.csv", table);
        each.write(u"eine.csv", table.substr(0, table.find("Aluminium")));
        each.write(u"mappe.xlsx", workbook);
        each.write(u"Ziel ü.ini", "ALT");
        each.write(u"andere.ini", "ALT");
        each.write(u"rollout.conf", "\xEF\xBB\xBFquelle = tabelle.csv\r\nziel = Ziel \xC3\xBC.ini\r\nprefix=\xC3\xA4\r\n"
                                    "action = erweitern\r\n");
        console.outputLines.clear();
        EXPECT_EQ(run(c.arguments), 0) << testing::PrintToString(c.arguments);
        std::string expected = c.rows == 2 ? records : records.substr(0, records.find("MAT=2"));
        for (std::size_t at = expected.find('*'); at != std::string::npos; at = expected.find('*'))
            expected[at] = c.prefix;
        for (const std::u16string name : {u"Ziel ü.ini", u"andere.ini"})
            EXPECT_EQ(each.read(name), name == c.written ? expected : "ALT") << testing::PrintToString(c.arguments);
        const std::u16string count = c.rows == 2 ? u"2 Materialien" : u"1 Material";
        EXPECT_EQ(console.outputLines, std::vector<std::u16string>{count + u" nach „" + c.written + u"“ geschrieben."});
    }
}

TEST_F(ConsoleProgram, AnswersHelpAndVersionOnStandardOutput) {
    EXPECT_EQ(run({u"--version"}), 0);
    EXPECT_EQ(console.outputLines, std::vector<std::u16string>{u"brisel-convert 1.01"});
    console.outputLines.clear();
    EXPECT_EQ(run({u"--help"}), 0);
    const std::vector<std::u16string> help = console.outputLines;
    EXPECT_GT(help.size(), 10u);
    for (const std::u16string& line : help)
        EXPECT_LE(line.size(), 79u) << testing::PrintToString(line);  // a terminal of 80 columns
    console.outputLines.clear();
    EXPECT_EQ(run({u"--hilfe"}), 0);
    EXPECT_EQ(console.outputLines, help);
    EXPECT_TRUE(console.errorLines.empty());
}

}  // namespace
}  // namespace brisel
