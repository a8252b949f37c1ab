// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

class TReminderList;

// True when the comma-separated "data-tag" value names at least one tag and every one of them ends
// in ":completed" (a ticked to-do): such a paragraph reminds of nothing any more.
bool IsCompletedDataTag(std::string_view dataTag);

// True for the elements that carry a note tag themselves as paragraphs do: "p" and "h1" to "h6".
bool IsTaggableTextBlock(std::string_view name);

// The text of a piece of page markup (a page's <title>) as OneNote shows it: character references
// decoded as ReadTagReminders decodes them. The markup itself when it does not parse.
std::string MarkupText(std::string_view markup);

// Parses page content strictly as XML (whitespace-only text and CDATA kept), "&nbsp;" read as a
// no-break space, XML's own character references decoded and every other "&" turned into a no-break
// space, and merges every tagged paragraph, heading and list item into `list` as a tag reminder of the page:
// a paragraph whose text carries a repeating reminder or a one-off one still to come makes or updates its
// reminder; any other tagged paragraph (a date passed, no reminder syntax, a completed to-do) removes the
// reminder its id had. Gives the number of changes; none when the content does not parse. The caller holds
// the engine's lists lock.
std::optional<std::int64_t> ReadTagReminders(TReminderList& list, const std::string& pageId,
                                             const std::string& pageLink, std::string_view content);

// One tagged paragraph, heading or list item as the reader sees it: its id, its text and its tag.
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
