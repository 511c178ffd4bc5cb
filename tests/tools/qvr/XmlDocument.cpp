#include "XmlDocument.h"

#include <expat.h>

#include <fstream>
#include <sstream>

namespace {

struct ParseState {
    XmlDocument* doc;
    std::vector<std::size_t> open;  // indices of the open elements
};

void onStart(void* user, const XML_Char* name, const XML_Char** attrs) {
    auto* s = static_cast<ParseState*>(user);
    XmlElement e;
    e.name = name;
    for (int i = 0; attrs[i]; i += 2) e.attributes[attrs[i]] = attrs[i + 1];
    if (!s->open.empty()) e.parent = s->doc->elements[s->open.back()].name;
    s->doc->elements.push_back(std::move(e));
    s->open.push_back(s->doc->elements.size() - 1);
}

void onEnd(void* user, const XML_Char*) { static_cast<ParseState*>(user)->open.pop_back(); }

void onText(void* user, const XML_Char* text, int length) {
    auto* s = static_cast<ParseState*>(user);
    if (!s->open.empty()) s->doc->elements[s->open.back()].text.append(text, static_cast<std::size_t>(length));
}

}  // namespace

std::vector<const XmlElement*> XmlDocument::named(const std::string& name) const {
    std::vector<const XmlElement*> found;
    for (const XmlElement& e : elements)
        if (e.name == name) found.push_back(&e);
    return found;
}

XmlDocument parseXmlFile(const std::string& path) {
    XmlDocument doc;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        doc.error = "cannot open " + path;
        return doc;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string data = buffer.str();
    XML_Parser parser = XML_ParserCreate(nullptr);
    ParseState state{&doc, {}};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    const XML_Status status =
        XML_Parse(parser, data.data(), static_cast<int>(data.size()), XML_TRUE);
    if (status == XML_STATUS_OK) {
        doc.wellFormed = true;
    } else {
        doc.error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                    std::to_string(XML_GetCurrentLineNumber(parser));
    }
    XML_ParserFree(parser);
    return doc;
}

std::vector<double> numbersOf(const std::string& text) {
    std::vector<double> values;
    std::istringstream in(text);
    double v;
    while (in >> v) values.push_back(v);
    return values;
}
