#include "manifest_xml.h"

#include <ctype.h>

namespace
{

bool IsNameChar(char c)
{
    return isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
}

std::string LocalName(const std::string& qualified)
{
    size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

} // namespace

std::vector<XmlElement> FindXmlElements(const std::string& xml, const std::string& localName)
{
    std::vector<XmlElement> found;
    size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string::npos)
    {
        size_t nameStart = pos + 1;
        size_t nameEnd = nameStart;
        while (nameEnd < xml.size() && IsNameChar(xml[nameEnd]))
        {
            ++nameEnd;
        }
        std::string qualified = xml.substr(nameStart, nameEnd - nameStart);
        size_t tagEnd = xml.find('>', nameEnd);
        if (tagEnd == std::string::npos)
        {
            break; // unterminated tag
        }
        pos = tagEnd + 1;
        // Comments, declarations, end tags and other elements carry no name we want.
        if (qualified.empty() || LocalName(qualified) != localName)
        {
            continue;
        }
        XmlElement element = {};
        bool selfClosing = xml[tagEnd - 1] == '/';
        element.attributes = xml.substr(nameEnd, tagEnd - nameEnd - (selfClosing ? 1 : 0));
        if (!selfClosing)
        {
            size_t close = xml.find("</" + qualified, pos);
            if (close == std::string::npos)
            {
                break; // unterminated element
            }
            element.text = xml.substr(pos, close - pos);
        }
        found.push_back(element);
    }
    return found;
}

bool GetXmlAttribute(const XmlElement& element, const std::string& name, std::string* pValue)
{
    const std::string& a = element.attributes;
    size_t pos = 0;
    while ((pos = a.find(name, pos)) != std::string::npos)
    {
        size_t after = pos + name.size();
        bool startsName = pos == 0 || isspace(static_cast<unsigned char>(a[pos - 1]));
        size_t eq = after;
        while (eq < a.size() && isspace(static_cast<unsigned char>(a[eq])))
        {
            ++eq;
        }
        if (startsName && eq < a.size() && a[eq] == '=')
        {
            size_t quote = eq + 1;
            while (quote < a.size() && isspace(static_cast<unsigned char>(a[quote])))
            {
                ++quote;
            }
            if (quote < a.size() && (a[quote] == '"' || a[quote] == '\''))
            {
                size_t end = a.find(a[quote], quote + 1);
                if (end != std::string::npos)
                {
                    *pValue = a.substr(quote + 1, end - quote - 1);
                    return true;
                }
            }
            return false;
        }
        pos = after;
    }
    return false;
}
