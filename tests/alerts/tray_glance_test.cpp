// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/tray_glance.h"
#include "reminders/reminder_list.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(TrayGlanceTest, BadgeTextFitsASmallIcon)
{
    struct Case
    {
        std::size_t due;
        const char* text;
    };
    for (const Case& c : {Case{0, ""}, Case{1, "1"}, Case{9, "9"}, Case{99, "99"}, Case{100, "99+"}}) {
        EXPECT_EQ(TrayBadgeText(c.due), c.text) << c.due;
    }
}

TEST(TrayGlanceTest, NextReminderIsTheSoonestStillToCome)
{
    const Date now{1000000};
    TReminderList list;
    EXPECT_FALSE(NextReminder(list, now));
    list.AddUnique(kPageTitleReminder, "Past !", "A", "A", "", Date{now.seconds - 60}, 0, DefaultWeekDays());
    list.AddUnique(kPageTitleReminder, "Later !1970-01-12 13:56", "B", "B", "", Date{now.seconds + 600}, 0,
                   DefaultWeekDays());
    list.AddUnique(kPageTitleReminder, "Soon !1970-01-12 13:47", "C", "C", "", Date{now.seconds + 60}, 0,
                   DefaultWeekDays());
    const std::optional<TNextReminder> next = NextReminder(list, now);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Name, "Soon");
    EXPECT_EQ(next->Time, (Date{now.seconds + 60}));
}

} // namespace
} // namespace rz
