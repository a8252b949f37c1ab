// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/tray_glance.h"

#include "reminders/reminder_list.h"

namespace rz {

std::string TrayBadgeText(std::size_t dueCount)
{
    if (dueCount == 0) {
        return {};
    }
    return dueCount > 99 ? std::string("99+") : std::to_string(dueCount);
}

std::optional<TNextReminder> NextReminder(const TReminderList& list, Date now)
{
    ReminderPtr next;
    std::optional<Date> nextTime;
    for (const ReminderPtr& reminder : list.list()) {
        const std::optional<Date> time = reminder->time();
        if (time && !(*time < now) && (!nextTime || *time < *nextTime)) {
            next = reminder;
            nextTime = time;
        }
    }
    if (!next) {
        return std::nullopt;
    }
    return TNextReminder{TAReminder::TitleDisplayText(next->name().value_or(std::string())), *nextTime};
}

} // namespace rz
