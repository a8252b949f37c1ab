// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox/outbox.h"

#include <optional>
#include <string>
#include <string_view>

namespace rz {

// The outbox kind of a to-do marked done in the alert.
inline constexpr const char* kToDoDoneKind = "todo-done";

// The item that ticks the to-do `elementId` of the page, known to the user by `text` (its text as
// the tag reader read it).
TOutboxItem ToDoDoneItem(const std::string& pageId, const std::string& elementId, const std::string& text);

// The tag list with every open "to-do" turned into "to-do:completed"; other tags stay as they are.
std::string CompletedDataTag(std::string_view dataTag);

// The element `elementId` (a "p" or an "li") of page content as the replace command's content: its
// bytes exactly as the page holds them, but its to-do completed and its id dropped (the service
// numbers a replaced element anew). A list item takes the tag itself, and a span inside it that
// held the tag gives it up: on input only the item's own tag counts. The items of lists nested in it
// are sent the same way (their ids dropped, each tag moved from its span to its item, unchanged), as
// the replace takes the element whole; a tag that would still sit on a span is refused (Unsafe).
struct TCompletedElement
{
    enum TResult {
        Ok,       // Html holds the element
        NotFound, // no such element, or the content does not parse
        NotOpen,  // no open to-do left: nothing to send
        Embedded, // it holds an image, a file or an embedded object, which cannot be sent back
        Unsafe,   // it could not be rebuilt without changing more than its tag
        SameId,   // more than one element of the page carries the id
    };
    TResult Result = NotFound;
    std::string Html;
};
TCompletedElement CompleteElement(std::string_view content, std::string_view elementId);
// CompleteElement's Html; the empty text when nothing is left to tick, none otherwise.
std::optional<std::string> CompletedParagraph(std::string_view content, std::string_view elementId);
// The PATCH body: one replace command on the element's generated id.
std::string ToDoPatchBody(const std::string& elementId, const std::string& elementHtml);

// Which element of the page a queued to-do names now. Generated ids may change with any update of
// the page, so the id is trusted only while its element still reads as the queued text. Otherwise
// the to-do is known by its text alone: a single open one is the target, a single ticked one means
// it is done already (in OneNote, or by an attempt whose answer was lost), and more than one with
// that text is ambiguous, so that no twin is ever ticked in its place.
struct TToDoTarget
{
    enum TResult {
        Found,     // ElementId is the open to-do to tick
        Ticked,    // it is ticked already
        Missing,   // no to-do with that text on the page
        Ambiguous, // several to-dos with that text, one of them open: none is ticked
        SameId,    // the id stands on more than one tagged element: none is ticked
    };
    TResult Result = Missing;
    std::string ElementId;
};
TToDoTarget FindToDoTarget(std::string_view content, const std::string& elementId, const std::string& text);

// Reads the page, finds the to-do, sends its completed form.
class TToDoDoneKind : public TOutboxKind
{
public:
    std::string Name() const override { return kToDoDoneKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override;
    // The earlier queue file, "ToDoQueue.json": {"toDos":[{"pageId","elementId","text",…}]}.
    std::optional<TOutboxTakeover> Takeover() const override;
};

} // namespace rz
