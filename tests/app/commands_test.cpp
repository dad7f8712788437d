// The window's start-up and commands as a user meets them: inputs in, message boxes and
// file bytes out.
#include "app/commands_fixture.h"
#include "app/messages.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include "file_size_limit.h"
#include "unprivileged.h"

#include <sys/stat.h>
#endif

namespace brisel {
namespace {

using std::filesystem::perms;

const std::string table = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n"
                          "Stahl;7,85;1;31;45;2,5\r\n"
                          "Aluminium;2,7;2;32;0;1\r\n";
const std::string records = "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
                            "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n";

const ShownMessage success{ShownMessage::Kind::plain, u"Konvertierung erfolgreich durchgeführt",
                           u"Konvertierung erfolgreich"};

TEST_F(CommandsTest, StartUpEmptiesThePathsAndOptionsUnderTheVersionedTitle) {
    folder.write(u"brisel.conf", "quelle=a.csv\r\nziel=b.ini\r\nprefix=*\r\naction=ersetzen\r\n");
    fillIn(u"a", u"b", u"", 1);
    commands.Form_Load();
    EXPECT_EQ(form.title, u"Materialdaten konvertieren  v1.2");
    EXPECT_EQ(form.inputs(), (Inputs{}));
    EXPECT_TRUE(desktop.messages.empty());
}

// Which inputs are set before "Konvertieren" and the one box that answers them.
struct CheckCase {
    const char* name;
    std::u16string source;  // "table" for an existing table, "folder" for a folder, else as written
    std::u16string destination;
    int option;  // -1 for none
    ShownMessage expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertChecks : public CommandsTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(ConvertChecks, StopAtTheFirstMissingInput) {
    const CheckCase& c = GetParam();
    folder.write(u"tabelle.csv", table);
    folder.makeFolder(u"Ordner");
    const std::u16string source =
        c.source == u"table" ? folder.path(u"tabelle.csv") : c.source == u"folder" ? folder.path(u"Ordner") : c.source;
    fillIn(source, c.destination, {}, c.option);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector<ShownMessage>{c.expected});
    EXPECT_FALSE(folder.exists(u"material.ini"));
}

const ShownMessage noSource = errorBox(u"Bitte Quelldatei auswählen", u"Fehlende Eingabe");
const ShownMessage missingSource = errorBox(u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe");
const ShownMessage noDestination = errorBox(u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe");
const ShownMessage noMode = errorBox(u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe");

INSTANTIATE_TEST_SUITE_P(
    Inputs, ConvertChecks,
    testing::Values(CheckCase{"NothingGiven", u"", u"", -1, noSource},
                    CheckCase{"NoSourceButTheRest", u"", u"material.ini", 0, noSource},
                    CheckCase{"SourceNamesNoFile", u"fehlt.csv", u"", -1, missingSource},
                    CheckCase{"SourceOfBlanks", u"   ", u"material.ini", 0, missingSource},
                    CheckCase{"SourceIsAFolder", u"folder", u"material.ini", 1, missingSource},
                    CheckCase{"SourceWithWildcard", u"*.csv", u"material.ini", 0, missingSource},
                    CheckCase{"SourceCutByANul", std::u16string(u"tabelle.csv\0x", 13), u"material.ini", 0, missingSource},
                    CheckCase{"NoDestination", u"table", u"", -1, noDestination},
                    CheckCase{"DestinationCutByANul", u"table", std::u16string(u"material.ini\0x", 14), -1,
                              errorBox(u"Der Pfad der Zieldatei „material.ini\\x00x“ enthält ein Zeichen, das in keinem "
                                       u"Dateinamen stehen kann. Bitte den Pfad prüfen.",
                                       u"Ungültige Eingabe")},
                    CheckCase{"NoDestinationWithMode", u"table", u"", 0, noDestination},
                    CheckCase{"NoMode", u"table", u"material.ini", -1, noMode}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, OverwritesWithErsetzen) {
    folder.write(u"material.ini", "ALT\r\n");
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 0);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read(u"material.ini"), records);
}

TEST_F(CommandsTest, AppendsTheSameRecordsAgainOnASecondClick) {
    folder.write(u"material.ini", "ALT\r\n");
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 1);
    commands.cmd_convert_Click();
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector({success, success}));
    EXPECT_EQ(folder.read(u"material.ini"), "ALT\r\n" + records + records);
}

// "erweitern" on a material.ini as other programs leave it: the records in the file's own
// encoding, on a line of their own; a UTF-16 file is refused and kept.
struct AppendCase {
    const char* name;
    std::optional<std::string> existing;  // nothing: no file yet
    std::string expected;                 // the whole file afterwards; empty: refused, unchanged
    // `existing` stands only under the backup name that an "ersetzen" stopped between its
    // two steps (a crash on Windows) left, of a process that no system numbers so.
    bool underBackup = false;
};

void PrintTo(const AppendCase& c, std::ostream* os) {
    *os << c.name;
}

class AppendTo : public CommandsTest, public testing::WithParamInterface<AppendCase> {};

const std::string ansiRecord = "MAT=1,*M\xE4rz\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
const std::string utf8Record = "MAT=1,*M\xC3\xA4rz\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";

TEST_P(AppendTo, KeepsTheFileIntact) {
    const AppendCase& c = GetParam();
    const std::u16string backup = u"material.ini.~brisel-backup99999999999-2-0";
    if (c.existing)
        folder.write(c.underBackup ? backup : u"material.ini", *c.existing);
    fillIn(folder.write(u"tabelle.csv", "Name\r\nM\xE4rz;7,85;1;31;45;2,5\r\n"), folder.path(u"material.ini"), u"*", 1);
    commands.cmd_convert_Click();
    if (!c.expected.empty()) {
        std::vector<ShownMessage> shown{success};
        if (c.underBackup) {
            shown.insert(shown.begin(), {ShownMessage::Kind::plain,
                                         u"Eine frühere Konvertierung wurde unterbrochen, während sie die Zieldatei " +
                                             quotedPath(folder.path(u"material.ini")) +
                                             u" ersetzte. Die Datei hat wieder ihren vorigen Inhalt.",
                                         u"Hinweis"});
        }
        EXPECT_EQ(desktop.messages, shown);
        EXPECT_EQ(folder.read(u"material.ini"), c.expected);
        EXPECT_FALSE(folder.exists(backup));
        return;
    }
    EXPECT_EQ(desktop.messages,
              std::vector{errorBox(u"Die Zieldatei " + quotedPath(folder.path(u"material.ini")) +
                                       u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. "
                                       u"Bitte im Editor als ANSI oder UTF-8 speichern.",
                                   u"Fehler")});
    EXPECT_EQ(folder.read(u"material.ini"), c.existing.value());
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, AppendTo,
    testing::Values(AppendCase{"Missing", std::nullopt, ansiRecord},
                    AppendCase{"Empty", "", ansiRecord},
                    AppendCase{"EndingInCrLf", "ALT\r\n", "ALT\r\n" + ansiRecord},
                    AppendCase{"EndingInLf", "ALT\n", "ALT\n" + ansiRecord},
                    AppendCase{"EndingInCr", "ALT\r", "ALT\r" + ansiRecord},
                    AppendCase{"WithoutLastLineBreak", "-KG_P_L=7.85", "-KG_P_L=7.85\r\n" + ansiRecord},
                    AppendCase{"Windows1252", "MAT=9,B\xFC\x80", "MAT=9,B\xFC\x80\r\n" + ansiRecord},
                    AppendCase{"Utf8WithMark", "\xEF\xBB\xBFMAT=9,Holz", "\xEF\xBB\xBFMAT=9,Holz\r\n" + utf8Record},
                    AppendCase{"MarkAlone", "\xEF\xBB\xBF", "\xEF\xBB\xBF" + utf8Record},
                    AppendCase{"Utf8WithoutMark", "MAT=9,B\xC3\xBC\r\n", "MAT=9,B\xC3\xBC\r\n" + utf8Record},
                    AppendCase{"Utf8UnderTheBackupOfACrashedErsetzen", "\xEF\xBB\xBFMAT=9,Holz",
                               "\xEF\xBB\xBFMAT=9,Holz\r\n" + utf8Record, true},
                    AppendCase{"Utf16LittleEndian", std::string("\xFF\xFEM\0", 4), ""},
                    AppendCase{"Utf16BigEndian", std::string("\xFE\xFF\0M", 4), ""}),
    [](const testing::TestParamInfo<AppendCase>& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, KeepsEveryCharacterOfAUtf8TableAndPrefixInAUtf8Destination) {
    folder.write(u"material.ini", "\xEF\xBB\xBF");
    fillIn(folder.write(u"tabelle.csv", "K\r\nStahl \xE2\x86\x92 2;1;2;3;4;5\r\n"), folder.path(u"material.ini"), u"Ω", 1);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read(u"material.ini"), "\xEF\xBB\xBFMAT=2,\xCE\xA9Stahl \xE2\x86\x92 2\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=1\r\n");
}

TEST_F(CommandsTest, CreatesAMissingDestinationInEitherModeFromARelativeName) {
    folder.write(u"tabelle.csv", table);
    for (int mode : {0, 1}) {
        const std::u16string name = mode == 0 ? u"neu0.ini" : u"neu1.ini";
        fillIn(u"tabelle.csv", name, u"*", mode);
        commands.cmd_convert_Click();
        EXPECT_EQ(folder.read(name), records) << mode;
    }
}

TEST_F(CommandsTest, ConvertsATableWithoutRowsToNothing) {
    folder.write(u"material.ini", "ALT");
    fillIn(folder.write(u"tabelle.csv", "Kopf\r\n"), folder.path(u"material.ini"), u"*", 0);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read(u"material.ini"), "");
}

TEST_F(CommandsTest, SameFileAsSourceAndDestinationHoldsOnlyTheRecords) {
    const std::u16string both = folder.write(u"tabelle.csv", table);
    fillIn(both, both, u"*", 0);
    commands.cmd_convert_Click();
    EXPECT_EQ(folder.read(u"tabelle.csv"), records);
}

TEST_F(CommandsTest, WritesThePrefixInTheAnsiCodePageAndKeepsTheInputs) {
    const std::u16string source = folder.write(u"tabelle.csv", "K\r\nStahl;1;2;3;4;5\r\n");
    fillIn(source, folder.path(u"material.ini"), u"Ä€ ", 1);
    commands.cmd_convert_Click();
    EXPECT_EQ(folder.read(u"material.ini"), "MAT=2,\xC4\x80 Stahl\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=1\r\n");
    EXPECT_EQ(form.inputs(), (Inputs{source, folder.path(u"material.ini"), u"Ä€ ", 1}));
}

TEST_F(CommandsTest, WritesTheRecordsInAnsiWhateverTheTablesEncoding) {
    const std::string ansiRecord = "MAT=1,*M\xE4rz \x80\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=2.5\r\n";
    struct Case {
        const char* name;
        std::string table;
    };
    for (const Case& c : {Case{"Windows1252", "K\xF6pfe\r\nM\xE4rz \x80;2,5;1;3;4;5\r\n"},
                          Case{"Utf8WithMark", "\xEF\xBB\xBFK\xC3\xB6pfe\r\nM\xC3\xA4rz \xE2\x82\xAC;2,5;1;3;4;5\r\n"},
                          Case{"Utf8WithoutMark", "K\xC3\xB6pfe\nM\xC3\xA4rz \xE2\x82\xAC;2,5;1;3;4;5\n"}}) {
        fillIn(folder.write(u"tabelle.csv", c.table), folder.path(u"material.ini"), u"*", 0);
        commands.cmd_convert_Click();
        EXPECT_EQ(folder.read(u"material.ini"), ansiRecord) << c.name;
    }
    EXPECT_EQ(desktop.messages, std::vector(3, success));
}

TEST_F(CommandsTest, TakesPathsWithBlanksQuotesSemicolonsAndUmlauts) {
    struct Case {
        std::u16string source, destination;
    };
    for (const Case& c : {
             Case{u"Mat '1';ä €.csv", u"Ziel ;ü 'x'.ini"},
#ifndef _WIN32
             // Names that are no UTF-8, as older systems and archives give them (Windows-1252
             // "ä" and "ü"): the file of these very bytes, and no other.
             Case{u"Mat\xDCE4.csv", u"Ziel\xDCFC.ini"},
#endif
         }) {
        TempFolder each;
        each.write(u"Ziel\uFFFD.ini", "ALT");  // where a byte read as U+FFFD would have led
        for (int mode : {0, 1}) {
            desktop.messages.clear();
            fillIn(each.write(c.source, table), each.path(c.destination), u"*", mode);
            commands.cmd_convert_Click();
            EXPECT_EQ(desktop.messages, std::vector{success}) << mode;
        }
        EXPECT_EQ(each.read(c.destination), records + records);
        EXPECT_EQ(each.read(u"Ziel\uFFFD.ini"), "ALT");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(each.file({})), std::filesystem::directory_iterator()), 3);
    }
}

// A conversion that cannot finish: its error box, and every file as it was.
struct FailureCase {
    const char* name;
    std::string table;
    std::u16string destination;
    std::u16string prefix;
    std::u16string message;  // %DIR% stands for the folder
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertFailures : public CommandsTest, public testing::WithParamInterface<FailureCase> {};

// A table whose every row from line 2 on is short: its box names the first ten, then how
// many more there are.
std::string shortRows(int count) {
    std::string rows = "K\r\n";
    for (int i = 0; i < count; ++i)
        rows += "a;1\r\n";
    return rows;
}
std::u16string shortRowsBox(int count) {
    std::u16string box = u"Die Quelldatei „%DIR%/tabelle.csv“ enthält " + number(static_cast<std::size_t>(count)) +
                         u" Probleme; es wurde nichts geschrieben.";
    for (int line = 2; line < 12; ++line)
        box += u"\r\nZeile " + number(static_cast<std::size_t>(line)) +
               u" der Quelldatei hat 2 Felder; erwartet werden mindestens 6.";
    return box + u"\r\n… und " + number(static_cast<std::size_t>(count - 10)) +
           u" weitere Probleme\r\nBitte die fehlenden Felder in der Tabelle ergänzen.";
}

TEST_P(ConvertFailures, ReportAndTouchNothing) {
    const FailureCase& c = GetParam();
    folder.write(u"material.ini", "ALT");
    folder.makeFolder(u"Ordner.ini");
    std::u16string message = c.message;
    if (const auto at = message.find(u"%DIR%"); at != std::u16string::npos)
        message = nativeSeparators(message.replace(at, 5, folder.path({})));  // no other "/" in these messages
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(folder.write(u"tabelle.csv", c.table), folder.path(c.destination), c.prefix, mode);
        commands.cmd_convert_Click();
        EXPECT_EQ(desktop.messages, std::vector{errorBox(message, u"Fehler")}) << "mode " << mode;
        EXPECT_EQ(folder.read(u"material.ini"), "ALT");
        EXPECT_FALSE(folder.exists(u"fehlt"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ConvertFailures,
    testing::Values(
        FailureCase{"RowWithTooFewFields", table + "Kupfer;8,9;3;33\r\n", u"material.ini", {},
                    u"Zeile 4 der Quelldatei hat 4 Felder; erwartet werden mindestens 6. Bitte die fehlenden Felder "
                    u"in der Tabelle ergänzen."},
        FailureCase{"EveryShortRow", shortRows(12), u"material.ini", {}, shortRowsBox(12)},
        FailureCase{"RowWithOneField", "K\r\nKupfer\r\n", u"material.ini", {},
                    u"Zeile 2 der Quelldatei hat 1 Feld; erwartet werden mindestens 6. Bitte die fehlenden Felder in "
                    u"der Tabelle ergänzen."},
        FailureCase{"Utf8CharacterOutsideTheCodePage", "\xEF\xBB\xBF" + table + "Stahl \xE2\x86\x92 2;1;2;3;4;5\r\n",
                    u"material.ini", {},
                    u"Zeile 4, Feld 1 der Quelldatei enthält das Zeichen „→“, das in der Zieldatei nicht darstellbar "
                    u"ist. Bitte das Zeichen in der Tabelle ersetzen."},
        FailureCase{"Utf8MarkedTableWithAnAnsiByte", "\xEF\xBB\xBF" + table + "St\xE4hl;1;2;3;4;5\r\n",
                    u"material.ini", {},
                    u"Zeile 4, Feld 1 der Quelldatei enthält Bytes, die kein gültiges UTF-8 sind, obwohl die Tabelle "
                    u"als UTF-8 gekennzeichnet ist. Bitte die Tabelle in Excel oder LibreOffice öffnen, die Stelle "
                    u"prüfen und neu speichern, in Excel als „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“."},
        FailureCase{"Utf16Table", "\xFF\xFEN", u"material.ini", {},
                    u"Die Quelldatei „%DIR%/tabelle.csv“ ist als Unicode-Text (UTF-16) gespeichert. Bitte die "
                    u"Tabelle in Excel als „CSV (Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen "
                    u"getrennt) (*.csv)“ speichern."},
        FailureCase{"PrefixOutsideTheCodePage", table, u"material.ini", u"Ω",
                    u"Das Präfix enthält Zeichen, die in der Zieldatei nicht darstellbar sind. Bitte diese Zeichen im "
                    u"Präfix ersetzen."},
        FailureCase{"DestinationFolderMissing", table, u"fehlt/material.ini", {},
                    u"Der Ordner der Zieldatei „%DIR%/fehlt/material.ini“ existiert nicht. Bitte den Pfad prüfen oder "
                    u"den Ordner anlegen."},
        FailureCase{"DestinationFolderMissingNamedByItsBytes", table, u"fehlt\xDCE4/material.ini", {},
                    u"Der Ordner der Zieldatei „%DIR%/fehlt\\xE4/material.ini“ existiert nicht. Bitte den Pfad prüfen "
                    u"oder den Ordner anlegen."},
        FailureCase{"DestinationIsAFolder", table, u"Ordner.ini", {},
                    u"Die Zieldatei „%DIR%/Ordner.ini“ ist ein Ordner. Bitte den Pfad einer Datei angeben, z.\u00A0B. "
                    u"mit „material.ini“ am Ende."}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, FileButtonsFillTheirBoxOrEmptyItOnCancel) {
    fillIn(u"alt.csv", u"alt.ini", u"*", 1);
    desktop.choices = {u"/daten/tabelle.csv", u"/daten/neu.ini"};
    commands.cmd_select_source_Click();
    commands.cmd_select_destination_Click();
    EXPECT_EQ(form.inputs(), (Inputs{u"/daten/tabelle.csv", u"/daten/neu.ini", u"*", 1}));
    commands.cmd_select_destination_Click();  // the fake has no more choices: cancel
    commands.cmd_select_source_Click();
    EXPECT_EQ(form.inputs(), (Inputs{u"", u"", u"*", 1}));
    const ShownDialog source{u"Quelldatei wählen", u"CSV-Dateien (*.csv)|*.csv"};
    const ShownDialog destination{u"material-ini Zieldatei wählen", u"INI-Dateien (*.ini)|*.ini"};
    EXPECT_EQ(desktop.dialogs, std::vector({source, destination, destination, source}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CommandsTest, DroppedFilesFillThePathBoxesButNotThePrefix) {
    fillIn(u"alt.csv", u"alt.ini", u"*", 1);
    commands.filesDropped(TextBox::source, {u"/daten/tabelle.csv", u"/daten/zweite.csv"});
    commands.filesDropped(TextBox::destination, {u"/daten/material.ini"});
    commands.filesDropped(TextBox::prefix, {u"/daten/x.csv"});
    commands.filesDropped(TextBox::source, {});
    EXPECT_EQ(form.inputs(), (Inputs{u"/daten/tabelle.csv", u"/daten/material.ini", u"*", 1}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CommandsTest, BeendenUnloadsTheWindowWithoutTouchingFiles) {
    fillIn(u"a.csv", u"b.ini", u"*", 0);
    commands.cmd_beenden_Click();
    EXPECT_TRUE(form.unloaded);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(folder.exists(u"brisel.conf"));
}

#ifdef _WIN32

TEST_F(CommandsTest, ReportsADestinationThatAnotherProgramHoldsAndKeepsIt) {
    const std::u16string destination = folder.write(u"material.ini", "ALT");
    const HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(destination.c_str()), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(folder.write(u"tabelle.csv", table), destination, u"*", mode);
        commands.cmd_convert_Click();
        EXPECT_EQ(desktop.messages,
                  std::vector{errorBox(u"Die Zieldatei „" + nativeSeparators(destination) +
                                           u"“ wird gerade von einem anderen Programm benutzt. Bitte das Programm "
                                           u"schließen, das die Datei geöffnet hat (z.\u00A0B. das CAD-System), "
                                           u"und erneut konvertieren.",
                                       u"Fehler")})
            << "mode " << mode;
    }
    CloseHandle(held);
    EXPECT_EQ(folder.read(u"material.ini"), "ALT");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file({})), std::filesystem::directory_iterator()), 2)
        << "a temporary file was left behind";
}

TEST_F(CommandsTest, KeepsADestinationMarkedReadOnlyInEitherMode) {
    const std::u16string destination = folder.write(u"material.ini", "ALT");
    const auto* name = reinterpret_cast<const wchar_t*>(destination.c_str());
    ASSERT_TRUE(SetFileAttributesW(name, FILE_ATTRIBUTE_READONLY));
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(folder.write(u"tabelle.csv", table), destination, u"*", mode);
        commands.cmd_convert_Click();
        EXPECT_EQ(desktop.messages,
                  std::vector{errorBox(u"Die Zieldatei „" + nativeSeparators(destination) +
                                           u"“ ist schreibgeschützt. Bitte im Explorer unter Eigenschaften der Datei "
                                           u"das Häkchen bei „Schreibgeschützt“ entfernen und erneut konvertieren.",
                                       u"Fehler")})
            << "mode " << mode;
    }
    SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folder.read(u"material.ini"), "ALT");
}

#else

TEST_F(CommandsTest, LeavesTheOldDestinationWhenTheDiskFillsUp) {
    const std::string old = "MAT=9,alt\r\n";
    folder.write(u"material.ini", old);
    std::string big = "K\r\n";
    for (int i = 0; i < 2000; ++i)
        big += "Material;1,5;1;2;3;4\r\n";
    const std::u16string source = folder.write(u"tabelle.csv", big);
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(source, folder.path(u"material.ini"), u"*", mode);
        {
            FileSizeLimit full(8192);
            commands.cmd_convert_Click();
        }
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].title, u"Fehler");
        EXPECT_TRUE(desktop.messages[0].text.starts_with(u"Die Zieldatei „")) << testing::PrintToString(desktop.messages[0].text);
        EXPECT_EQ(folder.read(u"material.ini"), old) << "mode " << mode;
    }
}

TEST_F(CommandsTest, ReportsASourceThatCannotBeRead) {
    folder.permit({}, perms::all);
    const std::u16string source = folder.write(u"tabelle.csv", table);
    folder.permit(u"tabelle.csv", perms::owner_write | perms::others_write);
    fillIn(source, folder.path(u"material.ini"), {}, 0);
    EXPECT_TRUE(asOrdinaryUser([&] {
        commands.cmd_convert_Click();
        return desktop.messages ==
               std::vector{errorBox(u"Die Quelldatei „" + source + u"“ kann nicht gelesen werden. Bitte die "
                                    u"Leserechte der Datei prüfen.",
                                    u"Fehler")};
    }));
    EXPECT_FALSE(folder.exists(u"material.ini"));
}

TEST_F(CommandsTest, KeepsAReadOnlyDestinationInEitherMode) {
    folder.permit({}, perms::all);
    folder.write(u"material.ini", "ALT");
    folder.permit(u"material.ini", perms::owner_read | perms::others_read);
    for (int mode : {0, 1}) {
        fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", mode);
        EXPECT_TRUE(asOrdinaryUser([&] {
            commands.cmd_convert_Click();
            return desktop.messages ==
                   std::vector{errorBox(u"Die Zieldatei „" + folder.path(u"material.ini") +
                                            u"“ ist schreibgeschützt. Bitte der Datei das Schreibrecht geben (in ihren "
                                            u"Eigenschaften im Dateimanager oder mit „chmod u+w“) und erneut "
                                            u"konvertieren.",
                                        u"Fehler")};
        })) << "mode " << mode;
        EXPECT_EQ(folder.read(u"material.ini"), "ALT");
    }
}

TEST_F(CommandsTest, AppendsAnsiWithNothingBeforeToADestinationItCannotRead) {
    folder.permit({}, perms::all);
    folder.write(u"material.ini", "ALT");
    folder.permit(u"material.ini", perms::owner_write | perms::others_write);
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 1);
    EXPECT_TRUE(asOrdinaryUser([&] {
        commands.cmd_convert_Click();
        return desktop.messages == std::vector{success};
    }));
    EXPECT_EQ(folder.read(u"material.ini"), "ALT" + records);
}

TEST_F(CommandsTest, OverwritesInPlaceWhereTheFolderTakesNoNewFile) {
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 0);
    folder.write(u"material.ini", "ALT");
    folder.permit(u"material.ini", perms::owner_read | perms::owner_write | perms::others_read | perms::others_write);
    folder.permit({}, perms::owner_read | perms::owner_exec | perms::others_read | perms::others_exec);
    EXPECT_TRUE(asOrdinaryUser([&] {
        commands.cmd_convert_Click();
        return desktop.messages == std::vector{success};
    }));
    folder.permit({}, perms::all);
    EXPECT_EQ(folder.read(u"material.ini"), records);
}

TEST_F(CommandsTest, RefusesASpecialFileAsDestination) {
    ASSERT_EQ(::mkfifo(folder.file(u"material.ini").c_str(), 0666), 0);
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 1);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector{errorBox(u"Die Zieldatei „" + folder.path(u"material.ini") +
                                                         u"“ ist keine normale Datei (z.\u00A0B. ein Gerät). Bitte "
                                                         u"eine normale Datei als Zieldatei angeben.",
                                                     u"Fehler")});
}

#endif

}  // namespace
}  // namespace brisel
