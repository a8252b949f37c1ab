// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/notification_targets.h"

#include <gtest/gtest.h>
#include <memory>

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

} // namespace
} // namespace rz
