// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "todo/task_mapping.h"
#include "util/dates.h"

#include <vector>

// Where the desktop's reminders meet their tasks on the phone: what rang or is snoozed here, and a
// task completed there.

namespace rz {

class TPendingReminders;
class TReminderList;

// The reminders that rang and wait in the pending window (Held) or are snoozed (at the time they
// ring again: their own snooze, or the window's while it lasts at `now`), for the bridge.
std::vector<TBridgeReminder> HeldForPhone(TPendingReminders& pending, Date now);

// A reminder whose task was completed on the phone is done on the desktop: what rang of it leaves the
// pending list and its snoozes, and when the task stood for its coming occurrence, that occurrence is
// noted as raised (kept by the due check's file) and a one-off leaves `reminders`, so neither the due
// check, a later load nor a restart rings it. True when `reminders` changed.
bool TakeDoneOnPhone(const TBridgeReminder& done, TReminderList& reminders, TPendingReminders& pending);

} // namespace rz
