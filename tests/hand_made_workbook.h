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

// A sheet of a hand-made .xlsx: a worksheet of `rows` after a header row of `header`'s
// cells, or a chart sheet.
struct HandMadeSheet {
    std::string name;
    std::string rows;
    std::string attributes = {};  // more of its <sheet>'s attributes: state='hidden'
    bool chart = false;
    std::string header = "<c t='inlineStr'><is><t>Name</t></is></c>";
};

// An .xlsx of `sheets` in the workbook's order; `beforeSheets` stands in xl/workbook.xml
// before <sheets>: the <bookViews> with the active tab, and what else a program writes there;
// `afterSheets` after them (<calcPr>).
inline std::string xlsxOfSheets(const std::vector<HandMadeSheet>& sheets, const std::string& beforeSheets = "",
                                const std::string& afterSheets = "") {
    const std::string packageNs = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    std::string entries, links;
    std::vector<std::pair<std::string, std::string>> parts;
    for (std::size_t at = 0; at < sheets.size(); ++at) {
        const HandMadeSheet& sheet = sheets[at];
        const std::string n = std::to_string(at + 1);
        entries += "<sheet name='" + sheet.name + "' sheetId='" + n + "' " + sheet.attributes + " r:id='rId" + n + "'/>";
        const std::string part = (sheet.chart ? "chartsheets/sheet" : "worksheets/sheet") + n + ".xml";
        links += "<Relationship Id='rId" + n + "' Type='" + relationships + (sheet.chart ? "/chartsheet" : "/worksheet") +
                 "' Target='" + part + "'/>";
        parts.emplace_back("xl/" + part, sheet.chart ? "<chartsheet xmlns='" + mainNs + "'/>"
                                                     : "<worksheet xmlns='" + mainNs + "'><sheetData><row r='1'>" +
                                                           sheet.header + "</row>" + sheet.rows + "</sheetData></worksheet>");
    }
    std::vector<std::pair<std::string, std::string>> entriesOfZip{
        {"[Content_Types].xml", "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'/>"},
        {"_rels/.rels", "<Relationships xmlns='" + packageNs + "'><Relationship Id='rId1' Type='" + relationships +
                            "/officeDocument' Target='xl/workbook.xml'/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns='" + mainNs + "' xmlns:r='" + std::string(relationships) + "'>" +
                                beforeSheets + "<sheets>" + entries + "</sheets>" + afterSheets + "</workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships xmlns='" + packageNs + "'>" + links + "</Relationships>"},
    };
    entriesOfZip.insert(entriesOfZip.end(), parts.begin(), parts.end());
    return zipOf(entriesOfZip);
}

// An .xlsx of one worksheet, "Materialien", `rows` after a header row of `header`'s cells;
// `chartFirst` puts a chart sheet before it in the workbook's order.
inline std::string xlsxOf(const std::string& rows, bool chartFirst = false,
                          const std::string& header = "<c t='inlineStr'><is><t>Name</t></is></c>") {
    std::vector<HandMadeSheet> sheets;
    if (chartFirst)
        sheets.push_back({"Diagramm", "", "", true});
    sheets.push_back({"Materialien", rows, "", false, header});
    return xlsxOfSheets(sheets);
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
