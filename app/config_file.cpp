// brisel.conf from its bytes to the inputs' texts.
#include "app/config_file.h"

#include "base/utf.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace brisel {

ConfigFile loadConfigFile(std::u16string_view path) {
    ConfigFile loaded;
    const FileContent content = readWholeFile(path);
    const std::u16string file = u"Die Konfigurationsdatei " + quotedPath(path);
    if (!content.bytes) {
        // A file marked hidden or system (Windows) is there all the same.
        const Entry entry = systemFiles().lookUp(path);
        const bool there = entry == Entry::file || entry == Entry::readOnlyFile;
        loaded.failure = Message{there ? file + u" kann nicht gelesen werden. Bitte die Leserechte der Datei prüfen."
                                       : file + u" wurde nicht gefunden. Bitte den Pfad prüfen.",
                                 u"Fehler"};
        return loaded;
    }
    const DetectedText detected = detectEncoding(content.bytes->view());
    if (detected.encoding == TextEncoding::utf16) {
        loaded.failure = Message{file + u" ist als Unicode-Text (UTF-16) gespeichert. Bitte im Editor als ANSI oder "
                                        u"UTF-8 speichern.",
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
