// The window's start-up and the commands behind its buttons.
#include "app/commands.h"

#include "app/file_conversion.h"
#include "config/config_reader.h"
#include "config/default_config.h"
#include "conversion/material_conversion.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/desktop.h"
#include "platform/files.h"

#include <string>

namespace brisel {
namespace {

// The configuration lives in the working directory, under this bare name.
constexpr std::u16string_view configFile = u"brisel.conf";

std::u16string number(std::size_t n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

std::u16string quoted(std::u16string_view path) {
    return u"„" + nativeSeparators(path) + u"“";
}

std::u16string writeFailure(WriteError error, std::u16string_view destination) {
    const std::u16string file = u"Die Zieldatei " + quoted(destination);
    switch (error) {
    case WriteError::folderMissing:
        return u"Der Ordner der Zieldatei " + quoted(destination) + u" existiert nicht.";
    case WriteError::isFolder:
        return file + u" ist ein Ordner.";
    case WriteError::notAFile:
        return file + u" ist keine gewöhnliche Datei.";
    case WriteError::inUse:
        return file + u" wird gerade von einem anderen Programm benutzt. Bitte die Datei dort schließen "
                      u"und erneut konvertieren.";
    case WriteError::none:
    case WriteError::cannotWrite:
        break;
    }
    return file + u" kann nicht geschrieben werden. Bitte Schreibrechte und freien Speicherplatz prüfen.";
}

}  // namespace

void Commands::Form_Load() {
    version = u"1.2";
    form.setTitle(u"Materialdaten konvertieren" + std::u16string(u"  v") + version);
    form.setText(TextBox::source, {});
    form.setText(TextBox::destination, {});
    form.deselect(0);
    form.deselect(1);
}

void Commands::showError(std::u16string_view text, std::u16string_view title) {
    desktop.showMessage(MessageKind::error, text, title);
}

std::u16string Commands::selectFile(std::u16string_view titel, std::u16string_view filterString) {
    return desktop.chooseFile(titel, filterString);
}

void Commands::cmd_select_source_Click() {
    form.setText(TextBox::source, selectFile(u"Quelldatei wählen", u"CSV-Dateien (*.csv)|*.csv"));
}

void Commands::cmd_select_destination_Click() {
    form.setText(TextBox::destination, selectFile(u"material-ini Zieldatei wählen", u"INI-Dateien (*.ini)|*.ini"));
}

void Commands::cmd_beenden_Click() {
    form.unload();
}

void Commands::filesDropped(TextBox box, const std::vector<std::u16string>& paths) {
    if (box == TextBox::prefix || paths.empty())
        return;
    form.setText(box, paths.front());
}

void Commands::cmd_defaults_Click() {
    if (isOrdinaryFile(configFile))
        return parseConfigFile(configFile);

    if (!createConfigFile(configFile))
        return showError(u"Die Konfigurationsdatei brisel.conf kann nicht erstellt werden.", u"Fehler");
    const Answer answer = desktop.askYesNo(u"Konfigurationsdatei brisel.conf nicht gefunden.\r\n"
                                           u"Leere Datei wurde erstellt.\r\n"
                                           u"Wollen Sie die Datei anpassen?",
                                           u"Konfiguration nicht gefunden");
    if (answer == Answer::yes) {
        // The user edits the file and presses "Standardwerte" again to read it.
        if (!desktop.startEditor(configFile))
            showError(u"Der Editor für brisel.conf konnte nicht gestartet werden.", u"Fehler");
        return;
    }
    parseConfigFile(configFile);
}

void Commands::parseConfigFile(std::u16string_view file) {
    const FileContent content = readWholeFile(file);
    if (!content.bytes)
        return showError(u"Die Konfigurationsdatei brisel.conf kann nicht gelesen werden.", u"Fehler");

    const DetectedText detected = detectEncoding(content.bytes->view());
    if (detected.encoding == TextEncoding::utf16)
        return showError(u"Die Konfigurationsdatei brisel.conf ist als Unicode (UTF-16) gespeichert. Bitte im Editor "
                         u"als ANSI oder UTF-8 speichern.",
                         u"Fehler");
    const auto decode = [&](std::string_view value) {
        return detected.encoding == TextEncoding::utf8 ? utf16FromUtf8(value) : fromAnsi(value);
    };
    const ConfigSettings settings = readConfig(detected.text);
    if (settings.source)
        form.setText(TextBox::source, decode(*settings.source));
    if (settings.destination)
        form.setText(TextBox::destination, decode(*settings.destination));
    if (settings.prefix)
        form.setText(TextBox::prefix, decode(*settings.prefix));
    if (settings.action) {
        switch (*settings.action) {
        case ActionSetting::replace:
            form.select(0);
            break;
        case ActionSetting::extend:
            form.select(1);
            break;
        case ActionSetting::neither:
            form.deselect(0);
            form.deselect(1);
            break;
        }
    }
}

bool Commands::createConfigFile(std::u16string_view file) {
    // Appended, not replaced: whatever stands in a file of that name is kept.
    return appendToFile(file, defaultConfigText()) == WriteError::none;
}

void Commands::cmd_convert_Click() {
    const std::u16string source = form.text(TextBox::source);
    if (source.empty())
        return showError(u"Bitte Quelldatei auswählen", u"Fehlende Eingabe");
    if (!isOrdinaryFile(source))
        return showError(u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe");
    const std::u16string destination = form.text(TextBox::destination);
    if (destination.empty())
        return showError(u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe");
    if (!form.isSelected(0) && !form.isSelected(1))
        return showError(u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe");

    const WriteMode mode = form.isSelected(0) ? WriteMode::overwrite : WriteMode::append;
    const std::u16string status = convert(source, destination, mode);
    if (status == u"OK")
        desktop.showMessage(MessageKind::plain, u"Konvertierung erfolgreich durchgeführt", u"Konvertierung erfolgreich");
    else
        showError(status, u"Fehler");
}

std::u16string Commands::convert(const std::u16string& Source, const std::u16string& destination, WriteMode action) {
    const std::optional<std::string> prefixBytes = toAnsi(form.text(TextBox::prefix));
    if (!prefixBytes)
        return u"Das Prefix enthält Zeichen, die in der Zieldatei nicht darstellbar sind.";

    using Outcome = FileConversion::Outcome;
    const FileConversion done = convertFile(Source, destination, *prefixBytes, action);
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return u"Die Quelldatei " + quoted(Source) + u" kann nicht gelesen werden.";
    case Outcome::sourceInUse:
        return u"Die Quelldatei " + quoted(Source) +
               u" wird gerade von einem anderen Programm benutzt und kann nicht gelesen werden. Bitte die Datei "
               u"dort schließen und erneut konvertieren.";
    case Outcome::utf16Table:
        return u"Die Quelldatei " + quoted(Source) +
               u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle als CSV (Trennzeichen-getrennt, "
               u"ANSI oder UTF-8) speichern.";
    case Outcome::unrepresentable:
        return u"Zeile " + number(done.line) + u", Feld " + number(done.field) +
               u" der Quelldatei enthält Zeichen, die in der Zieldatei nicht darstellbar sind.";
    case Outcome::tooFewFields: {
        const std::u16string fields = done.fieldCount == 1 ? u"1 Feld" : number(done.fieldCount) + u" Felder";
        return u"Zeile " + number(done.line) + u" der Quelldatei hat " + fields + u"; erwartet werden mindestens " +
               number(minimumFieldCount) + u".";
    }
    case Outcome::writeFailed:
        return writeFailure(done.writeError, destination);
    case Outcome::outOfMemory:
        return u"Für die Konvertierung reicht der Arbeitsspeicher nicht aus.";
    }
    return u"OK";
}

}  // namespace brisel
