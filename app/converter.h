// The one window: the user's inputs live in its controls, its buttons run the commands,
// and the commands hand bytes to the conversion and configuration cores.
#pragma once

#include "app/write_mode.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brisel {
class Desktop;
}

class converter : public QWidget {
    Q_OBJECT

public:
    explicit converter(brisel::Desktop& desktop, QWidget* parent = nullptr);

private:
    void buildLayout();
    void Form_Load();

    void cmd_select_source_Click();
    void cmd_select_destination_Click();
    void cmd_defaults_Click();
    void cmd_convert_Click();
    void cmd_beenden_Click();

    QString selectFile(const QString& titel, const QString& filterString);
    QString convert(const QString& Source, const QString& destination, brisel::WriteMode action);
    void parseConfigFile(const QString& file);
    bool createConfigFile(const QString& file);

    void selectAction(int index);
    void deselectAction(int index);
    void showError(const QString& text, const QString& title);

    brisel::Desktop& desktop;
    QString version;

    QGroupBox* frm_source = nullptr;
    QLineEdit* txt_source = nullptr;
    QPushButton* cmd_select_source = nullptr;
    QGroupBox* prefix = nullptr;
    QLineEdit* txt_prefix = nullptr;
    QGroupBox* frm_destination = nullptr;
    QLineEdit* txt_destination = nullptr;
    QPushButton* cmd_select_destination = nullptr;
    QGroupBox* frm_options = nullptr;
    std::array<QRadioButton*, 2> action{};
    QPushButton* cmd_defaults = nullptr;
    QPushButton* cmd_convert = nullptr;
    QPushButton* cmd_beenden = nullptr;
};
