// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_node;
}

namespace rz {

class TReminderList;

// The span of a list item that carries its tag, which is how the service returns a tag on a list
// item: the first tagged span not inside a nested list or a paragraph (those belong to them). None
// when there is no such span.
pugi::xml_node ItemTagSpan(const pugi::xml_node& item);

// True when the comma-separated "data-tag" value names at least one tag and every one of them ends
// in ":completed" (a ticked to-do): such a paragraph reminds of nothing any more.
bool IsCompletedDataTag(std::string_view dataTag);

// Walks the elements below `parent` in document order and merges every tagged "p", and every list
// item tagged itself or through a tagged "span" in it (its own text, its own id), into `list` as a
// tag reminder of the page: a paragraph whose text carries a repeating reminder or a one-off one
// still to come makes or updates its reminder; any other tagged paragraph (a date passed, no
// reminder syntax, a completed to-do) removes the reminder its id had. Gives the number of changes.
// The caller holds the engine's lists lock.
std::int64_t LoadPendingTags_Recurse(TReminderList& list, const std::string& pageId,
                                     const std::string& pageLink, const pugi::xml_node& parent);

// Parses page content strictly as XML (whitespace-only text and CDATA kept), "&nbsp;" read as a
// no-break space, XML's own character references decoded and every other "&" turned into a no-break
// space, and walks it from its root element. None when the content does not parse.
// The text of a piece of page markup (a page's <title>) as OneNote shows it: character references
// decoded as ReadTagReminders decodes them. The markup itself when it does not parse.
std::string MarkupText(std::string_view markup);

std::optional<std::int64_t> ReadTagReminders(TReminderList& list, const std::string& pageId,
                                             const std::string& pageLink, std::string_view content);

// One tagged paragraph or list item as the reader sees it: its id, its text and its tag.
struct TTaggedElement
{
    std::string Id;
    std::string Text;
    std::string DataTag;
};
// Every tagged element of page content, read exactly as ReadTagReminders reads it, in document
// order. None when the content does not parse.
std::optional<std::vector<TTaggedElement>> ReadTaggedElements(std::string_view content);

} // namespace rz
