// One small interface over the system's XML parser (expat on Linux, XmlLite on Windows): a
// document read in pieces, its elements and text handed on as events, names known by their
// namespace, never by their prefix. Documents with a DTD are refused: no workbook has one.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace brisel {

struct XmlAttribute {
    std::string_view ns;  // the namespace's URI, empty for none
    std::string_view name;
    std::string_view value;  // UTF-8
};

// Each event returns false to stop the reading: the rest of the document is not needed.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) = 0;
    virtual bool end(std::string_view ns, std::string_view name) = 0;
    // Character data in UTF-8, possibly in several pieces.
    virtual bool text(std::string_view utf8) = 0;
};

// The next piece of the document, an empty view at its end, nothing when it cannot be had.
using XmlSource = std::function<std::optional<std::string_view>()>;

enum class XmlResult { complete, stopped, malformed, sourceFailed };

[[nodiscard]] XmlResult readXml(const XmlSource& next, XmlHandler& handler);

}  // namespace brisel
