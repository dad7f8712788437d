// "Standardwerte": reading brisel.conf, or writing the default file and asking about it.
#include "app/window_fixture.h"
#include "config/default_config.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

const ShownMessage notFound{ShownMessage::Kind::yesNo,
                            u"Konfigurationsdatei brisel.conf nicht gefunden.\r\nLeere Datei wurde erstellt.\r\n"
                            u"Wollen Sie die Datei anpassen?"_s,
                            u"Konfiguration nicht gefunden"_s};
const Inputs defaults{u"konvertierungsblatt.csv"_s, u"material.ini"_s, u"*"_s, 0};
const Inputs typedIn{u"eigene.csv"_s, u"eigene.ini"_s, u"#"_s, 1};

class DefaultsCommand : public Window {
protected:
    std::string confBytes() { return folder.read(u"brisel.conf"_s).toStdString(); }
};

TEST_F(DefaultsCommand, WithoutAFileWritesItAndReadsItOnNo) {
    fillIn(typedIn);
    desktop.answer = Answer::no;
    click("cmd_defaults");
    EXPECT_EQ(desktop.messages, std::vector{notFound});
    EXPECT_EQ(confBytes(), defaultConfigText());
    EXPECT_EQ(inputs(), defaults);
    EXPECT_TRUE(desktop.editedFiles.empty());
}

TEST_F(DefaultsCommand, OnYesOpensTheEditorAndReadsOnTheNextClick) {
    fillIn(typedIn);
    desktop.answer = Answer::yes;
    click("cmd_defaults");
    EXPECT_EQ(desktop.messages, std::vector{notFound});
    EXPECT_EQ(desktop.editedFiles, std::vector{u"brisel.conf"_s});
    EXPECT_EQ(inputs(), typedIn);

    desktop.messages.clear();
    click("cmd_defaults");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(inputs(), defaults);
    EXPECT_EQ(confBytes(), defaultConfigText());
}

TEST_F(DefaultsCommand, WithAFileReadsItSilently) {
    struct Case {
        const char* name;
        std::string file;
        Inputs expected;
    };
    for (const Case& c : {
             Case{"NoSettings", "# nur Kommentar\r\n\r\n", typedIn},
             Case{"OnlyPrefix", "prefix = Stahl-\r\n", {u"eigene.csv"_s, u"eigene.ini"_s, u"Stahl-"_s, 1}},
             Case{"AllFour", "quelle=a.csv\rziel = b.ini\r\nprefix=\r\naction=ersetzen",
                  {u"a.csv"_s, u"b.ini"_s, {}, 0}},
             Case{"InvalidActionDeselectsBoth", "action=erweitern\r\naction=anhängen\r\n",
                  {u"eigene.csv"_s, u"eigene.ini"_s, u"#"_s, -1}},
             Case{"AnsiBytesDecoded", "quelle=M\xE4rz \x80.csv\r\nziel=C:\\M\xFC\\material.ini\r\n",
                  {u"März €.csv"_s, u"C:\\Mü\\material.ini"_s, u"#"_s, 1}},
             Case{"LineWithoutEqualsSkipped", "quelle\r\nziel=z.ini\r\n", {u"eigene.csv"_s, u"z.ini"_s, u"#"_s, 1}},
         }) {
        fillIn(typedIn);
        desktop.messages.clear();
        folder.write(u"brisel.conf"_s, c.file);
        click("cmd_defaults");
        EXPECT_TRUE(desktop.messages.empty()) << c.name;
        EXPECT_EQ(inputs(), c.expected) << c.name;
        EXPECT_EQ(confBytes(), c.file) << c.name;
    }
}

TEST_F(DefaultsCommand, FillsPathsThatTheConversionThenUses) {
    const QString source = folder.write(u"Mat \"1\";ä.csv"_s, "K\r\nStahl;7,85;1;31;45;2,5\r\n");
    folder.write(u"brisel.conf"_s, "quelle = Mat \"1\";\xE4.csv\r\nziel = Ziel ;\xFC 'x'.ini\r\nprefix=\xA7\r\naction=erweitern");
    click("cmd_defaults");
    EXPECT_EQ(inputs(), (Inputs{u"Mat \"1\";ä.csv"_s, u"Ziel ;ü 'x'.ini"_s, u"§"_s, 1}));
    click("cmd_convert");
    EXPECT_EQ(desktop.messages.back().title, u"Konvertierung erfolgreich"_s);
    EXPECT_EQ(folder.read(u"Ziel ;ü 'x'.ini"_s), "MAT=1,\xA7Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n");
}

TEST_F(DefaultsCommand, LooksOnlyInTheWorkingFolder) {
    QDir(folder.path({})).mkdir(u"sub"_s);
    folder.write(u"sub/brisel.conf"_s, "quelle=woanders.csv");
    click("cmd_defaults");
    EXPECT_EQ(confBytes(), defaultConfigText());
    EXPECT_EQ(folder.read(u"sub/brisel.conf"_s), "quelle=woanders.csv");
    EXPECT_EQ(inputs(), defaults);
}

TEST_F(DefaultsCommand, ReportsAFolderInTheWay) {
    QDir(folder.path({})).mkdir(u"brisel.conf"_s);
    fillIn(typedIn);
    click("cmd_defaults");
    EXPECT_EQ(desktop.messages,
              std::vector{errorBox(u"Die Konfigurationsdatei brisel.conf kann nicht erstellt werden."_s, u"Fehler"_s)});
    EXPECT_EQ(inputs(), typedIn);
}

TEST_F(DefaultsCommand, ReportsAnUnwritableWorkingFolder) {
    fillIn(typedIn);
    folder.permit({}, QFileDevice::Permissions(0x5555));
    EXPECT_TRUE(asOrdinaryUser([&] {
        click("cmd_defaults");
        return desktop.messages == std::vector{errorBox(
                                       u"Die Konfigurationsdatei brisel.conf kann nicht erstellt werden."_s, u"Fehler"_s)} &&
               inputs() == typedIn;
    }));
    folder.permit({}, QFileDevice::Permissions(0x7777));
    EXPECT_FALSE(folder.exists(u"brisel.conf"_s));
}

TEST_F(DefaultsCommand, ReportsAnUnreadableFile) {
    fillIn(typedIn);
    folder.permit({}, QFileDevice::Permissions(0x7777));
    folder.write(u"brisel.conf"_s, "quelle=x.csv\r\n");
    folder.permit(u"brisel.conf"_s, QFileDevice::WriteOwner | QFileDevice::WriteOther);
    EXPECT_TRUE(asOrdinaryUser([&] {
        click("cmd_defaults");
        return desktop.messages == std::vector{errorBox(
                                       u"Die Konfigurationsdatei brisel.conf kann nicht gelesen werden."_s, u"Fehler"_s)} &&
               inputs() == typedIn;
    }));
}

TEST_F(DefaultsCommand, ReportsAnEditorThatCannotStart) {
    fillIn(typedIn);
    desktop.answer = Answer::yes;
    desktop.editorStarts = false;
    click("cmd_defaults");
    EXPECT_EQ(desktop.messages,
              std::vector({notFound, errorBox(u"Der Editor für brisel.conf konnte nicht gestartet werden."_s, u"Fehler"_s)}));
    EXPECT_EQ(inputs(), typedIn);
    EXPECT_EQ(confBytes(), defaultConfigText());
}

}  // namespace
}  // namespace brisel
