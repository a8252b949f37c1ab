// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/request_budget.h"

#include "util/clock.h"
#include "util/dates.h"
#include "util/json.h"

#include <algorithm>

namespace rz {

void TRequestBudget::DropOld(double now) const
{
    for (std::deque<double>* sent : {&m_Sent, &m_EngineSent, &m_MirrorSent}) {
        while (!sent->empty() && sent->front() <= now - kBudgetHourSeconds) {
            sent->pop_front();
        }
    }
}

int TRequestBudget::CountSince(const std::deque<double>& sent, double since)
{
    const auto first = std::upper_bound(sent.begin(), sent.end(), since);
    return static_cast<int>(std::distance(first, sent.end()));
}

double TRequestBudget::WaitBelow(const std::deque<double>& sent, int most, double seconds, double now)
{
    if (CountSince(sent, now - seconds) < most) {
        return 0;
    }
    // A slot frees when the request that filled the window leaves it.
    const double oldest = sent[sent.size() - static_cast<std::size_t>(most)];
    return std::max(0.0, oldest + seconds - now);
}

double TRequestBudget::WaitLocked(double now, TRequestKind kind) const
{
    DropOld(now);
    struct TWindow
    {
        int most;
        int mirrorReserve;
        int engineReserve;
        double seconds;
    };
    double wait = std::max(0.0, m_BackOffUntil - now);
    for (const TWindow window :
         {TWindow{kBudgetPerMinute, kMirrorReservePerMinute, kEngineReservePerMinute, kBudgetMinuteSeconds},
          TWindow{kBudgetPerHour, kMirrorReservePerHour, kEngineReservePerHour, kBudgetHourSeconds}}) {
        const auto below = [&](const std::deque<double>& sent, int most) {
            return WaitBelow(sent, most, window.seconds, now);
        };
        const int mirrorMost = window.most - window.engineReserve;
        switch (kind) {
        case TRequestKind::Any:
            wait = std::max(wait, below(m_Sent, window.most));
            break;
        case TRequestKind::Mirror:
            wait = std::max({wait, below(m_Sent, window.most), below(m_MirrorSent, mirrorMost)});
            break;
        case TRequestKind::Deferred:
            // Between cycles the put-off lists leave the engine its reserve of the whole window, so
            // that the engine need not first spend its own to get in.
            wait = std::max({wait, below(m_Sent, mirrorMost), below(m_MirrorSent, mirrorMost)});
            break;
        case TRequestKind::Engine:
            // Up to its own reserve the engine may reach into the window's last slots; beyond it
            // the mirror's reserve stays free.
            wait = std::max(wait, std::min(below(m_Sent, window.most - window.mirrorReserve),
                                           std::max(below(m_Sent, window.most),
                                                    below(m_EngineSent, window.engineReserve))));
            break;
        }
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
    const double at = m_Sent.empty() ? now : std::max(now, m_Sent.back());
    m_Sent.push_back(at);
    if (kind == TRequestKind::Engine) {
        m_EngineSent.push_back(at);
    } else if (kind == TRequestKind::Mirror || kind == TRequestKind::Deferred) {
        m_MirrorSent.push_back(at);
    }
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
    return CountSince(m_Sent, now - kBudgetMinuteSeconds);
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
    const auto wall = [&](const std::deque<double>& times) {
        Json sent = Json::array();
        for (const double at : times) {
            sent.push_back(at + toWall);
        }
        return sent;
    };
    Json saved = {{"sent", wall(m_Sent)},
                  {"engineSent", wall(m_EngineSent)},
                  {"mirrorSent", wall(m_MirrorSent)},
                  {"nextBackOff", m_NextBackOff}};
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
    // A file written before the sends were kept by kind restores them as neither's.
    const auto restore = [&](const Json* times, std::deque<double>& into) {
        std::deque<double> restored;
        for (std::size_t i = 0; times != nullptr && i < times->size(); ++i) {
            // A time the wall clock now puts ahead (it was set back since) cannot be placed in the
            // last hour; taken as "now", a whole hour of them would block every request for an hour.
            const Json& at = (*times)[i];
            if (at.is_number() && at.get<double>() <= wallNow) {
                restored.push_back(now - (wallNow - at.get<double>()));
            }
        }
        std::sort(restored.begin(), restored.end());
        for (const double at : into) {
            restored.push_back(std::max(at, restored.empty() ? at : restored.back()));
        }
        into = std::move(restored);
    };
    restore(sent, m_Sent);
    restore(JsonArray(saved, "engineSent"), m_EngineSent);
    restore(JsonArray(saved, "mirrorSent"), m_MirrorSent);
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
    m_EngineSent.clear();
    m_MirrorSent.clear();
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

bool IsTemporaryOneNoteCode(std::string_view code)
{
    // Microsoft's list of OneNote error codes asks the caller to repeat these or try later (too many
    // active requests, a busy server, Key Vault or SharePoint busy or down, too high a load), or
    // names a passing state (the service down for now, the user's site being provisioned).
    static constexpr std::string_view kTemporary[] = {"10002", "10003", "10007", "10014",
                                                      "10015", "30103", "30105", "30106"};
    return std::find(std::begin(kTemporary), std::end(kTemporary), code) != std::end(kTemporary);
}

bool IsTemporaryRefusal(long status, const std::string_view& body)
{
    const bool refused = status < 200 || status >= 300;
    return IsThrottledAnswer(status, body) || (refused && IsTemporaryOneNoteCode(GraphErrorCode(body)));
}

} // namespace rz
