// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

private:
    std::uint64_t m_Serial = 0;
    std::map<std::uint64_t, std::weak_ptr<TAReminder>> m_Shown; // the last few
};

// "<action>#<tie>".
std::string NotificationActionKey(std::string_view action, const std::string& tie);

} // namespace rz
