// SPDX-License-Identifier: GPL-3.0-or-later
// Sending what the outbox holds: what an answer means for an item, the link a kind sends through,
// and the worker's round of the items whose time has come.
#include "account/graph_tokens.h"
#include "mirror/request_budget.h"
#include "outbox/outbox.h"
#include "util/log.h"
#include "util/shared_value.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace rz {

namespace {

std::string ServiceMessage(const HttpResponse& response)
{
    std::string message = GraphErrorMessage(response.Body);
    return message.empty() ? "HTTP " + std::to_string(response.Status) : message;
}

double RetrySeconds(int attempts, double retryAfter)
{
    const double backoff =
        std::min(kOutboxRetryFirstSeconds * std::pow(2.0, std::max(0, attempts - 1)), kOutboxRetryMaxSeconds);
    return std::min(std::max(backoff, retryAfter), kOutboxRetryMaxSeconds);
}

// Retry times are wall-clock times, kept on disk. One further ahead than the longest wait was set
// before the clock went back, and is due now rather than after the set-back.
bool RetryDue(const std::optional<Date>& nextTry, Date now)
{
    return !nextTry || !(now < *nextTry) ||
           DateAddSeconds(now, static_cast<int>(kOutboxRetryMaxSeconds)) < *nextTry;
}

} // namespace

bool IsStaleTargetCode(std::string_view code)
{
    return code == "20120" || code == "20149";
}

TOutboxOutcome AnswerOutcome(const HttpResponse& response)
{
    TOutboxOutcome outcome;
    if (response.IsHttpError()) {
        outcome.Result = TOutboxOutcome::Retry;
        outcome.MessageKey = "strOutboxUnreachable";
        outcome.Detail = response.Message; // the transport's own cause, such as a refused address
        return outcome;
    }
    if (response.Status >= 200 && response.Status < 300) {
        outcome.Result = TOutboxOutcome::Done;
        return outcome;
    }
    outcome.Detail = ServiceMessage(response);
    const long status = response.Status;
    const std::string code = GraphErrorCode(response.Body);
    if (status == 507 || code == "30102") {
        // The section holds the most pages (or bytes) it may: retrying cannot help, another section can.
        outcome.Result = TOutboxOutcome::Refused;
        outcome.MessageKey = "strOutboxSectionFull";
        return outcome;
    }
    if (IsTemporaryRefusal(status, response.Body) || status == 408 || status >= 500 || status < 400) {
        outcome.Result = TOutboxOutcome::Retry;
        outcome.MessageKey = "strToDoProblem";
        outcome.RetryAfterSeconds = response.RetryAfterSeconds;
        return outcome;
    }
    // What the service refuses now it refuses again: the item ends and says why.
    outcome.Result = TOutboxOutcome::Refused;
    if (status == 404 || code == "20102" || code == "20113") {
        outcome.MessageKey = "strOutboxPageGone";
    } else if (status == 403 || code.starts_with("400")) {
        outcome.MessageKey = "strOutboxReadOnly";
    } else {
        outcome.MessageKey = "strOutboxRefused";
    }
    return outcome;
}

TOutboxLink::TOutboxLink(TOneNoteChannel& channel, TOutboxItem& item, std::function<bool()> save)
    : m_Channel(channel), m_Item(item), m_Save(std::move(save))
{
}

std::optional<HttpResponse> TOutboxLink::Send(const std::string& method, const std::string& relative,
                                              const std::string& contentType, const std::string& body)
{
    // A page or section of a shared notebook is written below its owner's address.
    if (m_Channel.Stopping() || !m_Channel.SignedIn()) {
        return std::nullopt;
    }
    const std::string base = m_Channel.BaseForAddress(relative);
    if (base.empty()) {
        m_BaseUnknown = true;
        return std::nullopt;
    }
    const bool write = method != "GET";
    const bool unconfirmedBefore = m_Item.Unconfirmed;
    const auto response = m_Channel.Exchange({method, base + relative, contentType, body, false}, [&] {
        if (!write) {
            return true;
        }
        // A crash after the write must find the mark (and the kind's fields as they go out), or the
        // next start would write again without looking.
        const bool before = m_Item.Unconfirmed;
        m_Item.Unconfirmed = true;
        if (m_Save()) {
            return true;
        }
        m_Item.Unconfirmed = before;
        m_NotRecorded = true;
        return false;
    });
    if (write && response && response->NeverSent) {
        // No byte left this computer: the write cannot have taken effect.
        m_Item.Unconfirmed = unconfirmedBefore;
    }
    if (!response || response->IsHttpError()) {
        return response;
    }
    if (write) {
        // Only a success or a refusal tells what the service did; a gateway's 5xx or a throttling
        // answer may come after the write took effect, so the next attempt looks first.
        const TOutboxOutcome::TResult result = AnswerOutcome(*response).Result;
        if (result == TOutboxOutcome::Done || result == TOutboxOutcome::Refused) {
            m_Item.Unconfirmed = false;
        }
    }
    return response;
}

void TOutbox::SendPending(TOneNoteChannel& channel)
{
    const std::string userId = m_UserId.Get();
    if (userId.empty() || channel.Stopping() || !channel.SignedIn()) {
        return;
    }
    std::vector<TOutboxItem> due;
    {
        std::lock_guard lock(m_Mutex);
        const std::size_t before = m_Items.size();
        TieToAccountLocked(userId);
        if (m_Items.size() != before) {
            SaveLocked();
        }
        const Date now = DateNow();
        for (const TOutboxItem& item : m_Items) {
            if (static_cast<int>(due.size()) < kOutboxItemsPerPass && m_Kinds.contains(item.Kind) &&
                RetryDue(item.NextTry, now)) {
                due.push_back(item);
            }
        }
    }
    // No lock is held across the requests; the main thread may add meanwhile.
    for (TOutboxItem& item : due) {
        if (m_UserId.Get() != item.UserId) {
            return;
        }
        TOutboxLink link(channel, item, [this, &item] {
            std::lock_guard lock(m_Mutex);
            const std::size_t at = FindLocked(item.Kind, item.Key);
            if (at == kNone) {
                return false;
            }
            TOutboxItem& stored = m_Items[at];
            const bool before = stored.Unconfirmed;
            Json fields = std::exchange(stored.Fields, item.Fields);
            stored.Unconfirmed = item.Unconfirmed;
            if (SaveLocked()) {
                return true;
            }
            stored.Unconfirmed = before;
            stored.Fields = std::move(fields);
            return false;
        });
        TOutboxOutcome outcome;
        try {
            outcome = m_Kinds.at(item.Kind)->Send(link, item);
        } catch (const std::exception& error) {
            LogWarning(std::string("an outbox item failed: ") + error.what());
            outcome = TOutboxOutcome::Again("strToDoProblem", error.what());
        }
        if (link.NotRecorded()) {
            outcome = TOutboxOutcome::Again("strOutboxNotSaved");
        } else if (link.BaseUnknown()) {
            // Its notebook's address comes with the account's hierarchy: the item waits for it
            // without holding the others back.
            outcome = TOutboxOutcome::LookAgainIn(kOutboxBaseUnknownSeconds);
        }
        Finish(item, outcome);
        if (outcome.Result == TOutboxOutcome::Held) {
            return; // nothing more goes out on this pass
        }
    }
}

void TOutbox::Finish(const TOutboxItem& tried, const TOutboxOutcome& outcome)
{
    std::lock_guard lock(m_Mutex);
    const std::size_t at = FindLocked(tried.Kind, tried.Key);
    if (at == kNone) {
        return;
    }
    TOutboxItem& item = m_Items[at];
    item.Fields = tried.Fields;
    item.Unconfirmed = tried.Unconfirmed;
    switch (outcome.Result) {
    case TOutboxOutcome::Held:
        break;
    case TOutboxOutcome::Wait:
        item.NextTry = DateAddSeconds(
            DateNow(), static_cast<int>(std::clamp(outcome.RetryAfterSeconds, 1.0, kOutboxRetryMaxSeconds)));
        break;
    case TOutboxOutcome::Done:
        EndLocked(at, outcome.MessageKey, outcome.Detail);
        break;
    case TOutboxOutcome::Refused:
        LogWarning("OneNote refused a change for good: " + outcome.Detail);
        EndLocked(at, outcome.MessageKey.empty() ? "strOutboxRefused" : outcome.MessageKey, outcome.Detail);
        break;
    case TOutboxOutcome::Retry:
        ++item.Attempts;
        item.LastError = outcome.Detail.empty() ? outcome.MessageKey : outcome.Detail;
        item.NextTry = DateAddSeconds(
            DateNow(), static_cast<int>(RetrySeconds(item.Attempts, outcome.RetryAfterSeconds)));
        m_LastProblem = TOutboxMessage{outcome.MessageKey.empty() ? "strToDoProblem" : outcome.MessageKey,
                                       item.Label, outcome.Detail, DateNow()};
        break;
    }
    SaveLocked();
}

} // namespace rz
