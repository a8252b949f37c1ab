// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstddef>
#include <optional>
#include <string>

namespace rz {

class TReminderList;

// The text the tray badge draws over the icon for this many due reminders: none at 0, the number
// up to 99, then "99+", which still fits a small icon.
std::string TrayBadgeText(std::size_t dueCount);

// The reminder that rings next: the shown name and its time.
struct TNextReminder
{
    std::string Name;
    Date Time;
};

// The coming reminder with the earliest time at or after `now` (the first in list order among
// equal times); none when nothing is to come.
std::optional<TNextReminder> NextReminder(const TReminderList& list, Date now);

} // namespace rz
