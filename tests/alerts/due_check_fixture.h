// SPDX-License-Identifier: GPL-3.0-or-later
// The due check over a reminder list on the fake clock, and over the files of runs of the agent.
#pragma once

#include "alerts/due_check.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {

inline Date At(int day, int hour, int minute, int second)
{
    return DateFromParts(2026, 3, day, hour, minute, second);
}

class DueCheckTest : public testing::Test
{
protected:
    void AddOneOff(const std::string& id, Date time)
    {
        reminders.AddUnique(kPageTitleReminder, id + " !", id, id, "onenote:" + id, time, 0,
                            DefaultWeekDays());
    }
    void AddDaily(const std::string& id, Date time)
    {
        reminders.AddUnique(kPageTitleReminder, id + " !!", id, id, "onenote:" + id, time, 1,
                            DefaultWeekDays());
    }
    DueCheckResult CheckAt(Date now)
    {
        clock.Set(now.seconds);
        return check.CheckAndReminder(reminders, pending, snooze);
    }

    test::ScopedTimeZone zone{"UTC"};
    ScopedFakeClock clock{At(4, 9, 0, 0).seconds};
    TReminderList reminders;
    TReminderList pending;
    SnoozeState snooze = InitialSnoozeState(At(4, 9, 0, 0));
    TDueCheck check;
};

// Runs of the agent over one data folder: each start loads the stored reminders anew and resumes
// the due check from the file the last run left.
class LateAlarmTest : public DueCheckTest
{
protected:
    // Stops (saving the list as the loader would have) and starts at `now`; gives the first check.
    DueCheckResult RestartAt(Date now)
    {
        reminders.SaveToFile(folder.File("Reminders.plist"));
        clock.Set(now.seconds);
        reminders.Clear();
        reminders.LoadFromFile(folder.File("Reminders.plist"));
        check = TDueCheck();
        check.UseStateFile(folder.File("DueCheck.json"));
        return check.CheckAndReminder(reminders, pending, snooze);
    }
    test::TempDir folder;
};

} // namespace rz
