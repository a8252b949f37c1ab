// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_channel.h"

#include <utility>

namespace rz {

TToDoChannel::TToDoChannel(TToDoAccess access) : m_Access(std::move(access)) {}

std::string TToDoChannel::BaseForAddress(const std::string&)
{
    return m_Access.Base;
}

bool TToDoChannel::Stopping() const
{
    return m_Access.Stopping && m_Access.Stopping();
}

bool TToDoChannel::SignedIn() const
{
    return m_Access.Token && !m_Access.Token().empty();
}

std::optional<HttpResponse> TToDoChannel::SendOnce(const TOneNoteRequest& request,
                                                   const std::function<bool()>& beforeSend)
{
    const std::string token = m_Access.Token ? m_Access.Token() : std::string();
    // The slot is looked at before `beforeSend` marks a write as gone out, and taken after it.
    if (Stopping() || token.empty() || m_Budget.SecondsUntilSlot(TRequestKind::Any) > 0) {
        return std::nullopt;
    }
    if ((beforeSend && !beforeSend()) || !m_Budget.TryAcquire(TRequestKind::Any)) {
        return std::nullopt;
    }
    HttpRequest http = HttpRequestOf(request);
    http.Headers.insert(http.Headers.begin(), {"Authorization", "Bearer " + token});
    HttpResponse response = HttpSend(http);
    if (response.Status == 429 || response.Status == 503) {
        m_Budget.Report(TBudgetOutcome::Refused, response.RetryAfterSeconds);
    } else if (!response.IsHttpError() && response.Status < 500) {
        m_Budget.Report(TBudgetOutcome::Success);
    } else {
        m_Budget.Report(TBudgetOutcome::Other);
    }
    return response;
}

std::optional<HttpResponse> TToDoChannel::Exchange(const TOneNoteRequest& request,
                                                   const std::function<bool()>& beforeSend)
{
    // The base ends in "/me" or a user's id: the next character must end that segment.
    const std::string& base = m_Access.Base;
    if (base.empty() || !request.Address.starts_with(base) ||
        (request.Address.size() > base.size() && request.Address[base.size()] != '/')) {
        return std::nullopt;
    }
    std::optional<HttpResponse> response = SendOnce(request, beforeSend);
    if (response && response->Failure == HttpFailure::Unauthorized && m_Access.Refresh &&
        m_Access.Refresh()) {
        std::optional<HttpResponse> again = SendOnce(request, beforeSend);
        if (again) {
            return again;
        }
    }
    return response;
}

} // namespace rz
