// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/xml_nodes.h"

#include <utility>

namespace rz {

std::string XmlAttrString(const pugi::xml_node& element, const char* name)
{
    const pugi::xml_attribute attribute = element.attribute(name);
    return attribute ? std::string(attribute.value()) : std::string();
}

bool XmlHasDataTag(const pugi::xml_node& element)
{
    return static_cast<bool>(element.attribute("data-tag"));
}

std::string XmlNodeText(const pugi::xml_node& node, unsigned int formatFlags, const char* indent)
{
    struct Writer : pugi::xml_writer
    {
        std::string text;
        void write(const void* data, std::size_t size) override
        {
            text.append(static_cast<const char*>(data), size);
        }
    } writer;
    node.print(writer, indent, formatFlags, pugi::encoding_utf8);
    return std::move(writer.text);
}

std::string XmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool XmlIsElement(const pugi::xml_node& node, std::string_view name)
{
    return node.type() == pugi::node_element && std::string_view(node.name()) == name;
}

pugi::xml_node ItemTagSpan(const pugi::xml_node& item)
{
    pugi::xml_node found;
    XmlForEachBelow(item, [&](const pugi::xml_node& node) {
        if (found || !XmlIsElement(node, "span") || !XmlHasDataTag(node)) {
            return;
        }
        for (pugi::xml_node up = node.parent(); up && up != item; up = up.parent()) {
            if (XmlIsElement(up, "ul") || XmlIsElement(up, "ol") || XmlIsElement(up, "p")) {
                return;
            }
        }
        found = node;
    });
    return found;
}

} // namespace rz
