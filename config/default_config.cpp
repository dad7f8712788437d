// The default configuration text, byte for byte.
#include "config/default_config.h"

namespace brisel {
namespace {

// "\xFC" is ü, "\xE4" ä and "\xF6" ö in Windows-1252; a literal is split after each
// escape so that no following letter is read as part of it.
constexpr char text[] =
    "###############################################################\r\n"
    "#\r\n"
    "#   brisel.conf - Konfigurationsdatei f\xFC" "r brisel.exe\r\n"
    "#\r\n"
    "#   Kommentarzeichen ist das Balkenkreuz (#),\r\n"
    "#   leere Zeilen werden nicht verarbeitet.\r\n"
    "#\r\n"
    "#   Einstellungen werden in der Form\r\n"
    "#\r\n"
    "#       einstellung=wert\r\n"
    "#\r\n"
    "#   notiert.\r\n"
    "#\r\n"
    "##############################################################\r\n"
    "\r\n"
    "\r\n"
    "# Vollst\xE4" "ndiger Pfad zur CSV-Quelldatei\r\n"
    "# Beispiel: quelle = I:\\Abteilung\\cad\\Materialdaten\\konvertierungsblatt.csv\r\n"
    "quelle = konvertierungsblatt.csv\r\n"
    "\r\n"
    "\r\n"
    "# Vollst\xE4" "ndiger Pfad zur megacad.ini-Zieldatei\r\n"
    "# Beispiel: ziel = C:\\Programme\\MegaCAD_3D_2004\\material.ini\r\n"
    "ziel = material.ini\r\n"
    "\r\n"
    "\r\n"
    "# Prefix f\xFC" "r Materialbezeichnung\r\n"
    "# Diese beliebige Zeichenfolge wird vor jeden Materialnamen gesetzt\r\n"
    "# Beispiel: prefix = *\r\n"
    "prefix=*\r\n"
    "\r\n"
    "\r\n"
    "# Schreibmodus, entweder das Wort 'ersetzen' oder das Wort 'erweitern'\r\n"
    "# Bei 'ersetzen' wird der alte Inhalt der Datei material.ini vollst\xE4" "ndig gel\xF6" "scht\r\n"
    "# und durch die neuen Werte ersetzt.\r\n"
    "# Bei 'erweitern' werden die neuen Daten an die schon in der Datei material.ini gespeicherten\r\n"
    "# Werte angeh\xE4" "ngt.\r\n"
    "action = ersetzen\r\n"
    "\r\n"
    "\r\n"
    "### Ende brisel.conf ###";

}  // namespace

std::string_view defaultConfigText() noexcept {
    return {text, sizeof text - 1};
}

}  // namespace brisel
