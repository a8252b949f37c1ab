// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// What became of one request the reminder engine asked for.
enum class TOnlineStatus {
    Ok,       // the service answered; `text` holds the answer
    Failed,   // sent, but no usable answer (transport error, error object, cut-off page)
    HeldBack, // not sent (the request budget has no slot now), or refused for now: try again later
};

struct TOnlineAnswer
{
    TOnlineStatus status = TOnlineStatus::Failed;
    std::string text;
};

// The reminder engine's only way to the online notebooks. The application fills it with the
// mirror worker, so every request goes through the worker's tokens and request budget; tests fill
// it with a fake. Called on the worker thread only.
class TOnlineSource
{
public:
    virtual ~TOnlineSource() = default;

    // A page's content as HTML (ids included). Ok only for a complete page; a held-back request
    // was not sent and refreshes nothing.
    virtual TOnlineAnswer GetPageContent(const std::string& pageId) = 0;

    // A OneNote GET of `relative` below the account's Graph base address (for example
    // "/onenote/pages?$orderby=lastModifiedDateTime%20desc"), or of an absolute address the
    // service handed out itself (an "@odata.nextLink", sent only to the configured Graph host). Ok
    // for a valid list answer; held back, like page content, when the budget has no slot.
    virtual TOnlineAnswer GetOneNoteList(const std::string& relativeOrNextLink) = 0;
};

} // namespace rz
