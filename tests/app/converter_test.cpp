// The window as a user meets it: clicks and keys in, message boxes and file bytes out.
#include "app/converter.h"

#include "app/window_fixture.h"
#include "file_size_limit.h"
#include "unprivileged.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

const std::string table = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n"
                          "Stahl;7,85;1;31;45;2,5\r\n"
                          "Aluminium;2,7;2;32;0;1\r\n";
const std::string records = "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
                            "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n";

const ShownMessage success{ShownMessage::Kind::plain, u"Konvertierung erfolgreich durchgeführt"_s,
                           u"Konvertierung erfolgreich"_s};

TEST_F(Window, StartsEmptyUnderItsVersionedTitle) {
    folder.write("brisel.conf", "quelle=a.csv\r\nziel=b.ini\r\nprefix=*\r\naction=ersetzen\r\n");
    converter fresh(desktop);
    EXPECT_EQ(fresh.windowTitle(), u"Materialdaten konvertieren  v1.2"_s);
    for (const char* name : {"txt_source", "txt_prefix", "txt_destination"})
        EXPECT_EQ(fresh.findChild<QLineEdit*>(QString::fromLatin1(name))->text(), QString()) << name;
    for (const char* name : {"action0", "action1"})
        EXPECT_FALSE(fresh.findChild<QRadioButton*>(QString::fromLatin1(name))->isChecked()) << name;
    EXPECT_EQ(fresh.size(), QSize(409, 231));
    EXPECT_EQ(fresh.minimumSize(), fresh.maximumSize());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Window, ShowsItsHoverTextsAndCarefullySpacedCaptions) {
    struct Case {
        const char* name;
        QString toolTip;
    };
    for (const Case& c : {Case{"txt_source", u"CSV-Quelldatei"_s}, Case{"cmd_select_source", u"Explorer öffnen"_s},
                          Case{"txt_destination", u"material.ini - Zieldatei"_s},
                          Case{"cmd_select_destination", u"Explorer öffnen"_s},
                          Case{"action0", u"Zieldatei überschreiben"_s}, Case{"action1", u"An Zieldatei anhängen"_s},
                          Case{"txt_prefix", {}}, Case{"cmd_convert", {}}})
        EXPECT_EQ(control(c.name)->toolTip(), c.toolTip) << c.name;
    EXPECT_EQ(control<QGroupBox>("frm_source")->title(), u"CSV - Quelldatei"_s);
    EXPECT_EQ(control<QGroupBox>("frm_destination")->title(), u"material.ini  - Zieldatei"_s);
    // No caption carries an access key.
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        EXPECT_FALSE(button->text().contains(u'&')) << button->text().toStdString();
}

TEST_F(Window, TabGoesThroughTheControlsInOrder) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    option(0)->setChecked(true);  // Tab enters an option group at its selected button
    // The window opens with the focus in the source box.
    const std::vector<const char*> order = {"txt_source",  "cmd_select_source", "txt_prefix",  "txt_destination",
                                            "cmd_select_destination", "action0", "cmd_defaults", "cmd_convert",
                                            "cmd_beenden", "txt_source"};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        EXPECT_EQ(QApplication::focusWidget(), control(order[i])) << "step " << i;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The focus chain itself holds both options, in their order.
    EXPECT_EQ(option(0)->nextInFocusChain(), option(1));
}

TEST_F(Window, OptionsAreOneGroupForTheUser) {
    click("action0");
    EXPECT_TRUE(option(0)->isChecked());
    click("action1");
    EXPECT_TRUE(option(1)->isChecked());
    EXPECT_FALSE(option(0)->isChecked());
    click("action1");
    EXPECT_TRUE(option(1)->isChecked());
    click("action0");
    EXPECT_TRUE(option(0)->isChecked());
    EXPECT_FALSE(option(1)->isChecked());
}

TEST_F(Window, EnterAndEscapeTriggerNothing) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, 0);
    for (const char* name : {"txt_source", "txt_prefix", "txt_destination", "cmd_convert"}) {
        control(name)->setFocus();
        QTest::keyClick(control(name), Qt::Key_Return);
        QTest::keyClick(control(name), Qt::Key_Enter);
        QTest::keyClick(control(name), Qt::Key_Escape);
    }
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(folder.exists("material.ini"));
}

// Which inputs are set before "Konvertieren" and the one box that answers them.
struct CheckCase {
    const char* name;
    const char* source;  // "table" for an existing table, "folder" for a folder, else as written
    const char* destination;
    int option;  // -1 for none
    ShownMessage expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertChecks : public Window, public testing::WithParamInterface<CheckCase> {};

TEST_P(ConvertChecks, StopAtTheFirstMissingInput) {
    const CheckCase& c = GetParam();
    folder.write("tabelle.csv", table);
    QDir(folder.path({})).mkdir(u"Ordner"_s);
    QString source = QString::fromUtf8(c.source);
    if (source == u"table")
        source = folder.path(u"tabelle.csv"_s);
    else if (source == u"folder")
        source = folder.path(u"Ordner"_s);
    fillIn(source, QString::fromUtf8(c.destination), {}, c.option);
    click("cmd_convert");
    EXPECT_EQ(desktop.messages, std::vector<ShownMessage>{c.expected});
    EXPECT_FALSE(folder.exists("material.ini"));
}

const ShownMessage noSource = errorBox(u"Bitte Quelldatei auswählen"_s, u"Fehlende Eingabe"_s);
const ShownMessage missingSource = errorBox(u"Die angegebene Quelldatei existiert nicht."_s, u"Ungültige Eingabe"_s);
const ShownMessage noDestination = errorBox(u"Bitte Zieldatei angeben oder auswählen"_s, u"Fehlende Eingabe"_s);
const ShownMessage noMode = errorBox(u"Bitte Überschreiben oder Anhängen wählen"_s, u"Fehlende Angabe"_s);

INSTANTIATE_TEST_SUITE_P(
    Inputs, ConvertChecks,
    testing::Values(CheckCase{"NothingGiven", "", "", -1, noSource},
                    CheckCase{"NoSourceButTheRest", "", "material.ini", 0, noSource},
                    CheckCase{"SourceNamesNoFile", "fehlt.csv", "", -1, missingSource},
                    CheckCase{"SourceOfBlanks", "   ", "material.ini", 0, missingSource},
                    CheckCase{"SourceIsAFolder", "folder", "material.ini", 1, missingSource},
                    CheckCase{"SourceWithWildcard", "*.csv", "material.ini", 0, missingSource},
                    CheckCase{"NoDestination", "table", "", -1, noDestination},
                    CheckCase{"NoDestinationWithMode", "table", "", 0, noDestination},
                    CheckCase{"NoMode", "table", "material.ini", -1, noMode}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST_F(Window, OverwritesWithErsetzen) {
    folder.write("material.ini", "ALT\r\n");
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, 0);
    click("cmd_convert");
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read("material.ini").toStdString(), records);
}

TEST_F(Window, AppendsWithErweiternDirectlyAfterTheLastByte) {
    folder.write("material.ini", "ALT");
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, 1);
    click("cmd_convert");
    click("cmd_convert");
    EXPECT_EQ(desktop.messages, std::vector({success, success}));
    EXPECT_EQ(folder.read("material.ini").toStdString(), "ALT" + records + records);
}

TEST_F(Window, CreatesAMissingDestinationInEitherMode) {
    for (int mode : {0, 1}) {
        const QString name = u"neu%1.ini"_s.arg(mode);
        fillIn(folder.write("tabelle.csv", table), folder.path(name), u"*"_s, mode);
        click("cmd_convert");
        EXPECT_EQ(folder.read(name).toStdString(), records) << mode;
    }
}

TEST_F(Window, ConvertsATableWithoutRowsToNothing) {
    folder.write("material.ini", "ALT");
    fillIn(folder.write("tabelle.csv", "Kopf\r\n"), folder.path("material.ini"), u"*"_s, 0);
    click("cmd_convert");
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read("material.ini"), "");
}

TEST_F(Window, SameFileAsSourceAndDestinationHoldsOnlyTheRecords) {
    const QString both = folder.write("tabelle.csv", table);
    fillIn(both, both, u"*"_s, 0);
    click("cmd_convert");
    EXPECT_EQ(folder.read("tabelle.csv").toStdString(), records);
}

TEST_F(Window, WritesThePrefixInTheAnsiCodePage) {
    fillIn(folder.write("tabelle.csv", "K\r\nStahl;1;2;3;4;5\r\n"), folder.path("material.ini"), u"Ä€ "_s, 0);
    click("cmd_convert");
    EXPECT_EQ(folder.read("material.ini").toStdString(), "MAT=2,\xC4\x80 Stahl\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=1\r\n");
}

TEST_F(Window, KeepsTheInputsAfterAConversion) {
    const QString source = folder.write("tabelle.csv", table);
    fillIn(source, folder.path("material.ini"), u" * "_s, 1);
    click("cmd_convert");
    EXPECT_EQ(text("txt_source")->text(), source);
    EXPECT_EQ(text("txt_prefix")->text(), u" * "_s);
    EXPECT_TRUE(option(1)->isChecked());
}

// A conversion that cannot finish: its error box, and every file as it was.
struct FailureCase {
    const char* name;
    std::string table;
    QString destination;
    QString prefix;
    QString message;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertFailures : public Window, public testing::WithParamInterface<FailureCase> {};

TEST_P(ConvertFailures, ReportAndTouchNothing) {
    const FailureCase& c = GetParam();
    folder.write("material.ini", "ALT");
    QDir(folder.path({})).mkdir(u"Ordner.ini"_s);
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(folder.write("tabelle.csv", c.table), folder.path(c.destination), c.prefix, mode);
        click("cmd_convert");
        const QString message = QString(c.message).replace(u"%DIR%"_s, QDir::toNativeSeparators(folder.path({})));
        EXPECT_EQ(desktop.messages, std::vector{errorBox(message, u"Fehler"_s)}) << "mode " << mode;
        EXPECT_EQ(folder.read("material.ini"), "ALT");
        EXPECT_FALSE(folder.exists("fehlt"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ConvertFailures,
    testing::Values(
        FailureCase{"RowWithTooFewFields", table + "Kupfer;8,9;3;33\r\n", u"material.ini"_s, {},
                    u"Zeile 4 der Quelldatei hat 4 Felder; erwartet werden mindestens 6."_s},
        FailureCase{"RowWithOneField", "K\r\nKupfer\r\n", u"material.ini"_s, {},
                    u"Zeile 2 der Quelldatei hat 1 Feld; erwartet werden mindestens 6."_s},
        FailureCase{"PrefixOutsideTheCodePage", table, u"material.ini"_s, u"Ω"_s,
                    u"Das Prefix enthält Zeichen, die in der Zieldatei nicht darstellbar sind."_s},
        FailureCase{"DestinationFolderMissing", table, u"fehlt/material.ini"_s, {},
                    u"Der Ordner der Zieldatei „%DIR%/fehlt/material.ini“ existiert nicht."_s},
        FailureCase{"DestinationIsAFolder", table, u"Ordner.ini"_s, {},
                    u"Die Zieldatei „%DIR%/Ordner.ini“ ist ein Ordner."_s}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(Window, LeavesTheOldDestinationWhenTheDiskFillsUp) {
    const std::string old = "MAT=9,alt\r\n";
    folder.write("material.ini", old);
    std::string big = "K\r\n";
    for (int i = 0; i < 2000; ++i)
        big += "Material;1,5;1;2;3;4\r\n";
    const QString source = folder.write("tabelle.csv", big);
    for (int mode : {0, 1}) {
        desktop.messages.clear();
        fillIn(source, folder.path("material.ini"), u"*"_s, mode);
        {
            FileSizeLimit full(8192);
            click("cmd_convert");
        }
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].title, u"Fehler"_s);
        EXPECT_TRUE(desktop.messages[0].text.startsWith(u"Die Zieldatei „"_s)) << desktop.messages[0].text.toStdString();
        EXPECT_EQ(folder.read("material.ini").toStdString(), old) << "mode " << mode;
    }
}

TEST_F(Window, ReportsASourceThatCannotBeRead) {
    folder.permit({}, QFileDevice::Permissions(0x7777));
    const QString source = folder.write("tabelle.csv", table);
    folder.permit(u"tabelle.csv"_s, QFileDevice::WriteOwner | QFileDevice::WriteOther);
    fillIn(source, folder.path("material.ini"), {}, 0);
    EXPECT_TRUE(asOrdinaryUser([&] {
        click("cmd_convert");
        return desktop.messages ==
               std::vector{errorBox(u"Die Quelldatei „%1“ kann nicht gelesen werden."_s.arg(QDir::toNativeSeparators(source)),
                                    u"Fehler"_s)};
    }));
    EXPECT_FALSE(folder.exists("material.ini"));
}

TEST_F(Window, KeepsAReadOnlyDestinationInEitherMode) {
    folder.permit({}, QFileDevice::Permissions(0x7777));
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, -1);
    folder.write("material.ini", "ALT");
    folder.permit(u"material.ini"_s, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    for (int mode : {0, 1}) {
        click(mode == 0 ? "action0" : "action1");
        EXPECT_TRUE(asOrdinaryUser([&] {
            click("cmd_convert");
            return desktop.messages.size() == 1 && desktop.messages[0].text.startsWith(u"Die Zieldatei „"_s) &&
                   desktop.messages[0].text.endsWith(u"kann nicht geschrieben werden. Bitte Schreibrechte und "
                                                     u"freien Speicherplatz prüfen."_s);
        })) << "mode " << mode;
        EXPECT_EQ(folder.read("material.ini"), "ALT");
    }
}

TEST_F(Window, OverwritesInPlaceWhereTheFolderTakesNoNewFile) {
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, 0);
    folder.write("material.ini", "ALT");
    folder.permit(u"material.ini"_s, QFileDevice::Permissions(0x6666));
    folder.permit({}, QFileDevice::Permissions(0x5555));
    EXPECT_TRUE(asOrdinaryUser([&] {
        click("cmd_convert");
        return desktop.messages == std::vector{success};
    }));
    folder.permit({}, QFileDevice::Permissions(0x7777));
    EXPECT_EQ(folder.read("material.ini").toStdString(), records);
}

TEST_F(Window, TakesPathsWithBlanksQuotesSemicolonsAndUmlauts) {
    const QString source = folder.write(u"Mat \"1\";ä €.csv"_s, table);
    fillIn(source, folder.path(u"Ziel ;ü 'x'.ini"_s), u"*"_s, 0);
    click("cmd_convert");
    EXPECT_EQ(desktop.messages, std::vector{success});
    EXPECT_EQ(folder.read(u"Ziel ;ü 'x'.ini"_s).toStdString(), records);
}

TEST_F(Window, RefusesASpecialFileAsDestination) {
    ASSERT_EQ(::mkfifo(folder.path("material.ini").toLocal8Bit().constData(), 0666), 0);
    fillIn(folder.write("tabelle.csv", table), folder.path("material.ini"), u"*"_s, 1);
    click("cmd_convert");
    EXPECT_EQ(desktop.messages,
              std::vector{errorBox(u"Die Zieldatei „%1“ ist keine gewöhnliche Datei."_s.arg(folder.path("material.ini")),
                                   u"Fehler"_s)});
}

TEST_F(Window, FileButtonsFillTheirBoxOrEmptyItOnCancel) {
    fillIn(u"alt.csv"_s, u"alt.ini"_s, u"*"_s, 1);
    desktop.choices = {u"/daten/tabelle.csv"_s, u"/daten/neu.ini"_s};
    click("cmd_select_source");
    click("cmd_select_destination");
    EXPECT_EQ(text("txt_source")->text(), u"/daten/tabelle.csv"_s);
    EXPECT_EQ(text("txt_destination")->text(), u"/daten/neu.ini"_s);
    click("cmd_select_destination");  // the fake has no more choices: cancel
    click("cmd_select_source");
    EXPECT_EQ(text("txt_source")->text(), QString());
    EXPECT_EQ(text("txt_destination")->text(), QString());
    EXPECT_EQ(text("txt_prefix")->text(), u"*"_s);
    EXPECT_TRUE(option(1)->isChecked());
    const ShownDialog source{u"Quelldatei wählen"_s, u"CSV-Dateien (*.csv)|*.csv"_s};
    const ShownDialog destination{u"material-ini Zieldatei wählen"_s, u"INI-Dateien (*.ini)|*.ini"_s};
    EXPECT_EQ(desktop.dialogs, std::vector({source, destination, destination, source}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Window, BeendenClosesTheWindowWithoutTouchingFiles) {
    window.show();
    fillIn(u"a.csv"_s, u"b.ini"_s, u"*"_s, 0);
    click("cmd_beenden");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(folder.exists("brisel.conf"));
}

}  // namespace
}  // namespace brisel
