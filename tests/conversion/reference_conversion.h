// The conversion written as plainly as possible, to hold the fast one against.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::reference {

struct Result {
    std::optional<std::string> records;  // nothing when a row is short
    std::size_t line = 0;
    std::size_t fieldCount = 0;
};

inline std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

inline std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(';', start)) != std::string_view::npos; start = at + 1)
        fields.push_back(line.substr(start, at - start));
    fields.push_back(line.substr(start));
    return fields;
}

inline Result convert(std::string_view table, std::string_view prefix) {
    const std::vector<std::string_view> lines = splitLines(table);
    std::string out;
    if (lines.empty() || lines[0].empty())
        return {out};
    for (std::size_t i = 1; i < lines.size() && !lines[i].empty(); ++i) {
        const std::vector<std::string_view> f = splitFields(lines[i]);
        if (f.size() < 6)
            return {std::nullopt, i + 1, f.size()};
        std::string density(f[1]);
        if (const auto comma = density.find(','); comma != std::string::npos)
            density[comma] = '.';
        out.append("MAT=").append(f[2]).append(",").append(prefix).append(f[0]).append("\r\n");
        out.append("-XHATCH=").append(f[3]).append(", ").append(f[4]).append(", ").append(f[5]).append("\r\n");
        out.append("-KG_P_L=").append(density).append("\r\n");
    }
    return {out};
}

}  // namespace brisel::reference
