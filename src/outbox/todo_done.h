// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox/outbox.h"
#include "outbox/todo_element.h"

#include <optional>
#include <string>
#include <string_view>

namespace rz {

// The outbox kind of a to-do marked done in the alert.
inline constexpr const char* kToDoDoneKind = "todo-done";

// The item that ticks the to-do `elementId` of the page, known to the user by `text` (its text as
// the tag reader read it).
TOutboxItem ToDoDoneItem(const std::string& pageId, const std::string& elementId, const std::string& text);

// The PATCH body: one replace command on the element's generated id.
std::string ToDoPatchBody(const std::string& elementId, const std::string& elementHtml);

// Which element of the page a queued to-do names now. Generated ids may change with any update of
// the page and then name another element, a twin among them, so the to-do is known by its text
// alone: a single open one is the target, ticked ones alone mean it is done already (in OneNote, or
// by an attempt whose answer was lost), and an open one beside another with that text is ambiguous,
// so that no twin is ever ticked in its place.
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

// Pages read again in one attempt after the service could not locate the PATCH target.
inline constexpr int kStaleTargetRereads = 2;

// Reads the page, finds the to-do, sends its completed form; when the service cannot locate the
// target (its generated id changed since the read), reads again, kStaleTargetRereads times at most.
class TToDoDoneKind : public TOutboxKind
{
public:
    std::string Name() const override { return kToDoDoneKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override;
    // The earlier queue file, "ToDoQueue.json": {"toDos":[{"pageId","elementId","text",…}]}.
    std::optional<TOutboxTakeover> Takeover() const override;

private:
    // Finds the to-do in the page's `content` and sends its completed form.
    TOutboxOutcome TickOn(TOutboxLink& link, const std::string& pageId, const std::string& content,
                          const std::string& elementId, const std::string& text);
    bool m_StaleTarget = false; // the last PATCH's target could not be located (worker thread only)
};

} // namespace rz
