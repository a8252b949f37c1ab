// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"
#include "engine_test_support.h"
#include "reminders/reminder_handle.h"
#include "util/files.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace rz {
namespace {

class LoaderTest : public ::testing::Test, public test::EngineFixture
{
protected:
    bool FilesExist() const
    {
        return FileExists(m_State.EngineFiles.HierarchyFilePath) &&
               FileExists(m_State.EngineFiles.RemindersFilePath) &&
               FileExists(m_State.EngineFiles.TagPagesFilePath);
    }
    void RemoveFiles() const
    {
        std::remove(m_State.EngineFiles.HierarchyFilePath.c_str());
        std::remove(m_State.EngineFiles.RemindersFilePath.c_str());
        std::remove(m_State.EngineFiles.TagPagesFilePath.c_str());
    }
    // Tag page P2 online, with one tag reminder p:{G}{5}.
    void PublishProject()
    {
        m_Online.content["P2"] = PageHtml("!Project", Para("p:{G}{5}", "Call Bob !2021-03-20 09:00"));
    }
    // A title page and a tag page.
    const std::vector<Json> m_TwoPages = {
        PageEntry("P1", "Dentist !2021-03-20 10:30", "2021-03-05T10:00:00Z"),
        PageEntry("P2", "!Project", "2021-03-05T10:00:00Z")};
};

// The page-title rules, row by row; "now" is Wednesday 2021-03-10 12:00.
struct TitleRuleCase
{
    const char* rule;
    const char* title;
    const char* created;   // UTC
    bool listedBefore;     // the page already has a title reminder
    int day, hour, minute; // the reminder's local time in March 2021; no reminder when day is 0
    std::uint8_t repeat;
};

void PrintTo(const TitleRuleCase& c, std::ostream* out)
{
    *out << c.rule;
}

class TitleRuleTest : public LoaderTest, public ::testing::WithParamInterface<TitleRuleCase>
{
};

TEST_P(TitleRuleTest, AppliesRule)
{
    const TitleRuleCase& c = GetParam();
    if (c.listedBefore) {
        m_State.ReminderList.AddUnique(0, "before", "P1", "P1", "L", Local(2021, 3, 12, 8, 0), 0,
                                       DefaultWeekDays());
    }
    Load({PageEntry("P1", c.title, "2021-03-05T10:00:00Z", c.created)});

    const ReminderPtr r = Reminder("P1");
    if (c.day == 0) {
        EXPECT_EQ(r, nullptr);
        return;
    }
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->objType(), kPageTitleReminder);
    EXPECT_EQ(r->pageId(), "P1");
    EXPECT_EQ(r->name(), c.title);
    EXPECT_EQ(r->link(), test::PageLink("P1"));
    EXPECT_EQ(r->time(), Local(2021, 3, c.day, c.hour, c.minute)) << DateToString(r->time());
    EXPECT_EQ(r->Repeat(), c.repeat);
}

constexpr const char* kMarch1 = "2021-03-01T09:00:00Z";

INSTANTIATE_TEST_SUITE_P(
    Rules, TitleRuleTest,
    ::testing::Values(
        // 1: a title starting with "!!" repeats at the page's creation time of day (10:00 local),
        // on the weekdays it names (Monday, Tuesday): next is Monday 15th.
        TitleRuleCase{"1Repeat", "  !!18:00 [1,2]", kMarch1, false, 15, 10, 0, 1},
        // 1: a creation time after now sets no reminder for a title that does not begin with "!!".
        TitleRuleCase{"1CreatedLater", "Plan", "2021-03-11T08:00:00Z", false, 0, 0, 0, 0},
        // A dated title created a little ahead of this clock keeps the time it names.
        TitleRuleCase{"1CreatedLaterDated", "Dentist !2021-03-20 10:30", "2021-03-10T11:02:00Z", false, 20,
                      10, 30, 0},
        // 2: "!!" inside the title: the time of day it names, next working day.
        TitleRuleCase{"2", "Standup !!09:30 [1,2,3,4,5]", kMarch1, false, 11, 9, 30, 1},
        // 3: a single date still to come, and one equal to now.
        TitleRuleCase{"3Future", "Dentist !2021-03-20 10:30", kMarch1, false, 20, 10, 30, 0},
        TitleRuleCase{"3Now", "Call !2021-03-10 12:00", kMarch1, false, 10, 12, 0, 0},
        // 4: a passed date or no reminder removes the title reminder, and adds none.
        TitleRuleCase{"4PassedListed", "Old !2021-03-01 10:00", kMarch1, true, 0, 0, 0, 0},
        TitleRuleCase{"4Passed", "Old !2021-03-01 10:00", kMarch1, false, 0, 0, 0, 0},
        TitleRuleCase{"4NoneListed", "Plain !", kMarch1, true, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<TitleRuleCase>& p) { return std::string("Rule") + p.param.rule; });

TEST_F(LoaderTest, SameTextTwiceChangesNothing)
{
    Load({PageEntry("P1", "Dentist !2021-03-20 10:30", "2021-03-05T10:00:00Z")});
    ASSERT_EQ(m_State.ReminderList.Count(), 1u);
    EXPECT_TRUE(FilesExist());
    RemoveFiles();
    m_State.ReminderListChanged = false;
    const std::string before = m_State.ReminderList.At(0)->ToString();

    m_Clock.Advance(130);
    TReminderHandle(m_State, &m_Online).Run();

    EXPECT_EQ(m_State.ReminderList.Count(), 1u);
    EXPECT_EQ(m_State.ReminderList.At(0)->ToString(), before);
    EXPECT_FALSE(FilesExist());
    EXPECT_FALSE(m_State.ReminderListChanged);
    EXPECT_EQ(m_State.LastLoadTime.Get(), DateNow());
    EXPECT_FALSE(m_State.LoadRunning);
}

TEST_F(LoaderTest, FailedTagReadIsCountedAndTriedAgain)
{
    // The tag page cannot be read; the title-only page still gets its reminder.
    m_Online.readStatus["P2"] = TOnlineStatus::Failed;
    Load(m_TwoPages);

    EXPECT_EQ(m_State.LoadPageTotal, 2u);
    EXPECT_EQ(m_State.LoadPageDone, 2u);
    EXPECT_EQ(m_State.LoadPageErrors, 1u);
    EXPECT_NE(Reminder("P1"), nullptr);
    EXPECT_FALSE(FileExists(m_State.EngineFiles.RemindersFilePath));
    EXPECT_FALSE(FileExists(m_State.EngineFiles.HierarchyFilePath));
    EXPECT_TRUE(m_State.PreviousReminderPagesJson.Empty());
    EXPECT_TRUE(m_State.ReminderListChanged);

    // The same text is processed again; now the page answers.
    m_Online.readStatus.clear();
    PublishProject();
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.ReadsOf("P2"), 2u);
    EXPECT_EQ(m_State.LoadPageErrors, 0u);
    EXPECT_NE(Reminder("p:{G}{5}"), nullptr);
    EXPECT_TRUE(FilesExist());
    EXPECT_EQ(m_State.PreviousReminderPagesJson.Get(), m_State.ReminderPagesJson.Get());
}

TEST_F(LoaderTest, ClearThenRunBuildsEverythingAnew)
{
    PublishProject();
    Load(m_TwoPages);
    ASSERT_EQ(m_State.ReminderList.Count(), 2u);
    const std::string text = m_State.ReminderPagesJson.Get();

    TReminderHandle(m_State, &m_Online).Clear();
    EXPECT_EQ(m_State.ReminderList.Count(), 0u);
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
    EXPECT_TRUE(m_State.ReminderPagesJson.Empty());
    EXPECT_TRUE(m_State.PreviousReminderPagesJson.Empty());
    EXPECT_EQ(m_State.LoadPageTotal, 0u);
    EXPECT_TRUE(m_State.ReminderListChanged);
    EXPECT_TRUE(FilesExist()); // Clear writes nothing
    RemoveFiles();

    m_State.ReminderPagesJson.Set(text);
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_State.ReminderList.Count(), 2u);
    EXPECT_EQ(m_State.TagPageList.Count(), 1u);
    EXPECT_EQ(m_Online.ReadsOf("P2"), 2u);
    EXPECT_TRUE(FilesExist());
    EXPECT_EQ(ReadTextFile(m_State.EngineFiles.HierarchyFilePath), text);
}

TEST_F(LoaderTest, ClearDuringLoadSavesNothingOfTheFormerAccount)
{
    PublishProject();
    // Another account signs in while the page is being read.
    m_Online.beforeRead = [this](const std::string&) { TReminderHandle(m_State, nullptr).Clear(); };
    Load({PageEntry("P2", "!Project", "2021-03-05T10:00:00Z"),
          PageEntry("P3", "Dentist !2021-03-20 10:30", "2021-03-05T10:00:00Z")});

    EXPECT_EQ(m_State.ReminderList.Count(), 0u);
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
    EXPECT_FALSE(FileExists(m_State.EngineFiles.RemindersFilePath));
    EXPECT_TRUE(m_State.PreviousReminderPagesJson.Empty());
}

TEST_F(LoaderTest, PagesGoneFromTheListLoseAllTheirReminders)
{
    PublishProject();
    Load(m_TwoPages);
    ASSERT_EQ(m_State.ReminderList.Count(), 2u);

    Load({PageEntry("P1", "Dentist !2021-03-20 10:30", "2021-03-05T10:00:00Z")});
    EXPECT_EQ(m_State.ReminderList.Count(), 1u);
    EXPECT_EQ(Reminder("p:{G}{5}"), nullptr);

    // A page entry without an id cannot be keyed: it makes no reminder, however often it loads.
    Json keyless = PageEntry("P9", "Gym !2021-03-20 10:30", "2021-03-05T10:00:00Z");
    keyless.erase("id");
    m_State.ReminderPagesJson.Set(test::PageList({keyless}) + " ");
    TReminderHandle(m_State, &m_Online).Run();
    m_State.ReminderPagesJson.Set(test::PageList({keyless}));
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_State.ReminderList.Count(), 0u);

    // An unreadable text, or none, completes a load that keeps no reminder.
    Load({});
    m_State.ReminderPagesJson.Set("not json");
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_State.ReminderList.Count(), 0u);
    EXPECT_EQ(m_State.PreviousReminderPagesJson.Get(), "not json");
}

TEST_F(LoaderTest, HeldBackReadsDoNotFailTheLoadAndEmptyPagesAreNotReadAgain)
{
    // P3 marks tag reminders but holds none; P2 gets no request slot.
    m_Online.content["P3"] = PageHtml("!Notes", "<p>nothing tagged</p>");
    m_Online.heldBack = {"P2"};
    PublishProject();
    std::vector<Json> pages = m_TwoPages;
    pages.push_back(PageEntry("P3", "!Notes", "2021-03-05T10:00:00Z"));
    Load(pages);
    EXPECT_TRUE(FilesExist());
    EXPECT_EQ(m_State.PreviousReminderPagesJson.Get(), m_State.ReminderPagesJson.Get());
    EXPECT_EQ(m_State.LoadPageErrors, 0u);

    // The same list again: the held-back page is read now, the empty one not again.
    m_Online.heldBack.clear();
    m_Online.reads.clear();
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.reads, std::vector<std::string>{"P2"});
    EXPECT_NE(Reminder("p:{G}{5}"), nullptr);
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.reads.size(), 1u);
}

TEST_F(LoaderTest, PageGoneFromTheListLeavesTheTagPageList)
{
    PublishProject();
    Load(m_TwoPages);
    ASSERT_NE(m_State.TagPageList.GetByID("P2"), nullptr);
    Load({m_TwoPages[0]});
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

TEST_F(LoaderTest, AnotherAccountsRemindersAreDroppedAtItsSignIn)
{
    struct Case
    {
        const char* formerOwner; // none: files from before owners were written
        bool justSignedIn;
        bool dropped;
    };
    const Case cases[] = {{"A", false, false},
                          {"A", true, false},
                          {"B", false, true},
                          {nullptr, false, false},
                          {nullptr, true, true}};
    const std::string owner = m_State.EngineFiles.Beside(kOwnerFileName);
    for (const Case& c : cases) {
        std::remove(owner.c_str());
        if (c.formerOwner) {
            Engine().AdoptAccount(c.formerOwner, false);
        }
        m_State.ReminderList.AddUnique(0, "Call !", "P1", "P1", "L", Local(2021, 3, 12, 8, 0), 0,
                                       DefaultWeekDays());
        m_State.PendingReminderList.InsertTop(0, "Rang", "P0", "P0", "L", Local(2021, 3, 10, 8, 0), 0,
                                              DefaultWeekDays());
        Engine().SaveRemindersToFile();
        EXPECT_EQ(Engine().AdoptAccount("A", c.justSignedIn), c.dropped) << c.formerOwner;
        m_State.ReminderList.Clear();
        m_State.ReminderList.LoadFromFile(m_State.EngineFiles.RemindersFilePath);
        EXPECT_EQ(m_State.ReminderList.Count(), c.dropped ? 0u : 1u);
        EXPECT_EQ(m_State.PendingReminderList.Count(), c.dropped ? 0u : 1u);
        EXPECT_FALSE(Engine().AdoptAccount("A", true));
        m_State.PendingReminderList.Clear();
    }
}

} // namespace
} // namespace rz

namespace rz {
namespace {

TEST_F(LoaderTest, TagPageEditHeldBackBeforeARestartIsReadAfterIt)
{
    PublishProject();
    Load(m_TwoPages);
    const std::vector<Json> edited = {m_TwoPages[0], PageEntry("P2", "!Project", "2021-03-06T10:00:00Z")};
    m_Online.content["P2"] = PageHtml("!Project", Para("p:{G}{5}", "Call Bob !2021-03-21 09:00"));
    m_Online.heldBack.insert("P2");
    Load(edited);

    TEngineState restarted;
    restarted.EngineFiles = m_State.EngineFiles;
    restarted.TagPageList.LoadFromFile(restarted.EngineFiles.TagPagesFilePath);
    restarted.ReminderList.LoadFromFile(restarted.EngineFiles.RemindersFilePath);
    m_Online.heldBack.clear();
    restarted.ReminderPagesJson.Set(test::PageList(edited));
    TReminderHandle(restarted, &m_Online).Run();
    const ReminderPtr call = restarted.ReminderList.GetByID("p:{G}{5}");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->time(), Local(2021, 3, 21, 9, 0));
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// A one-off first seen after its time; "now" is 2021-03-10 12:00 local.
struct FirstSeenCase
{
    const char* name;
    const char* title;
    bool loadedBefore; // an earlier load of the account, without the page
    bool rings;        // once, marked late
    bool lateAlarms = true;
};

class FirstSeenLateTest : public LoaderTest, public ::testing::WithParamInterface<FirstSeenCase>
{
};

TEST_P(FirstSeenLateTest, RingsOnceWithinADayOfItsTime)
{
    const FirstSeenCase& c = GetParam();
    const Json page = PageEntry("P1", c.title, "2021-03-10T10:00:00Z");
    const Json other = PageEntry("P9", "Other !2021-03-20 10:00", "2021-03-05T10:00:00Z");
    m_State.LateAlarms = c.lateAlarms;
    if (c.loadedBefore) {
        Load({other});
    }
    Load({other, page, PageEntry("P8", "Third !2021-03-21 10:00", "2021-03-05T10:00:00Z")});

    TDueCheck check;
    SnoozeState snooze = InitialSnoozeState(DateNow());
    const DueCheckResult first =
        check.CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList, snooze);
    ASSERT_EQ(first.Fired.size(), c.rings ? 1u : 0u);
    if (c.rings) {
        EXPECT_TRUE(first.Fired[0]->late());
        EXPECT_EQ(first.Fired[0]->name(), c.title);
    }
    // A later load of the same page and later checks ring nothing more.
    m_State.PreviousReminderPagesJson.Set({});
    TReminderHandle(m_State, &m_Online).Run();
    m_Clock.Advance(1);
    EXPECT_TRUE(
        check.CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList, snooze).Fired.empty());
    EXPECT_EQ(Reminder("P1"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstSeenLateTest,
    ::testing::Values(FirstSeenCase{"AnHourLate", "Call !2021-03-10 11:00", true, true},
                      FirstSeenCase{"TwoDaysLate", "Call !2021-03-08 11:00", true, false},
                      FirstSeenCase{"FirstLoadOfTheAccount", "Call !2021-03-10 11:00", false, false},
                      FirstSeenCase{"WithoutLateAlarms", "Call !2021-03-10 11:00", true, false, false}),
    [](const ::testing::TestParamInfo<FirstSeenCase>& p) { return std::string(p.param.name); });

} // namespace
} // namespace rz

namespace rz {
namespace {

// Alarms are held (a pause, do-not-disturb) while a one-off comes due, and a load runs meanwhile (a
// restart, Refresh, an edit of another page): the one-off stays, title or tag alike, and rings once,
// late, when the due check runs again.
TEST_F(LoaderTest, AOneOffHeldPastItsTimeStaysForTheDueCheck)
{
    struct Case
    {
        const char* name;
        const char* title;
        std::string content;
        std::string id;
    };
    const Case cases[] = {
        {"title", "Call !2021-03-10 12:01", "", "P1"},
        {"tag", "!Project", PageHtml("!Project", Para("p:{G}{5}", "Call Bob !2021-03-10 12:01")), "p:{G}{5}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each load finds the page changed, so a tag page is read again.
        const auto load = [&](const char* modified) {
            m_State.PreviousReminderPagesJson.Set({});
            Load({PageEntry(c.content.empty() ? "P1" : "P2", c.title, modified)});
        };
        m_State.ReminderList.Clear();
        m_State.TagPageList.Clear();
        m_Clock.Set(Local(2021, 3, 10, 12, 0).seconds);
        m_Online.content["P2"] = c.content;
        load("2021-03-05T10:00:00Z");
        TDueCheck check;
        SnoozeState snooze = InitialSnoozeState(DateNow());
        ASSERT_TRUE(
            check.CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList, snooze).Fired.empty());

        // Held from 12:00 to 12:05; a load at 12:03 reads the page again.
        m_Clock.Set(Local(2021, 3, 10, 12, 3).seconds);
        load("2021-03-10T11:02:00Z");
        ASSERT_NE(Reminder(c.id), nullptr);

        m_Clock.Set(Local(2021, 3, 10, 12, 5).seconds);
        const DueCheckResult after =
            check.CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList, snooze);
        ASSERT_EQ(after.Fired.size(), 1u);
        EXPECT_TRUE(after.Fired[0]->late());
        load("2021-03-10T11:04:00Z");
        m_Clock.Advance(1);
        EXPECT_TRUE(
            check.CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList, snooze).Fired.empty());
    }
}

// A "!!" title rings at its page's creation time of day, here 10:00 in Berlin; after a flight to New
// York a load keeps 10:00, now New York's.
TEST_F(LoaderTest, ARepeatingTitleKeepsItsTimeOfDayAcrossAZoneChange)
{
    const Json page = PageEntry("P1", "!!Standup", "2021-03-05T10:00:00Z", "2021-03-01T09:00:00Z");
    Load({page});
    ASSERT_NE(Reminder("P1"), nullptr);
    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 11, 10, 0));

    const test::ScopedTimeZone newYork("EST5EDT,M3.2.0,M11.1.0");
    m_State.ReminderList.FollowZoneChange();
    m_State.PreviousReminderPagesJson.Set({});
    Load({page});
    const LocalFields at = LocalFieldsOf(*Reminder("P1")->time());
    EXPECT_EQ(at.hour, 10);
    EXPECT_EQ(at.minute, 0);
}

} // namespace
} // namespace rz
