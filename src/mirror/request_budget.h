// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

namespace rz {

// OneNote allows each user 120 requests a minute and 400 an hour, and past either answers 429
// (code 20166, usually without Retry-After) for the rest of the hour. We stay below both with a
// margin for the requests of other clients of the same account.
inline constexpr int kBudgetPerMinute = 110;
inline constexpr int kBudgetPerHour = 370;
inline constexpr double kBudgetMinuteSeconds = 60.0;
inline constexpr double kBudgetHourSeconds = 3600.0;
// Back-off after a refusal without Retry-After: 60 s, doubling up to 15 minutes.
inline constexpr double kBackOffFirstSeconds = 60.0;
inline constexpr double kBackOffMaxSeconds = 900.0;

// Part of each window that requests of the reminder engine (page content, its lists) may not take,
// so that the mirror's own few requests a cycle never wait behind a busy engine.
inline constexpr int kMirrorReservePerMinute = 10;
inline constexpr int kMirrorReservePerHour = 40;

// Part of each window that the mirror's own requests (a cycle's and the put-off page lists') may
// never take, so that a first mirror of thousands of sections, or a big section edited all day,
// leaves the reminder engine and the outbox room to read and write pages.
inline constexpr int kEngineReservePerMinute = 30;
inline constexpr int kEngineReservePerHour = 100;

// Who asks for a slot: the mirror waits for one; the engine's requests are held back without one;
// put-off page lists are fetched between cycles only while a slot outside the engine's share is free.
// Any is bound by the service's windows alone.
enum class TRequestKind {
    Mirror,
    Engine,
    Deferred,
    Any,
};

// How the service took a request that was sent.
enum class TBudgetOutcome {
    Success, // a usable answer: ends any back-off
    Refused, // throttled, or refused for now (IsTemporaryRefusal): back off
    Other,   // anything else (transport error, other error object): no change
};

// Sliding windows of the OneNote requests sent for one account, and the back-off after the service
// refused one. Times come from MonotonicSecondsNow(), so a clock set back stretches no window and a
// ScopedFakeClock drives it. Thread-safe; it never
// waits itself: callers ask for a slot and decide whether to wait (mirror requests) or to pass
// over the request (page content).
class TRequestBudget
{
public:
    // Takes a slot when one is free now and records the request as sent; false leaves no trace.
    // Each reserve holds whatever the other side sends: the engine takes the mirror's only while its
    // own sends are below its reserve, and the mirror's own sends never reach into the engine's.
    bool TryAcquire(TRequestKind kind = TRequestKind::Any);
    // Seconds until TryAcquire can succeed (0 when it can now).
    double SecondsUntilSlot(TRequestKind kind = TRequestKind::Any) const;
    // Records the answer of a request that had a slot. `retryAfterSeconds` above 0 is the wait the
    // service asked for and replaces the doubling back-off for this refusal.
    void Report(TBudgetOutcome outcome, double retryAfterSeconds = 0);

    // Requests recorded in the last minute and hour, for the monitor and the tests.
    int SentLastMinute() const;
    int SentLastHour() const;
    // True while a back-off holds every request back.
    bool BackingOff() const;

    // The last hour's send times and the back-off in wall-clock seconds, for a file that outlives a
    // restart (each run has its own monotonic clock); Restore takes such a text in and drops sends
    // stamped after the wall clock's now (it was set back), which no window can place.
    std::string SavedText() const;
    void Restore(std::string_view text);
    // Forgets every send and the back-off: another account, with limits of its own, signed in.
    void Reset();
    // Grows with every send and refusal, so that the budget is saved only when it changed.
    std::uint64_t Generation() const;

private:
    mutable std::mutex m_Mutex;
    mutable std::deque<double> m_Sent; // send times of the last hour, oldest first
    // The same, of the engine's requests and of the mirror's (Mirror and Deferred).
    mutable std::deque<double> m_EngineSent;
    mutable std::deque<double> m_MirrorSent;
    double m_BackOffUntil = 0;
    double m_NextBackOff = kBackOffFirstSeconds;
    std::uint64_t m_Generation = 0;

    void DropOld(double now) const;
    double WaitLocked(double now, TRequestKind kind) const;
    static int CountSince(const std::deque<double>& sent, double since);
    // Seconds until fewer than `most` of `sent` lie in the window of `seconds` (0 when they do now).
    static double WaitBelow(const std::deque<double>& sent, int most, double seconds, double now);
};

// True when a OneNote answer says the per-user limits were exceeded: status 429, or a refusal
// whose Graph error code is 20166.
bool IsThrottledAnswer(long status, const std::string_view& body);
// True for a OneNote error code that asks the caller to try again later, whatever its status.
bool IsTemporaryOneNoteCode(std::string_view code);
// True when a OneNote refusal asks to be repeated later: throttled (IsThrottledAnswer), or an error
// code IsTemporaryOneNoteCode names, whatever its status. Such a refusal says nothing of the item
// asked for: it is never taken as a denial, a missing item or a broken one.
bool IsTemporaryRefusal(long status, const std::string_view& body);

} // namespace rz
