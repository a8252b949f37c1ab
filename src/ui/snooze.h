// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <optional>
#include <string_view>

namespace rz {

// The snooze text used when none was stored (the setting itself is the preferences' default snooze).
inline constexpr const char* kSnoozeDefault = "5 minutes";
// The same choices in minutes, as the pending window offers them in the user's language and the
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

// Reads a snooze text such as "5 minutes", "2 Hours" or "1 day" and gives `now` plus that delay.
// The lower-case text is searched for "minute", then "hour", then "day"; the first found wins and
// the number is the leading integer of the text before it (none gives 0). No unit gives none.
std::optional<Date> SnoozeTimeFromText(std::string_view text, Date now);

} // namespace rz
