// brisel.conf from its bytes to the inputs' texts.
#include "app/config_file.h"

#include "base/utf.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace brisel {

ConfigFile loadConfigFile(std::u16string_view path, std::u16string_view where) {
    ConfigFile loaded;
    const FileContent content = readWholeFile(path);
    const std::u16string file =
        u"Die Konfigurationsdatei " + quotedPath(path) + (where.empty() ? u"" : u" " + std::u16string(where));
    if (!content.bytes) {
        std::u16string why;
        switch (systemFiles().lookUp(path)) {
        case Entry::file:
        case Entry::readOnlyFile:  // also one marked hidden or system (Windows): there all the same
            why = u" kann nicht gelesen werden. Bitte die Leserechte der Datei prüfen.";
            break;
        case Entry::folder:
            why = u" ist ein Ordner. Bitte den Pfad einer Datei angeben, z.\u00A0B. mit „brisel.conf“ am Ende.";
            break;
        case Entry::special:
            why = std::u16string(noOrdinaryFile) + u" Bitte den Pfad einer normalen Datei angeben.";
            break;
        case Entry::noAccess:
            why = u" kann nicht gelesen werden" + std::u16string(folderClosed);
            break;
        case Entry::missing:
        case Entry::noFolder:
            why = u" wurde nicht gefunden. Bitte den Pfad prüfen.";
            break;
        }
        loaded.failure = Message{file + why, u"Fehler"};
        return loaded;
    }
    const DetectedText detected = detectEncoding(content.bytes->view());
    if (detected.encoding == TextEncoding::utf16) {
        loaded.failure = Message{file + u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Datei im Editor als "
                                        u"ANSI oder UTF-8 speichern.",
                                 u"Fehler"};
        return loaded;
    }
    // A UTF-8 file's values keep a byte that is no UTF-8, as a name on Linux may hold it.
    const auto decode = [&](const std::optional<std::string_view>& value) -> std::optional<std::u16string> {
        if (!value)
            return std::nullopt;
        return detected.encoding == TextEncoding::utf8 ? utf16FromBytes(*value) : fromAnsi(*value);
    };
    const ConfigSettings settings = readConfig(detected.text);
    loaded.source = decode(settings.source);
    loaded.destination = decode(settings.destination);
    loaded.prefix = decode(settings.prefix);
    loaded.action = settings.action;
    return loaded;
}

}  // namespace brisel
