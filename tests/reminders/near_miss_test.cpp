// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"
#include "core/preferences.h"
#include "engine_test_support.h"
#include "reminders/near_miss.h"
#include "reminders/title_reading.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace rz {
namespace {

using Reason = TNearMissReason;

class NearMissTest : public ::testing::Test, public test::EngineFixture
{
};

// Today is Wednesday 2021-03-10 12:00 (Berlin); a date without a time rings at 09:00.
TEST_F(NearMissTest, RulesFollowTheTitleSyntax)
{
    struct Case
    {
        const char* text;
        std::optional<Reason> reason;
        std::optional<Date> readAs;
    };
    const TimeOfDayValue nine{9, 0, 0};
    const Date midnight = Local(2021, 3, 10);
    const Case cases[] = {
        // Read whole, or no reminder meant: not listed. Only a one-off date without a time takes 09:00.
        {"Dentist !2026-03-04 10:30", std::nullopt, Local(2026, 3, 4, 10, 30)},
        {"Dentist ! 2026-03-04 10:30", std::nullopt, Local(2026, 3, 4, 10, 30)},
        {"Dentist !2026-03-04 00:00", std::nullopt, Local(2026, 3, 4)},
        {"Call Anna !2026-03-04", std::nullopt, Local(2026, 3, 4, 9)},
        {"Call Anna ! 2026-03-04", std::nullopt, Local(2026, 3, 4, 9)},
        {"Call Anna !2026-03", std::nullopt, Local(2026, 3, 1, 9)},
        {"Order !3000 cups", std::nullopt, Local(3000, 1, 1)},
        {"Pay rent !!2021-03-14", std::nullopt, Local(2021, 3, 14)},
        {"Standup !! 09:00 [1,2,3,4,5]", std::nullopt, Local(2021, 3, 10, 9)},
        {"Gym !!18:30:15 [2,4]", std::nullopt, Local(2021, 3, 10, 18, 30, 15)},
        {"Wow! Great", std::nullopt, std::nullopt},
        {"Top 3! 5 tips", std::nullopt, std::nullopt},
        {"Plain title", std::nullopt, std::nullopt},
        // Refused.
        {"Standup !! 25:00", Reason::HourOutOfRange, std::nullopt},
        {"Party !999-01-01 10:00 x", Reason::YearOutOfRange, std::nullopt},
        {"Launch !5000-01-01 10:00:00 x", Reason::YearOutOfRange, std::nullopt},
        // Read only in part: the reader's defaults, midnight included, stay.
        {"Call Bob !2026-13-01 10:00", Reason::MonthOutOfRange, Local(2026, 1, 1)},
        {"Call Bob !2026-03-32 10:00", Reason::DayOutOfRange, Local(2026, 3, 1)},
        {"Call Bob !2026-03-04 24:00", Reason::HourStopsReading, Local(2026, 3, 4)},
        {"Call Bob !2026-03-04 10:61", Reason::MinuteOutOfRange, Local(2026, 3, 4, 10)},
        {"Call Bob !2026-03-04 10:30:61", Reason::SecondOutOfRange, Local(2026, 3, 4, 10, 30)},
        {"Standup !! 09:61", Reason::MinuteOutOfRange, Local(2021, 3, 10, 9)},
        {"Standup !! 09:30:61", Reason::SecondOutOfRange, Local(2021, 3, 10, 9, 30)},
        {"Standup !! 9:30 [1,2]", Reason::OneDigitHour, Local(2021, 3, 10, 9, 0, 1)},
        {"Idea !! later", Reason::NoTimeAfterRepeat, midnight},
        {"Standup !! [1,2]", Reason::NoTimeAfterRepeat, Local(2021, 3, 10, 0, 2)},
        // Read as a time long past.
        {"Dentist !26-03-04 10:30", Reason::ShortYear, Local(26, 3, 4, 10, 30)},
        {"Dentist !26-03-04", Reason::ShortYear, Local(26, 3, 4, 9)},
        {"Lunch !12:30", Reason::TimeWithoutDate, Local(2000, 1, 1, 12, 30)},
        // Weekday digits skipped.
        {"Standup !! 09:00 [0,8]", Reason::WeekdayOutOfRange, Local(2021, 3, 10, 9)},
        {"Standup !! 09:00 [Mon]", Reason::WeekdayOutOfRange, Local(2021, 3, 10, 9)},
    };
    for (const Case& c : cases) {
        const std::optional<TNearMiss> miss = NearMissOf(c.text, nine);
        ASSERT_EQ(miss.has_value(), c.reason.has_value()) << c.text;
        EXPECT_EQ(miss ? miss->ReadAs : detail::ReadTitle(c.text, nine).dt, c.readAs) << c.text;
        if (miss) {
            EXPECT_EQ(miss->Reason, *c.reason) << c.text;
        }
    }
}

TEST_F(NearMissTest, FollowsTheLoadsAndARestartAndNeverRings)
{
    Json page = PageEntry("P1", "Standup !! 25:00", "2021-03-05T10:00:00Z");
    page["parentSection"] = {{"id", "S1"}, {"displayName", "Work"}};
    Json project = PageEntry("P2", "!Project", "2021-03-05T10:00:00Z");
    project["parentSection"] = {{"id", "S2"}, {"displayName", "Home"}};
    m_Online.content["P2"] =
        PageHtml("!Project", test::Para("p:{G}{1}", "Review !! later") +
                                 test::Para("p:{G}{2}", "Done !! later", "to-do:completed"));
    Load({page, project});

    const auto expectListed = [](const TEngineState& state) {
        const std::vector<TNearMissEntry> entries = state.NearMisses.Entries();
        ASSERT_EQ(entries.size(), 2U);
        EXPECT_EQ(entries[0].PageId, "P1");
        EXPECT_EQ(entries[0].SectionName, "Work");
        EXPECT_EQ(entries[0].Link, test::PageLink("P1"));
        EXPECT_EQ(entries[0].Miss.Reason, Reason::HourOutOfRange);
        EXPECT_EQ(entries[1].ElementId, "p:{G}{1}");
        EXPECT_EQ(entries[1].SectionName, "Home");
        EXPECT_EQ(entries[1].Miss.Reason, Reason::NoTimeAfterRepeat);
    };
    expectListed(m_State);
    // Listed, never made a reminder of; the near misses cost no read of their own.
    EXPECT_EQ(Reminder("P1"), nullptr);
    EXPECT_EQ(m_Online.reads, std::vector<std::string>{"P2"});
    const std::string file = m_State.EngineFiles.Beside(kNearMissesFileName);
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // After a restart the unchanged tag page is not read again, and its paragraph stays listed.
    TEngineState restarted;
    restarted.EngineFiles = m_State.EngineFiles;
    restarted.TagPageList.LoadFromFile(restarted.EngineFiles.TagPagesFilePath);
    TReminderHandle(restarted, &m_Online).LoadHierarchyFromFile();
    restarted.ReminderList.LoadFromFile(restarted.EngineFiles.RemindersFilePath);
    expectListed(restarted);
    TReminderHandle(restarted, &m_Online).Run();
    expectListed(restarted);
    EXPECT_EQ(m_Online.reads, std::vector<std::string>{"P2"});

    // A page gone from the page list takes its entries along, in the file too.
    restarted.ReminderPagesJson.Set(test::PageList({PageEntry("P3", "Plain", "2021-03-05T10:00:00Z")}));
    TReminderHandle(restarted, &m_Online).Run();
    EXPECT_EQ(restarted.NearMisses.Count(), 0U);
    TNearMissList again;
    EXPECT_EQ(again.RestoreTags(test::ReadFileBytes(file)), 0U);
}

TEST(NearMissFileTest, RestoresOnlyWhatIsStillANearMissWithinBounds)
{
    const std::string kept = R"({"page":"P1","id":"p1","text":"Idea !! later"})";
    struct Case
    {
        std::string text;
        std::size_t restored;
    };
    const Case cases[] = {
        {R"({"tags":[)" + kept + "]}", 1},
        {R"({"tags":[)" + kept + "," + kept + "]}", 1},
        {R"({"tags":[{"page":"P1","id":"p2","text":"Call !2030-01-01 10:00"}, )" + kept + "]}", 1},
        {R"({"tags":[{"page":"P1","id":"p2","text":7}, {"page":"","id":"p3","text":"Idea !! later"}]})", 0},
        {R"({"tags":[{"page":"P1","id":"p2","text":"Idea !! later )" + std::string(1100, 'x') + "\"}]}", 0},
        {R"({"tags":{"page":"P1"}})", 0},
        {"not json", 0},
    };
    for (const Case& c : cases) {
        TNearMissList list;
        EXPECT_EQ(list.RestoreTags(c.text), c.restored) << c.text;
        EXPECT_EQ(list.Count(), c.restored) << c.text;
    }
}

// The list's own date-only time, not a process-wide one, reads its reminders: a change moves those
// read already to it, keeping their day, and a zone change reads them again at it.
TEST_F(NearMissTest, DateOnlyTimeChangeMovesTheRemindersReadAlready)
{
    m_State.ReminderList.UseDateOnlyTime({14, 0, 0});
    m_Online.content["P3"] = PageHtml("!Project", test::Para("p:{G}{1}", "Review !2021-03-12"));
    Load({PageEntry("P1", "Call Anna !2021-03-10", "2021-03-05T10:00:00Z"),
          PageEntry("P2", "Call Bob !2021-03-11", "2021-03-05T10:00:00Z"),
          PageEntry("P3", "!Project", "2021-03-05T10:00:00Z")});
    ASSERT_EQ(Reminder("P1")->time(), Local(2021, 3, 10, 14));
    ASSERT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 12, 14));
    EXPECT_EQ(TReminderList().DateOnlyTime(), TimeOfDayValue{});

    EXPECT_EQ(m_State.ReminderList.UseDateOnlyTime({9, 0, 0}), 3);
    // Moved back past the clock before it rang: due at once rather than never.
    EXPECT_EQ(Reminder("P1")->time(), Local(2021, 3, 10, 12));
    EXPECT_EQ(Reminder("P2")->time(), Local(2021, 3, 11, 9));
    EXPECT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 12, 9));
    EXPECT_EQ(m_State.ReminderList.UseDateOnlyTime({9, 0, 0}), 0);
    m_State.ReminderList.FollowZoneChange();
    EXPECT_EQ(Reminder("P2")->time(), Local(2021, 3, 11, 9));
}

TEST(DateOnlyTimeTextTest, ReadsHoursAndMinutesOnly)
{
    EXPECT_EQ(DateOnlyMinutesFromText("09:00"), 540);
    EXPECT_EQ(DateOnlyMinutesFromText("23:59"), 1439);
    for (const char* bad : {"24:00", "9:00", "09:60", "09-00", "", "09:00:00", "ab:cd"}) {
        EXPECT_EQ(DateOnlyMinutesFromText(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(DateOnlyTimeText(545), "09:05");
}

} // namespace
} // namespace rz
