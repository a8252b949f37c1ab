// SPDX-License-Identifier: GPL-3.0-or-later
// The budget's waits: the worker's pauses, the wait for a request slot and the one budgeted path of
// every OneNote request.
#include "account/http.h"
#include "mirror/thread_one_note_restdb.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace rz {

void MThreadOneNoteRESTDB::Wait(double seconds)
{
    if (m_WaitFunction) {
        try {
            m_WaitFunction(seconds);
        } catch (...) {
            ++m_Counts.CallbackErrorCount;
        }
        return;
    }
    std::unique_lock lock(m_WaitMutex);
    m_WaitCondition.wait_for(lock, std::chrono::duration<double>(std::max(0.0, seconds)),
                             [this] { return m_Stop.load() || m_Wake; });
    m_Wake = false;
}

double MThreadOneNoteRESTDB::PauseSeconds()
{
    // Whatever another thread hands over wakes the worker; what only time brings is counted here.
    const bool inHand = !FOnExecuteDueIn || m_ResumeCycle || m_Yielding || !m_CreateRESTDBComplete ||
                        m_State.SignInWindowOpen || m_State.WaitingForKeyring || m_Sections.HasPutOff() ||
                        m_Shared.HasRequests();
    if (inHand) {
        return kPassSeconds;
    }
    // A cycle is due once more than the interval has passed since the last.
    double until = static_cast<double>(kCycleIntervalSeconds + 1 - (TickNow() - m_Tick));
    try {
        until = std::min(until, FOnExecuteDueIn(*this));
    } catch (...) {
        ++m_Counts.CallbackErrorCount;
        return kPassSeconds;
    }
    return std::clamp(until, kPassSeconds, kRestSeconds);
}

bool MThreadOneNoteRESTDB::WaitForSlot()
{
    // A back-off may last up to an hour; waiting for it inside the cycle would stop the execute
    // callback, the status and Refresh for as long.
    while (!m_Stop) {
        if (StretchOver()) {
            m_Yielding = true;
            return false;
        }
        if (m_Budget.TryAcquire(m_SlotKind)) {
            ++m_StretchRequests;
            return true;
        }
        const double wait = m_Budget.SecondsUntilSlot(m_SlotKind);
        if (m_Yielding || wait > kYieldSeconds) {
            m_Yielding = true;
            return false;
        }
        Wait(std::clamp(wait, 0.01, kPassSeconds));
    }
    return false;
}

void MThreadOneNoteRESTDB::ResumeLater()
{
    if (m_Stop) {
        return;
    }
    m_JsonNotebooks.Set({});
    m_ResumeCycle = true;
}

namespace {

// Escapes what an address may not hold but keeps "%XX" sequences, so that an address the service
// handed out (already escaped) is sent as it is.
std::string EscapeKeepingPercents(const std::string& address)
{
    auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string out;
    std::size_t chunk = 0;
    for (std::size_t i = 0; i + 2 < address.size(); ++i) {
        if (address[i] == '%' && isHex(address[i + 1]) && isHex(address[i + 2])) {
            out += EscapeAddress(address.substr(chunk, i - chunk));
            out += address.substr(i, 3);
            chunk = i + 3;
            i += 2;
        }
    }
    out += EscapeAddress(address.substr(chunk));
    return out;
}

} // namespace

TOneNoteAnswer MThreadOneNoteRESTDB::OneNoteRequest(const TOneNoteRequest& request,
                                                    const std::function<bool()>& beforeSend)
{
    TOneNoteAnswer answer;
    // A token that expired overnight is refreshed at the first 401 and the request sent again with
    // the new one, so that a start does not wait a cycle for it.
    for (int attempt = 0;; ++attempt) {
        // The sign-in window owns the account: a request now would act for the old one.
        if (m_State.SignInWindowOpen) {
            return {};
        }
        if (request.WaitForSlot) {
            if (!WaitForSlot()) {
                return {};
            }
        } else if (!m_Budget.TryAcquire(TRequestKind::Engine)) {
            ++m_Counts.HeldBackCount;
            return {};
        }
        // The wait for the slot may have let the sign-in window open.
        if (m_State.SignInWindowOpen) {
            return {};
        }
        if (beforeSend && !beforeSend()) {
            return {};
        }
        HttpResponse response =
            GraphSendWithToken(HttpRequestOf(request), m_State.AccessToken.Get(), m_State);
        if (response.Failure == HttpFailure::Cancelled) {
            return {};
        }
        ReportToBudget(response);
        SaveBudget(false);
        const bool again = response.Failure == HttpFailure::Unauthorized && attempt == 0 && !m_Stop;
        answer.Response = std::move(response);
        if (!again) {
            return answer;
        }
        const std::string before = m_State.AccessToken.Get();
        RefreshTokens();
        answer.TokensRefreshed = true;
        if (m_State.AccessToken.Empty() || m_State.AccessToken.Get() == before) {
            return answer;
        }
    }
}

TOneNoteAnswer MThreadOneNoteRESTDB::OneNoteGet(const std::string& address, bool waitForSlot, bool escape,
                                                const std::function<bool()>& beforeSend)
{
    TOneNoteRequest request;
    request.Address = escape ? EscapeAddress(address) : EscapeKeepingPercents(address);
    request.WaitForSlot = waitForSlot;
    return OneNoteRequest(request, beforeSend);
}

bool MThreadOneNoteRESTDB::RefusedForNow(const HttpResponse& response)
{
    if (response.IsHttpError() || !IsTemporaryRefusal(response.Status, response.Body)) {
        return false;
    }
    m_Yielding = true;
    return true;
}

void MThreadOneNoteRESTDB::ReportToBudget(const HttpResponse& response)
{
    if (response.IsHttpError()) {
        m_Budget.Report(TBudgetOutcome::Other);
    } else if (IsTemporaryRefusal(response.Status, response.Body)) {
        // A busy service, like a throttling one, is asked nothing more until the wait it names (or
        // the back-off) has passed.
        ++m_Counts.ThrottledCount;
        m_Budget.Report(TBudgetOutcome::Refused, response.RetryAfterSeconds);
    } else if (response.Status >= 200 && response.Status < 300) {
        m_Budget.Report(TBudgetOutcome::Success);
    } else {
        m_Budget.Report(TBudgetOutcome::Other);
    }
}

} // namespace rz
