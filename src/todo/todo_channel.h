// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/one_note_channel.h"
#include "mirror/request_budget.h"

#include <functional>
#include <string>

namespace rz {

// What the To Do channel needs of the account: where its Graph address is and its bearer.
struct TToDoAccess
{
    std::string Base;                   // "<root>/v1.0/me" or "<root>/v1.0/users/{id}"
    std::function<std::string()> Token; // the access token now; empty while none is held
    std::function<bool()> Refresh;      // gets a new access token after a 401; false when it could not
    std::function<bool()> Stopping;     // true once nothing more may be sent
};

// The bridge's requests to Microsoft To Do, through the same narrow interface the outbox writes the
// notes with, but under a request budget of its own (the OneNote windows' counts, kept apart), so
// that To Do never takes a request from OneNote's budget and OneNote's throttling never holds To Do
// back. A 429 or 503 backs the channel off for the Retry-After it names. Worker thread only.
class TToDoChannel : public TOneNoteChannel
{
public:
    explicit TToDoChannel(TToDoAccess access);

    // Every address lies below the account's base.
    std::string BaseForAddress(const std::string& relative) override;
    bool Stopping() const override;
    bool SignedIn() const override;
    // Sends when the budget has a slot now and the address lies below the base (a link the service
    // gave is never followed elsewhere with the bearer); a 401 refreshes the token and sends once more.
    std::optional<HttpResponse> Exchange(const TOneNoteRequest& request,
                                         const std::function<bool()>& beforeSend) override;

    const TRequestBudget& Budget() const { return m_Budget; }
    const std::string& Base() const { return m_Access.Base; }

private:
    std::optional<HttpResponse> SendOnce(const TOneNoteRequest& request,
                                         const std::function<bool()>& beforeSend);

    TToDoAccess m_Access;
    TRequestBudget m_Budget;
};

} // namespace rz
