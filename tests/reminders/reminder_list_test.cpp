// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"
#include "reminders_test_support.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/plist.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace rz {
namespace {

using test::Local;

WeekDayFlags Days(std::initializer_list<int> entries)
{
    WeekDayFlags flags = DefaultWeekDays();
    for (int e : entries) {
        flags[static_cast<std::size_t>(e)] = "1";
    }
    return flags;
}

std::vector<std::string> Lines(const TReminderList& list)
{
    std::vector<std::string> lines;
    for (const ReminderPtr& r : list.list()) {
        lines.push_back(r->ToString());
    }
    return lines;
}

class ReminderListTest : public ::testing::Test
{
protected:
    test::ScopedTimeZone m_Tz{test::kBerlinTz};
    // Wednesday 2021-03-10, noon.
    ScopedFakeClock m_Clock{Local(2021, 3, 10, 12, 0, 0).seconds};
    TReminderList m_List;
    const Date m_Dt = Local(2021, 3, 20, 10, 30, 0);
};

TEST_F(ReminderListTest, AddUniqueOneOffMergeRules)
{
    EXPECT_EQ(m_List.AddUnique(0, "Dentist !2021-03-20 10:30", "P1", "P1", "L1", m_Dt, 0, DefaultWeekDays()),
              1);
    ASSERT_EQ(m_List.Count(), 1u);
    const ReminderPtr r = m_List.At(0);
    EXPECT_EQ(r->time(), m_Dt);
    EXPECT_EQ(r->preRemindedTime(), DateNow());
    const std::string added = r->ToString();

    m_Clock.Advance(60);
    EXPECT_EQ(m_List.AddUnique(0, "Dentist !2021-03-20 10:30", "P1", "P1", "L1", m_Dt, 0, DefaultWeekDays()),
              0);
    EXPECT_EQ(r->ToString(), added);
    EXPECT_EQ(r->preRemindedTime(), Local(2021, 3, 10, 12, 0, 0));

    const Date later = Local(2021, 3, 21, 8, 0, 0);
    EXPECT_EQ(m_List.AddUnique(0, "Dentist !2021-03-20 10:30", "P1", "P1", "L1", later, 0, DefaultWeekDays()),
              1);
    EXPECT_EQ(r->time(), later);

    // Title, link and repeat mark are taken over; kind, page id and hold-off stay.
    EXPECT_EQ(m_List.AddUnique(1, "Dentist moved", "P1", "OTHER", "L2", later, 0, DefaultWeekDays()), 1);
    EXPECT_EQ(r->name(), "Dentist moved");
    EXPECT_EQ(r->link(), "L2");
    EXPECT_EQ(r->objType(), 0);
    EXPECT_EQ(r->pageId(), "P1");
    EXPECT_EQ(r->preRemindedTime(), Local(2021, 3, 10, 12, 0, 0));

    // A different weekday choice alone counts once and is copied.
    EXPECT_EQ(m_List.AddUnique(0, "Dentist moved", "P1", "P1", "L2", later, 0, Days({2})), 1);
    EXPECT_EQ(r->weekDay(), Days({2}));
    EXPECT_EQ(r->time(), later);
    EXPECT_EQ(m_List.Count(), 1u);
}

TEST_F(ReminderListTest, AddUniqueRepeatingKeepsNextOccurrence)
{
    const char* title = "Standup !! 09:00";
    EXPECT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2000, 1, 1, 9), 1, DefaultWeekDays()), 1);
    const ReminderPtr r = m_List.GetByID("P1");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->time(), Local(2021, 3, 11, 9, 0, 0));

    // Another day, same time of day: nothing changes while the stored occurrence is ahead.
    EXPECT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2021, 2, 2, 9), 1, DefaultWeekDays()), 0);
    EXPECT_EQ(r->time(), Local(2021, 3, 11, 9, 0, 0));

    // Once it has passed, the next occurrence moves on.
    m_Clock.Set(Local(2021, 3, 11, 9, 0, 5).seconds);
    EXPECT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2021, 2, 2, 9), 1, DefaultWeekDays()), 1);
    EXPECT_EQ(r->time(), Local(2021, 3, 12, 9, 0, 0));
}

TEST_F(ReminderListTest, AddUniqueRepeatingCountsUpToThree)
{
    const char* title = "Standup !! 09:00";
    ASSERT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2000, 1, 1, 9), 1, DefaultWeekDays()), 1);
    const ReminderPtr r = m_List.GetByID("P1");

    // New time of day: reset to DT (1), then the next occurrence differs from DT (1).
    EXPECT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2000, 1, 1, 10), 1, DefaultWeekDays()), 2);
    EXPECT_EQ(r->time(), Local(2021, 3, 11, 10, 0, 0));

    // New time of day and new weekdays (Friday only): all three steps change something.
    EXPECT_EQ(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2000, 1, 1, 11), 1, Days({5})), 3);
    EXPECT_EQ(r->time(), Local(2021, 3, 12, 11, 0, 0));
    EXPECT_EQ(r->weekDay(), Days({5}));

    // Weekdays only: at least the weekday step counts.
    EXPECT_GE(m_List.AddUnique(0, title, "P1", "P1", "L1", Local(2000, 1, 1, 11), 1, Days({1})), 1);
    EXPECT_EQ(r->time(), Local(2021, 3, 15, 11, 0, 0));
    EXPECT_EQ(m_List.Count(), 1u);
}

TEST_F(ReminderListTest, AbsentTextsNeverCompareEqual)
{
    EXPECT_EQ(m_List.AddUnique(0, std::nullopt, "P1", "P1", "L1", m_Dt, 0, DefaultWeekDays()), 1);
    EXPECT_EQ(m_List.AddUnique(0, std::nullopt, "P1", "P1", "L1", m_Dt, 0, DefaultWeekDays()), 1);
    EXPECT_FALSE(m_List.GetByID(std::nullopt));
    EXPECT_EQ(m_List.Count(), 1u);
}

TEST_F(ReminderListTest, AddUniqueRecordMergesLoadedRecords)
{
    auto first =
        TAReminder::FromString("Type:0` ID:K` PageID:P` Link:L` Time:2021-03-20 10:30:00` Recurrence:0` "
                               "Title:A`");
    EXPECT_EQ(m_List.AddUnique(first), first);

    // Same name and time: only the weekday flags may change.
    auto sameNameTime = TAReminder::FromString("Type:1` ID:K` PageID:Q` Link:L9` Time:2021-03-20 10:30:00` "
                                               "Recurrence:0` Title:A`");
    sameNameTime->setWeekDay(Days({3}));
    EXPECT_EQ(m_List.AddUnique(sameNameTime), first);
    EXPECT_EQ(first->link(), "L");
    EXPECT_EQ(first->weekDay(), Days({3}));

    m_Clock.Advance(30);
    auto changed = TAReminder::FromString("Type:1` ID:K` PageID:Q` Link:L2` Time:2021-03-21 10:30:00` "
                                          "Recurrence:1` Title:B !! 10:30`");
    EXPECT_EQ(m_List.AddUnique(changed), first);
    EXPECT_EQ(first->name(), "B !! 10:30");
    EXPECT_EQ(first->link(), "L2");
    EXPECT_EQ(first->time(), Local(2021, 3, 21, 10, 30));
    EXPECT_EQ(first->Repeat(), 1);
    EXPECT_EQ(first->weekDay(), DefaultWeekDays());
    EXPECT_EQ(first->objType(), 0);
    EXPECT_EQ(first->pageId(), "P");
    EXPECT_EQ(first->preRemindedTime(), Local(2021, 3, 10, 12, 0, 0));
    EXPECT_EQ(m_List.Count(), 1u);
}

TEST_F(ReminderListTest, InsertTopAppendsAndLaterDuplicateWins)
{
    m_List.AddUnique(0, "A", "K", "P", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(0, "B", "K2", "P", "L", m_Dt, 0, DefaultWeekDays());
    const ReminderPtr dup = m_List.InsertTop(0, "A again", "K", "P", "L", m_Dt, 1, Days({1}));
    ASSERT_EQ(m_List.Count(), 3u);
    EXPECT_EQ(m_List.At(2), dup);
    EXPECT_EQ(dup->time(), m_Dt); // no next-occurrence computation
    EXPECT_EQ(dup->preRemindedTime(), DateNow());
    EXPECT_EQ(m_List.GetByID("K"), dup);

    m_List.DeleteByID("K");
    ASSERT_EQ(m_List.Count(), 2u);
    ASSERT_TRUE(m_List.GetByID("K"));
    EXPECT_EQ(m_List.GetByID("K")->name(), "A");
    m_List.DeleteByID("missing");
    EXPECT_EQ(m_List.Count(), 2u);
    EXPECT_FALSE(m_List.At(2));
}

TEST_F(ReminderListTest, RemovalOperations)
{
    m_List.AddUnique(0, "page 1", "P1", "P1", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(1, "tag a", "p:{A}{1}", "P1", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(1, "tag b", "p:{B}{2}", "P1", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(1, "tag c", "p:{C}{3}", "P2", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(0, "page 2", "P2", "P2", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(0, "no page", "P3", "", "L", m_Dt, 0, DefaultWeekDays());

    // Only the tag reminders of P1 whose id vanished from the content go.
    EXPECT_EQ(m_List.CheckAndRemoveDeletedTagItem("<p id=\"p:{A}{1}\">", "P1"), 1);
    EXPECT_FALSE(m_List.GetByID("p:{B}{2}"));
    EXPECT_TRUE(m_List.GetByID("p:{A}{1}"));
    EXPECT_TRUE(m_List.GetByID("P1"));
    EXPECT_TRUE(m_List.GetByID("p:{C}{3}"));
    EXPECT_EQ(m_List.CheckAndRemoveDeletedTagItem("", "P9"), 0);

    m_List.DeleteAllTagInPage("P2");
    EXPECT_FALSE(m_List.GetByID("p:{C}{3}"));
    EXPECT_TRUE(m_List.GetByID("P2"));
    EXPECT_TRUE(m_List.GetByID("p:{A}{1}"));

    // Page ids that occur in the text stay, of either kind; an empty page id never occurs.
    m_List.CheckAndRemoveDeletedPageItem(R"({"value":[{"id":"P1"}]})");
    ASSERT_EQ(m_List.Count(), 2u);
    EXPECT_EQ(m_List.At(0)->Id(), "P1");
    EXPECT_EQ(m_List.At(1)->Id(), "p:{A}{1}");

    m_List.CheckAndRemoveDeletedPageItem("");
    EXPECT_EQ(m_List.Count(), 0u);
}

// A page id counts when it occurs anywhere in the text, not only as a whole JSON string.
TEST_F(ReminderListTest, DeletedPageItemsAreFoundBySubstring)
{
    const char* text = R"({"value":[{"id":"1-abc!2-DEF","title":"say \"hi\" !2021"},{"id":"9-xyz"}]})";
    struct Case
    {
        const char* pageId = nullptr;
        bool kept = false;
    };
    const Case cases[] = {
        {"1-abc!2-DEF", true}, {"abc!2", true},   {"say \\\"hi", true}, {"9-xyz", true},
        {"9-xyz\"}", true},    {"7-gone", false}, {"", false},          {"1-ABC", false},
    };
    for (const Case& c : cases) {
        m_List.AddUnique(0, "t", std::string("page ") + c.pageId, c.pageId, "L", m_Dt, 0, DefaultWeekDays());
        m_List.AddUnique(1, "t", std::string("tag ") + c.pageId, c.pageId, "L", m_Dt, 0, DefaultWeekDays());
    }
    m_List.CheckAndRemoveDeletedPageItem(text);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pageId);
        EXPECT_EQ(m_List.GetByID(std::string("page ") + c.pageId) != nullptr, c.kept);
        EXPECT_EQ(m_List.GetByID(std::string("tag ") + c.pageId) != nullptr, c.kept);
    }
}

TEST_F(ReminderListTest, RemoveTakesThatRecordOnly)
{
    m_List.AddUnique(0, "A", "K1", "P", "L", m_Dt, 0, DefaultWeekDays());
    m_List.AddUnique(0, "B", "K2", "P", "L", m_Dt, 0, DefaultWeekDays());
    const ReminderPtr first = m_List.At(0);
    EXPECT_TRUE(m_List.Remove(first));
    EXPECT_FALSE(m_List.Remove(first));
    EXPECT_FALSE(m_List.GetByID("K1"));
    EXPECT_EQ(m_List.Count(), 1u);
}

TEST_F(ReminderListTest, SortPutsEarliestFirstAndNoTimeLast)
{
    m_List.InsertTop(0, "c", "c", "P", "L", Local(2021, 3, 12), 0, DefaultWeekDays());
    m_List.InsertTop(0, "none", "n", "P", "L", std::nullopt, 0, DefaultWeekDays());
    m_List.InsertTop(0, "a", "a", "P", "L", Local(2021, 3, 11), 0, DefaultWeekDays());
    m_List.InsertTop(0, "b", "b", "P", "L", Local(2021, 3, 11, 5), 0, DefaultWeekDays());
    m_List.Sort();
    std::vector<std::string> ids;
    for (const ReminderPtr& r : m_List.list()) {
        ids.push_back(*r->Id());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"a", "b", "c", "n"}));
    EXPECT_EQ(m_List.GetByID("c"), m_List.At(2));
}

TEST_F(ReminderListTest, SaveAndLoadRoundTrip)
{
    test::TempDir folder;
    const std::string path = folder.File("Reminders.plist");
    m_List.AddUnique(0, "Dentist !2021-03-20 10:30", "P1", "P1", "onenote:x&page-id={P1}&end", m_Dt, 0,
                     DefaultWeekDays());
    m_List.AddUnique(0, "Standup !! 09:00 [1,2,3,4,5]", "P2", "P2", "L2", Local(2021, 3, 1, 9), 1,
                     Days({1, 2, 3, 4, 5}));
    m_List.AddUnique(1, "Caf\xC3\xA9 <&> \"quoted\" !2021-03-20 10:30", "p:{A}{1}", "P1", std::nullopt, m_Dt,
                     0, DefaultWeekDays());
    ASSERT_TRUE(m_List.SaveToFile(path));
    EXPECT_FALSE(m_List.SaveToFile(folder.File("missing-folder/Reminders.plist")));

    TReminderList loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(Lines(loaded), Lines(m_List));
    EXPECT_EQ(loaded.GetByID("P2")->weekDay(), Days({1, 2, 3, 4, 5}));

    // The same merges after a reload change nothing.
    EXPECT_EQ(loaded.AddUnique(0, "Dentist !2021-03-20 10:30", "P1", "P1", "onenote:x&page-id={P1}&end", m_Dt,
                               0, DefaultWeekDays()),
              0);
    EXPECT_EQ(loaded.AddUnique(0, "Standup !! 09:00 [1,2,3,4,5]", "P2", "P2", "L2", Local(2021, 3, 1, 9), 1,
                               Days({1, 2, 3, 4, 5})),
              0);

    // Loading again merges into what is there.
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Count(), 3u);
}

TEST_F(ReminderListTest, DuplicatedKeyInFileLoadsAsOneRecord)
{
    test::TempDir folder;
    const std::string path = folder.File("Reminders.plist");
    ASSERT_TRUE(WritePlistStringArray(
        path, {"Type:0` ID:K` PageID:P` Link:L1` Time:2021-03-20 10:30:00` Recurrence:0` Title:first`",
               "Type:0` ID:K` PageID:P` Link:L2` Time:2021-03-21 10:30:00` Recurrence:1` Title:second !! "
               "10:30 [6]`"}));
    m_List.LoadFromFile(path);
    ASSERT_EQ(m_List.Count(), 1u);
    const ReminderPtr r = m_List.At(0);
    EXPECT_EQ(r->name(), "second !! 10:30 [6]");
    EXPECT_EQ(r->link(), "L2");
    EXPECT_EQ(r->time(), Local(2021, 3, 21, 10, 30));
    EXPECT_EQ(r->Repeat(), 1);
    EXPECT_EQ(r->weekDay(), Days({6}));
}

TEST_F(ReminderListTest, UnusableFilesLoadNothingAndStayUntouched)
{
    test::TempDir folder;
    m_List.AddUnique(0, "A", "K", "P", "L", m_Dt, 0, DefaultWeekDays());
    const std::string before = Lines(m_List)[0];

    const std::string dict = folder.File("dict.plist");
    const std::string dictText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                 "<key>a</key><string>Type:0` ID:X`</string></dict></plist>\n";
    test::WriteFileBytes(dict, dictText);
    const std::string junk = folder.File("junk.plist");
    test::WriteFileBytes(junk, "Type:0` ID:X` not a property list");

    for (const std::string& path : {dict, junk, folder.File("missing.plist")}) {
        m_List.LoadFromFile(path);
        EXPECT_EQ(m_List.Count(), 1u);
        EXPECT_EQ(Lines(m_List)[0], before);
    }
    EXPECT_EQ(test::ReadFileBytes(dict), dictText);
    EXPECT_EQ(test::ReadFileBytes(junk), "Type:0` ID:X` not a property list");
}

TEST_F(ReminderListTest, EmptyListSavesEmptyArray)
{
    test::TempDir folder;
    const std::string path = folder.File("Reminders.plist");
    m_List.SaveToFile(path);
    const auto lines = ReadPlistStringArray(path);
    ASSERT_TRUE(lines);
    EXPECT_TRUE(lines->empty());
}

// The index must answer every look-up as the plain walk would, whatever mix of operations ran.
TEST_F(ReminderListTest, IndexedAndLinearListsAgree)
{
    TReminderList indexed(TReminderList::LookUp::Indexed);
    TReminderList linear(TReminderList::LookUp::Linear);
    std::mt19937 rng(12345);
    const auto key = [&rng] { return "K" + std::to_string(rng() % 40); };
    for (int step = 0; step < 4000; ++step) {
        const int op = static_cast<int>(rng() % 9);
        const std::string k = key();
        const Date dt = Local(2021, 3, 11 + static_cast<int>(rng() % 3), static_cast<int>(rng() % 24));
        const std::uint8_t repeat = static_cast<std::uint8_t>(rng() % 2);
        const std::string page = "P" + std::to_string(rng() % 5);
        const std::int64_t kind = static_cast<std::int64_t>(rng() % 2);
        switch (op) {
        case 0:
        case 1:
        case 2:
            ASSERT_EQ(indexed.AddUnique(kind, "t" + k, k, page, "L", dt, repeat, DefaultWeekDays()),
                      linear.AddUnique(kind, "t" + k, k, page, "L", dt, repeat, DefaultWeekDays()));
            break;
        case 3:
            indexed.InsertTop(1, "i" + k, k, page, "L", dt, repeat, DefaultWeekDays());
            linear.InsertTop(1, "i" + k, k, page, "L", dt, repeat, DefaultWeekDays());
            break;
        case 4:
            indexed.DeleteByID(k);
            linear.DeleteByID(k);
            break;
        case 5:
            indexed.Sort();
            linear.Sort();
            break;
        case 6:
            ASSERT_EQ(indexed.CheckAndRemoveDeletedTagItem("K1 K2 K3", page),
                      linear.CheckAndRemoveDeletedTagItem("K1 K2 K3", page));
            break;
        case 7:
            indexed.DeleteAllTagInPage(page);
            linear.DeleteAllTagInPage(page);
            break;
        default: {
            const auto a = TAReminder::FromString("Type:0` ID:" + k + "` Title:x`");
            const auto b = TAReminder::FromString("Type:0` ID:" + k + "` Title:x`");
            indexed.AddUnique(a);
            linear.AddUnique(b);
            break;
        }
        }
        const ReminderPtr fi = indexed.GetByID(k);
        const ReminderPtr fl = linear.GetByID(k);
        ASSERT_EQ(fi == nullptr, fl == nullptr);
        if (fi) {
            ASSERT_EQ(fi->ToString(), fl->ToString());
        }
        ASSERT_EQ(Lines(indexed), Lines(linear)) << "after step " << step;
    }
}

// A listed record's key cannot move behind the index: the indexed and the walked look-ups agree.
TEST(ReminderListKeyTest, ListedRecordKeepsItsKey)
{
    for (const auto lookUp : {TReminderList::LookUp::Indexed, TReminderList::LookUp::Linear}) {
        TReminderList list(lookUp);
        list.AddUnique(0, "A", "K1", "P1", "L", Date{100}, 0, DefaultWeekDays());
        const ReminderPtr r = list.GetByID("K1");
        ASSERT_NE(r, nullptr);
        EXPECT_FALSE(r->setId("K2"));
        EXPECT_EQ(list.GetByID("K1"), r);
        EXPECT_EQ(list.GetByID("K2"), nullptr);

        // Out of the list, the key may change again; back in, it is found by the new one.
        EXPECT_TRUE(list.Remove(r));
        EXPECT_TRUE(r->setId("K2"));
        list.AddUnique(r);
        EXPECT_EQ(list.GetByID("K2"), r);
        list.Clear();
        EXPECT_TRUE(r->setId("K3"));
    }
    TTagPageList pages;
    const TagPagePtr page = pages.AddUnique("P1", "L", Date{100});
    EXPECT_FALSE(page->setPageId("P2"));
    EXPECT_EQ(pages.GetByID("P1"), page);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

TEST_F(ReminderListTest, LoadMovesAPassedRepeatingTimeToItsNextOccurrence)
{
    test::TempDir folder;
    m_List.AddUnique(0, "Standup !! 09:00", "R", "R", "L", Local(2021, 3, 10, 9, 0), 1, DefaultWeekDays());
    m_List.At(0)->setTime(Local(2021, 3, 8, 9, 0)); // stored two days ago, never read since
    ASSERT_TRUE(m_List.SaveToFile(folder.File("Reminders.plist")));

    TReminderList loaded;
    loaded.LoadFromFile(folder.File("Reminders.plist"));
    ASSERT_EQ(loaded.Count(), 1u);
    EXPECT_EQ(loaded.At(0)->time(), Local(2021, 3, 11, 9, 0));
}

} // namespace
} // namespace rz
