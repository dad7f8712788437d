// The XML reader on expat.
#include "workbook/xml_reader.h"

#include <expat.h>

#include <cstring>
#include <vector>

namespace brisel {
namespace {

constexpr char separator = '|';  // between a name's namespace URI and its local part

struct Split {
    std::string_view ns;
    std::string_view name;
};

Split split(const XML_Char* qualified) {
    const std::string_view whole(qualified);
    const std::size_t at = whole.rfind(separator);
    if (at == std::string_view::npos)
        return {{}, whole};
    return {whole.substr(0, at), whole.substr(at + 1)};
}

struct Reading {
    XML_Parser parser;
    XmlHandler& handler;
    std::vector<XmlAttribute> attributes;
    bool stopped = false;

    void stopUnless(bool goOn) {
        if (!goOn && !stopped) {
            stopped = true;
            XML_StopParser(parser, XML_FALSE);
        }
    }
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& r = *static_cast<Reading*>(data);
    if (r.stopped)
        return;
    r.attributes.clear();
    for (const XML_Char** at = attributes; *at != nullptr; at += 2) {
        const Split attribute = split(at[0]);
        r.attributes.push_back({attribute.ns, attribute.name, at[1]});
    }
    const Split element = split(name);
    r.stopUnless(r.handler.start(element.ns, element.name, r.attributes));
}

void XMLCALL onEnd(void* data, const XML_Char* name) {
    auto& r = *static_cast<Reading*>(data);
    if (r.stopped)
        return;
    const Split element = split(name);
    r.stopUnless(r.handler.end(element.ns, element.name));
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    auto& r = *static_cast<Reading*>(data);
    if (!r.stopped)
        r.stopUnless(r.handler.text(std::string_view(text, static_cast<std::size_t>(length))));
}

// A DTD could declare entities that expand without end: no workbook has one.
void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    XML_StopParser(static_cast<Reading*>(data)->parser, XML_FALSE);
}

}  // namespace

XmlResult readXml(const XmlSource& next, XmlHandler& handler) {
    const XML_Parser parser = XML_ParserCreateNS("UTF-8", separator);
    if (parser == nullptr)
        return XmlResult::malformed;
    Reading reading{parser, handler, {}};
    XML_SetUserData(parser, &reading);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    XmlResult result = XmlResult::complete;
    for (;;) {
        const std::optional<std::string_view> piece = next();
        if (!piece) {
            result = XmlResult::sourceFailed;
            break;
        }
        const bool last = piece->empty();
        if (XML_Parse(parser, piece->data(), static_cast<int>(piece->size()), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            result = reading.stopped ? XmlResult::stopped : XmlResult::malformed;
            break;
        }
        if (last)
            break;
    }
    XML_ParserFree(parser);
    return result;
}

}  // namespace brisel
