// The rules both kinds of workbook share.
#include "workbook/package.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

namespace brisel::package {
namespace {

using Status = WorkbookStatus;

// Whether a part's first byte can begin an XML document: "<", white space, a byte-order
// mark, UTF-16 without one. An Excel binary workbook's parts begin otherwise.
bool beginsAsXml(char first) {
    return std::string_view("< \t\r\n\xEF\xFE\xFF\0", 9).find(first) != std::string_view::npos;
}

}  // namespace

bool is(std::string_view ns, std::string_view name, std::string_view wantedNs, std::string_view wanted) {
    return name == wanted && ns == wantedNs;
}

std::optional<std::string_view> attribute(std::span<const XmlAttribute> attributes, std::string_view ns,
                                          std::string_view name) {
    for (const XmlAttribute& a : attributes)
        if (a.name == name && a.ns == ns)
            return a.value;
    return std::nullopt;
}

// XML Schema's white space, which may stand around a number.
std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\r\n";
    const std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) + 1 - first);
}

std::optional<std::size_t> count(std::string_view given) {
    const std::string_view digits = trimmed(given);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// The error values as the file stores them (in English), as the German Excel shows them.
// The newer ones (#CALC!, #FIELD!, #BLOCKED!, ...) keep their English names.
std::string germanError(std::string_view stored) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> names{{
        {"#N/A", "#NV"}, {"#VALUE!", "#WERT!"}, {"#REF!", "#BEZUG!"}, {"#NUM!", "#ZAHL!"},
        {"#GETTING_DATA", "#DATEN_ABRUFEN"}, {"#SPILL!", "#ÜBERLAUF!"}}};
    for (const auto& [english, german] : names)
        if (stored == english)
            return std::string(german);
    return std::string(stored);
}

// Whether a formula's saved text is the name of an error value, as the spreadsheets store
// it: Excel's and Gnumeric's names, LibreOffice's "Err:" and a three-digit code. Some
// programs save a formula's error so, as text beside the formula.
bool isErrorName(std::string_view text) {
    static constexpr std::string_view names[] = {
        "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA", "#SPILL!",
        "#CALC!", "#FIELD!", "#BLOCKED!", "#CONNECT!", "#UNKNOWN!", "#BUSY!"};
    if (std::find(std::begin(names), std::end(names), text) != std::end(names))
        return true;
    return text.size() == 7 && text.starts_with("Err:") &&
           std::all_of(text.begin() + 4, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads a part of the archive through the XML reader; the status of whatever failed. A
// part is read to its end whatever its XML, so that a wrong checksum tells a damaged part
// from one that is no XML at all (unsupported).
Status readPart(const ZipArchive& archive, const ZipArchive::Entry& entry, XmlHandler& handler) {
    ZipArchive::Reader reader(archive, entry, workbookPartLimit);
    std::optional<bool> xml;  // once the first byte is seen
    const XmlResult result = readXml(
        [&] {
            const auto piece = reader.next();
            if (piece && !piece->empty() && !xml)
                xml = beginsAsXml(piece->front());
            return piece;
        },
        handler);
    for (auto piece = reader.next(); piece && !piece->empty(); piece = reader.next()) {
    }
    if (reader.status() == ZipArchive::Status::tooLarge)
        return Status::tooLarge;
    if (reader.status() != ZipArchive::Status::ok)
        return Status::damaged;
    if (result == XmlResult::complete || result == XmlResult::stopped)
        return Status::ok;
    return xml == false ? Status::unsupported : Status::damaged;
}

std::size_t sheetToRead(std::span<const Worksheet> worksheets, std::optional<std::size_t> active) {
    if (active && *active < worksheets.size() && !worksheets[*active].hidden)
        return *active;
    const auto visible = std::find_if(worksheets.begin(), worksheets.end(), [](const Worksheet& w) { return !w.hidden; });
    return visible == worksheets.end() ? 0 : static_cast<std::size_t>(visible - worksheets.begin());
}

}  // namespace brisel::package
