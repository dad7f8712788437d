// The cases a user meets, one row each, in the system's own words: the inputs, the files
// before, and what the user gets (the box, the inputs, every file's bytes). The same rows
// run through every door: the window's commands over a plain form, brisel-convert, the Qt
// window and the Windows window, so that a fix in one layer cannot break a case unnoticed.
#pragma once

#include "app/messages.h"
#include "config/default_config.h"

#include "fake_desktop.h"
#include "fake_form.h"
#include "temp_folder.h"
#include "workbook_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace brisel {

enum class Button { konvertieren, standardwerte };

// What a brisel.conf sets; nothing where it leaves the input as it was.
struct Settings {
    std::optional<std::u16string> source{}, destination{}, prefix{};
    std::optional<int> option{};  // -1: neither
};

struct EdgeCase {
    const char* name;
    Button button = Button::konvertieren;

    // "Konvertieren": the four inputs, and the files under the two paths before the click.
    // Every case has a folder "Ordner" beside it.
    std::u16string source = u"tabelle.csv";
    std::optional<std::string> table{};  // the bytes under `source`; nothing: no such file
    std::u16string destination = u"material.ini";
    std::optional<std::string> before{};  // the bytes under `destination`; nothing: no such file
    std::u16string prefix = u"*";
    int mode = -1;  // 0 "ersetzen", 1 "erweitern", -1 neither

    // "Standardwerte": brisel.conf in the working folder (nothing: none), its marks on
    // Windows, the answer to "Wollen Sie die Datei anpassen?", and what the file sets. The
    // window shows other inputs before (inputsBefore); brisel-convert --konfiguration
    // converts with the settings alone, a table and a material.ini laid where they lead.
    std::optional<std::string> conf{};
    unsigned long marks = 0;
    Answer answer = Answer::no;
    Settings sets{};

    // What comes of it: the destination's bytes (nothing: no such file; after a box, the
    // bytes before), and the window's one box: nothing for "Konvertieren" is the success
    // box, for "Standardwerte" no box at all.
    std::optional<std::string> after{};
    std::optional<ShownMessage> box{};
    // brisel-convert's lines on standard error where they are not the box's text, one line
    // for each "\n".
    std::u16string console{};
};

inline void PrintTo(const EdgeCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::vector<EdgeCase> edgeCases() {
    const std::string header = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n";
    const std::string steel = "Stahl;7,85;1;31;45;2,5\r\n";
    const std::string aluminium = "Aluminium;2,7;2;32;0;1\r\n";
    const std::string table = header + steel + aluminium;
    const std::string steelRecord = "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
    const std::string records = steelRecord + "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n";
    // One row whose name is an umlaut: in a material.ini of each encoding, as that file has it.
    const std::string march = "Name\r\nM\xE4rz;7,85;1;31;45;2,5\r\n";
    const std::string ansiMarch = "MAT=1,*M\xE4rz\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
    const std::string utf8March = "MAT=1,*M\xC3\xA4rz\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
    // The table of tests/fixtures/workbooks/tabelle.csv, as its workbooks hold it on the tab
    // that was open when they were saved, after a cover sheet and a hidden one.
    const std::string sheetRecords =
        "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
        "MAT=2,*Edelstahl 1.4301\r\n-XHATCH=31, 45, 2\r\n-KG_P_L=7.9\r\n"
        "MAT=3,*Aluminium eloxiert\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n"
        "MAT=4,*  Kupfer mit Blanks  \r\n-XHATCH=33, 90, 0,3\r\n-KG_P_L=8.96\r\n"
        "MAT=5,*Messing \xC4\xD6\xDC\xDF\r\n-XHATCH=34, 45, 10000000000000000\r\n-KG_P_L=-0.5\r\n"
        "MAT=6,*Glas\r\n-XHATCH=35, 0, 1\r\n-KG_P_L=2.5\r\n";

    const ShownMessage noSource = errorBox(u"Bitte Quelldatei auswählen", u"Fehlende Eingabe");
    const ShownMessage missingSource = errorBox(u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe");
    const ShownMessage noDestination = errorBox(u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe");
    const ShownMessage noMode = errorBox(u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe");
    const std::u16string sourceEmpty = u"QUELLE ist leer. Bitte den Pfad der Tabelle angeben oder „-“ für die Standardeingabe.";
    const std::u16string destinationEmpty =
        u"ZIEL ist leer. Bitte den Pfad der material.ini angeben oder „-“ für die Standardausgabe (nur mit --ersetzen).";
    const auto noSuchSource = [](std::u16string_view name) {
        return u"Die Quelldatei „" + std::u16string(name) + u"“ existiert nicht. Bitte den Pfad prüfen.";
    };
    const ShownMessage notFound{ShownMessage::Kind::yesNo,
                                u"Konfigurationsdatei brisel.conf nicht gefunden.\r\nLeere Datei wurde erstellt.\r\n"
                                u"Wollen Sie die Datei anpassen?",
                                u"Konfiguration nicht gefunden"};
    const std::u16string confNotFound = u"Die Konfigurationsdatei „brisel.conf“ wurde nicht gefunden. Bitte den Pfad prüfen.";
    const Settings defaults{u"konvertierungsblatt.csv", u"material.ini", u"*", 0};
    std::string defaultsWithLineFeeds(defaultConfigText());
    std::erase(defaultsWithLineFeeds, '\r');

    // A table of eleven short rows: the box names the first ten under a line that names the
    // file, and counts the rest; brisel-convert gives each its line.
    std::string shortRows = "K\r\n";
    std::u16string shortRowsBox = u"Die Quelldatei „tabelle.csv“ enthält 11 Probleme; es wurde nichts geschrieben.";
    std::u16string shortRowsLines;
    for (int line = 2; line < 13; ++line) {
        const std::u16string row = u"Zeile " + utf16FromUtf8(std::to_string(line));
        const std::u16string problem = u" hat 2 Felder; erwartet werden mindestens 6.";
        shortRows += "a;1\r\n";
        if (line < 12)
            shortRowsBox += u"\r\n" + row + problem;
        shortRowsLines += (line == 2 ? u"" : u"\n") + row + u" der Quelldatei" + problem +
                          u" Bitte die fehlenden Felder in der Tabelle ergänzen.";
    }
    shortRowsBox += u"\r\n… und 1 weiteres Problem.\r\nBitte die fehlenden Felder in der Tabelle ergänzen.";
    // A workbook that a script wrote with formulas, which no spreadsheet has calculated yet:
    // each one named, with the row of formulas alone, which does not end the table.
    std::u16string formulasBox =
        u"Die Quelldatei „Materialien.xlsx“ enthält 9 Probleme; es wurde nichts geschrieben.";
    std::u16string formulasLines;
    for (const char16_t* cell : {u"3, Spalte B", u"3, Spalte E", u"3, Spalte F", u"4, Spalte A", u"4, Spalte B",
                                 u"4, Spalte C", u"4, Spalte D", u"4, Spalte E", u"4, Spalte F"}) {
        const std::u16string place = u"Zeile " + std::u16string(cell);
        const std::u16string_view problem = u" enthält eine Formel ohne gespeichertes Ergebnis.";
        formulasBox += u"\r\n" + place + std::u16string(problem);
        formulasLines += (formulasLines.empty() ? u"" : u"\n") + place + u" der Quelldatei" + std::u16string(problem) +
                         u" Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen und speichern, damit das Ergebnis "
                         u"der Formel gespeichert wird.";
    }
    formulasBox += u"\r\nBitte die Arbeitsmappe in Excel oder LibreOffice öffnen und speichern, damit die Ergebnisse der "
                   u"Formeln gespeichert werden.";
    const ShownMessage tooFewFields =
        errorBox(u"Zeile 4 der Quelldatei hat 4 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                 u"der Tabelle ergänzen.",
                 u"Fehler");
    const ShownMessage utf16Destination =
        errorBox(u"Die Zieldatei „material.ini“ ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert "
                 u"werden. Bitte die Datei im Editor als ANSI oder UTF-8 speichern.",
                 u"Fehler");

    return {
        // The inputs, checked in the window's order: the first one missing is the only box.
        {.name = "AClickRightAfterStartUpAsksOnlyForTheSource", .source = u"", .destination = u"", .prefix = u"",
         .box = noSource, .console = sourceEmpty},
        {.name = "NoSourceButEveryOtherInputAsksForTheSource", .source = u"", .mode = 0, .box = noSource,
         .console = sourceEmpty},
        {.name = "ASourceThatNamesNoFileStopsBeforeTheEmptyDestination", .source = u"fehlt.csv", .destination = u"",
         .box = missingSource, .console = noSuchSource(u"fehlt.csv")},
        {.name = "ASourceOfBlanksIsGivenButNamesNoFile", .source = u"   ", .mode = 0, .box = missingSource,
         .console = noSuchSource(u"   ")},
        {.name = "ASourceThatNamesAFolderNamesNoFile", .source = u"Ordner", .mode = 1, .box = missingSource,
         .console = u"Die Quelldatei „Ordner“ ist ein Ordner. Bitte den Pfad einer Tabelle angeben."},
        {.name = "AnExistingSourceWithoutDestinationAsksForIt", .table = table, .destination = u"",
         .box = noDestination, .console = destinationEmpty},
        {.name = "AnExistingSourceWithoutDestinationAsksForItWithAModeChosenToo", .table = table, .destination = u"",
         .mode = 0, .box = noDestination, .console = destinationEmpty},
        {.name = "NoWriteModeChosenAsksForOne", .table = table, .before = "ALT", .box = noMode,
         .console = u"Bitte --ersetzen oder --erweitern angeben oder in „leer.conf“ die Zeile „action = ersetzen“ "
                    u"oder „action = erweitern“ eintragen (kleingeschrieben)."},

        // The records, and the write modes.
        {.name = "ErsetzenWritesTwoRowsAsSixLinesInTheirOrder", .table = table, .before = "ALT\r\n", .mode = 0,
         .after = records},
        {.name = "ErweiternAppendsTheRecordsAfterTheLastLineBreak", .table = table, .before = "ALT\r\n", .mode = 1,
         .after = "ALT\r\n" + records},
        {.name = "ErsetzenCreatesAMissingDestination", .table = table, .mode = 0, .after = records},
        {.name = "ErweiternCreatesAMissingDestination", .table = table, .mode = 1, .after = records},
        {.name = "AnEmptyLineAfterSomeRowsEndsTheTable", .table = header + steel + "\r\n" + aluminium, .mode = 0,
         .after = steelRecord},
        {.name = "EmptyLinesAtTheEndChangeNothing", .table = table + "\r\n\r\n", .mode = 0, .after = records},
        {.name = "ALastRowWithoutALineEndIsConverted", .table = header + steel + "Aluminium;2,7;2;32;0;1", .mode = 0,
         .after = records},
        {.name = "OnlyTheFirstCommaOfTheDensityBecomesAPoint", .table = header + "Stahl;1,234,5;1;31;45;2,5\r\n",
         .mode = 0, .after = "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=1.234,5\r\n"},
        {.name = "ACommaInAnyOtherFieldStays", .table = header + "St,ahl;7,85;1,5;31,1;45,2;2,5\r\n", .mode = 0,
         .after = "MAT=1,5,*St,ahl\r\n-XHATCH=31,1, 45,2, 2,5\r\n-KG_P_L=7.85\r\n"},
        {.name = "FieldsBeyondTheSixthAreIgnored", .table = header + "Stahl;7,85;1;31;45;2,5;Baustahl;;x\r\n",
         .mode = 0, .after = steelRecord},
        {.name = "BlanksBeforeFieldsStay", .table = header + " Stahl; 7,85; 1; 31; 45; 2,5\r\n", .mode = 0,
         .after = "MAT= 1,* Stahl\r\n-XHATCH= 31,  45,  2,5\r\n-KG_P_L= 7.85\r\n"},
        {.name = "AnEmptyPrefixGivesTheNameAlone", .table = header + steel, .prefix = u"", .mode = 0,
         .after = "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        {.name = "APrefixOfUmlautsIsWrittenInTheAnsiCodePage", .table = header + steel, .prefix = u"Ä€ ", .mode = 1,
         .after = "MAT=1,\xC4\x80 Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        {.name = "TheHeaderLineIsNeverInterpreted", .table = steel + aluminium, .mode = 0,
         .after = "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n"},
        {.name = "SourceAndDestinationTheSameFileHoldOnlyTheRecordsAfterErsetzen", .table = table,
         .destination = u"tabelle.csv", .mode = 0, .after = records},
        {.name = "ARowWithTooFewFieldsIsNamedAndNothingWrittenWithErsetzen", .table = table + "Kupfer;8,9;3;33\r\n",
         .before = "ALT", .mode = 0, .box = tooFewFields},
        {.name = "ARowWithTooFewFieldsIsNamedAndNothingWrittenWithErweitern", .table = table + "Kupfer;8,9;3;33\r\n",
         .before = "ALT", .mode = 1, .box = tooFewFields},
        {.name = "ATableWithSeveralProblemsNamesTheFirstTenAndCountsTheRestWithErsetzen", .table = shortRows,
         .before = "ALT", .mode = 0, .box = errorBox(shortRowsBox, u"Fehler"), .console = shortRowsLines},
        {.name = "ATableWithSeveralProblemsNamesTheFirstTenAndCountsTheRestWithErweitern", .table = shortRows,
         .before = "ALT", .mode = 1, .box = errorBox(shortRowsBox, u"Fehler"), .console = shortRowsLines},

        // A table without rows: nothing to write is a success that changes nothing.
        {.name = "AnEmptyFileAppendedToAnExistingMaterialIniChangesNothing", .table = "", .before = "ALT\r\n",
         .mode = 1, .after = "ALT\r\n"},
        {.name = "AnEmptyFileAppendedToOneWithoutALastLineBreakAddsNoLineBreak", .table = "", .before = "ALT",
         .mode = 1, .after = "ALT"},
        {.name = "AnEmptyFileAppendedToAMissingMaterialIniCreatesItEmpty", .table = "", .mode = 1, .after = ""},
        {.name = "AnEmptyFileWithErsetzenEmptiesTheMaterialIni", .table = "", .before = "ALT\r\n", .mode = 0,
         .after = ""},
        {.name = "AHeaderOnlyAppendedToAnExistingMaterialIniChangesNothing", .table = header, .before = "ALT\r\n",
         .mode = 1, .after = "ALT\r\n"},
        {.name = "AHeaderOnlyAppendedToOneWithoutALastLineBreakAddsNoLineBreak", .table = header, .before = "ALT",
         .mode = 1, .after = "ALT"},
        {.name = "AHeaderOnlyAppendedToAMissingMaterialIniCreatesItEmpty", .table = header, .mode = 1, .after = ""},
        {.name = "AHeaderOnlyWithErsetzenEmptiesTheMaterialIni", .table = header, .before = "ALT\r\n", .mode = 0,
         .after = ""},
        {.name = "AnEmptySecondLineAppendedToAnExistingMaterialIniChangesNothing", .table = header + "\r\n" + steel,
         .before = "ALT\r\n", .mode = 1, .after = "ALT\r\n"},
        {.name = "AnEmptySecondLineAppendedToOneWithoutALastLineBreakAddsNoLineBreak", .table = header + "\r\n" + steel,
         .before = "ALT", .mode = 1, .after = "ALT"},
        {.name = "AnEmptySecondLineAppendedToAMissingMaterialIniCreatesItEmpty", .table = header + "\r\n" + steel,
         .mode = 1, .after = ""},
        {.name = "AnEmptySecondLineWithErsetzenEmptiesTheMaterialIni", .table = header + "\r\n" + steel,
         .before = "ALT\r\n", .mode = 0, .after = ""},
        {.name = "AnEmptyFirstLineEndsTheTableBeforeTheRowsAfterIt", .table = "\r\n" + steel, .before = "ALT\r\n",
         .mode = 0, .after = ""},

        // "erweitern" onto a material.ini as other programs leave it: the records in the
        // file's own encoding, on a line of their own, and a UTF-16 file refused and kept. An
        // open last line gets a CR LF first, which the plain append would not give.
        {.name = "ErweiternOntoAnEmptyMaterialIni", .table = march, .before = "", .mode = 1, .after = ansiMarch},
        {.name = "ErweiternAfterALastLineFeed", .table = march, .before = "ALT\n", .mode = 1, .after = "ALT\n" + ansiMarch},
        {.name = "ErweiternAfterALastCarriageReturn", .table = march, .before = "ALT\r", .mode = 1,
         .after = "ALT\r" + ansiMarch},
        {.name = "ErweiternOntoAnOpenLastLineStartsTheRecordsOnALineOfTheirOwn", .table = march,
         .before = "-KG_P_L=7.85", .mode = 1, .after = "-KG_P_L=7.85\r\n" + ansiMarch},
        {.name = "ErweiternOntoAWindows1252MaterialIni", .table = march, .before = "MAT=9,B\xFC\x80", .mode = 1,
         .after = "MAT=9,B\xFC\x80\r\n" + ansiMarch},
        {.name = "ErweiternOntoAUtf8MaterialIniWithItsMark", .table = march, .before = "\xEF\xBB\xBFMAT=9,Holz",
         .mode = 1, .after = "\xEF\xBB\xBFMAT=9,Holz\r\n" + utf8March},
        {.name = "ErweiternOntoAUtf8MarkAlone", .table = march, .before = "\xEF\xBB\xBF", .mode = 1,
         .after = "\xEF\xBB\xBF" + utf8March},
        {.name = "ErweiternOntoAUtf8MaterialIniWithoutMark", .table = march, .before = "MAT=9,B\xC3\xBC\r\n", .mode = 1,
         .after = "MAT=9,B\xC3\xBC\r\n" + utf8March},
        {.name = "ErweiternOntoAUtf16LittleEndianMaterialIniIsRefused", .table = march,
         .before = std::string("\xFF\xFEM\0", 4), .mode = 1, .box = utf16Destination},
        {.name = "ErweiternOntoAUtf16BigEndianMaterialIniIsRefused", .table = march,
         .before = std::string("\xFE\xFF\0M", 4), .mode = 1, .box = utf16Destination},

        // Names as users give them, and workbooks as they save them.
        {.name = "PathsWithBlanksQuotesSemicolonsAndUmlautsWithErsetzen", .source = u"Mat '1';ä €.csv", .table = table,
         .destination = u"Ziel ;ü 'x'.ini", .before = "ALT\r\n", .mode = 0, .after = records},
        {.name = "PathsWithBlanksQuotesSemicolonsAndUmlautsWithErweitern", .source = u"Mat '1';ä €.csv",
         .table = table, .destination = u"Ziel ;ü 'x'.ini", .before = "ALT\r\n", .mode = 1,
         .after = "ALT\r\n" + records},
#ifndef _WIN32
        // Names that are no UTF-8, as older systems and archives give them (Windows-1252 "ä"
        // and "ü"): the file of these very bytes, and no other.
        {.name = "NamesThatAreNoUtf8WithErsetzen", .source = u"Mat\xDCE4.csv", .table = table,
         .destination = u"Ziel\xDCFC.ini", .before = "ALT\r\n", .mode = 0, .after = records},
        {.name = "NamesThatAreNoUtf8WithErweitern", .source = u"Mat\xDCE4.csv", .table = table,
         .destination = u"Ziel\xDCFC.ini", .before = "ALT\r\n", .mode = 1, .after = "ALT\r\n" + records},
        {.name = "ANewDestinationNamedByBytesThatAreNoUtf8", .table = table, .destination = u"material\xDCE4.ini",
         .mode = 1, .after = records},
        // As a brisel.conf copied from Windows gives it: no file of that name in the working
        // folder, and no success.
        {.name = "AWindowsPathAsDestinationOffWindowsIsRefused", .table = table,
         .destination = u"C:\\Programme\\CAD\\material.ini", .mode = 0,
         .box = errorBox(u"Der Pfad der Zieldatei „C:\\Programme\\CAD\\material.ini“ ist ein Windows-Pfad und "
                         u"bezeichnet auf diesem System keine Datei. Bitte den Pfad angeben, unter dem die Datei hier zu "
                         u"erreichen ist, z.\u00A0B. einen Pfad im Ordner, in dem das Windows-Laufwerk oder die "
                         u"Freigabe eingebunden ist (etwa unter /mnt).",
                         u"Ungültige Eingabe")},
#endif
        {.name = "AnExcelWorkbookSavedWithTheTableTabOpenAfterACoverSheet", .source = u"Materialien.xlsx",
         .table = workbookFixture("blaetter-openpyxl.xlsx"), .before = "ALT\r\n", .mode = 0, .after = sheetRecords},
        {.name = "AnXlsxFromLibreOfficeSavedWithTheTableTabOpenAfterACoverSheet", .source = u"Materialien.xlsx",
         .table = workbookFixture("blaetter-libreoffice.xlsx"), .before = "ALT\r\n", .mode = 1,
         .after = "ALT\r\n" + sheetRecords},
        {.name = "AnOdsSavedWithTheTableTabOpenAfterACoverSheet", .source = u"Materialien.ods",
         .table = workbookFixture("blaetter-libreoffice.ods"), .mode = 0, .after = sheetRecords},
        {.name = "AnXlsxWrittenByAScriptWithFormulasNotYetCalculatedNamesEachAndWritesNothing",
         .source = u"Materialien.xlsx", .table = workbookFixture("formeln-openpyxl.xlsx"), .before = "ALT\r\n", .mode = 0,
         .box = errorBox(formulasBox, u"Fehler"), .console = formulasLines},

        // "Standardwerte" and brisel.conf.
        {.name = "WithoutBriselConfTheDefaultsAreWrittenAndReadOnNein", .button = Button::standardwerte,
         .sets = defaults, .box = notFound, .console = confNotFound},
        {.name = "WithoutBriselConfTheEditorOpensOnJaAndNothingIsRead", .button = Button::standardwerte,
         .answer = Answer::yes, .box = notFound, .console = confNotFound},
        {.name = "TheDefaultFileSetsTheFourDefaults", .button = Button::standardwerte,
         .conf = std::string(defaultConfigText()), .sets = defaults},
        {.name = "TheDefaultFileSavedAgainByALinuxEditorSetsTheFourDefaults", .button = Button::standardwerte,
         .conf = defaultsWithLineFeeds, .sets = defaults},
        {.name = "ABriselConfWithLineFeedsOnlyIsReadLineByLineAsTheTableIs", .button = Button::standardwerte,
         .conf = "# Quelle\nquelle = a.csv\nziel = b.ini\n\nprefix=p\naction=ersetzen\n",
         .sets = {u"a.csv", u"b.ini", u"p", 0}},
        {.name = "ABriselConfWithCarriageReturnsOnly", .button = Button::standardwerte,
         .conf = "# Quelle\rquelle = a.csv\rziel = b.ini\r\rprefix=p\raction=erweitern",
         .sets = {u"a.csv", u"b.ini", u"p", 1}},
        {.name = "ABriselConfWithLineEndsMixed", .button = Button::standardwerte,
         .conf = "# x=y\n\rquelle=a.csv\r\r\nziel=b.ini\n\nprefix=p\r\n\raction=ersetzen\n",
         .sets = {u"a.csv", u"b.ini", u"p", 0}},
        {.name = "AnEmptyBriselConfLeavesTheInputsAsTheyWere", .button = Button::standardwerte, .conf = ""},
        {.name = "BlankAndCommentLinesOnlyLeaveTheInputsAsTheyWere", .button = Button::standardwerte,
         .conf = "# nur Kommentar\r\n\r\n   \r\n   # quelle=a.csv\r\n#       einstellung=wert\r\n"},
        {.name = "AnUnknownKeyIsIgnored", .button = Button::standardwerte, .conf = "einstellung=wert\r\nprefix=p\r\n",
         .sets = {.prefix = u"p"}},
        {.name = "KeysAreCaseSensitive", .button = Button::standardwerte, .conf = "Quelle=a.csv\r\nziel=b.ini\r\n",
         .sets = {.destination = u"b.ini"}},
        {.name = "AnActionThatDiffersInCaseSelectsNeither", .button = Button::standardwerte,
         .conf = "quelle=a.csv\r\nziel=b.ini\r\naction=Ersetzen\r\n",
         .sets = {.source = u"a.csv", .destination = u"b.ini", .option = -1}},
        {.name = "AnInvalidActionAfterAValidOneSelectsNeither", .button = Button::standardwerte,
         .conf = "action=erweitern\r\naction=anhängen\r\n", .sets = {.option = -1}},
        {.name = "AKeyAfterATabIsIgnored", .button = Button::standardwerte, .conf = "\tquelle=a.csv\r\nziel=b.ini\r\n",
         .sets = {.destination = u"b.ini"}},
        {.name = "AHashInASettingIsText", .button = Button::standardwerte,
         .conf = "quelle=a#1.csv\r\nziel=b.ini\r\nprefix=#\r\naction=ersetzen\r\n",
         .sets = {u"a#1.csv", u"b.ini", u"#", 0}},
        {.name = "AValueEndsAtASecondEquals", .button = Button::standardwerte,
         .conf = "quelle = a.csv = b.csv\r\nziel=b.ini\r\nprefix = p=q\r\naction=erweitern\r\n",
         .sets = {u"a.csv", u"b.ini", u"p", 1}},
        {.name = "TheLastLineForAKeyWins", .button = Button::standardwerte,
         .conf = "quelle=a.csv\r\nziel=a.ini\r\nquelle=b.csv\r\nziel=b.ini\r\naction=ersetzen\r\naction=erweitern\r\n",
         .sets = {.source = u"b.csv", .destination = u"b.ini", .option = 1}},
        {.name = "OnlyAPrefixLineChangesOnlyThePrefix", .button = Button::standardwerte, .conf = "prefix = Stahl-\r\n",
         .sets = {.prefix = u"Stahl-"}},
        {.name = "AnEmptyValueEmptiesItsInput", .button = Button::standardwerte,
         .conf = "quelle=a.csv\rziel = b.ini\r\nprefix=\r\naction=ersetzen", .sets = {u"a.csv", u"b.ini", u"", 0}},
        {.name = "ALineWithoutEqualsIsSkipped", .button = Button::standardwerte, .conf = "quelle\r\nziel=b.ini\r\n",
         .sets = {.destination = u"b.ini"}},
        {.name = "AnsiBytesAreReadAsWindows1252", .button = Button::standardwerte,
         .conf = "quelle=M\xE4rz \x80.csv\r\nziel=M\xFC.ini\r\nprefix=\xA7\r\naction=erweitern\r\n",
         .sets = {u"März €.csv", u"Mü.ini", u"§", 1}},
        {.name = "AUtf8BriselConfWithItsMark", .button = Button::standardwerte,
         .conf = "\xEF\xBB\xBFquelle=Material\xC3\xBC" "bersicht.csv\r\nprefix=\xE2\x86\x92",
         .sets = {.source = u"Materialübersicht.csv", .prefix = u"→"}},
        {.name = "AUtf8BriselConfWithoutMark", .button = Button::standardwerte,
         .conf = "quelle=a.csv\r\nziel = M\xC3\xBC.ini\r\nprefix=\xC3\xA4\r\naction=ersetzen\r\n",
         .sets = {u"a.csv", u"Mü.ini", u"ä", 0}},
        {.name = "AUtf8BriselConfKeepsTheBytesOfANameThatIsNoUtf8", .button = Button::standardwerte,
         .conf = "\xEF\xBB\xBFziel = Ziel\xFC.ini\r\n", .sets = {.destination = u"Ziel\xDCFC.ini"}},
        {.name = "ABriselConfSavedAsUtf16IsReportedAndNotRead", .button = Button::standardwerte, .conf = "\xFF\xFEq",
         .box = errorBox(u"Die Konfigurationsdatei „brisel.conf“ im Arbeitsordner %ORDNER% ist als Unicode-Text "
                         u"(UTF-16) gespeichert. Bitte die Datei im Editor als ANSI oder UTF-8 speichern.",
                         u"Fehler"),
         .console = u"Die Konfigurationsdatei „brisel.conf“ ist als Unicode-Text (UTF-16) gespeichert. Bitte die "
                    u"Datei im Editor als ANSI oder UTF-8 speichern."},
#ifdef _WIN32
        // Marked so, the file is the user's all the same: read, and never appended to, where
        // the defaults below it would win over its settings.
        {.name = "AHiddenBriselConfIsReadAndNeverAppendedTo", .button = Button::standardwerte,
         .conf = "quelle=a.csv\r\nziel=b.ini\r\naction=erweitern\r\n", .marks = FILE_ATTRIBUTE_HIDDEN,
         .sets = {.source = u"a.csv", .destination = u"b.ini", .option = 1}},
        {.name = "ABriselConfMarkedSystemAndReadOnlyIsRead", .button = Button::standardwerte,
         .conf = "quelle=a.csv\r\nziel=b.ini\r\naction=ersetzen", .marks = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY,
         .sets = {.source = u"a.csv", .destination = u"b.ini", .option = 0}},
#endif
    };
}

// The row's files in the working folder, before the click.
inline void layFiles(const EdgeCase& row, const TempFolder& folder) {
    folder.makeFolder(u"Ordner");
    if (row.before)
        folder.write(row.destination, *row.before);
    if (row.table)
        folder.write(row.source, *row.table);
    if (row.conf) {
        folder.write(u"brisel.conf", *row.conf);
#ifdef _WIN32
        ASSERT_TRUE(row.marks == 0 || SetFileAttributesW(folder.file(u"brisel.conf").c_str(), row.marks));
#endif
    }
}

// The window's inputs before the click: those of the row, or, before "Standardwerte",
// others that brisel.conf may replace.
inline Inputs inputsBefore(const EdgeCase& row) {
    if (row.button == Button::standardwerte)
        return {u"eigene.csv", u"eigene.ini", u"+", 1};
    return {row.source, row.destination, row.prefix, row.mode};
}

// "Konvertieren" changes no input; "Standardwerte" those that brisel.conf sets.
inline Inputs inputsAfter(const EdgeCase& row) {
    Inputs inputs = inputsBefore(row);
    inputs.source = row.sets.source.value_or(inputs.source);
    inputs.destination = row.sets.destination.value_or(inputs.destination);
    inputs.prefix = row.sets.prefix.value_or(inputs.prefix);
    inputs.option = row.sets.option.value_or(inputs.option);
    return inputs;
}

// The boxes the window shows; "%ORDNER%" in a box stands for the working folder, named as
// messages name a path.
inline std::vector<ShownMessage> boxesAfter(const EdgeCase& row, std::u16string_view folder) {
    if (row.button == Button::standardwerte) {
        if (!row.box)
            return {};
        ShownMessage box = *row.box;
        if (const std::size_t at = box.text.find(u"%ORDNER%"); at != std::u16string::npos)
            box.text.replace(at, 8, quotedPath(folder));
        return {box};
    }
    return {row.box.value_or(
        ShownMessage{ShownMessage::Kind::plain, u"Konvertierung erfolgreich durchgeführt", u"Konvertierung erfolgreich"})};
}

inline std::vector<std::u16string> editorStartedOn(const EdgeCase& row) {
    if (row.button == Button::standardwerte && !row.conf && row.answer == Answer::yes)
        return {u"brisel.conf"};
    return {};
}

// Every file in the working folder afterwards, by name: its bytes, or nothing where it
// must not be there. A later entry of the same name wins.
using Files = std::vector<std::pair<std::u16string, std::optional<std::string>>>;

// What a window leaves: the table as it was, the destination as the row says, brisel.conf
// as it was or, where there was none, the defaults.
inline Files filesAfter(const EdgeCase& row) {
    if (row.button == Button::standardwerte)
        return {{u"brisel.conf", row.conf ? row.conf : std::string(defaultConfigText())}};
    return {{row.source, row.table}, {row.destination, row.box ? row.before : row.after}};
}

// The working folder holds exactly these files with these bytes, beside "Ordner", and
// nothing else: no file under another name, nothing left behind.
inline void expectFiles(const TempFolder& folder, const Files& files) {
    std::map<std::u16string, std::optional<std::string>> expected;
    for (const auto& [name, bytes] : files) {
        if (!name.empty())
            expected[name] = bytes;
    }
    std::vector<std::u16string> present{u"Ordner"};
    for (const auto& [name, bytes] : expected) {
        if (bytes) {
            EXPECT_EQ(folder.read(name), *bytes) << testing::PrintToString(name);
            present.push_back(name);
        }
    }
    std::vector<std::u16string> found;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder.file({}))) {
#ifdef _WIN32
        const std::wstring name = entry.path().filename().wstring();
        found.emplace_back(name.begin(), name.end());
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);  // so the folder can go
#else
        found.push_back(utf16FromBytes(entry.path().filename().native()));
#endif
    }
    std::sort(present.begin(), present.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, present);
}

inline std::string edgeCaseName(const testing::TestParamInfo<EdgeCase>& info) {
    return info.param.name;
}

}  // namespace brisel
