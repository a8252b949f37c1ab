// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder.h"
#include "util/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rz::detail {

// What a page title says as a reminder: its type, date and weekdays.
struct TitleReading
{
    bool found = false; // the title syntax took it as a reminder
    std::int64_t type = kReminderTypeNone;
    std::optional<Date> dt;
    WeekDayFlags weekDay = DefaultWeekDays();
};

// The title as the syntax reads it: a no-break space counts as a space, and a run of blanks between
// a date and its time as one space.
std::string ReadableTitle(std::string_view title);

// The title as the syntax reads it, a date without a time at `dateOnlyAt`.
inline TitleReading ReadTitle(std::string_view title, TimeOfDayValue dateOnlyAt = {})
{
    TitleReading reading;
    std::int64_t start = 0;
    std::int64_t end = 0;
    reading.found = TAReminder::PageTitleReminder_GetDateTime(title, reading.dt, reading.type, start, end,
                                                              reading.weekDay, dateOnlyAt);
    return reading;
}

} // namespace rz::detail
