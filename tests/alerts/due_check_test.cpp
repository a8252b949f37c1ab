// SPDX-License-Identifier: GPL-3.0-or-later
#include "due_check_fixture.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(DueWindowTest, ReachesBackToThePreviousCheck)
{
    const test::ScopedTimeZone zone("UTC");
    struct Case
    {
        Date now;
        std::optional<Date> previous;
        Date low;
        Date high;
    };
    const Case cases[] = {
        {At(4, 10, 0, 0), std::nullopt, At(4, 9, 59, 50), At(4, 10, 0, 10)},
        {At(4, 10, 0, 0), At(4, 9, 59, 59), At(4, 9, 59, 49), At(4, 10, 0, 10)},
        {At(4, 10, 0, 0), At(4, 8, 0, 0), At(4, 7, 59, 50), At(4, 10, 0, 10)},
        // A clock set back: the window starts at the current time.
        {At(4, 10, 0, 0), At(4, 11, 0, 0), At(4, 9, 59, 50), At(4, 10, 0, 10)},
    };
    for (const Case& c : cases) {
        const DueWindow window = DueWindowFor(c.now, c.previous);
        EXPECT_EQ(window.Low, c.low);
        EXPECT_EQ(window.High, c.high);
    }
}

TEST_F(DueCheckTest, OneOffPutBackByALoadBeforeItsTimeFiresOnce)
{
    AddOneOff("a", At(4, 10, 0, 0));
    EXPECT_TRUE(CheckAt(At(4, 9, 59, 50)).Alert); // ten seconds early; held off until 10:00:10
    ASSERT_EQ(pending.Count(), 1U);
    // The page still names a time to come, so a load in the next seconds adds it again.
    AddOneOff("a", At(4, 10, 0, 0));
    const DueCheckResult again = CheckAt(At(4, 9, 59, 55));
    EXPECT_FALSE(again.Alert);
    EXPECT_EQ(pending.Count(), 1U);
    EXPECT_EQ(reminders.Count(), 0U);
    // Moved online to another time, it is a reminder of its own again.
    AddOneOff("a", At(4, 10, 0, 5));
    EXPECT_TRUE(CheckAt(At(4, 9, 59, 58)).Alert);
    EXPECT_EQ(pending.Count(), 2U);
}

TEST_F(DueCheckTest, OneOffFiresWithinTenSecondsOfItsTime)
{
    struct Case
    {
        Date checkAt;
        bool fires;
    };
    const Case cases[] = {
        {At(4, 9, 59, 49), false}, {At(4, 9, 59, 50), true},  {At(4, 10, 0, 0), true},
        {At(4, 10, 0, 10), true},  {At(4, 10, 0, 11), false},
    };
    for (const Case& c : cases) {
        reminders.Clear();
        pending.Clear();
        clock.Set(At(4, 9, 0, 0).seconds);
        AddOneOff("P1", At(4, 10, 0, 0));
        TDueCheck first;
        clock.Set(c.checkAt.seconds);
        const DueCheckResult result = first.CheckAndReminder(reminders, pending, snooze);
        EXPECT_EQ(result.Alert, c.fires) << DateToString(c.checkAt);
        EXPECT_EQ(pending.Count(), c.fires ? 1u : 0u);
        EXPECT_EQ(reminders.Count(), c.fires ? 0u : 1u);
    }
}

TEST_F(DueCheckTest, CheckAfterAHeldLoopStillFiresOnce)
{
    AddOneOff("P1", At(4, 10, 0, 0));
    EXPECT_FALSE(CheckAt(At(4, 9, 59, 49)).Alert);
    const DueCheckResult late = CheckAt(At(4, 10, 0, 11));
    EXPECT_TRUE(late.Alert);
    ASSERT_EQ(pending.Count(), 1u);
    EXPECT_EQ(pending.At(0)->time(), At(4, 10, 0, 0));
    EXPECT_EQ(pending.At(0)->link(), "onenote:P1");
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 12)).Alert);
    EXPECT_EQ(pending.Count(), 1u);
}

TEST_F(DueCheckTest, RepeatingReminderFiresOncePerOccurrenceAndAdvances)
{
    AddDaily("D1", At(1, 10, 0, 0));
    ASSERT_EQ(reminders.At(0)->time(), At(4, 10, 0, 0));

    for (int second = 45; second < 60; ++second) {
        EXPECT_EQ(CheckAt(At(4, 9, 59, second)).Alert, second == 50) << second;
    }
    ASSERT_EQ(pending.Count(), 1u);
    EXPECT_EQ(pending.At(0)->time(), At(4, 10, 0, 0));
    EXPECT_EQ(pending.At(0)->Repeat(), 1);
    ASSERT_EQ(reminders.Count(), 1u);
    EXPECT_EQ(reminders.At(0)->time(), At(5, 10, 0, 0));
    EXPECT_EQ(reminders.At(0)->preRemindedTime(), At(4, 10, 0, 10));

    for (int second = 0; second <= 40; ++second) {
        EXPECT_FALSE(CheckAt(At(4, 10, 0, second)).Alert);
    }
    EXPECT_TRUE(CheckAt(At(5, 10, 0, 5)).Alert);
    EXPECT_EQ(pending.Count(), 2u);
    EXPECT_EQ(reminders.At(0)->time(), At(6, 10, 0, 0));
}

TEST_F(DueCheckTest, TwoDueInOneCheckRaiseOneAlert)
{
    AddOneOff("P1", At(4, 10, 0, 0));
    AddOneOff("P2", At(4, 10, 0, 0));
    const DueCheckResult result = CheckAt(At(4, 10, 0, 0));
    EXPECT_TRUE(result.Alert);
    ASSERT_EQ(result.Fired.size(), 2u);
    ASSERT_EQ(pending.Count(), 2u);
    // The walk runs from the end of the list, so the later entry comes first.
    EXPECT_EQ(pending.At(0)->Id(), "P2");
    EXPECT_EQ(pending.At(1)->Id(), "P1");
    EXPECT_EQ(reminders.Count(), 0u);
}

TEST_F(DueCheckTest, SnoozeFiresAtTheWindowsLowEndOnly)
{
    snooze.SnoozeRemindedTime = At(4, 9, 59, 50);
    EXPECT_TRUE(CheckAt(At(4, 10, 0, 0)).Alert);
    EXPECT_EQ(snooze.PreRemindedTime, At(4, 10, 0, 10));
    EXPECT_EQ(snooze.SnoozeRemindedTime, DateAddDays(At(4, 10, 0, 0), -365));
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 1)).Alert);

    TDueCheck first;
    SnoozeState missed = InitialSnoozeState(At(4, 9, 0, 0));
    missed.SnoozeRemindedTime = At(4, 9, 59, 49);
    clock.Set(At(4, 10, 0, 0).seconds);
    EXPECT_FALSE(first.CheckAndReminder(reminders, pending, missed).Alert);
}

TEST_F(DueCheckTest, SnoozeWaitsForItsHoldOff)
{
    snooze.PreRemindedTime = At(4, 10, 0, 0);
    snooze.SnoozeRemindedTime = At(4, 10, 0, 0);
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 0)).Alert);
    EXPECT_TRUE(CheckAt(At(4, 10, 0, 1)).Alert);
}

TEST_F(DueCheckTest, TwoHourSleepFiresEverythingInTheGapOnce)
{
    clock.Set(At(4, 7, 0, 0).seconds);
    AddOneOff("P1", At(4, 8, 30, 0));
    AddOneOff("P2", At(4, 9, 15, 0));
    AddDaily("D1", At(4, 9, 0, 0));
    AddOneOff("Later", At(4, 10, 30, 0));
    ASSERT_EQ(reminders.GetByID("D1")->time(), At(4, 9, 0, 0));
    EXPECT_FALSE(CheckAt(At(4, 8, 0, 0)).Alert);
    snooze.SnoozeRemindedTime = At(4, 9, 45, 0);

    const DueCheckResult woke = CheckAt(At(4, 10, 0, 0));
    EXPECT_TRUE(woke.Alert);
    EXPECT_EQ(woke.Fired.size(), 3u);
    EXPECT_EQ(pending.Count(), 3u);
    EXPECT_EQ(snooze.SnoozeRemindedTime, DateAddDays(At(4, 10, 0, 0), -365));
    ASSERT_EQ(reminders.Count(), 2u);
    EXPECT_EQ(reminders.GetByID("D1")->time(), At(5, 9, 0, 0));
    EXPECT_TRUE(reminders.GetByID("Later"));

    for (int second = 1; second <= 30; ++second) {
        EXPECT_FALSE(CheckAt(At(4, 10, 0, second)).Alert);
    }
    EXPECT_EQ(pending.Count(), 3u);
}

TEST_F(DueCheckTest, EmptyListAndNothingDueChangeNothing)
{
    const SnoozeState before = snooze;
    const DueCheckResult empty = CheckAt(At(4, 10, 0, 0));
    EXPECT_FALSE(empty.Alert);
    EXPECT_TRUE(empty.Fired.empty());
    EXPECT_EQ(pending.Count(), 0u);

    AddOneOff("P1", At(4, 12, 0, 0));
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 1)).Alert);
    EXPECT_EQ(reminders.Count(), 1u);
    EXPECT_EQ(pending.Count(), 0u);
    EXPECT_EQ(snooze.PreRemindedTime, before.PreRemindedTime);
    EXPECT_EQ(snooze.SnoozeRemindedTime, before.SnoozeRemindedTime);
}

TEST_F(DueCheckTest, ReminderWithoutTimeNeverFires)
{
    reminders.AddUnique(kPageTitleReminder, "x", "X", "X", "l", std::nullopt, 0, DefaultWeekDays());
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 0)).Alert);
    EXPECT_EQ(reminders.Count(), 1u);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

TEST_F(DueCheckTest, MergeDuringTheHoldOffNeverRaisesAnOccurrenceTwice)
{
    AddDaily("D1", At(1, 10, 0, 0));
    EXPECT_TRUE(CheckAt(At(4, 9, 59, 50)).Alert); // ten seconds early; held off until 10:00:10
    // A load merges the same reminder before its time: today's occurrence is what "next" means now.
    clock.Set(At(4, 9, 59, 55).seconds);
    reminders.AddUnique(kPageTitleReminder, "D1 !!", "D1", "D1", "onenote:D1", At(4, 10, 0, 0), 1,
                        DefaultWeekDays());
    for (int second = 0; second <= 40; ++second) {
        EXPECT_FALSE(CheckAt(At(4, 10, 0, second)).Alert) << second;
    }
    EXPECT_EQ(pending.Count(), 1u);
    EXPECT_EQ(reminders.At(0)->time(), At(5, 10, 0, 0));
}

TEST_F(LateAlarmTest, MissedWhileStoppedRingsOnceMarkedLate)
{
    AddOneOff("Old", At(4, 8, 0, 0));     // passed before the stop: never raised
    AddOneOff("Missed", At(4, 11, 0, 0)); // came due while stopped
    AddOneOff("Later", At(5, 9, 0, 0));
    AddDaily("Daily", At(1, 10, 30, 0)); // 10:30 missed; 11:30 start
    // The very first start raises nothing.
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);

    const DueCheckResult late = RestartAt(At(4, 11, 30, 0));
    ASSERT_EQ(late.Fired.size(), 2u);
    ASSERT_EQ(pending.Count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(pending.At(i)->late()) << *pending.At(i)->name();
    }
    EXPECT_EQ(pending.At(0)->time(), At(4, 10, 30, 0));
    EXPECT_EQ(pending.At(1)->time(), At(4, 11, 0, 0));
    EXPECT_EQ(reminders.GetByID("Daily")->time(), At(5, 10, 30, 0));

    // A second restart at once raises none of them again.
    EXPECT_FALSE(RestartAt(At(4, 11, 31, 0)).Alert);
    EXPECT_EQ(pending.Count(), 2u);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// Without late alarms nothing missed while stopped rings, yet what rang stays rung.
TEST_F(LateAlarmTest, WithoutLateAlarmsARestartRaisesNeitherTheMissedNorTheRaised)
{
    AddOneOff("Soon", At(4, 10, 0, 0));
    AddOneOff("Missed", At(4, 11, 0, 0));
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
    reminders.SaveToFile(folder.File("Reminders.plist")); // as the last load left it
    EXPECT_EQ(CheckAt(At(4, 9, 59, 50)).Fired.size(), 1u);
    pending.Clear();

    // Seconds later, while the page still names Soon's time; then again after Missed came due.
    clock.Set(At(4, 9, 59, 55).seconds);
    reminders.Clear();
    reminders.LoadFromFile(folder.File("Reminders.plist"));
    check = TDueCheck();
    check.UseStateFile(folder.File("DueCheck.json"), false);
    EXPECT_FALSE(check.CheckAndReminder(reminders, pending, snooze).Alert);
    for (int second = 0; second <= 40; ++second) {
        EXPECT_FALSE(CheckAt(At(4, 10, 0, second)).Alert) << second;
    }
    check = TDueCheck();
    clock.Set(At(4, 11, 30, 0).seconds);
    check.UseStateFile(folder.File("DueCheck.json"), false);
    EXPECT_FALSE(check.CheckAndReminder(reminders, pending, snooze).Alert);
    EXPECT_EQ(pending.Count(), 0u);
}

TEST_F(LateAlarmTest, RestartSecondsAfterAnEarlyAlertRaisesNothingAgain)
{
    AddOneOff("Soon", At(4, 10, 0, 0));
    AddDaily("Daily", At(1, 10, 0, 0));
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
    // The list file as the last load left it, before the alert.
    reminders.SaveToFile(folder.File("Reminders.plist"));
    EXPECT_EQ(CheckAt(At(4, 9, 59, 50)).Fired.size(), 2u);
    pending.Clear(); // snoozed or dismissed

    clock.Set(At(4, 9, 59, 55).seconds);
    reminders.Clear();
    reminders.LoadFromFile(folder.File("Reminders.plist"));
    check = TDueCheck();
    check.UseStateFile(folder.File("DueCheck.json"));
    EXPECT_FALSE(check.CheckAndReminder(reminders, pending, snooze).Alert);
    // The pages still name these times: the first load merges them again.
    AddOneOff("Soon", At(4, 10, 0, 0));
    AddDaily("Daily", At(4, 10, 0, 0));
    for (int second = 0; second <= 40; ++second) {
        EXPECT_FALSE(CheckAt(At(4, 10, 0, second)).Alert) << second;
    }
    EXPECT_EQ(pending.Count(), 0u);
    EXPECT_FALSE(reminders.GetByID("Soon"));
    EXPECT_EQ(reminders.GetByID("Daily")->time(), At(5, 10, 0, 0));
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// A daily 02:30 reminder across both daylight-saving nights of 2026 in Berlin: each row is what
// rang, once a day, as an instant (UTC). The spring-forward day has no 02:30 and rings at 03:30; the
// fall-back day rings at the first 02:30.
TEST_F(DueCheckTest, DailyReminderKeepsItsTimeOfDayAcrossDaylightSavingNights)
{
    const test::ScopedTimeZone berlin("Europe/Berlin");
    const std::vector<std::vector<const char*>> seasons = {
        {"2026-03-27T01:30:00Z", "2026-03-28T01:30:00Z", "2026-03-29T01:30:00Z", "2026-03-30T00:30:00Z",
         "2026-03-31T00:30:00Z", "2026-04-01T00:30:00Z"},
        {"2026-10-23T00:30:00Z", "2026-10-24T00:30:00Z", "2026-10-25T00:30:00Z", "2026-10-26T01:30:00Z",
         "2026-10-27T01:30:00Z", "2026-10-28T01:30:00Z"},
    };
    for (const std::vector<const char*>& rows : seasons) {
        const Date first = GraphTimeToDate(rows.front());
        reminders.Clear();
        pending.Clear();
        check = TDueCheck();
        clock.Set(first.seconds - 12 * 3600);
        // A page read the day before names 02:30.
        AddDaily("D",
                 DateFromParts(2026, LocalFieldsOf(first).month, LocalFieldsOf(first).day - 1, 2, 30, 0));
        for (Date now = DateAddSeconds(first, -3600);
             now < DateAddSeconds(GraphTimeToDate(rows.back()), 7200); now = DateAddSeconds(now, 300)) {
            CheckAt(now);
        }
        std::vector<Date> rang;
        for (const ReminderPtr& p : pending.list()) {
            rang.push_back(*p->time());
        }
        ASSERT_EQ(rang.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rang[i].seconds, GraphTimeToDate(rows[i]).seconds) << rows[i];
        }
    }
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// The copy raised at 03:30 on the night the clocks go forward keeps the reminder's 02:30, which
// its snooze is checked by when it wakes.
TEST_F(DueCheckTest, ACopyRaisedInTheSpringGapStillHoldsWhenItsSnoozeEnds)
{
    const test::ScopedTimeZone berlin("Europe/Berlin");
    const Date gapDay = GraphTimeToDate("2026-03-29T01:30:00Z");
    clock.Set(gapDay.seconds - 48 * 3600);
    AddDaily("D", DateFromParts(2026, 3, 27, 2, 30, 0));
    for (Date now = DateAddSeconds(gapDay, -26 * 3600); !(gapDay < now); now = DateAddSeconds(now, 300)) {
        CheckAt(now);
    }
    ReminderPtr copy;
    for (const ReminderPtr& p : pending.list()) {
        copy = p->time() == gapDay ? p : copy;
    }
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(SnoozedCopyHolds(*copy, "", reminders));
}

TEST_F(DueCheckTest, AfterASleepTheLatestMissedOccurrenceRingsLate)
{
    AddDaily("D1", At(1, 10, 0, 0));
    AddOneOff("P1", At(5, 8, 0, 0));
    EXPECT_FALSE(CheckAt(At(4, 9, 0, 0)).Alert);
    const DueCheckResult woke = CheckAt(At(6, 9, 0, 0));
    ASSERT_EQ(woke.Fired.size(), 2u);
    // "Late" is the copies' flag; their names stay the notes' own.
    for (const ReminderPtr& copy : woke.Fired) {
        EXPECT_TRUE(copy->late() && copy->name()->starts_with(*copy->Id())) << *copy->name();
    }
    EXPECT_EQ(pending.GetByID("D1")->time(), At(5, 10, 0, 0));
    EXPECT_EQ(reminders.GetByID("D1")->time(), At(6, 10, 0, 0));
    EXPECT_FALSE(CheckAt(At(6, 9, 0, 1)).Alert);
}

// The clock goes back two hours: neither the hold-offs set before nor a last check that now lies
// ahead keep a reminder from ringing at its time.
TEST_F(LateAlarmTest, ClockSetBackSilencesNothing)
{
    clock.Set(At(4, 12, 0, 0).seconds);
    AddOneOff("A", At(4, 10, 30, 0));
    EXPECT_FALSE(RestartAt(At(4, 12, 0, 0)).Alert);
    EXPECT_FALSE(RestartAt(At(4, 10, 0, 0)).Alert);
    EXPECT_TRUE(CheckAt(At(4, 10, 30, 0)).Alert);

    // A record loaded at 12:00 in a fresh run.
    check = TDueCheck();
    clock.Set(At(4, 12, 0, 0).seconds);
    AddOneOff("B", At(4, 10, 45, 0));
    EXPECT_FALSE(CheckAt(At(4, 12, 0, 0)).Alert);
    EXPECT_FALSE(CheckAt(At(4, 10, 0, 0)).Alert);
    const DueCheckResult b = CheckAt(At(4, 10, 45, 0));
    ASSERT_EQ(b.Fired.size(), 1u);
    EXPECT_EQ(b.Fired[0]->name(), "B !");
}

// The clock runs 30 days ahead, rings what lies up to then, and is set right: the daily reminder
// rings at its next real time, with or without a restart in between.
TEST_F(LateAlarmTest, ClockThatRanAheadAndWasSetRightSilencesNoRepeatingReminder)
{
    for (const bool restart : {false, true}) {
        std::remove(folder.File("DueCheck.json").c_str());
        reminders.Clear();
        pending.Clear();
        check = TDueCheck();
        AddDaily("D", At(1, 10, 0, 0));
        EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
        EXPECT_TRUE(CheckAt(At(34, 9, 0, 0)).Alert);
        EXPECT_TRUE(CheckAt(At(34, 10, 0, 0)).Alert);

        EXPECT_FALSE((restart ? RestartAt(At(4, 9, 30, 0)) : CheckAt(At(4, 9, 30, 0))).Alert) << restart;
        const DueCheckResult due = CheckAt(At(4, 10, 0, 0));
        ASSERT_EQ(due.Fired.size(), 1u) << restart;
        EXPECT_FALSE(due.Fired[0]->late()) << restart;
        EXPECT_EQ(reminders.GetByID("D")->time(), At(5, 10, 0, 0)) << restart;
    }
}

// The system's zone changes while the agent runs (a flight): every reminder rings once, at the local
// time it names in the new zone. Times are UTC; March 4th, Berlin is six hours ahead of New York.
TEST(ZoneChangeTest, RemindersRingOnceAtTheirLocalTimeInTheNewZone)
{
    struct Case
    {
        const char* from;
        const char* to;
        const char* title;
        const char* start;
        const char* rings;
    };
    const Case cases[] = {
        {"Europe/Berlin", "America/New_York", "Standup !!09:00", "2026-03-04T19:00:00Z",
         "2026-03-05T14:00:00Z"},
        {"Europe/Berlin", "America/New_York", "Flight !2026-03-05 10:00", "2026-03-04T19:00:00Z",
         "2026-03-05T15:00:00Z"},
        {"America/New_York", "Europe/Berlin", "Standup !!09:00", "2026-03-05T01:00:00Z",
         "2026-03-05T08:00:00Z"},
        // Six minutes ahead in New York, hours past in Berlin: it rings once, at the first check.
        {"America/New_York", "Europe/Berlin", "Flight !2026-03-05 10:00", "2026-03-05T14:54:00Z",
         "2026-03-05T09:00:00Z"},
    };
    for (const Case& c : cases) {
        const Date start = GraphTimeToDate(c.start);
        ScopedFakeClock clock(start.seconds);
        TReminderList reminders;
        TReminderList pending;
        SnoozeState snooze = InitialSnoozeState(start);
        TDueCheck check;
        {
            const test::ScopedTimeZone from(c.from);
            std::optional<Date> dt;
            std::int64_t type = kReminderTypeNone;
            std::int64_t begin = 0;
            std::int64_t end = 0;
            WeekDayFlags weekDay = DefaultWeekDays();
            TAReminder::PageTitleReminder_GetDateTime(c.title, dt, type, begin, end, weekDay);
            reminders.AddUnique(kPageTitleReminder, c.title, "P", "P", "L", dt,
                                type == kReminderTypeRepeating ? 1 : 0, weekDay);
            check.CheckAndReminder(reminders, pending, snooze);
        }
        const test::ScopedTimeZone to(c.to);
        std::vector<Date> rang;
        for (double t = start.seconds + 30; t <= start.seconds + 26 * 3600; t += 30) {
            clock.Set(t);
            for (const auto& fired : check.CheckAndReminder(reminders, pending, snooze).FiredOccurrences) {
                rang.push_back(fired.second);
            }
        }
        EXPECT_EQ(rang, std::vector<Date>{GraphTimeToDate(c.rings)}) << c.title << " " << c.from;
    }
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// The clock goes back a few seconds right after a reminder rang early, inside the ten seconds it may
// ring ahead of its time: nothing rings again.
TEST_F(DueCheckTest, ASmallClockStepBackAfterAnEarlyRingRingsNothingAgain)
{
    for (const int back : {2, 5, 9}) {
        reminders.Clear();
        pending.Clear();
        check = TDueCheck();
        AddDaily("D", At(1, 10, 0, 0));
        EXPECT_FALSE(CheckAt(At(4, 9, 59, 40)).Alert);
        EXPECT_EQ(CheckAt(At(4, 9, 59, 50)).Fired.size(), 1u) << back;
        int rang = 0;
        for (int second = 0; second <= 60; ++second) {
            rang += static_cast<int>(CheckAt(At(4, 9, 59, 50 - back + second)).Fired.size());
        }
        EXPECT_EQ(rang, 0) << back;
        EXPECT_EQ(reminders.GetByID("D")->time(), At(5, 10, 0, 0)) << back;
    }
}

// A reminder rings at 10:00 in Berlin; after a flight west its page still names 10:00, now New York's,
// and the loads put it back: that day's reminder rang, so nothing rings again that day.
TEST_F(DueCheckTest, AfterAFlightWestNothingRingsAgainTheSameDay)
{
    for (const char* title : {"Flight !2026-03-04 10:00", "Standup !! 10:00"}) {
        reminders.Clear();
        pending.Clear();
        const auto load = [&] {
            std::optional<Date> dt;
            std::int64_t type = kReminderTypeNone;
            std::int64_t begin = 0;
            std::int64_t end = 0;
            WeekDayFlags weekDay = DefaultWeekDays();
            TAReminder::PageTitleReminder_GetDateTime(title, dt, type, begin, end, weekDay);
            reminders.AddUnique(kPageTitleReminder, title, title, title, "onenote:F", dt,
                                type == kReminderTypeRepeating ? 1 : 0, weekDay);
        };
        const Date rings = GraphTimeToDate("2026-03-04T09:00:00Z");
        {
            const test::ScopedTimeZone berlin("Europe/Berlin");
            clock.Set(DateAddSeconds(rings, -60).seconds);
            check = TDueCheck();
            load();
            EXPECT_EQ(CheckAt(rings).Fired.size(), 1u) << title;
        }
        const test::ScopedTimeZone newYork("America/New_York");
        int rang = 0;
        for (int minute = 1; minute <= 8 * 60; ++minute) {
            if (minute % 30 == 0) {
                load();
            }
            rang += static_cast<int>(CheckAt(DateAddSeconds(rings, minute * 60)).Fired.size());
        }
        EXPECT_EQ(rang, 0) << title;
    }
}

// The clock is set back while alarms are held, a load adds a one-off due in the time the clock went
// back over, and the agent restarts, still held: when alarms are free it rings once, late.
TEST_F(LateAlarmTest, AClockSetBackWhileHeldKeepsWhatComesDueInTheGap)
{
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
    EXPECT_FALSE(CheckAt(At(4, 9, 0, 30)).Alert);
    // Held: no check runs, the agent only notes the time.
    clock.Set(At(4, 8, 58, 0).seconds);
    check.NoteHeld(reminders);
    AddOneOff("Gap", At(4, 8, 58, 30));
    clock.Set(At(4, 8, 59, 30).seconds);
    reminders.SaveToFile(folder.File("Reminders.plist"));
    reminders.Clear();
    reminders.LoadFromFile(folder.File("Reminders.plist"));
    check = TDueCheck();
    check.UseStateFile(folder.File("DueCheck.json"));
    check.NoteHeld(reminders);
    const DueCheckResult freed = CheckAt(At(4, 9, 1, 0));
    ASSERT_EQ(freed.Fired.size(), 1u);
    EXPECT_TRUE(freed.Fired[0]->late());
    EXPECT_FALSE(CheckAt(At(4, 9, 1, 1)).Alert);
}

// Alarms are held from 09:20 until the agent quits at 10:00, and the next start, at 11:00, finds the
// hold over and late alarms off: what came due in the hold rings, late; what came due while the agent
// was not running does not.
TEST_F(LateAlarmTest, WhatAHoldKeptRingsAfterARestartWithoutLateAlarms)
{
    AddOneOff("Held", At(4, 9, 30, 0));
    AddOneOff("Stopped", At(4, 10, 30, 0));
    EXPECT_FALSE(RestartAt(At(4, 9, 0, 0)).Alert);
    EXPECT_FALSE(CheckAt(At(4, 9, 10, 0)).Alert);
    for (int minute = 20; minute < 60; ++minute) {
        clock.Set(At(4, 9, minute, 0).seconds);
        check.NoteHeld(reminders);
    }
    reminders.SaveToFile(folder.File("Reminders.plist"));
    reminders.Clear();
    reminders.LoadFromFile(folder.File("Reminders.plist"));
    clock.Set(At(4, 11, 0, 0).seconds);
    check = TDueCheck();
    check.UseStateFile(folder.File("DueCheck.json"), false);
    const DueCheckResult freed = check.CheckAndReminder(reminders, pending, snooze);
    ASSERT_EQ(freed.Fired.size(), 1u);
    EXPECT_EQ(freed.Fired[0]->name(), "Held !");
    EXPECT_TRUE(freed.Fired[0]->late());
    EXPECT_FALSE(reminders.GetByID("Stopped"));
}

// The agent checks in Sydney, the zone becomes UTC, a load adds a one-off whose time lies ahead there,
// and the agent starts again in Sydney, where that time has passed: it rings, late.
TEST_F(LateAlarmTest, ARestartInAnotherZoneRingsWhatTheChangeMovedPast)
{
    const Date start = GraphTimeToDate("2026-03-04T08:00:00Z");
    {
        const test::ScopedTimeZone sydney("Australia/Sydney");
        EXPECT_FALSE(RestartAt(start).Alert);
    }
    EXPECT_FALSE(CheckAt(DateAddSeconds(start, 1)).Alert);
    AddOneOff("Moved", DateFromParts(2026, 3, 4, 18, 57, 0));
    reminders.SaveToFile(folder.File("Reminders.plist"));
    const test::ScopedTimeZone sydney("Australia/Sydney");
    clock.Set(start.seconds + 60);
    reminders.Clear();
    reminders.LoadFromFile(folder.File("Reminders.plist"));
    check = TDueCheck();
    check.UseStateFile(folder.File("DueCheck.json"));
    const DueCheckResult late = check.CheckAndReminder(reminders, pending, snooze);
    ASSERT_EQ(late.Fired.size(), 1u);
    EXPECT_TRUE(late.Fired[0]->late());
}

} // namespace
} // namespace rz
