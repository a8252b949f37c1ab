// SPDX-License-Identifier: GPL-3.0-or-later
// Holds, zones and clock steps where they meet restarts.
#include "due_check_fixture.h"
#include "reminders/reminder.h"
#include "test_support.h"
#include "util/dates.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace rz {
namespace {

class HoldTest : public LateAlarmTest
{
protected:
    // Stops (saving the list as the loader would have) and starts at `now`, before any check.
    void StartAt(Date now, bool lateAlarms)
    {
        reminders.SaveToFile(folder.File("Reminders.plist"));
        clock.Set(now.seconds);
        reminders.Clear();
        reminders.LoadFromFile(folder.File("Reminders.plist"));
        check = TDueCheck();
        check.UseStateFile(folder.File("DueCheck.json"), lateAlarms);
    }
    // Alarms held from `from` through `through`: the agent notes the time each minute.
    void HeldFor(Date from, Date through)
    {
        for (Date at = from; !(through < at); at = DateAddSeconds(at, 60)) {
            clock.Set(at.seconds);
            check.NoteHeld(reminders);
        }
    }
    void AddTitle(const char* title, const std::string& page, Date time)
    {
        reminders.AddUnique(kPageTitleReminder, title, page, page, "onenote:" + page, time, 0,
                            DefaultWeekDays());
    }
};

// Alarms are paused at 09:00 and the agent quits; a one-off comes due at 09:01 while it is stopped; it
// starts at 09:02 held, stays held until it quits at 09:30, and starts at 10:00 free, with late alarms
// off. A run that started held with late alarms on (or paused: the pause counts as them) owed the
// one-off its late ring, and the hold keeps that debt; one that started held without them owed nothing.
TEST_F(HoldTest, WhatARunThatStartedHeldOwedRingsAfterTheHold)
{
    for (const bool lateAtHeldStart : {true, false}) {
        SCOPED_TRACE(lateAtHeldStart);
        std::filesystem::remove(folder.File("DueCheck.json"));
        reminders.Clear();
        pending.Clear();
        check = TDueCheck();
        EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
        AddOneOff("Stopped", At(4, 9, 1, 0));
        StartAt(At(4, 9, 2, 0), lateAtHeldStart);
        HeldFor(At(4, 9, 2, 0), At(4, 9, 30, 0));
        StartAt(At(4, 10, 0, 0), false);
        const DueCheckResult freed = check.CheckAndReminder(reminders, pending, snooze);
        ASSERT_EQ(freed.Fired.size(), lateAtHeldStart ? 1u : 0u);
        EXPECT_TRUE(!lateAtHeldStart || freed.Fired[0]->late());
    }
}

// While alarms are held the zone becomes New York, a load reads a one-off due a minute later there,
// and the zone goes back to UTC, where that wall time passed five hours ago: each change is followed
// at once, so when the hold ends the one-off rings once, late, and the check says the zone changed.
TEST_F(HoldTest, AZoneChangeWhileHeldIsFollowedAtOnce)
{
    const Date first = At(4, 9, 0, 0);
    EXPECT_FALSE(CheckAt(first).Alert);
    {
        const test::ScopedTimeZone newYork("America/New_York");
        clock.Set(DateAddSeconds(first, 30).seconds);
        EXPECT_TRUE(check.NoteHeld(reminders));
        AddTitle("Call !2026-03-04 04:01", "P", DateAddSeconds(first, 60));
        clock.Set(DateAddSeconds(first, 40).seconds);
        EXPECT_FALSE(check.NoteHeld(reminders));
    }
    clock.Set(DateAddSeconds(first, 50).seconds);
    EXPECT_TRUE(check.NoteHeld(reminders));
    EXPECT_EQ(reminders.GetByID("P")->time(), At(4, 4, 1, 0));
    const DueCheckResult freed = CheckAt(DateAddSeconds(first, 120));
    EXPECT_TRUE(freed.ZoneChanged);
    ASSERT_EQ(freed.Fired.size(), 1u);
    EXPECT_TRUE(freed.Fired[0]->late());
    EXPECT_FALSE(CheckAt(DateAddSeconds(first, 121)).ZoneChanged);
}

// A one-off rings at 09:00, the clock goes back 11 s, and the agent starts again: a load that finds the
// page unchanged adds it no more. Its text names the one occurrence that rang, whatever the clock says.
TEST_F(HoldTest, AOneOffThatRangStaysRungAfterAClockStepBackAndARestart)
{
    const auto load = [this] { AddTitle("Call !2026-03-04 09:00", "P", At(4, 9, 0, 0)); };
    load();
    EXPECT_EQ(RestartAt(At(4, 9, 0, 0)).Fired.size(), 1u);
    EXPECT_FALSE(CheckAt(At(4, 8, 59, 49)).Alert);
    EXPECT_FALSE(RestartAt(At(4, 8, 59, 50)).Alert);
    load();
    int rang = 0;
    for (int second = 51; second <= 120; ++second) {
        rang += static_cast<int>(CheckAt(DateAddSeconds(At(4, 8, 59, 0), second)).Fired.size());
    }
    EXPECT_EQ(rang, 0);
}

// A page's daily reminder rang at 09:01 and its title then names a one-off at 09:02; the agent starts
// again in Kolkata, where 09:02 passed hours ago. What the daily raised says nothing of the one-off:
// it rings once, late.
TEST_F(HoldTest, WhatADailyRaisedDoesNotCoverTheOneOffItsPageNamesNext)
{
    AddDaily("P", At(4, 9, 1, 0));
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
    EXPECT_EQ(CheckAt(At(4, 9, 1, 0)).Fired.size(), 1u);
    reminders.Remove(reminders.GetByID("P"));
    AddTitle("Call !2026-03-04 09:02", "P", At(4, 9, 2, 0));
    const Date restart = At(4, 9, 1, 40);
    const test::ScopedTimeZone kolkata("Asia/Kolkata");
    const DueCheckResult late = RestartAt(restart);
    ASSERT_EQ(late.Fired.size(), 1u);
    EXPECT_EQ(late.Fired[0]->name(), "Call !2026-03-04 09:02");
    EXPECT_TRUE(late.Fired[0]->late());
}

} // namespace
} // namespace rz
