// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace rz {

// How often a new reminder rings.
enum class TRepeatChoice { Once, Daily, WeekDays };

// What the New Reminder dialog (or a command line) asks for.
struct TNewReminder
{
    std::string Text;
    // Once: the local date and time. Repeating: only its local time of day counts.
    Date When;
    TRepeatChoice Repeat = TRepeatChoice::Once;
    // WeekDays: entry 0 = Monday … 6 = Sunday, as the title's digits 1 … 7 count them.
    std::array<bool, 7> Days{};
};

// Why a new reminder is refused; None when it is taken.
enum class TNewReminderProblem {
    None,
    EmptyText,   // nothing before the date
    NoWeekDay,   // "on chosen weekdays" without a day
    PastTime,    // a one-off time that has come already
    NotReadBack, // the title would not read back as this reminder (e.g. a "!" in the text)
    TooLong,     // the title is longer than kMaxReminderTitleLength
};

// The longest title a new reminder may have, in UTF-16 code units (as titles are counted): a page
// title is a line, and every waiting change shares the outbox file's bound.
inline constexpr std::size_t kMaxReminderTitleLength = 1000;

// The page title in the syntax the agent reads: "Call Bob !2026-12-10 09:00", "Standup !! 09:15",
// "Standup !! 09:15 [1,2,3,4,5]" (all seven days write the daily form). Seconds are dropped.
std::string NewReminderTitle(const TNewReminder& reminder);

// Builds the title into `title` and checks it by reading it back with the title syntax: the same
// kind, time (or time of day) and weekdays, and, for a one-off, a time after `now`.
TNewReminderProblem CheckNewReminder(const TNewReminder& reminder, Date now, std::string& title);

// Checks a title typed whole (the command line's text) and gives, in `line`, the title to write:
// on one line, its ends trimmed. It must read as a page-title reminder with text before its marks,
// hold no other control character, and a one-off must lie after `now`.
TNewReminderProblem CheckReminderTitle(std::string_view title, Date now, std::string& line);

// The XHTML body that creates a page titled `title`, characters special to HTML escaped.
std::string NewPageXhtml(std::string_view title);

} // namespace rz
