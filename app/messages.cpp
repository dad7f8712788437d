// The conversion's German texts.
#include "app/messages.h"

#include "base/utf.h"
#include "conversion/material_conversion.h"
#include "workbook/workbook.h"

#include <string>

namespace brisel {
namespace {

// "z. B." that no line break tears apart.
constexpr std::u16string_view forExample = u"z.\u00A0B.";

// What to do about a file that another program holds.
std::u16string closeTheHolder(std::u16string_view example = {}) {
    const std::u16string which = example.empty() ? u"" : u" (" + std::u16string(example) + u")";
    return u" Bitte das Programm schließen, das die Datei geöffnet hat" + which + u", und erneut konvertieren.";
}

std::u16string writeFailure(WriteError error, std::u16string_view destination) {
    const std::u16string file = u"Die Zieldatei " + quotedPath(destination);
    switch (error) {
    case WriteError::folderMissing:
        return u"Der Ordner der Zieldatei " + quotedPath(destination) +
               u" existiert nicht. Bitte den Pfad prüfen oder den Ordner anlegen.";
    case WriteError::isFolder:
        return file + u" ist ein Ordner. Bitte den Pfad einer Datei angeben, " + std::u16string(forExample) +
               u" mit „material.ini“ am Ende.";
    case WriteError::notAFile:
        return file + u" ist keine normale Datei (" + std::u16string(forExample) +
               u" ein Gerät). Bitte eine normale Datei als Zieldatei angeben.";
    case WriteError::inUse:
        return file + u" wird gerade von einem anderen Programm benutzt." +
               closeTheHolder(u"zum Beispiel das CAD-System");
    case WriteError::none:
    case WriteError::cannotWrite:
        break;
    }
    return file + u" kann nicht geschrieben werden. Bitte Schreibrechte und freien Speicherplatz prüfen.";
}

// A workbook's cell as messages name it: "Zeile 5, Spalte C der Quelldatei".
std::u16string cellOfSource(const FileConversion& done, std::u16string_view ofTable) {
    const std::string letters = columnLetters(done.field);
    return u"Zeile " + number(done.line) + u", Spalte " + std::u16string(letters.begin(), letters.end()) +
           std::u16string(ofTable);
}

// What a character that the destination cannot hold is, and what to do about it.
std::u16string unrepresentable(std::u16string_view place, char32_t character) {
    std::string utf8;
    if (!appendUtf8(utf8, character))
        utf8 = "\xEF\xBF\xBD";
    return std::u16string(place) + u" enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) +
           u", das in der Zieldatei nicht darstellbar ist. Bitte das Zeichen in der Tabelle ersetzen.";
}

enum class Missing { source, sourceFile, destination, writeMode };

// The checks before a conversion, in the window's order.
std::optional<Missing> firstMissing(std::u16string_view source, std::u16string_view destination, bool modeChosen,
                                    SourceLookup lookup) {
    if (source.empty())
        return Missing::source;
    const bool standardInput = lookup == SourceLookup::fileOrStandardInput && source == u"-";
    if (!standardInput && !isOrdinaryFile(source))
        return Missing::sourceFile;
    if (destination.empty())
        return Missing::destination;
    if (!modeChosen)
        return Missing::writeMode;
    return std::nullopt;
}

}  // namespace

std::u16string inQuotes(std::u16string_view text) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "literal" + string.
    std::u16string quoted = u"„";
    quoted += text;
    quoted += u"“";
    return quoted;
}

std::u16string quotedPath(std::u16string_view path) {
    return inQuotes(nativeSeparators(path));
}

std::u16string number(std::size_t n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

std::optional<Message> missingInput(std::u16string_view source, std::u16string_view destination, bool modeChosen) {
    const std::optional<Missing> missing = firstMissing(source, destination, modeChosen, SourceLookup::file);
    if (!missing)
        return std::nullopt;
    switch (*missing) {
    case Missing::source:
        return Message{u"Bitte Quelldatei auswählen", u"Fehlende Eingabe"};
    case Missing::sourceFile:
        return Message{u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe"};
    case Missing::destination:
        return Message{u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe"};
    case Missing::writeMode:
        return Message{u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe"};
    }
    return std::nullopt;
}

std::optional<std::u16string> missingArgument(const CommandLineInputs& inputs) {
    const std::u16string file = quotedPath(inputs.configuration);
    // A path that the configuration file should have given, by its key.
    const auto notInFile = [&](std::u16string_view what, std::u16string_view key) {
        return u"In " + file + u" ist keine " + std::u16string(what) + u" angegeben. Bitte QUELLE und ZIEL angeben "
               u"oder in " + file + u" die Zeile „" + std::u16string(key) + u" = …“ eintragen.";
    };
    const std::optional<Missing> missing = firstMissing(inputs.source, inputs.destination, inputs.modeChosen,
                                                        SourceLookup::fileOrStandardInput);
    if (!missing)
        return std::nullopt;
    switch (*missing) {
    case Missing::source:
        if (inputs.pathsFromConfiguration)
            return notInFile(u"Quelldatei", u"quelle");
        return u"QUELLE ist leer. Bitte den Pfad der Tabelle angeben oder „-“ für die Standardeingabe.";
    case Missing::sourceFile:
        return u"Die Quelldatei " + quotedPath(inputs.source) + u" existiert nicht. Bitte den Pfad prüfen.";
    case Missing::destination:
        if (inputs.pathsFromConfiguration)
            return notInFile(u"Zieldatei", u"ziel");
        return u"ZIEL ist leer. Bitte den Pfad der material.ini angeben oder „-“ für die Standardausgabe.";
    case Missing::writeMode:
        return u"Bitte --ersetzen oder --erweitern angeben oder in " + file +
               u" die Zeile „action = ersetzen“ oder „action = erweitern“ eintragen.";
    }
    return std::nullopt;
}

std::optional<std::u16string> leftoversNote(const Leftovers& cleared, std::u16string_view destination) {
    std::u16string note;
    if (cleared.takenBack)
        note = u"Eine frühere Konvertierung wurde unterbrochen, während sie die Zieldatei " + quotedPath(destination) +
               u" ersetzte. Die Datei hat wieder ihren vorigen Inhalt.";
    for (const std::u16string& kept : cleared.kept) {
        const std::u16string_view name = std::u16string_view(kept).substr(kept.find_last_of(u"/\\") + 1);
        note += std::u16string(note.empty() ? u"" : u" ") + u"Neben der Zieldatei " + quotedPath(destination) +
                u" liegt noch " + inQuotes(name) +
                u" mit dem Inhalt, den die Zieldatei vor einer unterbrochenen Konvertierung hatte. Bitte prüfen, ob "
                u"dieser Inhalt noch gebraucht wird, und die Datei danach löschen.";
    }
    return note.empty() ? std::nullopt : std::optional(note);
}

std::u16string statusText(const FileConversion& done, std::u16string_view source, std::u16string_view destination,
                          SourceLookup lookup) {
    using Outcome = FileConversion::Outcome;
    const bool standardInput = lookup == SourceLookup::fileOrStandardInput && source == u"-";
    const std::u16string table = standardInput ? u"Die Tabelle auf der Standardeingabe" : u"Die Quelldatei " + quotedPath(source);
    const std::u16string workbook =
        standardInput ? u"Die Arbeitsmappe auf der Standardeingabe" : u"Die Arbeitsmappe " + quotedPath(source);
    const std::u16string_view ofTable = standardInput ? u" der Tabelle auf der Standardeingabe" : u" der Quelldatei";
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return table + u" kann nicht gelesen werden. Bitte die Leserechte der Datei prüfen.";
    case Outcome::sourceInUse:
        return table + u" wird gerade von einem anderen Programm benutzt und kann nicht gelesen werden." +
               closeTheHolder();
    case Outcome::utf16Table:
        return table + u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle in Excel als „CSV "
                       u"(Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“ "
                       u"speichern.";
    case Outcome::unrepresentable:
        return unrepresentable(u"Zeile " + number(done.line) + u", Feld " + number(done.field) + std::u16string(ofTable),
                               done.character);
    case Outcome::cellUnrepresentable:
        return unrepresentable(cellOfSource(done, ofTable), done.character);
    case Outcome::prefixUnrepresentable:
        return u"Das Präfix enthält Zeichen, die in der Zieldatei nicht darstellbar sind. Bitte diese Zeichen im "
               u"Präfix ersetzen.";
    case Outcome::tooFewFields: {
        const std::u16string fields = done.fieldCount == 1 ? u"1 Feld" : number(done.fieldCount) + u" Felder";
        return u"Zeile " + number(done.line) + std::u16string(ofTable) + u" hat " + fields + u"; erwartet werden mindestens " +
               number(minimumFieldCount) + u". Bitte die fehlenden Felder in der Tabelle ergänzen.";
    }
    case Outcome::utf16Destination:
        return u"Die Zieldatei " + quotedPath(destination) +
               u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. Bitte im Editor als "
               u"ANSI oder UTF-8 speichern.";
    case Outcome::oldWorkbook:
        return table + u" ist eine Arbeitsmappe im alten Excel-Format (.xls) oder eine kennwortgeschützte "
                       u"Arbeitsmappe. Bitte ohne Kennwort speichern: in Excel als „Excel-Arbeitsmappe (*.xlsx)“, in "
                       u"LibreOffice als „ODF-Tabellendokument (.ods)“ oder als CSV.";
    case Outcome::workbookUnsupported:
        return table + u" ist keine Arbeitsmappe, die brisel lesen kann (" + std::u16string(forExample) +
               u" eine Excel-Binärarbeitsmappe oder ein Word-Dokument). brisel liest Excel-Arbeitsmappen (.xlsx, "
               u".xlsm), LibreOffice-Tabellen (.ods) und CSV-Dateien. Bitte die Tabelle in Excel als "
               u"„Excel-Arbeitsmappe (*.xlsx)“ oder als CSV speichern.";
    case Outcome::workbookUnreadable:
        return workbook + u" ist beschädigt oder unvollständig und kann nicht gelesen werden. Bitte die Arbeitsmappe "
                          u"in Excel oder LibreOffice öffnen und neu speichern oder eine unbeschädigte Kopie nehmen.";
    case Outcome::workbookTooLarge:
        return workbook + u" ist zu groß: Das Tabellenblatt oder ein anderer Teil der Datei umfasst entpackt mehr als " +
               number(workbookPartLimit >> 20) + u"\u00A0MB, oder die Datensätze daraus würden mehr umfassen. Bitte "
               u"nur die Materialtabelle in eine eigene Arbeitsmappe kopieren oder als CSV speichern.";
    case Outcome::cellError:
        return cellOfSource(done, ofTable) + u" enthält den Fehlerwert " + inQuotes(utf16FromUtf8(done.errorValue)) +
               u". Bitte die Formel oder den Wert in der Zelle korrigieren.";
    case Outcome::cellLineBreak:
        return cellOfSource(done, ofTable) + u" enthält einen Zeilenumbruch. Ein Material muss in einer Zeile "
               u"stehen. Bitte den Zeilenumbruch in der Zelle entfernen.";
    case Outcome::writeFailed:
        return writeFailure(done.writeError, destination);
    case Outcome::outOfMemory:
        return u"Für die Konvertierung reicht der Arbeitsspeicher nicht aus. Bitte andere Programme schließen und "
               u"erneut konvertieren.";
    }
    return u"OK";
}

}  // namespace brisel
