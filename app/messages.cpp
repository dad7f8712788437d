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

std::u16string statusText(const FileConversion& done, std::u16string_view source, std::u16string_view destination) {
    using Outcome = FileConversion::Outcome;
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return u"Die Quelldatei " + quotedPath(source) + u" kann nicht gelesen werden.";
    case Outcome::sourceInUse:
        return u"Die Quelldatei " + quotedPath(source) +
               u" wird gerade von einem anderen Programm benutzt und kann nicht gelesen werden. Bitte die Datei "
               u"dort schließen und erneut konvertieren.";
    case Outcome::utf16Table:
        return u"Die Quelldatei " + quotedPath(source) +
               u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle als CSV (Trennzeichen-getrennt, "
               u"ANSI oder UTF-8) speichern.";
    case Outcome::unrepresentable:
        return u"Zeile " + number(done.line) + u", Feld " + number(done.field) +
               u" der Quelldatei enthält Zeichen, die in der Zieldatei nicht darstellbar sind.";
    case Outcome::prefixUnrepresentable:
        return u"Das Prefix enthält Zeichen, die in der Zieldatei nicht darstellbar sind.";
    case Outcome::tooFewFields: {
        const std::u16string fields = done.fieldCount == 1 ? u"1 Feld" : number(done.fieldCount) + u" Felder";
        return u"Zeile " + number(done.line) + u" der Quelldatei hat " + fields + u"; erwartet werden mindestens " +
               number(minimumFieldCount) + u".";
    }
    case Outcome::utf16Destination:
        return u"Die Zieldatei " + quotedPath(destination) +
               u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. Bitte im Editor als "
               u"ANSI oder UTF-8 speichern.";
    case Outcome::oldWorkbook:
        return u"Die Quelldatei " + quotedPath(source) +
               u" ist eine Arbeitsmappe im alten Excel-Format (.xls) oder mit einem Kennwort geschützt. Bitte in "
               u"Excel als „Excel-Arbeitsmappe (*.xlsx)“ ohne Kennwort oder als CSV speichern.";
    case Outcome::workbookUnreadable:
        return u"Die Arbeitsmappe " + quotedPath(source) +
               u" kann nicht gelesen werden: sie ist beschädigt oder unvollständig.";
    case Outcome::workbookTooLarge:
        return u"Die Arbeitsmappe " + quotedPath(source) + u" kann nicht gelesen werden: ein Teil von ihr ist "
               u"entpackt größer als " + number(workbookPartLimit >> 20) + u" MB.";
    case Outcome::cellError:
        return cellOfSource(done) + u" enthält den Fehlerwert " + utf16FromUtf8(done.errorValue) + u".";
    case Outcome::cellUnrepresentable:
        return cellOfSource(done) + u" enthält Zeichen, die in der Zieldatei nicht darstellbar sind.";
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
