// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/tag_reader.h"

#include "reminders/reminder.h"
#include "reminders/reminder_list.h"
#include "util/dates.h"
#include "util/text.h"
#include "util/xml_nodes.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace rz {

namespace {

// The element's string value: every text and CDATA node below it, in document order.
std::string StringValue(const pugi::xml_node& element)
{
    std::string text;
    XmlForEachBelow(element, [&](const pugi::xml_node& node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            text += node.value();
        }
    });
    return text;
}

// A list item's own text: nested lists are items of their own.
std::string ItemText(const pugi::xml_node& item)
{
    std::string text;
    XmlForEachBelow(item, [&](const pugi::xml_node& node) {
        if (node.type() != pugi::node_pcdata && node.type() != pugi::node_cdata) {
            return;
        }
        for (pugi::xml_node up = node.parent(); up && up != item; up = up.parent()) {
            if (XmlIsElement(up, "ul") || XmlIsElement(up, "ol")) {
                return;
            }
        }
        text += node.value();
    });
    return text;
}

// The tag of a list item: its own, or that of its tagged span. None when untagged.
std::optional<std::string> ItemDataTag(const pugi::xml_node& item)
{
    if (XmlHasDataTag(item)) {
        return XmlAttrString(item, "data-tag");
    }
    if (const pugi::xml_node span = ItemTagSpan(item)) {
        return XmlAttrString(span, "data-tag");
    }
    return std::nullopt;
}

// Merges one tagged element (a paragraph or a list item) into the list as the page's reminder
// keyed by the element's id.
std::int64_t MergeTagged(TReminderList& list, const std::string& pageId, const std::string& pageLink,
                         const pugi::xml_node& element, const std::string& text, const std::string& dataTag)
{
    std::optional<Date> dt;
    std::int64_t type = kReminderTypeNone;
    std::int64_t start = 0;
    std::int64_t end = 0;
    WeekDayFlags weekDay = DefaultWeekDays();
    TAReminder::PageTitleReminder_GetDateTime(text, dt, type, start, end, weekDay, list.DateOnlyTime());
    if (IsCompletedDataTag(dataTag)) {
        type = kReminderTypeNone;
    }

    const std::string id = XmlAttrString(element, "id");
    const std::string link = TagParagraphLink(pageLink, id);
    // The tag travels with the reminder, so the alert knows whether it can tick a to-do.
    const auto withDataTag = [&](std::int64_t changes) {
        const ReminderPtr record = list.GetByID(id);
        if (record && record->dataTag() != dataTag) {
            record->setDataTag(dataTag);
            ++changes;
        }
        return changes;
    };
    if (type == kReminderTypeRepeating) {
        return withDataTag(list.AddUnique(kTagReminder, text, id, pageId, link, dt, 1, weekDay));
    }
    // A one-off listed already that came due and has not rung (alarms held, a zone change) stays for
    // the due check to ring, late.
    const ReminderPtr listed = list.GetByID(id);
    const bool heldBack = listed && listed->Repeat() == 0 && SameText(listed->name(), text);
    if (type == kReminderTypeOneOff && dt && (!(*dt < DateNow()) || heldBack)) {
        return withDataTag(list.AddUnique(kTagReminder, text, id, pageId, link, dt, 0, weekDay));
    }
    if (list.GetByID(id)) {
        list.DeleteByID(id);
        return 1;
    }
    return 0;
}

// True when the "&" at `at` begins a reference the XML parser decodes itself: one of XML's five
// names, or a decimal or hexadecimal character number.
bool IsXmlReference(std::string_view text, std::size_t at)
{
    for (const std::string_view named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        if (text.substr(at, named.size()) == named) {
            return true;
        }
    }
    std::size_t i = at + 1;
    if (i >= text.size() || text[i] != '#') {
        return false;
    }
    ++i;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) {
        ++i;
    }
    const std::size_t digits = i;
    const auto isDigit = [hex](unsigned char c) {
        return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0;
    };
    while (i < text.size() && i - digits < 8 && isDigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i > digits && i < text.size() && text[i] == ';';
}

// "&nbsp;" is what it stands for and the parser decodes XML's own references, so "Ann &amp; Bob"
// reads as OneNote shows it; any other "&" becomes a no-break space, so entities the strict parser
// does not know cannot fail the page.
std::string PreparedMarkup(std::string_view content)
{
    const std::string text = StrReplaceAll(content, "&nbsp;", "\xC2\xA0");
    std::string prepared;
    prepared.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && !IsXmlReference(text, i)) {
            prepared += "\xC2\xA0";
        } else {
            prepared += text[i];
        }
    }
    return prepared;
}

// Calls `visit(element, text, dataTag)` for every tagged paragraph or heading ("p", "h1" to "h6",
// the elements that carry a tag themselves), and every list item tagged itself or through a tagged
// "span" in it, in document order. The text is valid UTF-8: character references to surrogates,
// which the parser writes as invalid bytes, read as the character a pair encodes, else U+FFFD.
template <class Visit> void ForEachTagged(const pugi::xml_node& parent, Visit visit)
{
    XmlForEachBelow(parent, [&](const pugi::xml_node& node) {
        if (IsTaggableTextBlock(node.name()) && node.type() == pugi::node_element && XmlHasDataTag(node)) {
            visit(node, Utf8Repaired(StringValue(node)), XmlAttrString(node, "data-tag"));
        } else if (XmlIsElement(node, "li")) {
            if (const std::optional<std::string> tag = ItemDataTag(node)) {
                visit(node, Utf8Repaired(ItemText(node)), *tag);
            }
        }
    });
}

bool LoadPrepared(pugi::xml_document& document, std::string_view content)
{
    const std::string prepared = PreparedMarkup(content);
    const pugi::xml_parse_result parsed = document.load_buffer(
        prepared.data(), prepared.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
    return parsed && document.document_element();
}

// Walks the elements below `parent` in document order and merges every tagged "p", and every list
// item tagged itself or through a tagged "span" in it (its own text, its own id), into `list`.
std::int64_t LoadPendingTags_Recurse(TReminderList& list, const std::string& pageId,
                                     const std::string& pageLink, const pugi::xml_node& parent)
{
    std::int64_t count = 0;
    ForEachTagged(parent, [&](const pugi::xml_node& node, const std::string& text, const std::string& tag) {
        count += MergeTagged(list, pageId, pageLink, node, text, tag);
    });
    return count;
}

} // namespace

std::string MarkupText(std::string_view markup)
{
    const std::string wrapped = "<t>" + PreparedMarkup(markup) + "</t>";
    pugi::xml_document document;
    if (!document.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                              pugi::encoding_utf8)) {
        return std::string(markup);
    }
    return Utf8Repaired(document.child("t").text().get());
}

bool IsTaggableTextBlock(std::string_view name)
{
    return name == "p" || (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
}

bool IsCompletedDataTag(std::string_view dataTag)
{
    const std::vector<std::string> tags = DataTagList(dataTag);
    return !tags.empty() && std::all_of(tags.begin(), tags.end(),
                                        [](const std::string& tag) { return tag.ends_with(":completed"); });
}

std::optional<std::int64_t> ReadTagReminders(TReminderList& list, const std::string& pageId,
                                             const std::string& pageLink, std::string_view content)
{
    pugi::xml_document document;
    if (!LoadPrepared(document, content)) {
        return std::nullopt;
    }
    return LoadPendingTags_Recurse(list, pageId, pageLink, document.document_element());
}

std::optional<std::vector<TTaggedElement>> ReadTaggedElements(std::string_view content)
{
    pugi::xml_document document;
    if (!LoadPrepared(document, content)) {
        return std::nullopt;
    }
    std::vector<TTaggedElement> elements;
    ForEachTagged(document.document_element(),
                  [&](const pugi::xml_node& node, const std::string& text, const std::string& tag) {
                      elements.push_back({XmlAttrString(node, "id"), text, tag});
                  });
    return elements;
}

} // namespace rz
