// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rz {

// The tag list with every open "to-do" turned into "to-do:completed"; other tags stay as they are.
std::string CompletedDataTag(std::string_view dataTag);

// The element `elementId` (a "p", an "h1" to "h6" or an "li") of page content as the replace
// command's content: its bytes exactly as the page holds them, but its to-do completed and its id
// dropped (the service numbers a replaced element anew). A list item takes the tag itself, and a span
// inside it that held the tag gives it up: on input only the item's own tag counts. The replace takes
// a list item whole, the lists nested in it included, and a list in a request overrides the tags of
// its items: a list item with a tagged item below it is refused (TaggedSubItems), one whose nested
// items carry no tag is sent with their ids dropped; a tag that would still sit on a span is refused
// (Unsafe).
struct TCompletedElement
{
    enum TResult {
        Ok,             // Html holds the element
        NotFound,       // no such element, or the content does not parse
        NotOpen,        // no open to-do left: nothing to send
        Embedded,       // it holds an image, a file or an embedded object, which cannot be sent back
        Unsafe,         // it could not be rebuilt without changing more than its tag
        SameId,         // more than one element of the page carries the id
        TaggedSubItems, // a list item holding tagged items, which the replace would strip of their tags
    };
    TResult Result = NotFound;
    std::string Html;
};
TCompletedElement CompleteElement(std::string_view content, std::string_view elementId);
// CompleteElement's Html; the empty text when nothing is left to tick, none otherwise.
std::optional<std::string> CompletedParagraph(std::string_view content, std::string_view elementId);
} // namespace rz
