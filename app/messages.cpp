// The conversion's German texts.
#include "app/messages.h"

#include "base/utf.h"
#include "conversion/material_conversion.h"
#include "workbook/workbook.h"

#include <string>

namespace brisel {
namespace {

std::u16string writeFailure(WriteError error, std::u16string_view destination) {
    const std::u16string file = u"Die Zieldatei " + quotedPath(destination);
    switch (error) {
    case WriteError::folderMissing:
        return u"Der Ordner der Zieldatei " + quotedPath(destination) + u" existiert nicht.";
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

// A workbook's cell as messages name it: "Zeile 5, Spalte C der Quelldatei".
std::u16string cellOfSource(const FileConversion& done) {
    const std::string letters = columnLetters(done.field);
    return u"Zeile " + number(done.line) + u", Spalte " + std::u16string(letters.begin(), letters.end()) +
           u" der Quelldatei";
}

// What a character that the destination cannot hold is, and what to do about it.
std::u16string unrepresentable(std::u16string_view place, char32_t character) {
    std::string utf8;
    if (!appendUtf8(utf8, character))
        utf8 = "\xEF\xBF\xBD";
    return std::u16string(place) + u" enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) +
           u", das in der Zieldatei nicht darstellbar ist. Bitte das Zeichen in der Tabelle ersetzen.";
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

std::optional<Message> missingInput(std::u16string_view source, std::u16string_view destination, bool modeChosen,
                                    SourceLookup lookup) {
    if (source.empty())
        return Message{u"Bitte Quelldatei auswählen", u"Fehlende Eingabe"};
    const bool standardInput = lookup == SourceLookup::fileOrStandardInput && source == u"-";
    if (!standardInput && !isOrdinaryFile(source))
        return Message{u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe"};
    if (destination.empty())
        return Message{u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe"};
    if (!modeChosen)
        return Message{u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe"};
    return std::nullopt;
}

std::u16string writeModeMissing(std::u16string_view configuration) {
    return u"Bitte --ersetzen oder --erweitern angeben oder in " + quotedPath(configuration) +
           u" „action = ersetzen“ oder „action = erweitern“ setzen.";
}

std::u16string statusText(const FileConversion& done, std::u16string_view source, std::u16string_view destination,
                          SourceLookup lookup) {
    using Outcome = FileConversion::Outcome;
    const bool standardInput = lookup == SourceLookup::fileOrStandardInput && source == u"-";
    const std::u16string table = standardInput ? u"Die Tabelle auf der Standardeingabe" : u"Die Quelldatei " + quotedPath(source);
    const std::u16string workbook =
        standardInput ? u"Die Arbeitsmappe auf der Standardeingabe" : u"Die Arbeitsmappe " + quotedPath(source);
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return table + u" kann nicht gelesen werden.";
    case Outcome::sourceInUse:
        return table + u" wird gerade von einem anderen Programm benutzt und kann nicht gelesen werden. Bitte die Datei "
               u"dort schließen und erneut konvertieren.";
    case Outcome::utf16Table:
        return table + u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle in Excel als „CSV "
                       u"(Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“ "
                       u"speichern.";
    case Outcome::unrepresentable:
        return unrepresentable(u"Zeile " + number(done.line) + u", Feld " + number(done.field) + u" der Quelldatei",
                               done.character);
    case Outcome::cellUnrepresentable:
        return unrepresentable(cellOfSource(done), done.character);
    case Outcome::prefixUnrepresentable:
        return u"Das Präfix enthält Zeichen, die in der Zieldatei nicht darstellbar sind. Bitte diese Zeichen im "
               u"Präfix ersetzen.";
    case Outcome::tooFewFields: {
        const std::u16string fields = done.fieldCount == 1 ? u"1 Feld" : number(done.fieldCount) + u" Felder";
        return u"Zeile " + number(done.line) + u" der Quelldatei hat " + fields + u"; erwartet werden mindestens " +
               number(minimumFieldCount) + u". Bitte die fehlenden Felder in der Tabelle ergänzen.";
    }
    case Outcome::utf16Destination:
        return u"Die Zieldatei " + quotedPath(destination) +
               u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. Bitte im Editor als "
               u"ANSI oder UTF-8 speichern.";
    case Outcome::oldWorkbook:
        return table + u" ist eine Arbeitsmappe im alten Excel-Format (.xls) oder mit einem Kennwort geschützt. "
                       u"Bitte in Excel als „Excel-Arbeitsmappe (*.xlsx)“ ohne Kennwort oder als CSV speichern.";
    case Outcome::workbookUnreadable:
        return workbook + u" kann nicht gelesen werden: Sie ist beschädigt oder unvollständig. Bitte die "
                          u"Arbeitsmappe in Excel oder LibreOffice öffnen und erneut speichern.";
    case Outcome::workbookTooLarge:
        return workbook + u" ist zu groß: Ihre Daten umfassen mehr als " + number(workbookPartLimit >> 20) +
               u" MB. Bitte nur die Materialtabelle in eine eigene Arbeitsmappe kopieren oder als CSV speichern.";
    case Outcome::cellError:
        return cellOfSource(done) + u" enthält den Fehlerwert " + inQuotes(utf16FromUtf8(done.errorValue)) + u".";
    case Outcome::cellLineBreak:
        return cellOfSource(done) + u" enthält einen Zeilenumbruch. Ein Material muss in einer Zeile stehen.";
    case Outcome::writeFailed:
        return writeFailure(done.writeError, destination);
    case Outcome::outOfMemory:
        return u"Für die Konvertierung reicht der Arbeitsspeicher nicht aus.";
    }
    return u"OK";
}

}  // namespace brisel
