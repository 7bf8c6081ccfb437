// The few things we read from an application manifest, without an XML library: elements by
// local name (any namespace prefix ignored), their attributes and their text. Pure.
#pragma once

#include <string>
#include <vector>

struct XmlElement
{
    std::string attributes; // raw text between the element name and the end of its start tag
    std::string text;       // content up to the matching end tag; empty when self-closing
};

// Every element named `localName` ("dpiAware" also finds "asmv3:dpiAware"), in document order.
std::vector<XmlElement> FindXmlElements(const std::string& xml, const std::string& localName);
// Value of attribute `name` (in single or double quotes); false when it is missing.
bool GetXmlAttribute(const XmlElement& element, const std::string& name, std::string* pValue);
