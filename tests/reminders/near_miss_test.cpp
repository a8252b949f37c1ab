// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine_test_support.h"
#include "reminders/near_miss.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace rz {
namespace {

using Reason = TNearMissReason;

class NearMissTest : public ::testing::Test, public test::EngineFixture
{
};

// Today is Wednesday 2021-03-10 12:00 (Berlin).
TEST_F(NearMissTest, RulesFollowTheTitleSyntax)
{
    struct Case
    {
        const char* text;
        std::optional<Reason> reason;
        std::optional<Date> readAs;
    };
    const Date midnight = Local(2021, 3, 10);
    const Case cases[] = {
        // Read whole, or no reminder meant: not listed.
        {"Dentist !2026-03-04 10:30", std::nullopt, std::nullopt},
        {"Dentist ! 2026-03-04 10:30", std::nullopt, std::nullopt},
        {"Call Anna !2026-03-04", std::nullopt, std::nullopt},
        {"Order !3000 cups", std::nullopt, std::nullopt},
        {"Standup !! 09:00 [1,2,3,4,5]", std::nullopt, std::nullopt},
        {"Gym !!18:30:15 [2,4]", std::nullopt, std::nullopt},
        {"Pay rent !!2021-03-04 10:00", std::nullopt, std::nullopt},
        {"Wow! Great", std::nullopt, std::nullopt},
        {"Top 3! 5 tips", std::nullopt, std::nullopt},
        {"Note !!7", std::nullopt, std::nullopt},
        {"Plain title", std::nullopt, std::nullopt},
        // Refused.
        {"Standup !! 25:00", Reason::HourOutOfRange, std::nullopt},
        {"Party !999-01-01 10:00 x", Reason::YearOutOfRange, std::nullopt},
        {"Launch !5000-01-01 10:00:00 x", Reason::YearOutOfRange, std::nullopt},
        // Read only in part.
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
        {"Lunch !12:30", Reason::TimeWithoutDate, Local(2000, 1, 1, 12, 30)},
        // Weekday digits skipped.
        {"Standup !! 09:00 [0,8]", Reason::WeekdayOutOfRange, Local(2021, 3, 10, 9)},
        {"Standup !! 09:00 [Mon]", Reason::WeekdayOutOfRange, Local(2021, 3, 10, 9)},
    };
    for (const Case& c : cases) {
        const std::optional<TNearMiss> miss = NearMissOf(c.text);
        ASSERT_EQ(miss.has_value(), c.reason.has_value()) << c.text;
        if (miss) {
            EXPECT_EQ(miss->Reason, *c.reason) << c.text;
            EXPECT_EQ(miss->ReadAs, c.readAs) << c.text;
        }
    }
}

TEST_F(NearMissTest, FollowsTheLoadsAndNeverRings)
{
    Json page = PageEntry("P1", "Standup !! 25:00", "2021-03-05T10:00:00Z");
    page["parentSection"] = {{"id", "S1"}, {"displayName", "Work"}};
    m_Online.content["P2"] =
        PageHtml("!Project", test::Para("p:{G}{1}", "Review !! later") +
                                 test::Para("p:{G}{2}", "Done !! later", "to-do:completed"));
    Load({page, PageEntry("P2", "!Project", "2021-03-05T10:00:00Z")});

    const std::vector<TNearMissEntry> entries = m_State.NearMisses.Entries();
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].PageId, "P1");
    EXPECT_EQ(entries[0].SectionName, "Work");
    EXPECT_EQ(entries[0].Link, test::PageLink("P1"));
    EXPECT_EQ(entries[0].Miss.Reason, Reason::HourOutOfRange);
    EXPECT_EQ(entries[1].ElementId, "p:{G}{1}");
    EXPECT_EQ(entries[1].Miss.Reason, Reason::NoTimeAfterRepeat);
    // Listed, never made a reminder of; the near misses cost no read of their own.
    EXPECT_EQ(Reminder("P1"), nullptr);
    EXPECT_EQ(m_Online.reads, std::vector<std::string>{"P2"});

    // A page gone from the page list takes its entries along.
    Load({PageEntry("P3", "Plain", "2021-03-05T10:00:00Z")});
    EXPECT_EQ(m_State.NearMisses.Count(), 0U);
}

} // namespace
} // namespace rz
