// The window's start-up and commands as a user meets them: inputs in, message boxes and
// file bytes out.
#include "app/commands_fixture.h"
#include "app/edge_cases.h"
#include "app/messages.h"
#include "platform/files.h"

#include <gtest/gtest.h>

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

// Paths that hold what no window's text box takes (a NUL) or what the system reads as a
// pattern; every other check of the inputs is a row of edge_cases.h.
struct CheckCase {
    const char* name;
    std::u16string source;  // "table" for an existing table, else as written
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
    const std::u16string source = c.source == u"table" ? folder.path(u"tabelle.csv") : c.source;
    fillIn(source, c.destination, {}, c.option);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector<ShownMessage>{c.expected});
    EXPECT_FALSE(folder.exists(u"material.ini"));
}

const ShownMessage missingSource = errorBox(u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe");

INSTANTIATE_TEST_SUITE_P(
    Inputs, ConvertChecks,
    testing::Values(CheckCase{"SourceWithWildcard", u"*.csv", u"material.ini", 0, missingSource},
                    CheckCase{"SourceCutByANul", std::u16string(u"tabelle.csv\0x", 13), u"material.ini", 0, missingSource},
                    CheckCase{"DestinationCutByANul", u"table", std::u16string(u"material.ini\0x", 14), -1,
                              errorBox(u"Der Pfad der Zieldatei „material.ini\\x00x“ enthält ein Zeichen, das in keinem "
                                       u"Dateinamen stehen kann. Bitte den Pfad prüfen.",
                                       u"Ungültige Eingabe")}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

// Every case of edge_cases.h through the window's commands.
class EdgeCases : public CommandsTest, public testing::WithParamInterface<EdgeCase> {};

TEST_P(EdgeCases, ThroughTheCommands) {
    const EdgeCase& row = GetParam();
    layFiles(row, folder);
    form.fillIn(inputsBefore(row));
    desktop.answer = row.answer;
    if (row.button == Button::konvertieren)
        commands.cmd_convert_Click();
    else
        commands.cmd_defaults_Click();
    EXPECT_EQ(desktop.messages, boxesAfter(row, folder.path({})));
    EXPECT_EQ(form.inputs(), inputsAfter(row));
    EXPECT_EQ(desktop.editedFiles, editorStartedOn(row));
    expectFiles(folder, filesAfter(row));
}

INSTANTIATE_TEST_SUITE_P(Rows, EdgeCases, testing::ValuesIn(edgeCases()), edgeCaseName);

TEST_F(CommandsTest, AppendsTheSameRecordsAgainOnASecondClick) {
    folder.write(u"material.ini", "ALT\r\n");
    fillIn(folder.write(u"tabelle.csv", table), folder.path(u"material.ini"), u"*", 1);
    commands.cmd_convert_Click();
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector({success, success}));
    EXPECT_EQ(folder.read(u"material.ini"), "ALT\r\n" + records + records);
}

// A crash on Windows stopped an "ersetzen" between its two steps: no material.ini, its old
// content under the backup name, of a process that no system numbers so. The next
// conversion puts it back first, says so, then appends.
TEST_F(CommandsTest, PutsBackWhatACrashedErsetzenLeftAndSaysSo) {
    const std::u16string backup = u"material.ini.~brisel-backup99999999999-2-0";
    folder.write(backup, "\xEF\xBB\xBFMAT=9,Holz");
    fillIn(folder.write(u"tabelle.csv", "Name\r\nM\xE4rz;7,85;1;31;45;2,5\r\n"), folder.path(u"material.ini"), u"*", 1);
    commands.cmd_convert_Click();
    const ShownMessage note{ShownMessage::Kind::plain,
                            u"Eine frühere Konvertierung wurde unterbrochen, während sie die Zieldatei " +
                                quotedPath(folder.path(u"material.ini")) +
                                u" ersetzte. Der vorige Inhalt der Zieldatei wurde wiederhergestellt, bevor diese "
                                u"Konvertierung begann.",
                            u"Hinweis"};
    EXPECT_EQ(desktop.messages, std::vector({note, success}));
    EXPECT_EQ(folder.read(u"material.ini"),
              "\xEF\xBB\xBFMAT=9,Holz\r\nMAT=1,*M\xC3\xA4rz\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n");
    EXPECT_FALSE(folder.exists(backup));
}

TEST_F(CommandsTest, KeepsEveryCharacterOfAUtf8TableAndPrefixInAUtf8Destination) {
    folder.write(u"material.ini", "\xEF\xBB\xBF");
    fillIn(folder.write(u"tabelle.csv", "K\r\nStahl \xE2\x86\x92 2;1;2;3;4;5\r\n"), folder.path(u"material.ini"), u"Ω", 1);
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read(u"material.ini"), "\xEF\xBB\xBFMAT=2,\xCE\xA9Stahl \xE2\x86\x92 2\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=1\r\n");
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
                    u"Das Präfix (Feld „Prefix für Materialbezeichnung“) enthält das Zeichen „Ω“, das in der Zieldatei "
                    u"nicht darstellbar ist. Bitte das Zeichen im Präfix ersetzen."},
        // The prefix first, then the table's own problems, all in one box, and what to do
        // about each kind.
        FailureCase{"PrefixOutsideTheCodePageAndAShortRow", table + "Kupfer;8,9;3;33\r\n", u"material.ini", u"Ω",
                    u"Das Präfix und die Quelldatei „%DIR%/tabelle.csv“ enthalten 2 Probleme; es wurde nichts "
                    u"geschrieben.\r\nDas Präfix (Feld „Prefix für Materialbezeichnung“) enthält das Zeichen „Ω“, das "
                    u"in der Zieldatei nicht darstellbar ist.\r\nZeile 4 hat 4 Felder; erwartet werden mindestens 6."
                    u"\r\nBitte das Zeichen im Präfix ersetzen. Bitte die fehlenden Felder in der Tabelle ergänzen."},
        // Ten short rows, then two characters outside the code page: the box lists the ten,
        // and tells what to do about the two as well.
        FailureCase{"TwelveProblemsTwoOfAKindNotListed",
                    "\xEF\xBB\xBF" + table +
                        [] {
                            std::string rows;
                            for (int row = 0; row < 10; ++row)
                                rows += "a;1\r\n";
                            return rows;
                        }() +
                        "Stahl \xE2\x86\x92 2;1;2;3;4;5\r\nStahl \xE2\x86\x92 3;1;2;3;4;5\r\n",
                    u"material.ini", {},
                    u"Die Quelldatei „%DIR%/tabelle.csv“ enthält 12 Probleme; es wurde nichts geschrieben.\r\nZeile 4 "
                    u"hat 2 Felder; erwartet werden mindestens 6.\r\nZeile 5 hat 2 Felder; erwartet werden mindestens "
                    u"6.\r\nZeile 6 hat 2 Felder; erwartet werden mindestens 6.\r\nZeile 7 hat 2 Felder; erwartet "
                    u"werden mindestens 6.\r\nZeile 8 hat 2 Felder; erwartet werden mindestens 6.\r\nZeile 9 hat 2 "
                    u"Felder; erwartet werden mindestens 6.\r\nZeile 10 hat 2 Felder; erwartet werden mindestens 6.\r\n"
                    u"Zeile 11 hat 2 Felder; erwartet werden mindestens 6.\r\nZeile 12 hat 2 Felder; erwartet werden "
                    u"mindestens 6.\r\nZeile 13 hat 2 Felder; erwartet werden mindestens 6.\r\n… und 2 weitere "
                    u"Probleme.\r\nBitte die fehlenden Felder in der Tabelle ergänzen. Bitte die Zeichen in der "
                    u"Tabelle ersetzen."},
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
                                           u"“ wird gerade von einem anderen Programm benutzt. Bitte warten, bis "
                                           u"das Programm, das die Datei geöffnet hat (z.\u00A0B. das CAD-System oder "
                                           u"eine andere Konvertierung mit brisel), fertig ist, oder es schließen, "
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
                                            u"“ ist schreibgeschützt. Das Schreibrecht kann ihr Eigentümer oder ein "
                                            u"Administrator geben, in den Eigenschaften der Datei im Dateimanager "
                                            u"oder mit „chmod“; danach bitte erneut konvertieren.",
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
                                                         u"“ ist keine normale Datei (z.\u00A0B. ein Gerät oder "
                                                         u"eine Pipe). Bitte eine normale Datei als Zieldatei "
                                                         u"angeben.",
                                                     u"Fehler")});
}

#endif

}  // namespace
}  // namespace brisel
