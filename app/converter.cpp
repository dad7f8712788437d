// The window's layout, its start-up and the commands behind its buttons.
#include "app/converter.h"

#include "app/file_conversion.h"
#include "config/config_reader.h"
#include "config/default_config.h"
#include "conversion/material_conversion.h"
#include "platform/ansi_text.h"
#include "platform/desktop.h"
#include "platform/files.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <type_traits>

using namespace Qt::StringLiterals;
using brisel::WriteMode;

namespace {

// The layout is kept in twips, as drawn. At 96 dots per inch a pixel is 15 twips, and
// Qt scales these device-independent pixels for every other screen.
constexpr int twipsPerPixel = 15;

struct Twips {
    int left, top, width, height;
};

// Places a control in its container; a caption is a frame's title or a button's text.
template <class Control>
Control* addControl(QWidget* container, const char* name, const QString& caption, Twips where,
                    const QString& toolTip = {}) {
    auto* control = new Control(container);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(where.left / twipsPerPixel, where.top / twipsPerPixel, where.width / twipsPerPixel,
                         where.height / twipsPerPixel);
    control->setToolTip(toolTip);
    if constexpr (std::is_same_v<Control, QGroupBox>)
        control->setTitle(caption);
    else if constexpr (!std::is_same_v<Control, QLineEdit>)
        control->setText(caption);
    return control;
}

QString fromAnsi(std::string_view bytes) {
    return QString::fromStdU16String(brisel::fromAnsi(bytes));
}

QString quoted(const QString& path) {
    return u"„"_s + QDir::toNativeSeparators(path) + u"“"_s;
}

QString writeFailure(brisel::WriteError error, const QString& destination) {
    switch (error) {
    case brisel::WriteError::folderMissing:
        return u"Der Ordner der Zieldatei %1 existiert nicht."_s.arg(quoted(destination));
    case brisel::WriteError::isFolder:
        return u"Die Zieldatei %1 ist ein Ordner."_s.arg(quoted(destination));
    case brisel::WriteError::notAFile:
        return u"Die Zieldatei %1 ist keine gewöhnliche Datei."_s.arg(quoted(destination));
    case brisel::WriteError::none:
    case brisel::WriteError::cannotWrite:
        break;
    }
    return u"Die Zieldatei %1 kann nicht geschrieben werden. Bitte Schreibrechte und freien Speicherplatz prüfen."_s
        .arg(quoted(destination));
}

}  // namespace

converter::converter(brisel::Desktop& desktop, QWidget* parent) : QWidget(parent), desktop(desktop) {
    setObjectName(u"converter"_s);
    setWindowTitle(u"Materialdaten konvertieren"_s);
    // A fixed frame: minimise and close, no maximise; the layout never moves.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(6135 / twipsPerPixel, 3465 / twipsPerPixel);
    // The layout was drawn for the classic 8-point dialog font; larger defaults would clip
    // captions such as "erweitern" in their fixed places.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    buildLayout();

    connect(cmd_select_source, &QPushButton::clicked, this, &converter::cmd_select_source_Click);
    connect(cmd_select_destination, &QPushButton::clicked, this, &converter::cmd_select_destination_Click);
    connect(cmd_defaults, &QPushButton::clicked, this, &converter::cmd_defaults_Click);
    connect(cmd_convert, &QPushButton::clicked, this, &converter::cmd_convert_Click);
    connect(cmd_beenden, &QPushButton::clicked, this, &converter::cmd_beenden_Click);

    Form_Load();
}

void converter::buildLayout() {
    const QString explorer = u"Explorer öffnen"_s;

    frm_source = addControl<QGroupBox>(this, "frm_source", u"CSV - Quelldatei"_s, {240, 240, 3855, 855});
    txt_source = addControl<QLineEdit>(frm_source, "txt_source", {}, {240, 360, 2775, 285}, u"CSV-Quelldatei"_s);
    cmd_select_source = addControl<QPushButton>(frm_source, "cmd_select_source", u"..."_s, {3240, 360, 375, 255}, explorer);

    prefix = addControl<QGroupBox>(this, "prefix", u"Prefix für Materialbezeichnung"_s, {240, 1320, 3855, 855});
    txt_prefix = addControl<QLineEdit>(prefix, "txt_prefix", {}, {240, 360, 3375, 285});

    frm_destination = addControl<QGroupBox>(this, "frm_destination", u"material.ini  - Zieldatei"_s, {240, 2400, 3855, 855});
    txt_destination = addControl<QLineEdit>(frm_destination, "txt_destination", {}, {240, 360, 2775, 285},
                                            u"material.ini - Zieldatei"_s);
    cmd_select_destination = addControl<QPushButton>(frm_destination, "cmd_select_destination", u"..."_s,
                                                     {3240, 360, 375, 255}, explorer);

    // The frame makes the two options one group: selecting one deselects the other.
    frm_options = addControl<QGroupBox>(this, "frm_options", u"Zieldatei"_s, {4320, 240, 1575, 1095});
    action[0] = addControl<QRadioButton>(frm_options, "action0", u"ersetzen"_s, {240, 360, 1095, 255},
                                         u"Zieldatei überschreiben"_s);
    action[1] = addControl<QRadioButton>(frm_options, "action1", u"erweitern"_s, {240, 720, 1095, 255},
                                         u"An Zieldatei anhängen"_s);

    cmd_defaults = addControl<QPushButton>(this, "cmd_defaults", u"Standardwerte"_s, {4320, 1920, 1575, 375});
    cmd_convert = addControl<QPushButton>(this, "cmd_convert", u"Konvertieren"_s, {4320, 2400, 1575, 375});
    cmd_beenden = addControl<QPushButton>(this, "cmd_beenden", u"Beenden"_s, {4320, 2880, 1575, 375});

    const QWidget* tabOrder[] = {txt_source,  cmd_select_source, txt_prefix,   txt_destination, cmd_select_destination,
                                 action[0],   action[1],         cmd_defaults, cmd_convert,     cmd_beenden};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(const_cast<QWidget*>(tabOrder[i]), const_cast<QWidget*>(tabOrder[i + 1]));
}

void converter::Form_Load() {
    version = u"1.2"_s;
    setWindowTitle(u"Materialdaten konvertieren"_s + u"  v"_s + version);
    txt_source->clear();
    txt_destination->clear();
    deselectAction(0);
    deselectAction(1);
}

void converter::selectAction(int index) {
    action[index]->setChecked(true);
}

void converter::deselectAction(int index) {
    // An exclusive group keeps its selected button; the program, unlike the user, may clear it.
    QRadioButton* option = action[index];
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

void converter::showError(const QString& text, const QString& title) {
    desktop.showMessage(brisel::MessageKind::error, text, title);
}

QString converter::selectFile(const QString& titel, const QString& filterString) {
    return desktop.chooseFile(titel, filterString);
}

void converter::cmd_select_source_Click() {
    txt_source->setText(selectFile(u"Quelldatei wählen"_s, u"CSV-Dateien (*.csv)|*.csv"_s));
}

void converter::cmd_select_destination_Click() {
    txt_destination->setText(selectFile(u"material-ini Zieldatei wählen"_s, u"INI-Dateien (*.ini)|*.ini"_s));
}

void converter::cmd_beenden_Click() {
    close();
}

void converter::cmd_defaults_Click() {
    // A bare name: the configuration lives in the working directory.
    const QString file = u"brisel.conf"_s;
    if (brisel::isOrdinaryFile(file))
        return parseConfigFile(file);

    if (!createConfigFile(file))
        return showError(u"Die Konfigurationsdatei brisel.conf kann nicht erstellt werden."_s, u"Fehler"_s);
    const brisel::Answer answer = desktop.askYesNo(u"Konfigurationsdatei brisel.conf nicht gefunden.\r\n"
                                                   u"Leere Datei wurde erstellt.\r\n"
                                                   u"Wollen Sie die Datei anpassen?"_s,
                                                   u"Konfiguration nicht gefunden"_s);
    if (answer == brisel::Answer::yes) {
        // The user edits the file and presses "Standardwerte" again to read it.
        if (!desktop.startEditor(file))
            showError(u"Der Editor für brisel.conf konnte nicht gestartet werden."_s, u"Fehler"_s);
        return;
    }
    parseConfigFile(file);
}

void converter::parseConfigFile(const QString& file) {
    const std::optional<brisel::ByteBuffer> bytes = brisel::readWholeFile(file);
    if (!bytes)
        return showError(u"Die Konfigurationsdatei brisel.conf kann nicht gelesen werden."_s, u"Fehler"_s);

    const brisel::ConfigSettings settings = brisel::readConfig(bytes->view());
    if (settings.source)
        txt_source->setText(fromAnsi(*settings.source));
    if (settings.destination)
        txt_destination->setText(fromAnsi(*settings.destination));
    if (settings.prefix)
        txt_prefix->setText(fromAnsi(*settings.prefix));
    if (settings.action) {
        switch (*settings.action) {
        case brisel::ActionSetting::replace:
            selectAction(0);
            break;
        case brisel::ActionSetting::extend:
            selectAction(1);
            break;
        case brisel::ActionSetting::neither:
            deselectAction(0);
            deselectAction(1);
            break;
        }
    }
}

bool converter::createConfigFile(const QString& file) {
    // Appended, not replaced: whatever stands in a file of that name is kept.
    return brisel::appendToFile(file, brisel::defaultConfigText()) == brisel::WriteError::none;
}

void converter::cmd_convert_Click() {
    const QString source = txt_source->text();
    if (source.isEmpty())
        return showError(u"Bitte Quelldatei auswählen"_s, u"Fehlende Eingabe"_s);
    if (!brisel::isOrdinaryFile(source))
        return showError(u"Die angegebene Quelldatei existiert nicht."_s, u"Ungültige Eingabe"_s);
    const QString destination = txt_destination->text();
    if (destination.isEmpty())
        return showError(u"Bitte Zieldatei angeben oder auswählen"_s, u"Fehlende Eingabe"_s);
    if (!action[0]->isChecked() && !action[1]->isChecked())
        return showError(u"Bitte Überschreiben oder Anhängen wählen"_s, u"Fehlende Angabe"_s);

    const WriteMode mode = action[0]->isChecked() ? WriteMode::overwrite : WriteMode::append;
    const QString status = convert(source, destination, mode);
    if (status == u"OK"_s)
        desktop.showMessage(brisel::MessageKind::plain, u"Konvertierung erfolgreich durchgeführt"_s,
                            u"Konvertierung erfolgreich"_s);
    else
        showError(status, u"Fehler"_s);
}

QString converter::convert(const QString& Source, const QString& destination, WriteMode action) {
    const std::optional<std::string> prefixBytes = brisel::toAnsi(txt_prefix->text().toStdU16String());
    if (!prefixBytes)
        return u"Das Prefix enthält Zeichen, die in der Zieldatei nicht darstellbar sind."_s;

    using Outcome = brisel::FileConversion::Outcome;
    const brisel::FileConversion done = brisel::convertFile(Source, destination, *prefixBytes, action);
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return u"Die Quelldatei %1 kann nicht gelesen werden."_s.arg(quoted(Source));
    case Outcome::tooFewFields: {
        const QString fields = done.fieldCount == 1 ? u"1 Feld"_s : u"%1 Felder"_s.arg(done.fieldCount);
        return u"Zeile %1 der Quelldatei hat %2; erwartet werden mindestens %3."_s.arg(done.line)
            .arg(fields)
            .arg(brisel::minimumFieldCount);
    }
    case Outcome::writeFailed:
        return writeFailure(done.writeError, destination);
    case Outcome::outOfMemory:
        return u"Für die Konvertierung reicht der Arbeitsspeicher nicht aus."_s;
    }
    return u"OK"_s;
}
