// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/preferences.h"
#include "engine_test_support.h"
#include "reminders/date_only_time.h"
#include "reminders/title_reading.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace rz {
namespace {

// Dates without a time ring at 09:00 for the test's length; midnight again after it.
class DateOnlyTimeTest : public ::testing::Test, public test::EngineFixture
{
protected:
    DateOnlyTimeTest() { SetDateOnlyTime({9, 0, 0}); }
    ~DateOnlyTimeTest() override { SetDateOnlyTime({}); }
};

TEST_F(DateOnlyTimeTest, OnlyOneOffsWithoutATimeTakeIt)
{
    struct Case
    {
        const char* title;
        Date expected;
    };
    const Case cases[] = {
        {"Call Anna !2026-03-04", Local(2026, 3, 4, 9)},
        {"Call Anna ! 2026-03-04", Local(2026, 3, 4, 9)},
        {"Call Anna !2026-03", Local(2026, 3, 1, 9)},
        {"Dentist !2026-03-04 10:30", Local(2026, 3, 4, 10, 30)},
        {"Dentist !2026-03-04 00:00", Local(2026, 3, 4)},
        // Read only in part: it keeps the reader's midnight.
        {"Call Bob !2026-13-01 10:00", Local(2026, 1, 1)},
        {"Order !3000 cups", Local(3000, 1, 1)},
        {"Pay rent !!2021-03-14", Local(2021, 3, 14)},
    };
    for (const Case& c : cases) {
        const detail::TitleReading reading = detail::ReadTitle(c.title);
        ASSERT_TRUE(reading.found) << c.title;
        EXPECT_EQ(reading.dt, c.expected) << c.title;
    }
}

TEST_F(DateOnlyTimeTest, ChangeMovesStoredReminders)
{
    SetDateOnlyTime({});
    m_Online.content["P2"] = PageHtml("!Project", test::Para("p:{G}{1}", "Review !2021-03-12"));
    Load({PageEntry("P1", "Call Anna !2021-03-11", "2021-03-05T10:00:00Z"),
          PageEntry("P2", "!Project", "2021-03-05T10:00:00Z")});
    ASSERT_EQ(Reminder("P1")->time(), Local(2021, 3, 11));

    SetDateOnlyTime({9, 0, 0});
    EXPECT_EQ(RetimeDateOnlyReminders(m_State.ReminderList), 2);
    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 11, 9));
    EXPECT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 12, 9));
    EXPECT_EQ(RetimeDateOnlyReminders(m_State.ReminderList), 0);
}

TEST_F(DateOnlyTimeTest, MovedBackPastTheClockItRingsAtOnce)
{
    // Today's 14:00, with the clock at 12:00; then dates without a time ring at 09:00.
    SetDateOnlyTime({14, 0, 0});
    Load({PageEntry("P1", "Call Anna !2021-03-10", "2021-03-05T10:00:00Z")});
    ASSERT_EQ(Reminder("P1")->time(), Local(2021, 3, 10, 14));

    SetDateOnlyTime({9, 0, 0});
    EXPECT_EQ(RetimeDateOnlyReminders(m_State.ReminderList), 1);
    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 10, 12));
}

TEST(DateOnlyTimeTextTest, ReadsHoursAndMinutesOnly)
{
    EXPECT_EQ(DateOnlyMinutesFromText("09:00"), 540);
    EXPECT_EQ(DateOnlyMinutesFromText("23:59"), 1439);
    for (const char* bad : {"24:00", "9:00", "09:60", "09-00", "", "09:00:00", "ab:cd"}) {
        EXPECT_EQ(DateOnlyMinutesFromText(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(DateOnlyTimeText(545), "09:05");
}

} // namespace
} // namespace rz
