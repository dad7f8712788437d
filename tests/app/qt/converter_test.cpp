// The Qt window: its layout as a user notices it, and its buttons wired to the commands.
#include "app/qt/converter.h"

#include "app/edge_cases.h"
#include "fake_desktop.h"
#include "temp_folder.h"
#include "workbook_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

class QtWindow : public testing::Test {
protected:
    template <class Control = QWidget>
    Control* control(const char* name) {
        auto* found = window.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* text(const char* name) { return control<QLineEdit>(name); }
    QRadioButton* option(int index) { return control<QRadioButton>(index == 0 ? "action0" : "action1"); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    void showActive() {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TempFolder folder;
    FakeDesktop desktop;
    converter window{desktop};
};

TEST_F(QtWindow, StartsEmptyAndFixedUnderItsVersionedTitle) {
    EXPECT_EQ(window.windowTitle(), u"Materialdaten konvertieren  v1.2"_s);
    for (const char* name : {"txt_source", "txt_prefix", "txt_destination"})
        EXPECT_EQ(text(name)->text(), QString()) << name;
    EXPECT_FALSE(option(0)->isChecked());
    EXPECT_FALSE(option(1)->isChecked());
    EXPECT_EQ(window.size(), QSize(409, 231));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
}

TEST_F(QtWindow, ShowsItsHoverTextsAndCarefullySpacedCaptions) {
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
    EXPECT_EQ(text("txt_destination")->accessibleName(), u"material.ini  - Zieldatei"_s);
    // No caption carries an access key.
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        EXPECT_FALSE(button->text().contains(u'&')) << button->text().toStdString();
}

TEST_F(QtWindow, TabGoesThroughTheControlsInOrder) {
    showActive();
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

TEST_F(QtWindow, OptionsAreOneGroupForTheUser) {
    for (const int clicked : {0, 1, 1, 0}) {
        click(clicked == 0 ? "action0" : "action1");
        EXPECT_TRUE(option(clicked)->isChecked());
        EXPECT_FALSE(option(1 - clicked)->isChecked());
    }
}

TEST_F(QtWindow, EnterAndEscapeTriggerNothing) {
    showActive();
    text("txt_source")->setText(QString::fromStdU16String(folder.write(u"tabelle.csv", "K\r\nA;1;2;3;4;5\r\n")));
    text("txt_destination")->setText(u"material.ini"_s);
    click("action0");
    for (const char* name : {"txt_source", "txt_prefix", "txt_destination", "cmd_convert"}) {
        control(name)->setFocus();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(control(name), key);
    }
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(folder.exists(u"material.ini"));
}

TEST_F(QtWindow, FilesDroppedFromTheFileManagerFillTheBoxes) {
    // A drag and its drop, as a file manager sends them: file URLs, whose names keep their
    // bytes ("%E4" for a name in Windows-1252).
    const auto drop = [](QWidget* target, const QStringList& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << (file.startsWith(u"file:") ? QUrl::fromEncoded(file.toLatin1()) : QUrl::fromLocalFile(file));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    };
    text("txt_prefix")->setText(u"*"_s);
    EXPECT_TRUE(drop(text("txt_source"), {u"/daten/Mär z.csv"_s, u"/daten/zweite.csv"_s}));
    EXPECT_TRUE(drop(control("frm_destination"), {u"/daten/material.ini"_s}));
    EXPECT_FALSE(drop(text("txt_prefix"), {u"/daten/x.csv"_s}));
    EXPECT_EQ(text("txt_source")->text(), u"/daten/Mär z.csv"_s);
    EXPECT_EQ(text("txt_destination")->text(), u"/daten/material.ini"_s);
    EXPECT_EQ(text("txt_prefix")->text(), u"*"_s);
    EXPECT_TRUE(drop(text("txt_destination"), {u"file:///daten/Ziel%E4%20%C3%BC.ini"_s}));
    EXPECT_EQ(text("txt_destination")->text().toStdU16String(), u"/daten/Ziel\xDCE4 ü.ini");
}

TEST_F(QtWindow, ButtonsRunTheirCommandsOnTheControls) {
    window.show();
    desktop.choices = {folder.write(u"tabelle.csv", "K\r\nStahl;7,85;1;31;45;2,5\r\n"), u"material.ini"};
    click("cmd_select_source");
    click("cmd_select_destination");
    text("txt_prefix")->setText(u"*"_s);
    click("action1");
    click("cmd_convert");
    EXPECT_EQ(folder.read(u"material.ini"), "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n");

    click("cmd_defaults");  // no brisel.conf: the default file is written and read
    EXPECT_EQ(text("txt_source")->text(), u"konvertierungsblatt.csv"_s);
    EXPECT_TRUE(option(0)->isChecked());
    EXPECT_FALSE(option(1)->isChecked());
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].title, u"Konvertierung erfolgreich");
    EXPECT_EQ(desktop.messages[1].title, u"Konfiguration nicht gefunden");

    click("cmd_beenden");
    EXPECT_FALSE(window.isVisible());
}

// Every case of edge_cases.h, typed into the window and clicked.
class QtWindowEdgeCases : public QtWindow, public testing::WithParamInterface<EdgeCase> {};

TEST_P(QtWindowEdgeCases, ThroughTheQtWindow) {
    const EdgeCase& row = GetParam();
    layFiles(row, folder);
    const Inputs before = inputsBefore(row);
    text("txt_source")->setText(QString::fromStdU16String(before.source));
    text("txt_destination")->setText(QString::fromStdU16String(before.destination));
    text("txt_prefix")->setText(QString::fromStdU16String(before.prefix));
    if (before.option != -1)
        click(before.option == 0 ? "action0" : "action1");
    desktop.answer = row.answer;
    click(row.button == Button::konvertieren ? "cmd_convert" : "cmd_defaults");
    EXPECT_EQ(desktop.messages, boxesAfter(row, folder.path({})));
    const Inputs shown{text("txt_source")->text().toStdU16String(), text("txt_destination")->text().toStdU16String(),
                       text("txt_prefix")->text().toStdU16String(),
                       option(0)->isChecked() ? 0 : option(1)->isChecked() ? 1 : -1};
    EXPECT_EQ(shown, inputsAfter(row));
    EXPECT_EQ(desktop.editedFiles, editorStartedOn(row));
    expectFiles(folder, filesAfter(row));
}

INSTANTIATE_TEST_SUITE_P(Rows, QtWindowEdgeCases, testing::ValuesIn(edgeCases()), edgeCaseName);

TEST_F(QtWindow, ConvertsAWorkbookTypedAsTheSource) {
    const std::u16string source = folder.write(u"Materialien.ods", workbookFixture("wiederholt.ods"));
    QTest::keyClicks(text("txt_source"), QString::fromStdU16String(source));
    QTest::keyClicks(text("txt_destination"), u"material.ini"_s);
    click("action0");
    click("cmd_convert");
    EXPECT_EQ(folder.read(u"material.ini"), "MAT=,Stahl  S235\r\n-XHATCH=31, WAHR, 0,25\r\n-KG_P_L=\r\n"
                                            "MAT=,Stahl  S235\r\n-XHATCH=31, WAHR, 0,25\r\n-KG_P_L=\r\n");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, u"Konvertierung erfolgreich");
}

}  // namespace
}  // namespace brisel
