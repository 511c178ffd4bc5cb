// What the host's tests share: running the qvr program as a user does, and reading back the
// text, CSV and XML files it writes.
#ifndef QVR_TESTS_QVR_TEST_SUPPORT_H
#define QVR_TESTS_QVR_TEST_SUPPORT_H

#include <expat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> splitLines(const std::string& text, char separator = '\n') {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// Comma-separated fields per line (the host writes no quoting).
inline std::vector<std::vector<std::string>> readCsv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(readText(path)))
        rows.push_back(splitLines(line, ','));
    return rows;
}

// Fibre results of an isotropic field (a11 = a22 = a33 = 1/3, the rest 0) for a mesh of these
// counts, one value per cell for each of the six items.
inline k7t::ResultFile fiberResult(long long nodes, long long cells) {
    k7t::ResultFile file;
    file.nodeCount = nodes;
    file.elemCount = cells;
    for (int i = 0; i < 6; ++i) {
        k7t::ResultItem item;
        item.id = k7t::kFiberItemIds[i];
        item.location = 1;
        item.values.assign(static_cast<std::size_t>(cells), i < 3 ? 1.0f / 3.0f : 0.0f);
        file.items.push_back(item);
    }
    return file;
}

struct QvrResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs the program with stdout and stderr in files of `scratch` (so stderr is never a
// terminal and no progress bar shows). Standard input is empty, or the content of `input`
// through a pipe.
inline QvrResult runQvr(const std::vector<std::string>& args, const std::string& scratch,
                        const std::string& input = "") {
    const auto quote = [](const std::string& arg) {
        std::string q = "'";
        for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = input.empty() ? std::string() : "cat " + quote(input) + " | ";
    command.append(quote(QVR_EXE));
    for (const std::string& a : args) command.append(" ").append(quote(a));
    command.append(input.empty() ? " </dev/null >" : " >").append(quote(scratch + "/qvr.stdout"));
    command.append(" 2>").append(quote(scratch + "/qvr.stderr"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(scratch + "/qvr.stdout"),
            readText(scratch + "/qvr.stderr")};
}

struct XmlElement {
    std::string name, parent, text;  // text: character data directly inside the element
    std::map<std::string, std::string> attributes;
};

struct XmlDocument {
    bool wellFormed = false;
    std::string error;
    std::vector<XmlElement> elements;  // in document order
    std::vector<const XmlElement*> named(const std::string& name) const {
        std::vector<const XmlElement*> found;
        for (const XmlElement& e : elements) found.insert(found.end(), e.name == name ? 1 : 0, &e);
        return found;
    }
};

// Parsed through expat, as a strict XML reader sees the file.
inline XmlDocument parseXmlFile(const std::string& path) {
    struct State {
        XmlDocument doc;
        std::vector<std::size_t> open;
    } state;
    const std::string data = readText(path);
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(
        parser,
        [](void* user, const XML_Char* name, const XML_Char** attrs) {
            auto* s = static_cast<State*>(user);
            XmlElement e;
            e.name = name;
            for (int i = 0; attrs[i]; i += 2) e.attributes[attrs[i]] = attrs[i + 1];
            if (!s->open.empty()) e.parent = s->doc.elements[s->open.back()].name;
            s->doc.elements.push_back(e);
            s->open.push_back(s->doc.elements.size() - 1);
        },
        [](void* user, const XML_Char*) { static_cast<State*>(user)->open.pop_back(); });
    XML_SetCharacterDataHandler(parser, [](void* user, const XML_Char* text, int length) {
        auto* s = static_cast<State*>(user);
        if (!s->open.empty())
            s->doc.elements[s->open.back()].text.append(text, static_cast<std::size_t>(length));
    });
    state.doc.wellFormed =
        XML_Parse(parser, data.data(), static_cast<int>(data.size()), XML_TRUE) == XML_STATUS_OK;
    if (!state.doc.wellFormed)
        state.doc.error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                          std::to_string(XML_GetCurrentLineNumber(parser));
    XML_ParserFree(parser);
    return state.doc;
}

// Whitespace-separated numbers of a DataArray's text.
inline std::vector<double> numbersOf(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<double>(in), std::istream_iterator<double>()};
}

#endif
