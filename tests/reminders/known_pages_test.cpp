// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine_test_support.h"
#include "reminders/known_pages.h"
#include "util/files.h"

#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace rz {
namespace {

std::string GraphTime(Date date)
{
    const std::time_t t = static_cast<std::time_t>(date.seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

class KnownPagesTest : public ::testing::Test, public test::EngineFixture
{
protected:
    void Check() { TReminderHandle(m_State, &m_Online).Run_CheckKnowPages(); }

    // A page-title reminder known from the mirror, its page online with the same title.
    void TitlePage(const std::string& id, const std::string& title, Date time)
    {
        m_State.ReminderList.AddUnique(0, title, id, id, test::PageLink(id), time, 0, DefaultWeekDays());
        m_Online.content[id] = PageHtml(title, "<p>body</p>");
    }
    // A tag page with one tag reminder, its page online unchanged.
    void TagPage(const std::string& id, const std::string& paragraphId, const std::string& text,
                 Date modified)
    {
        m_State.TagPageList.AddUnique(id, test::PageLink(id), modified);
        m_State.ReminderList.AddUnique(1, text, paragraphId, id, "L", Local(2021, 3, 20, 9, 0), 0,
                                       DefaultWeekDays());
        m_Online.content[id] = PageHtml("!" + id, Para(paragraphId, text));
        m_Online.changedAt[id] = GraphTime(modified);
    }
    // Tag pages prefix0… with one tag reminder each, Tag(i), unchanged since long ago.
    void TagPages(const std::string& prefix, int count)
    {
        for (int i = 0; i < count; ++i) {
            TagPage(prefix + std::to_string(i), Tag(i), "Call !2021-03-20 09:00", Local(2021, 2, 1, 10, 0));
        }
    }
    static std::string Tag(int i) { return "p:{G}{" + std::to_string(i) + "}"; }
    // Pages of the account that carry no reminder, changed after everything else.
    void OtherRecentPages(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_Online.changedAt["X" + std::to_string(i)] = GraphTime(Date{DateNow().seconds - 3600 + i});
        }
    }
    void Edit(const std::string& id, const std::string& html)
    {
        m_Online.content[id] = html;
        m_Online.changedAt[id] = GraphTime(DateNow());
    }
    // Tag page `id` edited online: its tag reminder Tag(i) now reads `text`.
    void EditTag(const std::string& id, int i, const std::string& text)
    {
        Edit(id, PageHtml("!" + id, Para(Tag(i), text)));
    }
    // T0's tag reminder edited to `text` 100 s ago, then `others` other pages changed after it, so the
    // listing reaches T0 only past them.
    void EditT0BeforeOthers(const std::string& text, int others)
    {
        EditTag("T0", 0, text);
        m_Online.changedAt["T0"] = GraphTime(Date{DateNow().seconds - 100});
        for (int i = 0; i < others; ++i) {
            m_Online.changedAt["Y" + std::to_string(i)] = GraphTime(Date{DateNow().seconds - 50 + i});
        }
    }
    void NextCheckIn(double seconds)
    {
        m_Clock.Advance(seconds);
        Check();
    }
};

TEST_F(KnownPagesTest, TitleEditedOnlineIsTakenOverAtOnce)
{
    TitlePage("P1", "Dentist !2021-03-20 10:30", Local(2021, 3, 20, 10, 30));
    TitlePage("P2", "Tom &amp; Jerry !2021-03-20 10:30", Local(2021, 3, 20, 10, 30));
    TitlePage("P3", "Gym !2021-03-20 10:30", Local(2021, 3, 20, 10, 30));
    Edit("P1", PageHtml("Dentist !2021-03-22 11:00", ""));
    Edit("P2", PageHtml("Tom &amp; Jerry !2021-03-22 11:00", ""));
    Edit("P3", PageHtml("Gym", "")); // lost its date: left to the next load
    Check();

    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 22, 11, 0));
    EXPECT_EQ(Reminder("P1")->name(), "Dentist !2021-03-22 11:00");
    EXPECT_EQ(Reminder("P2")->name(), "Tom & Jerry !2021-03-22 11:00");
    EXPECT_EQ(Reminder("P3")->name(), "Gym !2021-03-20 10:30");
    EXPECT_TRUE(m_State.ReminderListChanged);
    EXPECT_TRUE(FileExists(m_State.EngineFiles.RemindersFilePath));
    EXPECT_EQ(m_State.KnownTitlePageTotal, 3u);
    EXPECT_EQ(m_State.KnownTitlePageDone, 3u);
    EXPECT_FALSE(m_State.LoadRunning);
}

TEST_F(KnownPagesTest, TagPageThatLostItsMarkLosesItsTagReminders)
{
    TagPage("P1", "p:{G}{1}", "Call !2021-03-20 09:00", Local(2021, 3, 5, 10, 0));
    m_State.ReminderList.AddUnique(0, "Project !2021-03-25 08:00", "P1", "P1", "L", Local(2021, 3, 25, 8, 0),
                                   0, DefaultWeekDays());
    Edit("P1", PageHtml("Project !2021-03-25 08:00", Para("p:{G}{1}", "Call !2021-03-20 09:00")));
    Check();

    EXPECT_EQ(Reminder("p:{G}{1}"), nullptr);
    EXPECT_NE(Reminder("P1"), nullptr);
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
    EXPECT_TRUE(FileExists(m_State.EngineFiles.RemindersFilePath));
    EXPECT_TRUE(FileExists(m_State.EngineFiles.TagPagesFilePath));
    // A page both a title and a tag page is read once for both.
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
}

TEST_F(KnownPagesTest, OneReadServesTitleAndTags)
{
    m_Online.content["P1"] = PageHtml("!2021-03-20 10:00 Plan", Para("p:{G}{1}", "Call !2021-03-20 09:00"));
    Load({PageEntry("P1", "!2021-03-20 10:00 Plan", "2021-03-05T10:00:00Z")});
    ASSERT_NE(Reminder("P1"), nullptr);
    ASSERT_NE(Reminder("p:{G}{1}"), nullptr);
    m_Online.changedAt["P1"] = "2021-03-05T10:00:00Z";
    m_Online.reads.clear();
    // Unchanged since the loader read it: the tag page's time stands for both.
    Check();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 0u);

    m_Clock.Advance(121);
    Edit("P1", PageHtml("!2021-03-21 10:00 Plan", Para("p:{G}{1}", "Call !2021-03-21 09:00")));
    Check();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 21, 10, 0));
    EXPECT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 21, 9, 0));
    EXPECT_EQ(m_State.KnownTitlePageDone, 1u);
    EXPECT_EQ(m_State.KnownTagPageDone, 1u);
}

TEST_F(KnownPagesTest, UnknownOrUnreadablePagesChangeNothing)
{
    // A tag reminder whose page is no known tag page: nothing to ask.
    m_State.ReminderList.AddUnique(1, "Orphan tag !2021-03-20 09:00", "p:{G}{9}", "P9", "L",
                                   Local(2021, 3, 20, 9, 0), 0, DefaultWeekDays());
    Check();
    EXPECT_TRUE(m_Online.reads.empty());
    EXPECT_TRUE(m_Online.lists.empty());
    EXPECT_EQ(m_State.KnownTitlePageTotal, 0u);
    EXPECT_EQ(m_State.KnownTagPageTotal, 0u);
    EXPECT_EQ(m_State.LastLoadTime.Get(), DateNow());

    // An edited page that cannot be read keeps its reminder and still counts as done.
    m_Clock.Advance(121);
    TagPage("P1", "p:{G}{1}", "Call !2021-03-20 09:00", Local(2021, 3, 5, 10, 0));
    Edit("P1", PageHtml("!P1", ""));
    m_Online.readStatus["P1"] = TOnlineStatus::Failed;
    Check();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
    EXPECT_NE(Reminder("p:{G}{1}"), nullptr);
    EXPECT_EQ(m_State.KnownTagPageDone, 1u);
    EXPECT_FALSE(FileExists(m_State.EngineFiles.RemindersFilePath));
    EXPECT_FALSE(m_State.ReminderListChanged);
}

TEST_F(KnownPagesTest, EveryEditIsSeenWithinOneCheck)
{
    OtherRecentPages(30);
    TagPages("T", 10);
    Check();
    for (int i = 0; i < 10; ++i) {
        m_Clock.Advance(121);
        EditTag("T" + std::to_string(i), i, "Call !2021-03-2" + std::to_string(i) + " 15:00");
        Check();
        EXPECT_EQ(Reminder(Tag(i))->time(), Local(2021, 3, 20 + i, 15, 0)) << i;
    }
    // Each listing stopped at the previous one: one request per check.
    EXPECT_EQ(m_Online.lists.size(), 11u);
    EXPECT_EQ(m_State.KnownListRequests, 11u);
}

TEST_F(KnownPagesTest, ListingFollowsPagesBackToThePreviousListing)
{
    TagPages("T", 1);
    Check();
    m_Clock.Advance(121);
    // 45 other pages changed since, then the known one, a little earlier.
    EditT0BeforeOthers("Call !2021-03-24 09:00", 45);
    m_Online.lists.clear();
    Check();
    EXPECT_EQ(Reminder(Tag(0))->time(), Local(2021, 3, 24, 9, 0));
    ASSERT_EQ(m_Online.lists.size(), 3u);
    EXPECT_NE(m_Online.lists[1].find("$skip=20&$top=20"), std::string::npos);
}

TEST_F(KnownPagesTest, FailedListingFallsBackToRoundRobin)
{
    m_Online.listFails = true;
    TagPages("T", 10);
    EditTag("T7", 7, "Call !2021-03-23 09:00");
    Check();
    EXPECT_EQ(m_State.KnownListFailures, 1u);
    for (int i = 0; i < 15 && Reminder("p:{G}{7}")->time() != Local(2021, 3, 23, 9, 0); ++i) {
        NextCheckIn(121);
    }
    EXPECT_EQ(Reminder("p:{G}{7}")->time(), Local(2021, 3, 23, 9, 0));
}

TEST_F(KnownPagesTest, PagesWhoseChangeTimeNeverMovesAreReadEveryHalfHour)
{
    OtherRecentPages(30);
    for (int i = 0; i < 25; ++i) {
        TitlePage("T" + std::to_string(i), "Title !2021-03-20 10:00", Local(2021, 3, 20, 10, 0));
    }
    TagPages("G", 25);
    const double start = DateNow().seconds;
    std::map<std::string, double> lastRead;
    std::map<std::string, double> longest;
    std::size_t seen = 0;
    for (int check = 0; check < 90; ++check) { // three hours, a check every 121 s
        if (check > 0) {
            m_Clock.Advance(121);
        }
        Check();
        for (; seen < m_Online.reads.size(); ++seen) {
            const std::string& id = m_Online.reads[seen];
            const double previous = lastRead.count(id) ? lastRead[id] : start;
            longest[id] = std::max(longest[id], DateNow().seconds - previous);
            lastRead[id] = DateNow().seconds;
        }
    }
    // Tag pages only: title pages take their reminders from the listing while it works.
    ASSERT_EQ(longest.size(), 25u);
    for (const auto& [id, gap] : longest) {
        EXPECT_LE(gap, 30 * 60) << id;
    }
    for (const auto& [id, when] : lastRead) {
        EXPECT_LE(DateNow().seconds - when, 30 * 60) << id;
    }
    // About two reads per tag page an hour: no more than 90 an hour with the listings.
    const double hours = (DateNow().seconds - start) / 3600;
    EXPECT_LE((static_cast<double>(m_Online.reads.size()) + static_cast<double>(m_Online.lists.size())) /
                  hours,
              90);
}

TEST_F(KnownPagesTest, FailingReadsAreNotRepeatedAtEveryCheck)
{
    OtherRecentPages(30);
    TagPages("T", 50);
    for (int i = 0; i < 50; ++i) {
        m_Online.readStatus["T" + std::to_string(i)] = TOnlineStatus::Failed; // say, the token expired
    }
    for (int check = 0; check < 60; ++check) {
        NextCheckIn(121);
    }
    EXPECT_LE(m_Online.reads.size(), 2u * 130u);
}

TEST_F(KnownPagesTest, HeldBackReadsComeFirstWhenSlotsReturn)
{
    OtherRecentPages(30);
    TagPages("T", 5);
    Check();
    m_Clock.Advance(121);
    EditTag("T3", 3, "Call !2021-03-26 09:00");
    m_Online.heldBack = {"T0", "T1", "T2", "T3", "T4"};
    m_Online.reads.clear();
    Check();
    EXPECT_TRUE(m_Online.reads.empty());
    EXPECT_EQ(m_State.KnownPagesWaiting, 1u);

    // The listing no longer shows the edit as new; the page is read first all the same.
    m_Clock.Advance(1200);
    m_Online.heldBack.clear();
    Check();
    ASSERT_FALSE(m_Online.reads.empty());
    EXPECT_EQ(m_Online.reads.front(), "T3");
    EXPECT_EQ(Reminder("p:{G}{3}")->time(), Local(2021, 3, 26, 9, 0));
    EXPECT_EQ(m_State.KnownPagesWaiting, 0u);
}

TEST_F(KnownPagesTest, TagReadTheLoaderMissedIsReadFirst)
{
    m_Online.content["P1"] = PageHtml("!Project", Para("p:{G}{1}", "Call !2021-03-20 09:00"));
    Load({PageEntry("P1", "!Project", "2021-03-05T10:00:00Z")});
    m_Online.changedAt["P1"] = "2021-03-06T10:00:00Z";
    OtherRecentPages(30);

    // The mirror saw the change, but the loader's read failed; its remembered time moved anyway.
    m_Online.content["P1"] = PageHtml("!Project", Para("p:{G}{1}", "Call !2021-03-27 09:00"));
    m_Online.readStatus["P1"] = TOnlineStatus::Failed;
    Load({PageEntry("P1", "!Project", "2021-03-06T10:00:00Z")});
    m_Online.readStatus.clear();
    m_Online.reads.clear();
    Check();
    ASSERT_FALSE(m_Online.reads.empty());
    EXPECT_EQ(m_Online.reads.front(), "P1");
    EXPECT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 27, 9, 0));
}

TEST_F(KnownPagesTest, ManyPagesShareSixtyReadsAnHourAndTitlesComeFromTheListing)
{
    for (int i = 0; i < 300; ++i) {
        const std::string id = "T" + std::to_string(i);
        TitlePage(id, "Title !2021-03-20 10:00", Local(2021, 3, 20, 10, 0));
        m_Online.changedAt[id] = GraphTime(Local(2021, 2, 1, 10, 0));
        m_Online.titles[id] = "Title !2021-03-20 10:00";
    }
    TagPages("G", 200);
    for (int check = 0; check < 30; ++check) {
        NextCheckIn(121);
    }
    EXPECT_LE(m_Online.reads.size(), 61u);
    for (const std::string& id : m_Online.reads) {
        EXPECT_EQ(id[0], 'G') << id;
    }

    // A renamed title page: its reminder follows the listing, unread.
    m_Online.titles["T7"] = "Title !2021-03-22 11:00";
    m_Online.changedAt["T7"] = GraphTime(DateNow());
    NextCheckIn(121);
    EXPECT_EQ(Reminder("T7")->time(), Local(2021, 3, 22, 11, 0));
    EXPECT_EQ(m_Online.ReadsOf("T7"), 0u);
}

TEST_F(KnownPagesTest, RefreshFindsEveryChangeAndAFailedReadIsRetriedNextCheck)
{
    TagPages("T", 1);
    Check();
    m_Clock.Advance(121);
    EditTag("T0", 0, "Call !2021-03-24 09:00");
    m_Online.changedAt["T0"] = GraphTime(Date{DateNow().seconds - 500});
    for (int i = 0; i < 150; ++i) {
        m_Online.changedAt["Y" + std::to_string(i)] = GraphTime(Date{DateNow().seconds - 400 + i});
    }
    m_Online.readStatus["T0"] = TOnlineStatus::Failed;
    TReminderHandle(m_State, &m_Online).Run_CheckKnowPages(true);
    EXPECT_EQ(m_Online.ReadsOf("T0"), 1u);

    m_Online.readStatus.clear();
    NextCheckIn(121);
    EXPECT_EQ(Reminder(Tag(0))->time(), Local(2021, 3, 24, 9, 0));
}

TEST_F(KnownPagesTest, EditWhileStoppedIsFoundByTheFirstCheckAfterAStart)
{
    TagPages("T", 1);
    Check();
    // Stopped for an hour: the page edited, then 60 others.
    m_Clock.Advance(3600);
    EditT0BeforeOthers("Call !2021-03-25 09:00", 60);

    TEngineState restarted;
    restarted.EngineFiles = m_State.EngineFiles;
    restarted.TagPageList.AddUnique(m_State.TagPageList.At(0));
    restarted.ReminderList.AddUnique(m_State.ReminderList.At(0));
    TReminderHandle(restarted, &m_Online).Run_CheckKnowPages(true);
    EXPECT_EQ(restarted.ReminderList.GetByID(Tag(0))->time(), Local(2021, 3, 25, 9, 0));
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// "!!" titles ring at the page's creation time of day (09:00 in Berlin here), through the full load
// and through an edit seen in the listing alike.
TEST_F(KnownPagesTest, EditedStartsWithTwoMarksTitleKeepsItsCreationTimeOfDay)
{
    Load({PageEntry("S", "!!Standup", "2021-03-05T10:00:00Z", "2021-03-01T08:00:00Z")});
    ASSERT_EQ(Reminder("S")->time(), Local(2021, 3, 11, 9, 0));
    Edit("S", PageHtml("!!Standup", "<p>new body</p>"));
    m_Online.titles["S"] = "!!Standup";
    Check();
    EXPECT_EQ(Reminder("S")->time(), Local(2021, 3, 11, 9, 0)) << DateToString(Reminder("S")->time());
}

} // namespace
} // namespace rz
