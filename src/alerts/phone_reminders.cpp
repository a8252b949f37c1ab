// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/phone_reminders.h"

#include "alerts/pending_reminders.h"
#include "reminders/reminder_list.h"
#include "todo/todo_runner.h"

#include <optional>
#include <string>

namespace rz {

namespace {

bool Names(const TAReminder& record, const TBridgeReminder& reminder)
{
    const std::string pageId = record.pageId().value_or(std::string());
    return record.objType() == reminder.ObjType && pageId == reminder.PageId &&
           record.Id().value_or(pageId) == reminder.Id;
}

} // namespace

std::vector<TBridgeReminder> HeldForPhone(TPendingReminders& pending, Date now)
{
    std::vector<TBridgeReminder> held;
    const Date windowBack = pending.Snooze().SnoozeRemindedTime;
    for (const ReminderPtr& entry : pending.List().list()) {
        if (std::optional<TBridgeReminder> reminder = BridgeReminderOf(*entry)) {
            if (now < windowBack) {
                reminder->Time = windowBack;
            } else {
                reminder->Held = true;
            }
            held.push_back(std::move(*reminder));
        }
    }
    for (const TPendingReminders::Snoozed& snoozed : pending.SnoozedReminders()) {
        if (std::optional<TBridgeReminder> reminder = BridgeReminderOf(*snoozed.Record)) {
            reminder->Time = snoozed.Until;
            held.push_back(std::move(*reminder));
        }
    }
    return held;
}

bool TakeDoneOnPhone(const TBridgeReminder& done, TReminderList& reminders, TPendingReminders& pending)
{
    bool pendingChanged = false;
    for (const ReminderPtr& entry : pending.List().list()) {
        if (Names(*entry, done)) {
            pendingChanged = pending.List().Remove(entry) || pendingChanged;
        }
    }
    for (std::size_t i = pending.SnoozedReminders().size(); i-- > 0;) {
        if (Names(*pending.SnoozedReminders()[i].Record, done)) {
            pending.DismissSnoozed(i);
        }
    }
    if (pendingChanged) {
        pending.Save();
    }
    // Only the occurrence the task stood for is done: a repeating reminder rings its next one, and a
    // task that stood for a snooze leaves the coming occurrence alone.
    ReminderPtr record;
    for (const ReminderPtr& entry : reminders.list()) {
        if (Names(*entry, done)) {
            record = entry;
        }
    }
    const std::optional<Date> time = record ? record->time() : std::nullopt;
    if (!time || !SameInstant(time, done.Time)) {
        return false;
    }
    const bool repeats = record->Repeat() != 0;
    reminders.NoteRaised(record->Id(), *time, repeats ? std::nullopt : record->name());
    if (repeats) {
        // The due check moves a record whose time it raised already on to its next occurrence.
        record->setLastRaised(time);
        return true;
    }
    return reminders.Remove(record);
}

} // namespace rz
