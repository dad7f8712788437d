// Workbooks made by hand for the tests: a ZIP archive of stored entries, with the parts an
// .xlsx or an .ods needs around the rows a test gives.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace brisel {

inline std::uint32_t crc32Of(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

inline void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

inline std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string archive, directory;
    for (const auto& [name, data] : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto nameSize = static_cast<std::uint32_t>(name.size());
        put(archive, 0x04034b50, 4), put(archive, 20, 2), put(archive, 0, 2), put(archive, 0, 2), put(archive, 0, 4);
        put(archive, crc32Of(data), 4), put(archive, size, 4), put(archive, size, 4), put(archive, nameSize, 2);
        put(archive, 0, 2);
        archive += name + data;
        put(directory, 0x02014b50, 4), put(directory, 20, 2), put(directory, 20, 2), put(directory, 0, 2);
        put(directory, 0, 2), put(directory, 0, 4), put(directory, crc32Of(data), 4), put(directory, size, 4);
        put(directory, size, 4), put(directory, nameSize, 2), put(directory, 0, 2), put(directory, 0, 2);
        put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 4), put(directory, offset, 4);
        directory += name;
    }
    const auto start = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put(archive, 0x06054b50, 4), put(archive, 0, 4), put(archive, static_cast<std::uint32_t>(entries.size()), 2);
    put(archive, static_cast<std::uint32_t>(entries.size()), 2), put(archive, static_cast<std::uint32_t>(directory.size()), 4);
    put(archive, start, 4), put(archive, 0, 2);
    return archive;
}

inline constexpr const char* relationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// An .xlsx of one worksheet, `rows` after a header row of `header`'s cells; `chartFirst`
// puts a chart sheet before it in the workbook's order.
inline std::string xlsxOf(const std::string& rows, bool chartFirst = false,
                   const std::string& header = "<c t='inlineStr'><is><t>Name</t></is></c>") {
    const std::string packageNs = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string sheets = std::string(chartFirst ? "<sheet name='Diagramm' sheetId='2' r:id='rId2'/>" : "") +
                               "<sheet name='Materialien' sheetId='1' r:id='rId1'/>";
    return zipOf({
        {"[Content_Types].xml", "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'/>"},
        {"_rels/.rels", "<Relationships xmlns='" + packageNs + "'><Relationship Id='rId1' Type='" + relationships +
                            "/officeDocument' Target='xl/workbook.xml'/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main' xmlns:r='" +
                                std::string(relationships) + "'><sheets>" + sheets + "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns='" + packageNs + "'><Relationship Id='rId1' Type='" + relationships +
             "/worksheet' Target='worksheets/sheet1.xml'/><Relationship Id='rId2' Type='" + relationships +
             "/chartsheet' Target='chartsheets/sheet1.xml'/></Relationships>"},
        {"xl/chartsheets/sheet1.xml", "<chartsheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'/>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'><sheetData>"
         "<row r='1'>" + header + "</row>" + rows + "</sheetData></worksheet>"},
    });
}

// An Office Open XML package of one main part, `part`, that holds `content`: an Excel
// binary workbook (.xlsb) or a Word document (.docx) as far as a reader looks.
inline std::string officePackage(const std::string& part, const std::string& content) {
    return zipOf({
        {"[Content_Types].xml", "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'/>"},
        {"_rels/.rels", "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
                        "<Relationship Id='rId1' Type='" + std::string(relationships) + "/officeDocument' Target='" +
                            part + "'/></Relationships>"},
        {part, content},
    });
}

inline const std::string binaryWorkbook = officePackage("xl/workbook.bin", std::string("\x83\x01\x00\x2E", 4));

// A data row of cells given as XML, or as plain values ("t:" for inline text).
inline std::string xlsxRow(std::initializer_list<std::string> cells) {
    std::string row = "<row>";
    for (const std::string& cell : cells) {
        if (cell.starts_with("<"))
            row += cell;
        else if (cell.starts_with("t:"))
            row += "<c t='inlineStr'><is><t xml:space='preserve'>" + cell.substr(2) + "</t></is></c>";
        else
            row += "<c><v>" + cell + "</v></c>";
    }
    return row + "</row>";
}

}  // namespace brisel
