// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <optional>
#include <string_view>

namespace rz {

// The snooze choices in minutes, as the pending window offers them in the user's language and the
// settings file keeps them.
inline constexpr int kSnoozeChoiceMinutes[] = {5, 10, 15, 30, 60, 120, 1440};
// The strings-table key of a choice's caption; for other minutes "strSnoozeForMinutes" (%1 minutes).
const char* SnoozeChoiceTextKey(int minutes);
// When a window snoozed at `now` for `minutes` comes back: whole days keep the clock time.
Date SnoozeUntilMinutes(int minutes, Date now);

// The delays one due reminder can be snoozed for on its own, in the order they are offered.
enum class TOneSnooze {
    FiveMinutes,
    FifteenMinutes,
    OneHour,
    Tomorrow, // the same clock time on the next calendar day
};
inline constexpr TOneSnooze kOneSnoozeChoices[] = {TOneSnooze::FiveMinutes, TOneSnooze::FifteenMinutes,
                                                   TOneSnooze::OneHour, TOneSnooze::Tomorrow};
// When a reminder snoozed at `now` comes back.
Date OneSnoozeUntil(TOneSnooze choice, Date now);
// The strings-table key of the choice's caption.
const char* OneSnoozeTextKey(TOneSnooze choice);

// Reads a snooze text such as "5 minutes", "2 Hours", "1 hour 30 minutes" or "3 Stunden"
// (ReadDelayText) and gives `now` plus that delay; none when the text does not read as a delay.
std::optional<Date> SnoozeTimeFromText(std::string_view text, Date now);

} // namespace rz
