// brisel-convert as a script runs it: arguments in; exit status, streams and file bytes out.
#include "app/console/console_program.h"

#include "app/edge_cases.h"
#include "app/messages.h"
#include "hand_made_workbook.h"
#include "platform/console.h"
#include "temp_folder.h"
#include "workbook_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include "unprivileged.h"

#include <sys/stat.h>
#endif

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
    bool readInput(const std::function<bool(std::string_view piece)>& take) override {
        return !broken && take(input);
    }
    bool writeOutput(std::string_view bytes) override {
        output += bytes;
        return !broken;
    }
    void printLine(StandardStream stream, std::u16string_view text) override {
        (stream == StandardStream::output ? outputLines : errorLines).emplace_back(text);
    }

    std::string input;
    bool broken = false;  // standard input and output fail, as a closed or a full one does
    std::string output;   // bytes written as they are
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
    EXPECT_EQ(console.outputLines, std::vector<std::u16string>{u"2 Materialien in „material.ini“ geschrieben."});
    EXPECT_TRUE(console.errorLines.empty());
    EXPECT_EQ(run({u"--erweitern", u"--prefix=*", u"Tabelle ä.csv", u"material.ini"}), 0);
    EXPECT_EQ(folder.read(u"material.ini"), records + records);
    EXPECT_EQ(console.outputLines.back(), u"2 Materialien an „material.ini“ angehängt.");
    console.outputLines.pop_back();
    EXPECT_EQ(run({u"--pruefen", u"Tabelle ä.csv"}), 0);
    EXPECT_EQ(console.outputLines.back(), u"Die Quelldatei „Tabelle ä.csv“ hat keine Probleme und enthält 2 Materialien.");
    console.input = table;
    EXPECT_EQ(run({u"--pruefen", u"-"}), 0);
    EXPECT_EQ(console.outputLines.back(), u"Die Tabelle auf der Standardeingabe hat keine Probleme und enthält 2 Materialien.");
    EXPECT_EQ(run({u"-q", u"--pruefen", u"Tabelle ä.csv"}), 0);
    EXPECT_EQ(console.outputLines.size(), 3u);
    console.outputLines.resize(1);
    EXPECT_TRUE(console.errorLines.empty());
    // An "ersetzen" that a crash stopped between its two steps on Windows, after
    // which another file took the name: the old content is kept beside it, and named.
    folder.write(u"material.ini.~brisel-backup99999999999-2-0", "ALT");
    EXPECT_EQ(run({u"-q", u"--erweitern", u"--prefix=*", u"Tabelle ä.csv", u"material.ini"}), 0);
    EXPECT_EQ(folder.read(u"material.ini"), records + records + records);
    EXPECT_EQ(console.errorLines,
              std::vector<std::u16string>{u"brisel-convert: Hinweis: Neben der Zieldatei „material.ini“ liegt noch "
                                          u"„material.ini.~brisel-backup99999999999-2-0“ mit dem Inhalt, den die "
                                          u"Zieldatei vor einer unterbrochenen Konvertierung hatte. Bitte prüfen, ob "
                                          u"dieser Inhalt noch gebraucht wird, und „material.ini.~brisel-backup99999999999-2-0“ "
                                          u"danach löschen."});
    EXPECT_EQ(folder.read(u"material.ini.~brisel-backup99999999999-2-0"), "ALT");
#ifndef _WIN32
    // A name with line breaks or an escape sequence in it still gives one line, and changes
    // nothing on the terminal, as a failure's message does.
    EXPECT_EQ(run({u"--ersetzen", u"Tabelle ä.csv", u"neue\nZeile\r\n.ini"}), 0);
    EXPECT_EQ(console.outputLines.back(), u"2 Materialien in „neue\\x0AZeile\\x0D\\x0A.ini“ geschrieben.");
    EXPECT_EQ(run({u"--ersetzen", u"Tabelle ä.csv", u"\x1B[2Jrot.ini"}), 0);
    EXPECT_EQ(console.outputLines.back(), u"2 Materialien in „\\x1B[2Jrot.ini“ geschrieben.");
#endif
}

// A failed check or conversion: status 1, the window's message as one line, nothing written.
TEST_F(ConsoleProgram, ReportsAFailureOnStandardErrorAndWritesNothing) {
    struct Case {
        std::vector<std::u16string> arguments;
        std::u16string message;
        std::string input = "\xFF\xFEN";  // standard input: a table saved as UTF-16
        bool broken = false;              // standard input and output fail
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
    folder.write(u"binär.xlsb", binaryWorkbook);
    folder.write(u"mappe.xlsx", workbook);
    folder.makeFolder(u"Ordner");
#ifdef _WIN32
    const std::u16string hidden = folder.write(u"versteckt.csv", table);
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(hidden.c_str()), FILE_ATTRIBUTE_HIDDEN));
    const std::u16string system = folder.write(u"system.csv", table);
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(system.c_str()), FILE_ATTRIBUTE_SYSTEM));
#else
    folder.write(u".versteckt.csv", table);
    ASSERT_EQ(::mkfifo(folder.file(u"pipe.csv").c_str(), 0666), 0);
#endif
    folder.write(u"kurz.xlsx", xlsxOfSheets({{"Deckblatt", ""}, {"Materialien", xlsxRow({"t:Kupfer", "8.9"})}},
                                            "<bookViews><workbookView activeTab='1'/></bookViews>"));
    folder.write(u"deckblatt.xlsx", xlsxOfSheets({{"Deckblatt", ""}, {"Materialien", steel}}));
    for (const Case& c : {
             Case{{u"--ersetzen", u"fehlt.csv", u"material.ini"},
                  u"Die Quelldatei „fehlt.csv“ existiert nicht. Bitte den Pfad prüfen."},
             Case{{u"--ersetzen", u"fehlt\xDCE4.csv", u"material.ini"},
                  u"Die Quelldatei „fehlt\\xE4.csv“ existiert nicht. Bitte den Pfad prüfen."},
             Case{{u"--ersetzen", u"Ordner", u"material.ini"},
                  u"Die Quelldatei „Ordner“ ist ein Ordner. Bitte den Pfad einer Tabelle angeben."},
#ifdef _WIN32
             Case{{u"--ersetzen", u"versteckt.csv", u"material.ini"},
                  u"Die Quelldatei „versteckt.csv“ ist als versteckte Datei oder als Systemdatei gekennzeichnet, und "
                  u"solche Dateien liest brisel nicht. Bitte die Kennzeichen mit dem Befehl „attrib -h -s "
                  u"\"versteckt.csv\"“ entfernen (eine nur versteckte Datei auch im Explorer: unter Eigenschaften der "
                  u"Datei das Häkchen bei „Versteckt“ entfernen) oder die Tabelle mit QUELLE „-“ über die "
                  u"Standardeingabe übergeben."},
             // Explorer has no box for "System": the command takes that mark off too.
             Case{{u"--ersetzen", u"system.csv", u"material.ini"},
                  u"Die Quelldatei „system.csv“ ist als versteckte Datei oder als Systemdatei gekennzeichnet, und "
                  u"solche Dateien liest brisel nicht. Bitte die Kennzeichen mit dem Befehl „attrib -h -s "
                  u"\"system.csv\"“ entfernen (eine nur versteckte Datei auch im Explorer: unter Eigenschaften der "
                  u"Datei das Häkchen bei „Versteckt“ entfernen) oder die Tabelle mit QUELLE „-“ über die "
                  u"Standardeingabe übergeben."},
#else
             Case{{u"--ersetzen", u".versteckt.csv", u"material.ini"},
                  u"Die Quelldatei „.versteckt.csv“ ist versteckt (ihr Name beginnt mit einem Punkt), und versteckte "
                  u"Dateien liest brisel nicht. Bitte die Datei so umbenennen, dass ihr Name nicht mit einem Punkt "
                  u"beginnt, oder die Tabelle mit QUELLE „-“ über die Standardeingabe übergeben."},
             Case{{u"--ersetzen", u"pipe.csv", u"material.ini"},
                  u"Die Quelldatei „pipe.csv“ ist keine normale Datei (z.\u00A0B. ein Gerät oder eine Pipe). Bitte den "
                  u"Pfad einer Tabelle angeben oder die Tabelle mit QUELLE „-“ über die Standardeingabe übergeben."},
             // Paths as a brisel.conf copied from Windows gives them.
             Case{{u"--ersetzen", u"tabelle.csv", u"\\\\server\\cad\\material.ini"},
                  u"Der Pfad der Zieldatei „\\\\server\\cad\\material.ini“ ist ein Windows-Pfad und bezeichnet auf "
                  u"diesem System keine Datei. Bitte den Pfad angeben, unter dem die Datei hier zu erreichen ist, "
                  u"z.\u00A0B. einen Pfad im Ordner, in dem das Windows-Laufwerk oder die Freigabe eingebunden ist "
                  u"(etwa unter /mnt)."},
             Case{{u"--ersetzen", u"I:/cad/tabelle.csv", u"material.ini"},
                  u"Der Pfad der Quelldatei „I:/cad/tabelle.csv“ ist ein Windows-Pfad und bezeichnet auf diesem "
                  u"System keine Datei. Bitte den Pfad angeben, unter dem die Datei hier zu erreichen ist, z.\u00A0B. "
                  u"einen Pfad im Ordner, in dem das Windows-Laufwerk oder die Freigabe eingebunden ist (etwa unter "
                  u"/mnt)."},
#endif
#ifndef _WIN32
             Case{{u"--ersetzen", u"tabelle.csv", u"material\xD800.ini"},
                  u"Der Pfad der Zieldatei „material\\uD800.ini“ enthält ein Zeichen, das in keinem Dateinamen stehen "
                  u"kann. Bitte den Pfad prüfen."},
#endif
             Case{{u"--erweitern", u"kurz.csv", u"material.ini"},
                  u"Zeile 2 der Quelldatei hat 2 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                  u"der Tabelle ergänzen."},
             Case{{u"--pruefen", u"kurz.csv"},
                  u"Zeile 2 der Quelldatei hat 2 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                  u"der Tabelle ergänzen."},
             Case{{u"--konfiguration", u"brisel.conf"},
                  u"In „brisel.conf“ ist keine Quelldatei angegeben. Bitte QUELLE und ZIEL angeben oder in "
                  u"„brisel.conf“ die Zeile „quelle = …“ eintragen."},
             Case{{u"--pruefen", u"--konfiguration", u"brisel.conf"},
                  u"In „brisel.conf“ ist keine Quelldatei angegeben. Bitte QUELLE angeben oder in „brisel.conf“ die "
                  u"Zeile „quelle = …“ eintragen."},
             Case{{u"--konfiguration", u"fehlt.conf", u"tabelle.csv", u"material.ini"},
                  u"Die Konfigurationsdatei „fehlt.conf“ wurde nicht gefunden. Bitte den Pfad prüfen."},
             Case{{u"--konfiguration", u"Ordner", u"tabelle.csv", u"material.ini"},
                  u"Die Konfigurationsdatei „Ordner“ ist ein Ordner. Bitte den Pfad einer Datei angeben, z.\u00A0B. "
                  u"mit „brisel.conf“ am Ende."},
             Case{{u"--erweitern", u"tabelle.csv", u""},
                  u"ZIEL ist leer. Bitte den Pfad der material.ini angeben oder „-“ für die Standardausgabe (nur mit "
                  u"--ersetzen)."},
             Case{{u"--ersetzen", u"fehlerwert.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte C der Quelldatei enthält den Fehlerwert „#WERT!“. Bitte die Formel oder den Wert "
                  u"in der Zelle korrigieren.\nZeile 2 der Quelldatei hat Werte nur bis Spalte C; erwartet werden "
                  u"mindestens 6 Spalten (bis F). Bitte die fehlenden Werte in der Tabelle ergänzen."},
             Case{{u"--erweitern", u"umbruch.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte B der Quelldatei enthält einen Zeilenumbruch. Ein Material muss in einer Zeile "
                  u"stehen. Bitte den Zeilenumbruch in der Zelle entfernen.\nZeile 2 der Quelldatei hat Werte nur bis "
                  u"Spalte B; erwartet werden mindestens 6 Spalten (bis F). Bitte die fehlenden Werte in der Tabelle "
                  u"ergänzen."},
             Case{{u"--ersetzen", u"alt.xls", u"material.ini"},
                  u"Die Quelldatei „alt.xls“ ist eine Datei in einem alten Office-Format (z.\u00A0B. eine "
                  u"Excel-Arbeitsmappe .xls oder ein Word-Dokument .doc) oder eine kennwortgeschützte Arbeitsmappe. "
                  u"Bitte die Materialtabelle in Excel als „Excel-Arbeitsmappe (*.xlsx)“, in LibreOffice als "
                  u"„ODF-Tabellendokument (.ods)“ oder als CSV speichern, und zwar ohne Kennwort."},
             Case{{u"--ersetzen", u"binär.xlsb", u"material.ini"},
                  u"Die Quelldatei „binär.xlsb“ ist keine Arbeitsmappe, die brisel lesen kann (z.\u00A0B. eine "
                  u"Excel-Binärarbeitsmappe oder ein Word-Dokument). Gelesen werden Excel-Arbeitsmappen (.xlsx, "
                  u".xlsm), LibreOffice-Tabellen (.ods) und CSV-Dateien. Bitte die Tabelle in Excel als "
                  u"„Excel-Arbeitsmappe (*.xlsx)“ oder als CSV speichern."},
             Case{{u"--ersetzen", u"-", u"material.ini"},
                  u"Die Tabelle auf der Standardeingabe ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle "
                  u"in Excel als „CSV (Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen getrennt) "
                  u"(*.csv)“ speichern."},
             Case{{u"--erweitern", u"-", u"material.ini"},
                  u"Zeile 2 der Tabelle auf der Standardeingabe hat 2 Felder; erwartet werden mindestens 6. Bitte die "
                  u"fehlenden Felder in der Tabelle ergänzen.",
                  "K\r\nKupfer;8,9\r\n"},
             Case{{u"--ersetzen", u"-", u"material.ini"},
                  u"Zeile 2, Feld 1 der Tabelle auf der Standardeingabe enthält Bytes, die kein gültiges UTF-8 sind, "
                  u"obwohl die Tabelle als UTF-8 gekennzeichnet ist. Bitte die Tabelle in Excel oder LibreOffice "
                  u"öffnen, die Stelle prüfen und neu speichern, in Excel als „CSV UTF-8 (durch Trennzeichen "
                  u"getrennt) (*.csv)“.",
                  "\xEF\xBB\xBFK\r\nSt\xE4hl;7,85;1;31;45;2,5\r\n"},
             Case{{u"--ersetzen", u"-", u"material.ini"},
                  u"Die Standardeingabe kann nicht gelesen werden. Bitte prüfen, was auf die Standardeingabe "
                  u"umgeleitet ist (z.\u00A0B. „< tabelle.csv“), oder den Pfad der Tabelle als QUELLE angeben.",
                  "", true},
             Case{{u"--ersetzen", u"tabelle.csv", u"-"},
                  u"Auf die Standardausgabe kann nicht geschrieben werden; die Datensätze dort sind unvollständig. "
                  u"Bitte prüfen, wohin die Standardausgabe umgeleitet ist (bei einer Datei den freien Speicherplatz, "
                  u"bei einer Pipe das lesende Programm), oder die material.ini als ZIEL angeben.",
                  "", true},
             Case{{u"--ersetzen", u"omega.xlsx", u"-"},
                  u"Zeile 2, Spalte B der Quelldatei enthält das Zeichen „Ω“, das in den Datensätzen nicht "
                  u"darstellbar ist. Bitte das Zeichen in der Tabelle ersetzen.\nZeile 2 der Quelldatei hat Werte nur "
                  u"bis Spalte B; erwartet werden mindestens 6 Spalten (bis F). Bitte die fehlenden Werte in der "
                  u"Tabelle ergänzen."},
             Case{{u"--pruefen", u"--prefix", u"\u03A9", u"tabelle.csv"},
                  u"Das Präfix (--prefix) enthält das Zeichen „Ω“, das in den Datensätzen nicht darstellbar ist. Bitte "
                  u"das Zeichen im Präfix ersetzen."},
             Case{{u"--ersetzen", u"omega.xlsx", u"material.ini"},
                  u"Zeile 2, Spalte B der Quelldatei enthält das Zeichen „Ω“, das in der Zieldatei nicht darstellbar "
                  u"ist. Bitte das Zeichen in der Tabelle ersetzen.\nZeile 2 der Quelldatei hat Werte nur bis Spalte B; "
                  u"erwartet werden mindestens 6 Spalten (bis F). Bitte die fehlenden Werte in der Tabelle ergänzen."},
             // A cover sheet left in front: no material there, and another sheet holds them.
             Case{{u"--ersetzen", u"deckblatt.xlsx", u"material.ini"},
                  u"Das Tabellenblatt „Deckblatt“ der Arbeitsmappe „deckblatt.xlsx“ enthält keine Materialien; es "
                  u"wurde nichts geschrieben. Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen, das "
                  u"Tabellenblatt der Materialien anklicken und die Arbeitsmappe speichern oder es mit --blatt "
                  u"angeben."},
             Case{{u"--ersetzen", u"--blatt", u"Deckblatt", u"deckblatt.xlsx", u"material.ini"},
                  u"Das Tabellenblatt „Deckblatt“ der Arbeitsmappe „deckblatt.xlsx“ enthält keine Materialien; es "
                  u"wurde nichts geschrieben. Bitte bei --blatt das Tabellenblatt der Materialien angeben."},
             Case{{u"--ersetzen", u"--blatt", u"materialien", u"mappe.xlsx", u"material.ini"},
                  u"Die Arbeitsmappe „mappe.xlsx“ hat kein Tabellenblatt „materialien“. Ihre Tabellenblätter: "
                  u"„Deckblatt“, „Alt“ (ausgeblendet), „Materialien“. Bitte bei --blatt einen dieser Namen angeben, "
                  u"in derselben Groß- und Kleinschreibung."},
             Case{{u"--erweitern", u"kurz.xlsx", u"material.ini"},
                  u"Tabellenblatt „Materialien“, Zeile 2 der Quelldatei hat Werte nur bis Spalte B; erwartet werden "
                  u"mindestens 6 Spalten (bis F). Bitte die fehlenden Werte in der Tabelle ergänzen."},
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
        console.broken = c.broken;
        EXPECT_EQ(run(c.arguments), 1) << testing::PrintToString(c.arguments);
        // Every problem of a table on a line of its own.
        std::vector<std::u16string> lines;
        for (std::size_t start = 0, end = 0; end != std::u16string::npos; start = end + 1) {
            end = c.message.find(u'\n', start);
            lines.push_back(u"brisel-convert: " + c.message.substr(start, end - start));
        }
        EXPECT_EQ(console.errorLines, lines) << testing::PrintToString(c.arguments);
    }
#ifndef _WIN32
    // A table in a folder that may not be entered is there, for all one can tell.
    folder.makeFolder(u"privat");
    folder.write(u"privat/tabelle.csv", table);
    folder.permit(u"privat", std::filesystem::perms::none);
    EXPECT_TRUE(asOrdinaryUser([&] {
        console.errorLines.clear();
        return run({u"--ersetzen", u"privat/tabelle.csv", u"material.ini"}) == 1 &&
               console.errorLines ==
                   std::vector<std::u16string>{u"brisel-convert: Die Quelldatei „privat/tabelle.csv“ kann nicht gelesen "
                                               u"werden, denn ein Ordner in ihrem Pfad darf nicht geöffnet werden. Das "
                                               u"Recht dazu kann der Eigentümer des Ordners oder ein Administrator "
                                               u"geben."};
    }));
    folder.permit(u"privat", std::filesystem::perms::all);
#endif
    EXPECT_TRUE(console.outputLines.empty());
    EXPECT_EQ(folder.read(u"material.ini"), "ALT");
}

// Every case of edge_cases.h through brisel-convert: "Konvertieren" as its options and
// operands (without a write mode, with a --konfiguration that names none), "Standardwerte"
// as --konfiguration brisel.conf alone.
class EdgeCasesOnTheConsole : public ConsoleProgram, public testing::WithParamInterface<EdgeCase> {};

TEST_P(EdgeCasesOnTheConsole, ThroughBriselConvert) {
    const EdgeCase& row = GetParam();
    layFiles(row, folder);
    std::vector<std::u16string> arguments;
    std::u16string destination = row.destination;
    std::optional<std::string> before = row.before;
    std::optional<std::string> after = row.box ? row.before : row.after;
    std::u16string failure = !row.console.empty() ? row.console : row.box ? row.box->text : u"";
    Files files;
    if (row.button == Button::konvertieren) {
        if (row.mode == -1)
            arguments = {u"--konfiguration", u"leer.conf"};
        else
            arguments = {row.mode == 0 ? u"--ersetzen" : u"--erweitern"};
        if (!row.prefix.empty())
            arguments.insert(arguments.end(), {u"--prefix", row.prefix});
        arguments.insert(arguments.end(), {u"--", row.source, row.destination});
        if (row.mode == -1)
            folder.write(u"leer.conf", "");
        files = filesAfter(row);
        files.emplace_back(u"leer.conf", row.mode == -1 ? std::optional<std::string>("") : std::nullopt);
    } else {
        // A table of one row where the source leads, and, where the settings are complete, a
        // material.ini where the destination leads; else the first setting missing is named.
        arguments = {u"--konfiguration", u"brisel.conf"};
        const std::u16string source = row.sets.source.value_or(u"");
        destination = row.sets.destination.value_or(u"");
        std::optional<std::string> table;
        if (!source.empty()) {
            table = "K\r\nStahl;7,85;1;31;45;2,5\r\n";
            folder.write(source, *table);
        }
        const std::u16string file = u"„brisel.conf“";
        if (!failure.empty()) {
        } else if (source.empty()) {
            failure = u"In " + file + u" ist keine Quelldatei angegeben. Bitte QUELLE und ZIEL angeben oder in " + file +
                      u" die Zeile „quelle = …“ eintragen.";
        } else if (destination.empty()) {
            failure = u"In " + file + u" ist keine Zieldatei angegeben. Bitte QUELLE und ZIEL angeben oder in " + file +
                      u" die Zeile „ziel = …“ eintragen.";
        } else if (row.sets.option.value_or(-1) == -1) {
            failure = u"Bitte --ersetzen oder --erweitern angeben oder in " + file +
                      u" die Zeile „action = ersetzen“ oder „action = erweitern“ eintragen (kleingeschrieben).";
        }
        before = after = std::nullopt;
        if (failure.empty()) {
            before = "ALT\r\n";
            folder.write(destination, *before);
            std::string prefix;  // the rows' prefixes are Latin-1, which Windows-1252 writes byte for byte
            for (const char16_t c : row.sets.prefix.value_or(u""))
                prefix += static_cast<char>(c);
            after = (row.sets.option == 1 ? *before : "") + "MAT=1," + prefix +
                    "Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
        }
        files = {{u"brisel.conf", row.conf}, {source, table}, {destination, after}};
    }

    const int status = run(arguments);
    if (failure.empty()) {
        EXPECT_EQ(status, 0);
        EXPECT_EQ(console.errorLines, std::vector<std::u16string>{});
        const auto records = [](const std::optional<std::string>& bytes) {
            std::size_t count = 0;
            for (std::size_t at = bytes ? bytes->find("-KG_P_L=") : std::string::npos; at != std::string::npos;
                 at = bytes->find("-KG_P_L=", at + 1))
                ++count;
            return count;
        };
        const std::size_t written = records(after) - records(before);
        const std::u16string materials = written == 1 ? u"1 Material" : number(written) + u" Materialien";
        const bool appended = arguments.end() != std::find(arguments.begin(), arguments.end(), u"--erweitern") ||
                              row.sets.option == 1;
        EXPECT_EQ(console.outputLines,
                  std::vector<std::u16string>{materials + (appended ? u" an " : u" in ") + quotedPath(destination) +
                                              (appended ? u" angehängt." : u" geschrieben.")});
    } else {
        EXPECT_EQ(status, 1);
        std::vector<std::u16string> lines;
        for (std::size_t start = 0, end = 0; end != std::u16string::npos; start = end + 1) {
            end = failure.find(u'\n', start);
            lines.push_back(u"brisel-convert: " + failure.substr(start, end - start));
        }
        EXPECT_EQ(console.errorLines, lines);
        EXPECT_EQ(console.outputLines, std::vector<std::u16string>{});
    }
    expectFiles(folder, files);
}

INSTANTIATE_TEST_SUITE_P(Rows, EdgeCasesOnTheConsole, testing::ValuesIn(edgeCases()), edgeCaseName);

TEST_F(ConsoleProgram, RefusesAWrongCallWithItsUsage) {
    folder.write(u"tabelle.csv", table);
    for (const auto& arguments : {std::vector<std::u16string>{u"--ersetzen", u"--erweitern", u"tabelle.csv", u"m.ini"},
                                  std::vector<std::u16string>{u"--erweitern", u"tabelle.csv", u"-"}}) {
        console.errorLines.clear();
        EXPECT_EQ(run(arguments), 2);
        ASSERT_EQ(console.errorLines.size(), 9u);
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
        EXPECT_EQ(console.outputLines, std::vector<std::u16string>{count + u" in „" + c.written + u"“ geschrieben."});
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
