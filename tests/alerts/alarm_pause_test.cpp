// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alarm_pause.h"
#include "alerts/due_check.h"
#include "core/paths.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "util/clock.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace rz {
namespace {

Date At(int day, int hour, int minute)
{
    return DateFromParts(2026, 3, day, hour, minute, 0);
}

TEST(AlarmPauseTest, EachLengthEndsWhereTheMenuSays)
{
    const test::ScopedTimeZone zone("Europe/Berlin");
    struct Case
    {
        PauseLength length;
        Date now;
        Date end;
        bool tomorrow = true; // the menu names tomorrow's morning, not this one
    };
    const Case cases[] = {
        {PauseLength::OneHour, At(4, 10, 30), At(4, 11, 30)},
        // The next morning: the next calendar day's from the evening, this one's from just after
        // midnight, and across the change to summer time (29 March 2026).
        {PauseLength::UntilTomorrow, At(4, 22, 30), At(5, kPauseTomorrowHour, 0)},
        {PauseLength::UntilTomorrow, At(5, 0, 30), At(5, kPauseTomorrowHour, 0), false},
        {PauseLength::UntilTomorrow, At(5, 6, 59), At(5, kPauseTomorrowHour, 0), false},
        {PauseLength::UntilTomorrow, At(5, kPauseTomorrowHour, 0), At(6, kPauseTomorrowHour, 0)},
        {PauseLength::UntilTomorrow, At(28, 21, 0), At(29, kPauseTomorrowHour, 0)},
        {PauseLength::UntilTomorrow, At(29, 1, 30), At(29, kPauseTomorrowHour, 0), false},
        {PauseLength::UntilResumed, At(4, 10, 30), Date{static_cast<double>(kAlarmsPausedUntilResumed)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DateToString(c.now));
        test::TempDir dir;
        TAlarmPause pause(dir.File("velaapp.plist"));
        EXPECT_FALSE(pause.Holds(c.now, false));
        EXPECT_TRUE(pause.Holds(c.now, true)); // the desktop's do-not-disturb alone
        ASSERT_TRUE(pause.Pause(c.length, c.now));
        EXPECT_EQ(pause.PausedUntil(c.now), c.end);
        EXPECT_EQ(pause.UntilResumed(c.now), c.length == PauseLength::UntilResumed);
        if (c.length == PauseLength::UntilTomorrow) {
            EXPECT_EQ(MorningPauseEndsTomorrow(c.now), c.tomorrow);
        }
        EXPECT_TRUE(pause.Holds(DateAddSeconds(c.end, -1), false));
        EXPECT_FALSE(pause.Holds(c.end, false));
        // A restart reads the same end; Resume ends it for the next start as well.
        EXPECT_EQ(TAlarmPause(dir.File("velaapp.plist")).PausedUntil(c.now), c.end);
        ASSERT_TRUE(pause.Resume());
        EXPECT_FALSE(pause.Holds(c.now, false));
        EXPECT_FALSE(TAlarmPause(dir.File("velaapp.plist")).Holds(c.now, false));
    }
}

// The agent's tick, as the controller runs it: no check while alarms wait.
struct Agent
{
    explicit Agent(const std::string& folder)
        : Settings(folder + "/velaapp.plist"), DueFile(folder + "/DueCheck.json"), Pause(Settings),
          PausedAtStart(Pause.PausedUntil(DateNow()).has_value())
    {
    }
    std::vector<ReminderPtr> Tick(TReminderList& reminders, TReminderList& pending, SnoozeState& snooze)
    {
        if (Pause.Holds(DateNow(), DoNotDisturb)) {
            return {};
        }
        // Late alarms are off: only a pause that held at the start lets the check reach back.
        Check.UseStateFile(DueFile, PausedAtStart);
        return Check.CheckAndReminder(reminders, pending, snooze).Fired;
    }
    std::string Settings;
    std::string DueFile;
    TAlarmPause Pause;
    bool PausedAtStart;
    bool DoNotDisturb = false;
    TDueCheck Check;
};

TEST(AlarmPauseTest, WhatCameDueInAPauseRingsOnceLateAfterResumeAlsoAcrossARestart)
{
    const test::ScopedTimeZone zone("UTC");
    ScopedFakeClock clock(At(4, 10, 0).seconds);
    test::TempDir dir;
    TReminderList reminders;
    TReminderList pending;
    SnoozeState snooze = InitialSnoozeState(DateNow());
    const auto add = [&](const std::string& id, Date time, int repeat) {
        reminders.AddUnique(kPageTitleReminder, id + " !", id, id, "onenote:" + id, time, repeat,
                            DefaultWeekDays());
    };
    add("one-off", At(4, 10, 20), 0);
    add("daily", At(4, 10, 40), 1);
    add("after", At(4, 12, 0), 0);
    add("in-dnd", At(4, 12, 30), 0);

    std::vector<std::string> rang;
    const auto runUntil = [&](Agent& agent, Date end) {
        for (; clock.Now() < end.seconds; clock.Advance(1)) {
            for (const ReminderPtr& fired : agent.Tick(reminders, pending, snooze)) {
                rang.push_back(fired->Id().value_or("") + (fired->late() ? " late" : ""));
            }
        }
    };
    auto agent = std::make_unique<Agent>(dir.Path());
    runUntil(*agent, At(4, 10, 5));
    ASSERT_TRUE(agent->Pause.Pause(PauseLength::OneHour, DateNow()));
    runUntil(*agent, At(4, 10, 30));
    EXPECT_TRUE(rang.empty());

    // Quit and start again during the pause: it still holds, and nothing of it is lost.
    agent = std::make_unique<Agent>(dir.Path());
    runUntil(*agent, At(4, 10, 50));
    EXPECT_TRUE(rang.empty());
    ASSERT_TRUE(agent->Pause.Resume());
    runUntil(*agent, At(4, 11, 50));
    EXPECT_EQ(rang, (std::vector<std::string>{"daily late", "one-off late"}));

    // After the pause reminders ring on time; one due in a do-not-disturb rings, late, at its end.
    rang.clear();
    runUntil(*agent, At(4, 12, 29));
    agent->DoNotDisturb = true;
    runUntil(*agent, DateAddSeconds(At(4, 12, 30), 30));
    agent->DoNotDisturb = false;
    runUntil(*agent, At(4, 13, 0));
    EXPECT_EQ(rang, (std::vector<std::string>{"after", "in-dnd late"}));
}

} // namespace
} // namespace rz
