// SPDX-License-Identifier: GPL-3.0-or-later
// A to-do's element completed byte for byte: the page's own bytes with only the tag and the id
// changed, found through the parser and edited in the text.
#include "outbox/todo_element.h"

#include "reminders/reminder.h"
#include "reminders/tag_reader.h"
#include "util/text.h"
#include "util/xml_nodes.h"

#include <algorithm>
#include <pugixml.hpp>
#include <utility>
#include <vector>

namespace rz {

namespace {

constexpr std::size_t kNoPosition = std::string_view::npos;

std::string Printed(const pugi::xml_node& node)
{
    return XmlNodeText(node, pugi::format_raw);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One attribute of a start tag, as byte positions in the text: `from` is the blank before its
// name, `to` the position after its closing quote.
struct TAttributeSpan
{
    std::string Name;
    std::size_t From = 0;
    std::size_t ValueFrom = 0;
    std::size_t ValueTo = 0;
    std::size_t To = 0;
};

// The attributes of the start tag at `lt` ("<name …>") and the position of its ">" (or of the "/"
// of "/>"). The parser found the element there, so the tag is well formed; a tag that does not read
// as one gives none, and the caller sends nothing.
struct TStartTag
{
    std::vector<TAttributeSpan> Attributes;
    std::size_t Close = 0;
    bool Empty = false; // "<name …/>"
};

const TAttributeSpan* FindAttribute(const TStartTag& tag, std::string_view name)
{
    const auto it = std::find_if(tag.Attributes.begin(), tag.Attributes.end(),
                                 [&](const TAttributeSpan& attribute) { return attribute.Name == name; });
    return it != tag.Attributes.end() ? &*it : nullptr;
}

std::optional<TStartTag> ReadStartTag(std::string_view text, std::size_t lt, std::string_view name)
{
    if (text.compare(lt, 1 + name.size(), "<" + std::string(name)) != 0) {
        return std::nullopt;
    }
    TStartTag tag;
    std::size_t at = lt + 1 + name.size();
    while (at < text.size()) {
        const std::size_t from = at;
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        if (at >= text.size()) {
            return std::nullopt;
        }
        if (text[at] == '>' || text.compare(at, 2, "/>") == 0) {
            tag.Close = at;
            tag.Empty = text[at] == '/';
            return tag;
        }
        if (at == from) {
            return std::nullopt; // attributes are separated by blanks
        }
        const std::size_t nameFrom = at;
        while (at < text.size() && text[at] != '=' && !IsBlank(text[at]) && text[at] != '>' &&
               text[at] != '/') {
            ++at;
        }
        TAttributeSpan attribute{std::string(text.substr(nameFrom, at - nameFrom)), from, 0, 0, 0};
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        if (at >= text.size() || text[at] != '=') {
            return std::nullopt;
        }
        ++at;
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
            return std::nullopt;
        }
        const std::size_t close = text.find(text[at], at + 1);
        if (close == kNoPosition) {
            return std::nullopt;
        }
        attribute.ValueFrom = at + 1;
        attribute.ValueTo = close;
        attribute.To = close + 1;
        at = close + 1;
        // XML allows a name once per tag; a parser that let a second pass would leave one behind.
        if (FindAttribute(tag, attribute.Name)) {
            return std::nullopt;
        }
        tag.Attributes.push_back(std::move(attribute));
    }
    return std::nullopt;
}

// The position after the end tag of the element whose start tag is `start`: the "</name>" that
// closes it, counting the same-named elements opened inside. Markup in text is always escaped, so
// every "<" here starts a tag; the caller checks the result with the parser anyway.
std::size_t ElementEnd(std::string_view text, std::string_view name, const TStartTag& start)
{
    if (start.Empty) {
        return start.Close + 2;
    }
    const std::string open = "<" + std::string(name);
    const std::string close = "</" + std::string(name);
    int depth = 1;
    std::size_t at = start.Close + 1;
    while (depth > 0) {
        at = text.find('<', at);
        if (at == kNoPosition) {
            return kNoPosition;
        }
        const auto followedByEnd = [&](std::size_t after) {
            return after < text.size() && (IsBlank(text[after]) || text[after] == '>' || text[after] == '/');
        };
        if (text.compare(at, close.size(), close) == 0 && followedByEnd(at + close.size())) {
            --depth;
            const std::size_t gt = text.find('>', at);
            if (gt == kNoPosition) {
                return kNoPosition;
            }
            at = gt + 1;
        } else {
            if (text.compare(at, open.size(), open) == 0 && followedByEnd(at + open.size())) {
                const std::optional<TStartTag> inner = ReadStartTag(text, at, name);
                if (!inner) {
                    return kNoPosition;
                }
                if (!inner->Empty) {
                    ++depth;
                }
                at = inner->Close + 1;
                continue;
            }
            ++at;
        }
    }
    return at;
}

// A byte edit of the element's text: replace [From, To) with Text.
struct TEdit
{
    std::size_t From;
    std::size_t To;
    std::string Text;
};

} // namespace

std::string CompletedDataTag(std::string_view dataTag)
{
    // Each open "to-do" in its place; the other tags, the commas and the blanks stay as they are.
    std::string result;
    std::size_t from = 0;
    while (from <= dataTag.size()) {
        const std::size_t comma = std::min(dataTag.find(',', from), dataTag.size());
        const std::string_view entry = dataTag.substr(from, comma - from);
        result += StrTrim(entry) == "to-do" ? StrReplaceAll(std::string(entry), "to-do", "to-do:completed")
                                            : std::string(entry);
        if (comma < dataTag.size()) {
            result += ',';
        }
        from = comma + 1;
    }
    return result;
}

TCompletedElement CompleteElement(std::string_view content, std::string_view elementId)
{
    // Parsed as it came, "&" and all: the parser only finds the element and checks the result; the
    // bytes sent are the page's own.
    pugi::xml_document document;
    if (!document.load_buffer(content.data(), content.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                              pugi::encoding_utf8)) {
        return {TCompletedElement::NotFound, {}};
    }
    pugi::xml_node element;
    for (const pugi::xpath_node& hit : document.select_nodes("//*[@id]")) {
        if (elementId != hit.node().attribute("id").value()) {
            continue;
        }
        // Ids are unique on a page the service wrote; which of two it meant nobody can tell.
        if (element) {
            return {TCompletedElement::SameId, {}};
        }
        element = hit.node();
    }
    const std::string name = element.name();
    if (!element || (!IsTaggableTextBlock(name) && name != "li")) {
        return {TCompletedElement::NotFound, {}};
    }
    const pugi::xml_node span =
        element.attribute("data-tag") || name != "li" ? pugi::xml_node() : ItemTagSpan(element);
    const pugi::xml_node tagged = span ? span : element;
    const std::string dataTag = tagged.attribute("data-tag").value();
    if (!HasOpenToDoTag(dataTag)) {
        return {TCompletedElement::NotOpen, {}};
    }
    // Their resource addresses are output-only: sent back, the service would refuse or lose them.
    if (element.select_node(".//img | .//object | .//iframe")) {
        return {TCompletedElement::Embedded, {}};
    }
    // A list sent in a request overrides the tags of its items, so the items nested in a list item
    // would lose theirs: such an item is left to OneNote.
    for (const pugi::xpath_node& hit : element.select_nodes(".//li")) {
        if (hit.node().attribute("data-tag") || ItemTagSpan(hit.node())) {
            return {TCompletedElement::TaggedSubItems, {}};
        }
    }

    // The parser knows where each element's name starts; without that nothing is sent.
    if (element.offset_debug() < 1 || (span && span.offset_debug() < 1)) {
        return {TCompletedElement::Unsafe, {}};
    }
    const std::size_t lt = static_cast<std::size_t>(element.offset_debug()) - 1;
    const std::optional<TStartTag> start = ReadStartTag(content, lt, name);
    if (!start) {
        return {TCompletedElement::Unsafe, {}};
    }
    const std::size_t end = ElementEnd(content, name, *start);
    if (end == kNoPosition) {
        return {TCompletedElement::Unsafe, {}};
    }

    const std::string completed = XmlEscaped(CompletedDataTag(dataTag));
    std::vector<TEdit> edits;
    if (const TAttributeSpan* id = FindAttribute(*start, "id")) {
        edits.push_back({id->From, id->To, {}});
    }
    if (!span) {
        const TAttributeSpan* own = FindAttribute(*start, "data-tag");
        if (!own) {
            return {TCompletedElement::Unsafe, {}};
        }
        edits.push_back({own->ValueFrom, own->ValueTo, completed});
    } else {
        edits.push_back({start->Close, start->Close, " data-tag=\"" + completed + "\""});
        const std::size_t spanLt = static_cast<std::size_t>(span.offset_debug()) - 1;
        const std::optional<TStartTag> spanTag = ReadStartTag(content, spanLt, "span");
        const TAttributeSpan* spanDataTag = spanTag ? FindAttribute(*spanTag, "data-tag") : nullptr;
        if (!spanDataTag) {
            return {TCompletedElement::Unsafe, {}};
        }
        edits.push_back({spanDataTag->From, spanDataTag->To, {}});
    }
    // The lists nested in it go back with it, and a list in a request overrides the tags of its items
    // (none when it names none itself): their ids go, and an item with a tag of its own is not sent.
    for (const pugi::xpath_node& hit : element.select_nodes(".//li")) {
        const pugi::xml_node item = hit.node();
        if (item.offset_debug() < 1) {
            return {TCompletedElement::Unsafe, {}};
        }
        const std::optional<TStartTag> itemTag =
            ReadStartTag(content, static_cast<std::size_t>(item.offset_debug()) - 1, "li");
        if (!itemTag) {
            return {TCompletedElement::Unsafe, {}};
        }
        if (const TAttributeSpan* id = FindAttribute(*itemTag, "id")) {
            edits.push_back({id->From, id->To, {}});
        }
    }
    std::sort(edits.begin(), edits.end(), [](const TEdit& a, const TEdit& b) { return a.From > b.From; });
    // Markup the parser let pass (a "<" inside an attribute value) can end the byte scan early, and
    // two edits must never overlap: either way the element is not what the scan found.
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].From < lt || edits[i].To > end || (i > 0 && edits[i].To > edits[i - 1].From)) {
            return {TCompletedElement::Unsafe, {}};
        }
    }
    std::string html(content.substr(lt, end - lt));
    for (const TEdit& edit : edits) {
        html.replace(edit.From - lt, edit.To - edit.From, edit.Text);
    }

    // The result must read as the element did, but for the id and the tag.
    pugi::xml_document check;
    if (!check.load_buffer(html.data(), html.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                           pugi::encoding_utf8)) {
        return {TCompletedElement::Unsafe, {}};
    }
    pugi::xml_node sent = check.first_child();
    pugi::xml_document expected;
    pugi::xml_node wanted = expected.append_copy(element);
    wanted.remove_attribute("id");
    if (span) {
        wanted.append_attribute("data-tag").set_value(CompletedDataTag(dataTag).c_str());
        ItemTagSpan(wanted).remove_attribute("data-tag");
    } else {
        wanted.attribute("data-tag").set_value(CompletedDataTag(dataTag).c_str());
    }
    for (const pugi::xpath_node& hit : wanted.select_nodes(".//li")) {
        hit.node().remove_attribute("id");
    }
    if (sent.next_sibling() || Printed(sent) != Printed(wanted)) {
        return {TCompletedElement::Unsafe, {}};
    }
    // On input only the elements that take a tag keep one: a tag left on a span would be lost.
    if (sent.select_node(".//span[@data-tag]")) {
        return {TCompletedElement::Unsafe, {}};
    }
    return {TCompletedElement::Ok, std::move(html)};
}

std::optional<std::string> CompletedParagraph(std::string_view content, std::string_view elementId)
{
    TCompletedElement element = CompleteElement(content, elementId);
    if (element.Result == TCompletedElement::NotOpen) {
        return std::string();
    }
    if (element.Result != TCompletedElement::Ok) {
        return std::nullopt;
    }
    return std::move(element.Html);
}

} // namespace rz
