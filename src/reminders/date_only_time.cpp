// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/date_only_time.h"

#include "reminders/reminder_list.h"
#include "reminders/title_reading.h"

#include <atomic>

namespace rz {

namespace {

// Seconds after midnight; one value, so a reader never sees half of a change.
std::atomic<int> g_DateOnlySeconds{0};

} // namespace

TimeOfDayValue DateOnlyTime()
{
    const int seconds = g_DateOnlySeconds.load();
    return {seconds / 3600, seconds / 60 % 60, seconds % 60};
}

void SetDateOnlyTime(TimeOfDayValue at)
{
    g_DateOnlySeconds = at.hour * 3600 + at.minute * 60 + at.second;
}

std::int64_t RetimeDateOnlyReminders(TReminderList& list)
{
    std::int64_t moved = 0;
    for (const ReminderPtr& reminder : list.list()) {
        const std::optional<Date> time = reminder->time();
        const std::optional<std::string> name = reminder->name();
        if (reminder->Repeat() != 0 || !time || !name) {
            continue;
        }
        const detail::TitleReading reading = detail::ReadTitle(*name);
        if (!reading.found || reading.type != kReminderTypeOneOff || !reading.dt || *reading.dt == *time) {
            continue;
        }
        // Only the time of day moves: a reading on another day is not this preference's doing.
        const LocalFields was = LocalFieldsOf(*time);
        const LocalFields read = LocalFieldsOf(*reading.dt);
        if (was.year != read.year || was.month != read.month || was.day != read.day) {
            continue;
        }
        // Moved back past the clock before it rang: it rings now rather than never, as the due
        // check looks only forward from its last check.
        const Date clock = DateNow();
        reminder->setTime(*reading.dt < clock && !(*time < clock) ? clock : *reading.dt);
        ++moved;
    }
    return moved;
}

} // namespace rz
