// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>

namespace rz {

// The time of day a one-off date written without a time rings at; midnight until set. The title
// syntax reads it on any thread; the preferences set it at launch and when they change.
TimeOfDayValue DateOnlyTime();
void SetDateOnlyTime(TimeOfDayValue at);

class TReminderList;

// Moves the one-off reminders of the list whose text gives a date without a time to the time of
// day now set, keeping their day; one moved back past the clock before it rang is due at once.
// Gives how many moved. The caller holds the engine's lists lock.
std::int64_t RetimeDateOnlyReminders(TReminderList& list);

} // namespace rz
