// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/notification_targets.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace rz {
namespace {

TEST(NotificationTargetsTest, AnOlderNotificationsButtonsActOnTheReminderItWasShownFor)
{
    TNotificationTargets targets;
    const auto older = std::make_shared<TAReminder>();
    const auto newer = std::make_shared<TAReminder>();
    const std::string first = targets.Tie(older);
    const std::string second = targets.Tie(newer);
    EXPECT_EQ(targets.Resolve(NotificationActionKey("done", first)),
              std::make_pair(std::string("done"), ReminderPtr(older)));
    EXPECT_EQ(targets.Resolve(NotificationActionKey("done", second)).second, newer);
    EXPECT_EQ(targets.Latest(), newer);
    // A notification that named several reminders, or a key of no notification, acts on none.
    const std::string several = targets.Tie(nullptr);
    EXPECT_EQ(targets.Resolve(NotificationActionKey("snooze15", several)).second, nullptr);
    EXPECT_EQ(targets.Resolve("done").second, nullptr);
    EXPECT_EQ(targets.Latest(), nullptr);
}

TEST(NotificationTargetsTest, TheAlertIsTakenBackOnceNothingItNamedWaits)
{
    const auto a = std::make_shared<TAReminder>();
    const auto b = std::make_shared<TAReminder>();
    struct Case
    {
        std::vector<ReminderPtr> named;
        std::vector<ReminderPtr> pending;
        bool windowSnoozed;
        bool withdrawn;
    };
    const Case cases[] = {
        {{a}, {a, b}, false, false}, {{a}, {b}, false, true}, // dismissed, done or snoozed on its own
        {{a}, {a}, true, true},                               // the whole window snoozed
        {{a, b}, {b}, false, false},                          // one of several still waits
        {{}, {}, false, false},                               // no notification shown
    };
    for (const Case& c : cases) {
        TNotificationTargets targets;
        targets.NoteNamed(c.named);
        EXPECT_EQ(targets.TakeWithdrawal(c.pending, c.windowSnoozed), c.withdrawn);
        EXPECT_FALSE(targets.TakeWithdrawal(c.pending, c.windowSnoozed)); // once
    }
}

} // namespace
} // namespace rz
