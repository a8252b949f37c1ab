// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder.h"
#include "reminders_test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <climits>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace rz {
namespace {

using test::Local;

constexpr const char* kStandupLine =
    "Type:0` ID:P1` PageID:P1` Link:L1` Time:2021-03-04 09:00:00` Recurrence:1` "
    "Title:Standup !! 09:00 [1,2,3,4,5]`";

class ReminderTest : public ::testing::Test
{
protected:
    test::ScopedTimeZone m_Tz{test::kBerlinTz};
    // Wednesday 2021-03-10, noon.
    ScopedFakeClock m_Clock{Local(2021, 3, 10, 12, 0, 0).seconds};
};

TEST_F(ReminderTest, NewRecordHasInitialValues)
{
    TAReminder r;
    EXPECT_EQ(r.Repeat(), 0);
    EXPECT_EQ(r.objType(), 0);
    EXPECT_FALSE(r.name() || r.Id() || r.pageId() || r.link() || r.time() || r.preRemindedTime());
    EXPECT_EQ(r.weekDay(), DefaultWeekDays());
    EXPECT_EQ(r.ToString(),
              "Type:0` ID:(null)` PageID:(null)` Link:(null)` Time:(null)` Recurrence:0` Title:(null)`");
}

TEST_F(ReminderTest, ToStringWritesTheExampleLineAndReadsItBack)
{
    TAReminder r;
    r.setObjType(0);
    r.setId("P1");
    r.setPageId("P1");
    r.setLink("L1");
    r.setTime(Local(2021, 3, 4, 9, 0, 0));
    r.setRepeat(1);
    r.setName("Standup !! 09:00 [1,2,3,4,5]");
    EXPECT_EQ(r.ToString(), kStandupLine);

    m_Clock.Advance(5.25);
    const auto back = TAReminder::FromString(kStandupLine);
    EXPECT_EQ(back->objType(), 0);
    EXPECT_EQ(back->Id(), "P1");
    EXPECT_EQ(back->pageId(), "P1");
    EXPECT_EQ(back->link(), "L1");
    EXPECT_EQ(back->time(), Local(2021, 3, 4, 9, 0, 0));
    EXPECT_EQ(back->Repeat(), 1);
    EXPECT_EQ(back->name(), "Standup !! 09:00 [1,2,3,4,5]");
    EXPECT_EQ(back->preRemindedTime(), DateNow());
    EXPECT_EQ(back->weekDay(), (WeekDayFlags{"0", "1", "1", "1", "1", "1", "0"}));
    EXPECT_EQ(back->ToString(), kStandupLine);
}

// A "!!" reminder's copy rang at 09:01 Berlin, after the zone became UTC, and was stored there: its
// occurrence reads back as 08:01 wall time, but its time of day stays 09:01. A line whose title or
// occurrence gives its time of day stays as it was.
TEST_F(ReminderTest, ATimeOfDayTheLineWouldNotGiveBackIsStoredBesideIt)
{
    TAReminder copy;
    copy.setRepeat(1);
    copy.setName("!!Standup");
    copy.setTime(Local(2021, 3, 10, 9, 1, 0));
    copy.setTimeOfDay(TimeOfDayValue{9, 1, 0});
    EXPECT_EQ(copy.ToString().find("TimeOfDay:"), std::string::npos);
    std::string line;
    {
        const test::ScopedTimeZone utc("UTC");
        line = copy.ToString();
    }
    EXPECT_NE(line.find("` TimeOfDay:09:01:00` Title:!!Standup`"), std::string::npos) << line;
    EXPECT_EQ(TAReminder::FromString(line)->timeOfDay(), (TimeOfDayValue{9, 1, 0}));
    // Damaged or misplaced fields are not taken.
    for (const char* damaged : {"` TimeOfDay:24:00:00` Title:!!Standup`", "` TimeOfDay:9:1` Title:!!Standup`",
                                "` Title:!!Standup` TimeOfDay:09:01:00`"}) {
        const std::string text = "Type:0` ID:P1` PageID:P1` Link:L1` Time:2021-03-10 08:01:00` Recurrence:1" +
                                 std::string(damaged);
        EXPECT_EQ(TAReminder::FromString(text)->timeOfDay(), (TimeOfDayValue{8, 1, 0})) << damaged;
    }
}

TEST_F(ReminderTest, DataTagFollowsTheLineOnlyWhenKnown)
{
    const std::string head =
        "Type:1` ID:p:{G}{4}` PageID:P1` Link:L1` Time:2021-03-04 09:00:00` Recurrence:0` ";
    struct Case
    {
        std::string line;
        std::string name;
        std::string dataTag;
        bool openToDo;
        bool late = false; // raised late: a flag of the line, never part of the name
    };
    const Case cases[] = {
        {head + "Title:Call Bob`", "Call Bob", "", false},
        {head + "Title:Call Bob` DataTag:important, to-do`", "Call Bob", "important, to-do", true},
        {head + "Title:Call Bob` DataTag:to-do:completed`", "Call Bob", "to-do:completed", false},
        // A title that holds the label is no data tag.
        {head + "Title:Buy DataTag:to-do`", "Buy DataTag:to-do", "", false},
        {head + "Title:Call Bob` Late:1` DataTag:to-do`", "Call Bob", "to-do", true, true},
        {head + "Title:Call Late:1`", "Call Late:1", "", false},
    };
    for (const Case& c : cases) {
        const auto r = TAReminder::FromString(c.line);
        EXPECT_EQ(r->name(), c.name) << c.line;
        EXPECT_EQ(r->dataTag(), c.dataTag) << c.line;
        EXPECT_EQ(r->IsOpenToDo(), c.openToDo) << c.line;
        EXPECT_EQ(r->late(), c.late) << c.line;
        EXPECT_EQ(r->ToString(), c.line) << c.line;
    }
}

TEST_F(ReminderTest, ATitleHoldingBackquotesIsReadWhole)
{
    const std::string head =
        "Type:1` ID:p:{G}{4}` PageID:P1` Link:L1` Time:2021-03-04 09:00:00` Recurrence:0` ";
    // Written now: the title's length goes before it.
    TAReminder r;
    r.setObjType(kTagReminder);
    r.setId("p:{G}{4}");
    r.setName("Run `make check` !2021-03-04 09:00");
    r.setDataTag("to-do");
    r.setLate(true);
    const auto back = TAReminder::FromString(r.ToString());
    EXPECT_EQ(back->name(), "Run `make check` !2021-03-04 09:00") << r.ToString();
    EXPECT_EQ(back->dataTag(), "to-do");
    EXPECT_TRUE(back->late());
    EXPECT_EQ(back->ToString(), r.ToString());
    // What only looks like the fields after it stays in it.
    TAReminder plain;
    plain.setName("Buy` Late:1` DataTag:to-do`");
    const auto read = TAReminder::FromString(plain.ToString());
    EXPECT_EQ(read->name(), "Buy` Late:1` DataTag:to-do`");
    EXPECT_EQ(read->dataTag(), "");
    EXPECT_FALSE(read->late());
    // Written by an earlier version, without the length.
    const std::pair<std::string, std::string> earlier[] = {
        {head + "Title:Run `make check`` DataTag:to-do`", "Run `make check`"},
        {head + "Title:a`b` Late:1`", "a`b"},
        {head + "Title:`", ""},
    };
    for (const auto& [line, name] : earlier) {
        EXPECT_EQ(TAReminder::FromString(line)->name(), name) << line;
    }
}

TEST_F(ReminderTest, OneOffLineIgnoresWeekDayListInTitle)
{
    std::string line = kStandupLine;
    line.replace(line.find("Recurrence:1"), 12, "Recurrence:0");
    const auto r = TAReminder::FromString(line);
    EXPECT_EQ(r->Repeat(), 0);
    EXPECT_EQ(r->weekDay(), DefaultWeekDays());
}

TEST_F(ReminderTest, DamagedLinesStillGiveRecords)
{
    struct Case
    {
        const char* line = nullptr;
        std::int64_t type = 0;
        const char* id = nullptr;
        const char* pageId = nullptr;
        const char* link = nullptr;
        std::optional<Date> time;
        std::uint8_t repeat = 0;
        const char* name = nullptr;
    };
    const Case cases[] = {
        {"", 0, "", "", "", std::nullopt, 0, ""},
        {"Title:Only a title`", 0, "", "", "", std::nullopt, 0, "Only a title"},
        // No backquote after the last label: that field is empty.
        {"Type:1` ID:X` Title:cut off", 1, "X", "", "", std::nullopt, 0, ""},
        {"Type:0` ID:P` PageID:P` Link:L` Time:2021-03-04 09:00:00` Recurrence:0` Title:Fix `foo` "
         "!2021-03-04`",
         0, "P", "P", "L", Local(2021, 3, 4, 9), 0, "Fix `foo` !2021-03-04"},
        // A label inside an earlier value is taken for that label.
        {"Type:0` ID:P` PageID:P` Link:onenote:x?Time:2020-01-01 00:00:00` Time:2021-03-04 09:00:00` "
         "Recurrence:0` "
         "Title:T`",
         0, "P", "P", "onenote:x?Time:2020-01-01 00:00:00", Local(2020, 1, 1), 0, "T"},
        {"Type:0` ID:P` PageID:P` Link:(null)` Time:(null)` Recurrence:0` Title:T`", 0, "P", "P", "(null)",
         std::nullopt, 0, "T"},
        {"Type:99999999999` Recurrence:Yes`", INT32_MAX, "", "", "", std::nullopt, 1, ""},
        {"Type:-99999999999` Recurrence:00`", INT32_MIN, "", "", "", std::nullopt, 0, ""},
        {"Type:12abc` Recurrence:+007`", 12, "", "", "", std::nullopt, 1, ""},
        {"Type:x` Recurrence:no`", 0, "", "", "", std::nullopt, 0, ""},
        {"Recurrence:t`", 0, "", "", "", std::nullopt, 1, ""},
        {"Recurrence:-0`", 0, "", "", "", std::nullopt, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto r = TAReminder::FromString(c.line);
        EXPECT_EQ(r->objType(), c.type);
        EXPECT_EQ(r->Id(), c.id);
        EXPECT_EQ(r->pageId(), c.pageId);
        EXPECT_EQ(r->link(), c.link);
        EXPECT_EQ(r->time(), c.time);
        EXPECT_EQ(r->Repeat(), c.repeat);
        EXPECT_EQ(r->name(), c.name);
        EXPECT_EQ(r->preRemindedTime(), DateNow());
    }
}

TEST_F(ReminderTest, RepeatingLineReadsWeekDaysFromTitle)
{
    const auto r = TAReminder::FromString(
        "Type:1` ID:p:{G}{3}` PageID:P` Link:L` Time:2021-03-04 18:30:15` Recurrence:1` "
        "Title:Gym !!18:30:15 [2,4, 7]`");
    EXPECT_EQ(r->weekDay(), (WeekDayFlags{"1", "0", "1", "0", "1", "0", "0"}));
    EXPECT_TRUE(r->HasSpecifyRepeatInWeekDay());
}

TEST_F(ReminderTest, IsInSpecifyWeekDayReadsSundayFirst)
{
    TAReminder r;
    r.setWeekDay({"1", "0", "0", "0", "0", "0", "0"});
    EXPECT_TRUE(r.IsInSpecifyWeekDay(Local(2021, 3, 7, 10)));  // Sunday
    EXPECT_FALSE(r.IsInSpecifyWeekDay(Local(2021, 3, 6, 10))); // Saturday
    r.setWeekDay({"0", "0", "0", "0", "0", "0", "yes"});
    EXPECT_TRUE(r.IsInSpecifyWeekDay(Local(2021, 3, 6, 10)));
    EXPECT_FALSE(r.IsInSpecifyWeekDay(Local(2021, 3, 7, 10)));
    EXPECT_TRUE(r.HasSpecifyRepeatInWeekDay());
}

TEST_F(ReminderTest, RepeatDateTimeIsStrictlyInTheFuture)
{
    TAReminder r;
    r.setRepeat(1);
    r.setTime(Local(2019, 6, 1, 9, 0, 0));

    m_Clock.Set(Local(2021, 3, 10, 8, 59, 59).seconds);
    EXPECT_EQ(r.GetRepeatDateTime(), Local(2021, 3, 10, 9, 0, 0));
    m_Clock.Set(Local(2021, 3, 10, 9, 0, 0).seconds);
    EXPECT_EQ(r.GetRepeatDateTime(), Local(2021, 3, 11, 9, 0, 0));
}

TEST_F(ReminderTest, MondayOnlyAskedOnMondayAfterItsHourGivesNextMonday)
{
    TAReminder r;
    r.setRepeat(1);
    r.setTime(Local(2021, 3, 1, 9, 0, 0));
    r.setWeekDay({"0", "1", "0", "0", "0", "0", "0"});
    m_Clock.Set(Local(2021, 3, 8, 10, 0, 0).seconds); // Monday
    EXPECT_EQ(r.GetRepeatDateTime(), Local(2021, 3, 15, 9, 0, 0));
    m_Clock.Set(Local(2021, 3, 8, 8, 0, 0).seconds);
    EXPECT_EQ(r.GetRepeatDateTime(), Local(2021, 3, 8, 9, 0, 0));
}

TEST_F(ReminderTest, RepeatDateTimeKeepsWallClockAcrossDaylightSavingChange)
{
    TAReminder r;
    r.setRepeat(1);
    r.setTime(Local(2021, 1, 1, 9, 0, 0));
    // Saturday before the clocks go forward: the next 09:00 is only 23 hours away.
    m_Clock.Set(Local(2021, 3, 27, 10, 0, 0).seconds);
    const auto next = r.GetRepeatDateTime();
    ASSERT_TRUE(next);
    EXPECT_EQ(DateToString(next), "2021-03-28 09:00:00");
    EXPECT_EQ(next->seconds - Local(2021, 3, 27, 9, 0, 0).seconds, 23 * 3600);

    // A time of day that does not exist on the day of the change still gives a future time.
    r.setTime(Local(2021, 1, 1, 2, 30, 0));
    m_Clock.Set(Local(2021, 3, 28, 0, 0, 0).seconds);
    const auto gap = r.GetRepeatDateTime();
    ASSERT_TRUE(gap);
    EXPECT_GT(*gap, DateNow());
    EXPECT_LT(gap->seconds - DateNow().seconds, 2 * 86400);
}

TEST_F(ReminderTest, RepeatDateTimeWithoutTimeGivesNoDate)
{
    TAReminder r;
    r.setRepeat(1);
    EXPECT_FALSE(r.GetRepeatDateTime());
}

} // namespace
} // namespace rz
