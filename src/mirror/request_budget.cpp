// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/request_budget.h"

#include "util/clock.h"
#include "util/dates.h"
#include "util/json.h"

#include <algorithm>

namespace rz {

void TRequestBudget::DropOld(double now) const
{
    while (!m_Sent.empty() && m_Sent.front() <= now - kBudgetHourSeconds) {
        m_Sent.pop_front();
    }
}

int TRequestBudget::CountSince(double since) const
{
    const auto first = std::upper_bound(m_Sent.begin(), m_Sent.end(), since);
    return static_cast<int>(std::distance(first, m_Sent.end()));
}

double TRequestBudget::WaitLocked(double now, TRequestKind kind) const
{
    DropOld(now);
    int perMinute = kBudgetPerMinute;
    int perHour = kBudgetPerHour;
    if (kind == TRequestKind::Engine) {
        perMinute -= kMirrorReservePerMinute;
        perHour -= kMirrorReservePerHour;
    } else if (kind == TRequestKind::Deferred) {
        perMinute -= kEngineReservePerMinute;
        perHour -= kEngineReservePerHour;
    }
    double wait = std::max(0.0, m_BackOffUntil - now);
    // A slot frees when the request that filled the window leaves it.
    if (CountSince(now - kBudgetMinuteSeconds) >= perMinute) {
        const double oldest = m_Sent[m_Sent.size() - static_cast<std::size_t>(perMinute)];
        wait = std::max(wait, oldest + kBudgetMinuteSeconds - now);
    }
    if (static_cast<int>(m_Sent.size()) >= perHour) {
        const double oldest = m_Sent[m_Sent.size() - static_cast<std::size_t>(perHour)];
        wait = std::max(wait, oldest + kBudgetHourSeconds - now);
    }
    return wait;
}

bool TRequestBudget::TryAcquire(TRequestKind kind)
{
    std::lock_guard lock(m_Mutex);
    const double now = MonotonicSecondsNow();
    if (WaitLocked(now, kind) > 0) {
        return false;
    }
    // A clock set back must not let requests pile up ahead of older ones.
    m_Sent.push_back(m_Sent.empty() ? now : std::max(now, m_Sent.back()));
    ++m_Generation;
    return true;
}

double TRequestBudget::SecondsUntilSlot(TRequestKind kind) const
{
    std::lock_guard lock(m_Mutex);
    return WaitLocked(MonotonicSecondsNow(), kind);
}

void TRequestBudget::Report(TBudgetOutcome outcome, double retryAfterSeconds)
{
    std::lock_guard lock(m_Mutex);
    switch (outcome) {
    case TBudgetOutcome::Success:
        m_NextBackOff = kBackOffFirstSeconds;
        break;
    case TBudgetOutcome::Refused: {
        double wait = m_NextBackOff;
        if (retryAfterSeconds > 0) {
            wait = std::min(retryAfterSeconds, kBudgetHourSeconds);
        } else {
            m_NextBackOff = std::min(m_NextBackOff * 2, kBackOffMaxSeconds);
        }
        m_BackOffUntil = std::max(m_BackOffUntil, MonotonicSecondsNow() + wait);
        ++m_Generation;
        break;
    }
    case TBudgetOutcome::Other:
        break;
    }
}

int TRequestBudget::SentLastMinute() const
{
    std::lock_guard lock(m_Mutex);
    const double now = MonotonicSecondsNow();
    DropOld(now);
    return CountSince(now - kBudgetMinuteSeconds);
}

int TRequestBudget::SentLastHour() const
{
    std::lock_guard lock(m_Mutex);
    DropOld(MonotonicSecondsNow());
    return static_cast<int>(m_Sent.size());
}

bool TRequestBudget::BackingOff() const
{
    std::lock_guard lock(m_Mutex);
    return MonotonicSecondsNow() < m_BackOffUntil;
}

std::string TRequestBudget::SavedText() const
{
    std::lock_guard lock(m_Mutex);
    const double now = MonotonicSecondsNow();
    const double toWall = DateNow().seconds - now;
    DropOld(now);
    Json sent = Json::array();
    for (const double at : m_Sent) {
        sent.push_back(at + toWall);
    }
    Json saved = {{"sent", std::move(sent)}, {"nextBackOff", m_NextBackOff}};
    if (m_BackOffUntil > now) {
        saved["backOffUntil"] = m_BackOffUntil + toWall;
    }
    return JsonObjectToText(saved);
}

void TRequestBudget::Restore(std::string_view text)
{
    const Json saved = JsonTextToObject(text);
    const Json* sent = JsonArray(saved, "sent");
    if (sent == nullptr) {
        return;
    }
    std::lock_guard lock(m_Mutex);
    const double now = MonotonicSecondsNow();
    const double wallNow = DateNow().seconds;
    std::deque<double> restored;
    for (const Json& at : *sent) {
        // A time the wall clock now puts ahead (it was set back since) cannot be placed in the
        // last hour; taken as "now", a whole hour of them would block every request for an hour.
        if (at.is_number() && at.get<double>() <= wallNow) {
            restored.push_back(now - (wallNow - at.get<double>()));
        }
    }
    std::sort(restored.begin(), restored.end());
    for (const double at : m_Sent) {
        restored.push_back(std::max(at, restored.empty() ? at : restored.back()));
    }
    m_Sent = std::move(restored);
    DropOld(now);
    if (const auto until = saved.find("backOffUntil"); until != saved.end() && until->is_number()) {
        m_BackOffUntil =
            std::max(m_BackOffUntil, now + std::min(until->get<double>() - wallNow, kBudgetHourSeconds));
    }
    if (const auto next = saved.find("nextBackOff"); next != saved.end() && next->is_number()) {
        m_NextBackOff = std::clamp(next->get<double>(), kBackOffFirstSeconds, kBackOffMaxSeconds);
    }
}

void TRequestBudget::Reset()
{
    std::lock_guard lock(m_Mutex);
    m_Sent.clear();
    m_BackOffUntil = 0;
    m_NextBackOff = kBackOffFirstSeconds;
    ++m_Generation;
}

std::uint64_t TRequestBudget::Generation() const
{
    std::lock_guard lock(m_Mutex);
    return m_Generation;
}

bool IsThrottledAnswer(long status, const std::string_view& body)
{
    // Only a refusal is read for the code: a page or list that merely mentions it is an answer.
    const bool refused = status < 200 || status >= 300;
    return status == 429 || (refused && GraphErrorCode(body) == "20166");
}

} // namespace rz
