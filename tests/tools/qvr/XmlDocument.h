// A parsed XML file (through expat), for checking what the host writes: well-formedness, and
// the elements with their attributes and character data.
#ifndef QVR_TESTS_XML_DOCUMENT_H
#define QVR_TESTS_XML_DOCUMENT_H

#include <map>
#include <string>
#include <vector>

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;          // character data directly inside the element
    std::string parent;        // the enclosing element's name
};

struct XmlDocument {
    bool wellFormed = false;
    std::string error;         // expat's message and line when not well-formed
    std::vector<XmlElement> elements;  // in document order

    std::vector<const XmlElement*> named(const std::string& name) const;
};

XmlDocument parseXmlFile(const std::string& path);

// Whitespace-separated numbers of a DataArray's text.
std::vector<double> numbersOf(const std::string& text);

#endif
