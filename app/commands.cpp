// The window's start-up and the commands behind its buttons.
#include "app/commands.h"

#include "app/config_file.h"
#include "app/file_conversion.h"
#include "app/messages.h"
#include "app/version.h"
#include "config/default_config.h"
#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/working_folder.h"

#include <string>

namespace brisel {
namespace {

// The configuration lives in the working directory, under this bare name.
constexpr std::u16string_view configFile = u"brisel.conf";

// Where brisel.conf is looked for, named for the user: from the menu it is the home folder,
// from the MSI's shortcut another one.
std::u16string inWorkingFolder() {
    const std::u16string folder = workingFolder();
    return folder.empty() ? u"im Arbeitsordner" : u"im Arbeitsordner " + quotedPath(folder);
}

}  // namespace

void Commands::Form_Load() {
    version = windowVersion;
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

    // A file that the existence test passes over (marked hidden or system on Windows) is
    // the user's all the same: read, and never appended to, for the defaults below its
    // settings would win over them. Whatever else stands under the name is named.
    switch (systemFiles().lookUp(configFile)) {
    case Entry::file:
    case Entry::readOnlyFile:
        return parseConfigFile(configFile);
    case Entry::folder:
        return showError(u"Die Konfigurationsdatei " + quotedPath(configFile) + u" " + inWorkingFolder() +
                             u" ist ein Ordner. Bitte den Ordner umbenennen oder brisel aus einem anderen Ordner "
                             u"starten.",
                         u"Fehler");
    case Entry::special:
        return showError(u"Die Konfigurationsdatei " + quotedPath(configFile) + u" " + inWorkingFolder() +
                             std::u16string(noOrdinaryFile) +
                             u" Bitte sie umbenennen oder brisel aus einem anderen Ordner starten.",
                         u"Fehler");
    case Entry::missing:
    case Entry::noFolder:
    case Entry::noAccess:
        break;
    }

    if (!createConfigFile(configFile))
        return showError(u"Die Konfigurationsdatei " + quotedPath(configFile) + u" kann " + inWorkingFolder() +
                             u" nicht erstellt werden. Bitte die Schreibrechte dort prüfen oder brisel aus einem "
                             u"beschreibbaren Ordner starten.",
                         u"Fehler");
    const Answer answer = desktop.askYesNo(u"Konfigurationsdatei brisel.conf nicht gefunden.\r\n"
                                           u"Leere Datei wurde erstellt.\r\n"
                                           u"Wollen Sie die Datei anpassen?",
                                           u"Konfiguration nicht gefunden");
    if (answer == Answer::yes) {
        // The user edits the file and presses "Standardwerte" again to read it.
        if (!desktop.startEditor(configFile))
            showError(u"Der Editor für " + quotedPath(configFile) + u" konnte nicht gestartet werden. Bitte die Datei " +
                          quotedPath(configFile) + u" " + inWorkingFolder() +
                          u" mit einem Texteditor öffnen, anpassen und speichern; danach erneut auf "
                          u"„Standardwerte“ klicken.",
                      u"Fehler");
        return;
    }
    parseConfigFile(configFile);
}

void Commands::parseConfigFile(std::u16string_view file) {
    // Named with its folder: from the Start menu that is not the one the user works in.
    const ConfigFile settings = loadConfigFile(file, inWorkingFolder());
    if (settings.failure)
        return showError(settings.failure->text, settings.failure->title);
    if (settings.source)
        form.setText(TextBox::source, *settings.source);
    if (settings.destination)
        form.setText(TextBox::destination, *settings.destination);
    if (settings.prefix)
        form.setText(TextBox::prefix, *settings.prefix);
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
    return appendToFile(file, {defaultConfigText()}) == WriteError::none;
}

void Commands::cmd_convert_Click() {
    const std::u16string source = form.text(TextBox::source);
    const std::u16string destination = form.text(TextBox::destination);
    if (const auto missing = missingInput(source, destination, form.isSelected(0) || form.isSelected(1)))
        return showError(missing->text, missing->title);

    const WriteMode mode = form.isSelected(0) ? WriteMode::overwrite : WriteMode::append;
    const std::u16string status = convert(source, destination, mode);
    if (status == u"OK")
        desktop.showMessage(MessageKind::plain, u"Konvertierung erfolgreich durchgeführt", u"Konvertierung erfolgreich");
    else
        showError(status, u"Fehler");
}

std::u16string Commands::convert(const std::u16string& Source, const std::u16string& destination, WriteMode action) {
    ProblemList problems;
    const FileConversion done = convertFile(Source, destination, form.text(TextBox::prefix), action, problems);
    // What an earlier conversion that ended early left, before what this one did.
    if (const auto note = leftoversNote(done.leftovers, destination))
        desktop.showMessage(MessageKind::plain, *note, u"Hinweis");
    return statusText(done, problems, Source, destination);
}

}  // namespace brisel
