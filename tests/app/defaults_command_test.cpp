// "Standardwerte": reading brisel.conf, or writing the default file and asking about it.
// What a brisel.conf sets, and the first click without one, are rows of edge_cases.h.
#include "app/commands_fixture.h"
#include "app/messages.h"
#include "config/default_config.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "unprivileged.h"

#include <sys/stat.h>
#endif

namespace brisel {
namespace {

using std::filesystem::perms;

const ShownMessage notFound{ShownMessage::Kind::yesNo,
                            u"Konfigurationsdatei brisel.conf nicht gefunden.\r\nLeere Datei wurde erstellt.\r\n"
                            u"Wollen Sie die Datei anpassen?",
                            u"Konfiguration nicht gefunden"};
const Inputs defaults{u"konvertierungsblatt.csv", u"material.ini", u"*", 0};
const Inputs typedIn{u"eigene.csv", u"eigene.ini", u"#", 1};

class DefaultsCommand : public CommandsTest {
protected:
    void SetUp() override { form.fillIn(typedIn); }
    std::string confBytes() { return folder.read(u"brisel.conf"); }
    // The box for a brisel.conf that cannot be made, naming the working folder.
    ShownMessage notMade() const {
        return errorBox(u"Die Konfigurationsdatei „brisel.conf“ kann im Arbeitsordner " + quotedPath(folder.path({})) +
                            u" nicht erstellt werden. Bitte die Schreibrechte dort prüfen oder brisel aus einem "
                            u"beschreibbaren Ordner starten.",
                        u"Fehler");
    }
};

TEST_F(DefaultsCommand, OnYesOpensTheEditorAndReadsOnTheNextClick) {
    desktop.answer = Answer::yes;
    commands.cmd_defaults_Click();
    EXPECT_EQ(desktop.messages, std::vector{notFound});
    EXPECT_EQ(desktop.editedFiles, std::vector<std::u16string>{u"brisel.conf"});
    EXPECT_EQ(form.inputs(), typedIn);

    desktop.messages.clear();
    commands.cmd_defaults_Click();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(form.inputs(), defaults);
    EXPECT_EQ(confBytes(), defaultConfigText());
}

TEST_F(DefaultsCommand, FillsPathsThatTheConversionThenUses) {
    folder.write(u"Mat '1';ä.csv", "K\r\nStahl;7,85;1;31;45;2,5\r\n");
    folder.write(u"brisel.conf", "quelle = Mat '1';\xE4.csv\r\nziel = Ziel ;\xFC 'x'.ini\r\nprefix=\xA7\r\naction=erweitern");
    commands.cmd_defaults_Click();
    EXPECT_EQ(form.inputs(), (Inputs{u"Mat '1';ä.csv", u"Ziel ;ü 'x'.ini", u"§", 1}));
    commands.cmd_convert_Click();
    EXPECT_EQ(desktop.messages.back().title, u"Konvertierung erfolgreich");
    EXPECT_EQ(folder.read(u"Ziel ;ü 'x'.ini"), "MAT=1,\xA7Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n");
}

TEST_F(DefaultsCommand, LooksOnlyInTheWorkingFolder) {
    folder.makeFolder(u"sub");
    folder.write(u"sub/brisel.conf", "quelle=woanders.csv");
    commands.cmd_defaults_Click();
    EXPECT_EQ(confBytes(), defaultConfigText());
    EXPECT_EQ(folder.read(u"sub/brisel.conf"), "quelle=woanders.csv");
    EXPECT_EQ(form.inputs(), defaults);
}

// Something other than a file under the name: said so, and nothing written into it.
TEST_F(DefaultsCommand, ReportsAFolderInTheWay) {
    folder.makeFolder(u"brisel.conf");
    commands.cmd_defaults_Click();
    const std::u16string conf = u"Die Konfigurationsdatei „brisel.conf“ im Arbeitsordner " + quotedPath(folder.path({}));
    EXPECT_EQ(desktop.messages, std::vector{errorBox(conf + u" ist ein Ordner. Bitte den Ordner umbenennen oder brisel "
                                                            u"aus einem anderen Ordner starten.",
                                                     u"Fehler")});
    EXPECT_EQ(form.inputs(), typedIn);
    EXPECT_TRUE(std::filesystem::is_empty(folder.file(u"brisel.conf")));
#ifndef _WIN32
    std::filesystem::remove(folder.file(u"brisel.conf"));
    ASSERT_EQ(::mkfifo(folder.file(u"brisel.conf").c_str(), 0666), 0);
    desktop.messages.clear();
    commands.cmd_defaults_Click();
    EXPECT_EQ(desktop.messages, std::vector{errorBox(conf + u" ist keine normale Datei (z.\u00A0B. ein Gerät oder eine "
                                                            u"Pipe). Bitte sie umbenennen oder brisel aus einem anderen "
                                                            u"Ordner starten.",
                                                     u"Fehler")});
    EXPECT_EQ(form.inputs(), typedIn);
#endif
}

TEST_F(DefaultsCommand, ReportsAnEditorThatCannotStart) {
    desktop.answer = Answer::yes;
    desktop.editorStarts = false;
    commands.cmd_defaults_Click();
    EXPECT_EQ(desktop.messages,
              std::vector({notFound, errorBox(u"Der Editor für „brisel.conf“ konnte nicht gestartet werden. Bitte die "
                                              u"Datei „brisel.conf“ im Arbeitsordner " + quotedPath(folder.path({})) +
                                                  u" mit einem Texteditor öffnen, anpassen und speichern; danach erneut "
                                                  u"auf „Standardwerte“ klicken.",
                                              u"Fehler")}));
    EXPECT_EQ(form.inputs(), typedIn);
    EXPECT_EQ(confBytes(), defaultConfigText());
}

#ifndef _WIN32

TEST_F(DefaultsCommand, ReportsAnUnwritableWorkingFolder) {
    folder.permit({}, perms::owner_read | perms::owner_exec | perms::others_read | perms::others_exec);
    EXPECT_TRUE(asOrdinaryUser([&] {
        commands.cmd_defaults_Click();
        return desktop.messages == std::vector{notMade()} &&
               form.inputs() == typedIn;
    }));
    folder.permit({}, perms::all);
    EXPECT_FALSE(folder.exists(u"brisel.conf"));
}

TEST_F(DefaultsCommand, ReportsAnUnreadableFile) {
    folder.permit({}, perms::all);
    folder.write(u"brisel.conf", "quelle=x.csv\r\n");
    folder.permit(u"brisel.conf", perms::owner_write | perms::others_write);
    EXPECT_TRUE(asOrdinaryUser([&] {
        commands.cmd_defaults_Click();
        return desktop.messages == std::vector{errorBox(u"Die Konfigurationsdatei „brisel.conf“ im Arbeitsordner " +
                                                            quotedPath(folder.path({})) +
                                                            u" kann nicht gelesen werden. Bitte die Leserechte der "
                                                            u"Datei prüfen.",
                                                        u"Fehler")} &&
               form.inputs() == typedIn;
    }));
}

#endif

}  // namespace
}  // namespace brisel
