// SPDX-License-Identifier: GPL-3.0-or-later
// Done sends back an element of the user's page: whatever the page holds, the element sent reads as
// the page's own but for its ids and tags, and as ticked. Anything else is refused.
#include "outbox/todo_done.h"
#include "reminders/reminder.h"
#include "reminders/tag_reader.h"

#include <cstddef>
#include <cstdint>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <string_view>

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata;

// The element as text, without the ids and tags Done may change, below it too.
std::string WithoutIdsAndTags(const pugi::xml_node& element)
{
    pugi::xml_document copy;
    pugi::xml_node root = copy.append_copy(element);
    for (const pugi::xpath_node& hit : root.select_nodes("descendant-or-self::*")) {
        pugi::xml_node node = hit.node();
        node.remove_attribute("id");
        node.remove_attribute("data-tag");
    }
    std::ostringstream out;
    root.print(out, "", pugi::format_raw);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const auto elements = rz::ReadTaggedElements(content);
    pugi::xml_document page;
    if (!elements || !page.load_buffer(content.data(), content.size(), kParse, pugi::encoding_utf8)) {
        return 0;
    }
    for (const rz::TTaggedElement& element : *elements) {
        if (element.Id.empty()) {
            continue;
        }
        const rz::TCompletedElement done = rz::CompleteElement(content, element.Id);
        if (done.Result != rz::TCompletedElement::Ok) {
            continue;
        }
        const pugi::xml_node original = page.find_node(
            [&](const pugi::xml_node& node) { return element.Id == node.attribute("id").value(); });
        pugi::xml_document sent;
        if (!original || !sent.load_buffer(done.Html.data(), done.Html.size(), kParse, pugi::encoding_utf8) ||
            WithoutIdsAndTags(original) != WithoutIdsAndTags(sent.first_child())) {
            __builtin_trap();
        }
        const auto read = rz::ReadTaggedElements("<div>" + done.Html + "</div>");
        if (!read || read->empty() || rz::HasOpenToDoTag(read->front().DataTag)) {
            __builtin_trap();
        }
    }
    return 0;
}
