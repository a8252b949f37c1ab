// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/pending_reminders.h"
#include "core/settings_store.h"
#include "outbox/outbox.h"
#include "pending_fixture.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>
#include <memory>

namespace rz {
namespace {

class PendingRemindersTest : public test::PendingListFixture
{
};

TEST_F(PendingRemindersTest, RowToActOnIsTheSelectionOrTheOnlyEntry)
{
    EXPECT_EQ(controller.RowToActOn(std::nullopt), std::nullopt);
    AddPending("A", "a");
    EXPECT_EQ(controller.RowToActOn(std::nullopt), 0u);
    EXPECT_EQ(controller.RowToActOn(0), 0u);
    EXPECT_EQ(controller.RowToActOn(1), std::nullopt);
    AddPending("B", "b");
    EXPECT_EQ(controller.RowToActOn(std::nullopt), std::nullopt);
    EXPECT_EQ(controller.RowToActOn(1), 1u);
}

TEST_F(PendingRemindersTest, SaveReportsAFailureAndKeepsTheList)
{
    TReminderList list;
    TPendingReminders unsaved{list, dir.File("missing/PendingReminders.plist"), dir.File("velaapp.plist")};
    list.InsertTop(kPageTitleReminder, "A !", "A", "A", "a", DateFromParts(2026, 3, 4, 10, 0, 0), 0,
                   DefaultWeekDays());
    EXPECT_FALSE(unsaved.Save());
    EXPECT_EQ(list.Count(), 1u);
    AddPending("B", "b");
    EXPECT_TRUE(controller.Save());
}

TEST_F(PendingRemindersTest, DismissRemovesTheRowAndSaysWhenTheListIsEmpty)
{
    AddPending("A", "a");
    AddPending("B", "b");
    EXPECT_FALSE(controller.Dismiss(std::nullopt));
    EXPECT_EQ(pending.Count(), 2u);
    EXPECT_FALSE(controller.Dismiss(0));
    ASSERT_EQ(pending.Count(), 1u);
    EXPECT_EQ(pending.At(0)->Id(), "B");
    EXPECT_TRUE(controller.Dismiss(std::nullopt));
    EXPECT_EQ(pending.Count(), 0u);
}

TEST_F(PendingRemindersTest, OpenHandsTheLinkWithoutBracesToTheOpener)
{
    AddPending("A", "onenote:https://x/y?page-id={AB-12}&end");
    controller.Open(std::nullopt);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "onenote:https://x/y?page-id=AB-12&end");
    EXPECT_EQ(pending.Count(), 1u);

    AddPending("B", "");
    controller.Open(1);
    controller.Open(std::nullopt);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(PendingRemindersTest, SnoozeStoresTheTextEvenWhenItNamesNoDelay)
{
    EXPECT_EQ(controller.SnoozeDefaultMinutes(), 5);
    const SnoozeState before = controller.Snooze();
    // A text that names no delay snoozes nothing and leaves the default alone.
    EXPECT_FALSE(controller.SnoozeWith("later"));
    EXPECT_EQ(controller.Snooze().SnoozeRemindedTime, before.SnoozeRemindedTime);
    EXPECT_EQ(controller.SnoozeDefaultMinutes(), 5);

    EXPECT_TRUE(controller.SnoozeWith("2 hours"));
    EXPECT_EQ(controller.Snooze().SnoozeRemindedTime, DateFromParts(2026, 3, 4, 12, 0, 0));
    EXPECT_EQ(controller.SnoozeDefaultMinutes(), 120);
}

TEST_F(PendingRemindersTest, SavedListLoadsBackWithEveryEntry)
{
    AddPending("A", "a");
    AddPending("D", "d", 1);
    AddPending("D", "d", 1);
    controller.Save();

    TReminderList loaded;
    TPendingReminders again(loaded, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    again.Load();
    ASSERT_EQ(loaded.Count(), 3u);
    EXPECT_EQ(loaded.At(0)->Id(), "A");
    EXPECT_EQ(loaded.At(0)->time(), DateFromParts(2026, 3, 4, 10, 0, 0));
    EXPECT_EQ(loaded.At(1)->Id(), "D");
    EXPECT_EQ(loaded.At(2)->Id(), "D");

    controller.DismissAll();
    TReminderList empty;
    TPendingReminders third(empty, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    third.Load();
    EXPECT_EQ(empty.Count(), 0u);
}

TEST_F(PendingRemindersTest, SnoozedReminderComesBackOnceAfterARestartAndLeavesTheOthers)
{
    AddPending("A", "a");
    AddPending("B", "b");
    EXPECT_FALSE(controller.SnoozeOne(0, TOneSnooze::FifteenMinutes));
    ASSERT_EQ(pending.Count(), 1u);
    EXPECT_EQ(pending.At(0)->Id(), "B");

    TReminderList loaded;
    TPendingReminders restarted(loaded, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    restarted.Load();
    ASSERT_EQ(loaded.Count(), 1u);
    ASSERT_EQ(restarted.SnoozedReminders().size(), 1u);
    EXPECT_EQ(restarted.SnoozedReminders()[0].Until, DateFromParts(2026, 3, 4, 10, 15, 0));

    EXPECT_TRUE(restarted.WakeSnoozed(DateFromParts(2026, 3, 4, 10, 14, 49)).empty());
    const std::vector<ReminderPtr> woke = restarted.WakeSnoozed(DateFromParts(2026, 3, 4, 10, 14, 50));
    ASSERT_EQ(woke.size(), 1u);
    EXPECT_EQ(woke[0]->name(), "A !2026-03-04 10:00");
    EXPECT_TRUE(restarted.WakeSnoozed(DateFromParts(2026, 3, 4, 10, 20, 0)).empty());
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded.At(1)->Id(), "A");
}

TEST_F(PendingRemindersTest, OneSnoozeChoicesAndTheirTimes)
{
    const Date now = DateFromParts(2026, 3, 4, 10, 0, 0);
    EXPECT_EQ(OneSnoozeUntil(TOneSnooze::FiveMinutes, now), DateFromParts(2026, 3, 4, 10, 5, 0));
    EXPECT_EQ(OneSnoozeUntil(TOneSnooze::FifteenMinutes, now), DateFromParts(2026, 3, 4, 10, 15, 0));
    EXPECT_EQ(OneSnoozeUntil(TOneSnooze::OneHour, now), DateFromParts(2026, 3, 4, 11, 0, 0));
    EXPECT_EQ(OneSnoozeUntil(TOneSnooze::Tomorrow, now), DateFromParts(2026, 3, 5, 10, 0, 0));
}

TEST_F(PendingRemindersTest, DamagedFileLoadsNothing)
{
    for (const char* bytes : {"", "not a plist", "<?xml version=\"1.0\"?><plist><dict><key>a</key>",
                              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>"}) {
        test::WriteFileBytes(dir.File("PendingReminders.plist"), bytes);
        pending.Clear();
        controller.Load();
        EXPECT_EQ(pending.Count(), 0u) << bytes;
    }
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// A snoozed copy goes when a newer occurrence rings, when its page leaves the page list, when its
// time changes online, and with Dismiss All; otherwise it wakes.
TEST_F(PendingRemindersTest, SnoozedCopyGoesWithItsReminder)
{
    const Date tomorrow = DateFromParts(2026, 3, 5, 10, 0, 0);
    struct Case
    {
        const char* why;
        const char* pageList;
        std::optional<Date> sourceTime; // the reminder in the list now, if any
        std::optional<Date> newerOccurrence;
        bool dismissAll;
        bool wakes;
    };
    const Case cases[] = {
        {"unchanged", R"({"value":[{"id":"A"}]})", std::nullopt, std::nullopt, false, true},
        {"newer occurrence", "", std::nullopt, tomorrow, false, false},
        {"page gone", R"({"value":[{"id":"B"}]})", std::nullopt, std::nullopt, false, false},
        {"time changed", "", DateFromParts(2026, 3, 4, 16, 0, 0), std::nullopt, false, false},
        {"dismiss all", "", std::nullopt, std::nullopt, true, false},
    };
    for (const Case& c : cases) {
        clock.Set(DateFromParts(2026, 3, 4, 10, 0, 0).seconds);
        TReminderList reminders;
        if (c.sourceTime) {
            reminders.AddUnique(kPageTitleReminder, "A", "A", "A", "a", c.sourceTime, 0, DefaultWeekDays());
        }
        AddPending("A", "a");
        controller.SnoozeOne(0, TOneSnooze::Tomorrow);
        if (c.newerOccurrence) {
            controller.DropSnoozedBefore("A", *c.newerOccurrence);
        }
        if (c.dismissAll) {
            controller.DismissAll();
        }
        const std::vector<ReminderPtr> woke = controller.WakeSnoozed(
            tomorrow, [&](const TAReminder& copy) { return SnoozedCopyHolds(copy, c.pageList, reminders); });
        EXPECT_EQ(woke.size(), c.wakes ? 1u : 0u) << c.why;
        EXPECT_TRUE(controller.SnoozedReminders().empty()) << c.why;
        pending.Clear();
    }
}

TEST_F(PendingRemindersTest, DoneLeavesTheAlertOnlyOnceItsTickIsQueued)
{
    struct Row
    {
        const char* name;
        std::string userId;
        std::string text;
        bool blockFile; // the outbox file's path taken by a folder: no write can replace it
        std::string problem;
    };
    const Row rows[] = {
        {"signed in", "u", "Call Bob", false, ""},
        {"signed out: never sent with the next account's token", "", "Call Bob", false, ""},
        {"past the outbox file's bound", "u", std::string(kMaxOutboxFileBytes / 2, 'x'), false,
         "strDoneTooLarge"},
        {"the outbox file cannot be written", "u", "Call Bob", true, "strDoneNotSaved"},
    };
    for (const Row& row : rows) {
        test::TempDir data;
        SharedString userId(row.userId);
        TOutbox outbox(data.File("Outbox.json"), userId);
        ASSERT_TRUE(!row.blockFile || (CreateFolder(data.File("Outbox.json")) &&
                                       WriteTextFile(data.File("Outbox.json/x"), "x")));
        controller.SetOutbox(&outbox);
        const ReminderPtr toDo = pending.InsertTop(kTagReminder, row.text, "p:{G}{1}", "P1", "onenote:P1",
                                                   DateNow(), 0, DefaultWeekDays());
        toDo->setDataTag("to-do");
        const bool queued = std::string(row.name) == "signed in";
        EXPECT_EQ(controller.MarkRecordDone(toDo), queued) << row.name;
        EXPECT_EQ(pending.Count(), queued ? 0u : 1u) << row.name;
        EXPECT_EQ(controller.DoneProblem(), row.problem) << row.name;
        controller.SetOutbox(nullptr);
        pending.Clear();
    }
}

// A wake time is an instant: a start in another time zone wakes the entry at the same moment.
TEST_F(PendingRemindersTest, SnoozedWakeTimeKeepsItsInstantInAnotherZone)
{
    AddPending("A", "a");
    auto berlin = std::make_unique<test::ScopedTimeZone>("Europe/Berlin");
    controller.SnoozeOne(0, TOneSnooze::OneHour);
    ASSERT_EQ(controller.SnoozedReminders().size(), 1u);
    const Date until = controller.SnoozedReminders()[0].Until;
    berlin.reset();

    const test::ScopedTimeZone newYork("America/New_York");
    TReminderList list;
    TPendingReminders restarted(list, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    restarted.Load();
    ASSERT_EQ(restarted.SnoozedReminders().size(), 1u);
    EXPECT_EQ(restarted.SnoozedReminders()[0].Until, until);
}

// A "!!" copy whose occurrence no longer names its reminder's time of day (it rang after a zone
// change) keeps that time of day through a snooze, a restart and its wake, so it still holds.
TEST_F(PendingRemindersTest, ASnoozedCopyKeepsItsTimeOfDayThroughARestart)
{
    const ReminderPtr copy = pending.InsertTop(kPageTitleReminder, "!!Standup", "S", "S", "onenote:S",
                                               DateFromParts(2026, 3, 4, 10, 0, 0), 1, DefaultWeekDays());
    copy->setTimeOfDay(TimeOfDayValue{11, 0, 0});
    controller.SnoozeOne(0, TOneSnooze::FifteenMinutes);
    TReminderList loaded;
    TPendingReminders restarted(loaded, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    restarted.Load();
    const std::vector<ReminderPtr> woke = restarted.WakeSnoozed(DateFromParts(2026, 3, 4, 10, 15, 0));
    ASSERT_EQ(woke.size(), 1u);
    EXPECT_EQ(woke[0]->timeOfDay(), (TimeOfDayValue{11, 0, 0}));
}

} // namespace
} // namespace rz
