// The window with a fake desktop in a fresh working folder, reached through its controls' names.
#pragma once

#include "app/converter.h"

#include "fake_desktop.h"
#include "temp_folder.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace brisel {

// The four inputs as the user sees them; option -1 when neither is selected.
struct Inputs {
    QString source, destination, prefix;
    int option = -1;

    bool operator==(const Inputs&) const = default;
};

inline void PrintTo(const Inputs& i, std::ostream* os) {
    *os << "{\"" << i.source.toStdString() << "\", \"" << i.destination.toStdString() << "\", \""
        << i.prefix.toStdString() << "\", " << i.option << "}";
}

class Window : public testing::Test {
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

    void fillIn(const QString& source, const QString& destination, const QString& prefix, int option_) {
        text("txt_source")->setText(source);
        text("txt_destination")->setText(destination);
        text("txt_prefix")->setText(prefix);
        if (option_ >= 0)
            click(option_ == 0 ? "action0" : "action1");
    }

    Inputs inputs() {
        return {text("txt_source")->text(), text("txt_destination")->text(), text("txt_prefix")->text(),
                option(0)->isChecked() ? 0 : option(1)->isChecked() ? 1 : -1};
    }
    void fillIn(const Inputs& i) { fillIn(i.source, i.destination, i.prefix, i.option); }

    TempFolder folder;
    FakeDesktop desktop;
    converter window{desktop};
};

}  // namespace brisel
