// SPDX-License-Identifier: GPL-3.0-or-later
// Internal to rz_core: pugixml node helpers shared by the units that read and edit page markup.
// Only core .cpp files include this header, so no header the application or a test includes names
// a pugixml type; callers outside the core go through text forms (tag_reader.h, todo_done.h).
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace rz {

// The attribute's value, or the empty text when the element has no such attribute.
std::string XmlAttrString(const pugi::xml_node& element, const char* name);
// True when the element carries a "data-tag" attribute, whatever its value.
bool XmlHasDataTag(const pugi::xml_node& element);
// The node (a document: its children) written out in UTF-8 with pugixml's format flags and indent.
std::string XmlNodeText(const pugi::xml_node& node, unsigned int formatFlags, const char* indent = "");
// The text with &, <, > and " written as entities, fit for an attribute value or element text.
std::string XmlEscaped(std::string_view text);
// True when the node is an element of that name.
bool XmlIsElement(const pugi::xml_node& node, std::string_view name);

// The span of a list item that carries its tag, which is how the service returns a tag on a list
// item: the first tagged span not inside a nested list or a paragraph (those belong to them). None
// when there is no such span.
pugi::xml_node ItemTagSpan(const pugi::xml_node& item);

// Visits every node below `top` in document order, without recursion, so deeply nested content
// cannot exhaust the stack.
template <class Visit> void XmlForEachBelow(const pugi::xml_node& top, Visit visit)
{
    for (pugi::xml_node node = top.first_child(); node && node != top;) {
        visit(node);
        if (node.type() == pugi::node_element && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != top && !node.next_sibling()) {
            node = node.parent();
        }
        if (node == top) {
            break;
        }
        node = node.next_sibling();
    }
}

} // namespace rz
