// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rz {

// Ties each notification's actions to the reminder it was shown for. A new notification replaces the
// bubble under the same id, and a server may still report a button of the one it replaced: the
// action keys carry the notification they belong to, so such a button acts on its own reminder.
class TNotificationTargets
{
public:
    // A new notification, for `reminder` (none when it names several reminders): the suffix its
    // action keys carry (NotificationActionKey).
    std::string Tie(const ReminderPtr& reminder);
    // The action of a key and the reminder its notification was shown for; the reminder is none when
    // that notification named several, is too old, or its reminder is gone.
    std::pair<std::string, ReminderPtr> Resolve(std::string_view key) const;
    // The reminder of the newest notification, for a click on the bubble itself; none as above.
    ReminderPtr Latest() const;

    // The reminders the alert's notification names, so that it is taken back once none waits.
    void NoteNamed(const std::vector<ReminderPtr>& named);
    // True, once, when the noted notification names nothing that still waits: each of its reminders
    // left the pending list (dismissed, done, snoozed on its own) or the pending window was snoozed.
    bool TakeWithdrawal(const std::vector<ReminderPtr>& pending, bool windowSnoozed);

private:
    std::vector<std::weak_ptr<TAReminder>> m_Named;
    std::uint64_t m_Serial = 0;
    std::map<std::uint64_t, std::weak_ptr<TAReminder>> m_Shown; // the last few
};

// "<action>#<tie>".
std::string NotificationActionKey(std::string_view action, const std::string& tie);

} // namespace rz
