// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder.h"
#include "reminders_test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>

namespace rz {
namespace {

using test::Local;

// Today is Wednesday 2021-03-10, noon, in a pinned zone.
class TitleSyntaxTest : public ::testing::Test
{
protected:
    test::ScopedTimeZone m_Tz{test::kBerlinTz};
    ScopedFakeClock m_Clock{Local(2021, 3, 10, 12, 0, 0).seconds};
};

struct TitleCase
{
    const char* title = nullptr;
    bool answer = false;
    std::int64_t type = 0;
    std::optional<Date> dt;
    std::int64_t dtStart = 0;
    std::int64_t dtEnd = 0;
    WeekDayFlags weekDay;
};

constexpr std::int64_t kUntouched = -99;

WeekDayFlags Days(std::initializer_list<int> entries)
{
    WeekDayFlags flags = DefaultWeekDays();
    for (int e : entries) {
        flags[static_cast<std::size_t>(e)] = "1";
    }
    return flags;
}

TEST_F(TitleSyntaxTest, WorkedExamples)
{
    const std::optional<Date> none;
    const WeekDayFlags every = DefaultWeekDays();
    const TitleCase cases[] = {
        {"Dentist !2021-03-04 10:30", true, 1, Local(2021, 3, 4, 10, 30), 8, 25, every},
        {"Dentist ! 2021-03-04 10:30", true, 1, Local(2021, 3, 4, 10, 30), 8, 0, every},
        {"Call Anna ! 2021-03-04", true, 1, Local(2021, 3, 4), 10, 22, every},
        {"Report !2021-13-01", true, 1, Local(2021, 1, 1), 7, 12, every},
        {"Wow! Great idea", false, 0, none, kUntouched, kUntouched, every},
        {"Order !3000 cups", true, 1, Local(3000, 1, 1), 6, 11, every},
        {"Standup !! 09:00", true, 2, Local(2000, 1, 1, 9, 0), 8, 16, every},
        {"Standup !! 09:00 [1,2,3,4,5]", true, 2, Local(2021, 3, 10, 9, 0), 8, 18, Days({1, 2, 3, 4, 5})},
        {"Gym !!18:30:15 [2,4]", true, 2, Local(2021, 3, 10, 18, 30, 15), 4, 14, Days({2, 4})},
        {"Pay rent !!2021-03-04 10:00", true, 2, Local(2021, 3, 4, 10, 0), 9, 27, every},
        {"Pay rent !! 2021-03-04 10:00", true, 2, Local(2021, 3, 10, 20, 1, 3), 9, 19, every},
        {"Idea !! later", true, 2, Local(2021, 3, 10), 5, 0, every},
        {"Meet !!25:00", false, 0, none, kUntouched, kUntouched, every},
        {"Note !!7", false, 0, none, kUntouched, kUntouched, every},
    };
    for (const TitleCase& c : cases) {
        SCOPED_TRACE(c.title);
        std::optional<Date> dt = Date{-1};
        std::int64_t type = -1, start = kUntouched, end = kUntouched;
        WeekDayFlags weekDay = DefaultWeekDays();
        EXPECT_EQ(TAReminder::PageTitleReminder_GetDateTime(c.title, dt, type, start, end, weekDay),
                  c.answer);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(DateToString(dt), DateToString(c.dt));
        EXPECT_EQ(dt, c.dt);
        EXPECT_EQ(start, c.dtStart);
        EXPECT_EQ(end, c.dtEnd);
        EXPECT_EQ(weekDay, c.weekDay);
    }
}

TEST_F(TitleSyntaxTest, TitleWithoutMarkLeavesOutputsUntouched)
{
    std::optional<Date> dt = Date{42};
    std::int64_t type = -1, start = 7, end = 9;
    WeekDayFlags weekDay = Days({3});
    EXPECT_FALSE(TAReminder::PageTitleReminder_GetDateTime("Plain title", dt, type, start, end, weekDay));
    EXPECT_EQ(type, 0);
    EXPECT_EQ(dt, Date{42});
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 9);
    EXPECT_EQ(weekDay, Days({3}));
}

TEST_F(TitleSyntaxTest, PositionsCountUtf16CodeUnits)
{
    struct Case
    {
        const char* title = nullptr;
        std::optional<Date> dt;
        std::int64_t dtStart = 0;
        std::int64_t dtEnd = 0;
    };
    const Case cases[] = {
        // "ä" is one code unit (two UTF-8 bytes), the calendar emoji two (four bytes).
        {"Zahnärzt !2021-03-04 10:30", Local(2021, 3, 4, 10, 30), 9, 26},
        {"\xF0\x9F\x93\x85 !2021-03-04 10:30", Local(2021, 3, 4, 10, 30), 3, 20},
        // The separator "é" stands at place 4 like "-" would: month and day keep their places.
        {"Trip !2021\xC3\xA9"
         "03-04",
         Local(2021, 3, 4), 5, 0},
        {"Caf\xC3\xA9 !! 07:45:30 [1]", Local(2021, 3, 10, 7, 45, 30), 5, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        std::optional<Date> dt;
        std::int64_t type = 0, start = 0, end = 0;
        WeekDayFlags weekDay = DefaultWeekDays();
        EXPECT_TRUE(TAReminder::PageTitleReminder_GetDateTime(c.title, dt, type, start, end, weekDay));
        EXPECT_EQ(DateToString(dt), DateToString(c.dt));
        EXPECT_EQ(start, c.dtStart);
        EXPECT_EQ(end, c.dtEnd);
    }
}

TEST_F(TitleSyntaxTest, RepeatingFormFillsWeekDaysEvenWithoutReminder)
{
    std::optional<Date> dt;
    std::int64_t type = 0, start = 0, end = 0;
    WeekDayFlags weekDay = DefaultWeekDays();
    EXPECT_FALSE(
        TAReminder::PageTitleReminder_GetDateTime("Meet !!25:00 [1]", dt, type, start, end, weekDay));
    EXPECT_EQ(weekDay, Days({1}));
}

TEST_F(TitleSyntaxTest, OneOffFormNeverTouchesWeekDays)
{
    std::optional<Date> dt;
    std::int64_t type = 0, start = 0, end = 0;
    WeekDayFlags weekDay = Days({0, 6});
    EXPECT_TRUE(TAReminder::PageTitleReminder_GetDateTime("Dentist !2021-03-04 10:30 [1]", dt, type, start,
                                                          end, weekDay));
    EXPECT_EQ(weekDay, Days({0, 6}));
}

TEST(TitleMarksTest, RepeatableAndTagMarks)
{
    EXPECT_TRUE(TAReminder::PageTimeRepeatable_Is("  !!x"));
    EXPECT_TRUE(TAReminder::PageTimeRepeatable_Is("\t\xC2\xA0!!x"));
    EXPECT_FALSE(TAReminder::PageTimeRepeatable_Is("x !!"));
    EXPECT_FALSE(TAReminder::PageTimeRepeatable_Is("\n!!x"));

    EXPECT_TRUE(TAReminder::PageHasTagReminder("! Project"));
    EXPECT_TRUE(TAReminder::PageHasTagReminder(" \t!Project"));
    EXPECT_FALSE(TAReminder::PageHasTagReminder("!! Project"));
    EXPECT_FALSE(TAReminder::PageHasTagReminder("Project !"));
    EXPECT_FALSE(TAReminder::PageHasTagReminder(""));
}

TEST(GetRepeatWeekDayTest, ReadsListAfterDoubleMarkOnly)
{
    struct Case
    {
        const char* title = nullptr;
        WeekDayFlags expected;
    };
    const Case cases[] = {
        {"A !! 9:00 [7, 1]", Days({0, 1})},
        {"A [1,2] !! 9:00", Days({})},
        {"A !! 9:00 [1,2", Days({})},
        {"A !! 9:00 []", Days({})},
        {"A !!", Days({})},
        {"A !! 9:00 [0,8,01,,x, 3 ,6]", Days({3, 6})},
        {"A !! [1] [2]", Days({1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        // Whatever the caller had is cleared first.
        WeekDayFlags weekDay = {"1", "1", "1", "1", "1", "1", "1"};
        EXPECT_FALSE(TAReminder::GetRepeatWeekDay(c.title, weekDay));
        EXPECT_EQ(weekDay, c.expected);
    }
}

// The words a list or a notification shows for a title; what is stored stays the title.
TEST_F(TitleSyntaxTest, DisplayTextDropsTheReminderSyntax)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Zahnarzt anrufen !2026-12-09 12:34", "Zahnarzt anrufen"},
        {"Dentist ! 2021-03-04 10:30", "Dentist"},
        {"Call\xC2\xA0"
         "Anna\xC2\xA0!2021-03-04",
         "Call Anna"},
        {"Standup !! 09:00 [1,2,3,4,5]", "Standup"},
        {"Gym !!18:30:15 [2,4]", "Gym"},
        {"!2026-12-09 12:34 Call the bank", "Call the bank"},
        {"Order !3000 cups", "Order cups"},
        {"Idea !! later", "Idea later"},
        {"  Plain title  ", "Plain title"},
        {"Wow! Great idea", "Wow! Great idea"},
        {"!2026-12-09 12:34", "!2026-12-09 12:34"},
        {"Caf\xC3\xA9 \xF0\x9F\x8D\xB0 !2026-12-09", "Caf\xC3\xA9 \xF0\x9F\x8D\xB0"},
        {"", ""},
    };
    for (const auto& [title, shown] : cases) {
        SCOPED_TRACE(title);
        EXPECT_EQ(TAReminder::TitleDisplayText(title), shown);
    }
}

} // namespace
} // namespace rz
