// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The mirror worker's pace and bounds.

namespace rz {

// Seconds between the end of one mirror cycle and the start of the next: a cycle is due when more
// than this many have passed (so at least 121).
inline constexpr std::int64_t kCycleIntervalSeconds = 120;
// The loop's pause between passes while anything is in hand.
inline constexpr double kPassSeconds = 1.0;
// The longest pause of a worker at rest (nothing in hand, the next cycle and execute further off):
// whatever hands it work wakes it, so this only bounds a wake that never came.
inline constexpr double kRestSeconds = 30.0;
// Pages asked for per page-list request; the service allows no more.
inline constexpr int kPagesPerRequest = 100;
// A section's page list stops growing here, so that an answer that never shrinks cannot keep
// the walk asking for ever.
inline constexpr int kMaxSectionPages = 20000;

// A cycle waits this long at most for a request slot; when the next one is further away it yields,
// so that the execute callback and the status go on every pass, and resumes when slots free.
inline constexpr double kYieldSeconds = 3.0;
// Sections whose page list was put off for the budget, fetched per pass between cycles; few, so
// that the pass returns to the execute callback soon.
inline constexpr int kResumeSectionsPerPass = 8;
// One stretch of mirror requests (a cycle, or the put-off sections of a pass) ends after this many
// requests or seconds, so that the engine, the status and the to-do queue run at least every 30 s
// however slowly the service answers.
inline constexpr int kRequestsPerStretch = 30;
inline constexpr double kStretchSeconds = 20.0;
// After the service refused the account-wide page list for the account's many sections, it is
// asked again only after an hour, doubling up to a day.
inline constexpr double kListRefusedFirstSeconds = 3600.0;
inline constexpr double kListRefusedMaxSeconds = 86400.0;

// Between passes the budget's file is written after this many sends (or refusals), or this many
// seconds after a change: a process killed while paging forgets at most so many sends.
inline constexpr std::uint64_t kBudgetSaveEverySends = 10;
inline constexpr double kBudgetSaveSeconds = 30.0;

} // namespace rz
