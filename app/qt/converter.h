// The one window on Qt: it lays out the controls, hands their clicks to the commands and
// lets the commands read and write the controls.
#pragma once

#include "app/commands.h"
#include "app/form.h"
#include "app/layout.h"

#include <QWidget>

#include <array>

class QLineEdit;
class QRadioButton;

namespace brisel {
class Desktop;
}

class converter : public QWidget, private brisel::Form {
    Q_OBJECT

public:
    explicit converter(brisel::Desktop& desktop, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();

    // brisel::Form
    void setTitle(std::u16string_view title) override;
    std::u16string text(brisel::TextBox which) const override;
    void setText(brisel::TextBox which, std::u16string_view text) override;
    bool isSelected(int index) const override;
    void select(int index) override;
    void deselect(int index) override;
    void unload() override;

    QLineEdit* textBox(brisel::layout::Control control) const;
    QLineEdit* box(brisel::TextBox which) const;
    QRadioButton* option(int index) const;

    brisel::Commands commands;
    // The controls, in the order of the layout table.
    std::array<QWidget*, brisel::layout::controls.size()> controls{};
};
