// The synthetic table: material names with blanks and digits, decimal commas, small integers.
#include "table_generator.h"

#include <array>
#include <random>
#include <string_view>

namespace brisel::bench {

std::string makeTable(std::size_t bytes, std::size_t rows, std::uint32_t seed) {
    static constexpr std::array<std::string_view, 8> materials = {
        "Stahl", "Aluminium", "Kupfer", "Messing", "Edelstahl", "Grauguss", "Titan", "Polyamid"};
    static constexpr std::array<std::string_view, 6> grades = {"S235", "JR", "AlMg3", "1.4301", "EN-GJL", "PA6"};
    std::mt19937 random(seed);
    const auto number = [&](unsigned below) { return std::to_string(random() % below); };

    std::string table = "Bezeichnung;Dichte;Nummer;Schraffur;Winkel;Abstand;Bemerkung\r\n";
    table.reserve(bytes + 128);
    for (std::size_t row = 0; row < rows && table.size() < bytes; ++row) {
        table.append(materials[random() % materials.size()]).append(" ").append(grades[random() % grades.size()]);
        table.append(" ").append(number(1000)).append(";");
        table.append(number(20)).append(",").append(number(1000)).append(";");
        table.append(number(100)).append(";").append(number(40)).append(";").append(number(180)).append(";");
        table.append(number(10)).append(",").append(number(10)).append(";");
        table.append(number(500)).append("\r\n");
    }
    return table;
}

}  // namespace brisel::bench
