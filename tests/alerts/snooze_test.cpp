// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"
#include "alerts/snooze.h"
#include "snooze_cases.h"
#include "test_support.h"
#include "util/dates.h"

#include <gtest/gtest.h>
#include <vector>

namespace rz {
namespace {

TEST(SnoozeTextTest, ReadsTheDelayAsTheTableSays)
{
    const test::ScopedTimeZone zone("UTC");
    const Date now = DateFromParts(2026, 3, 4, 10, 0, 0);
    std::vector<test::SnoozeTextCase> cases = test::SnoozeTextCases();
    cases.push_back({"  10\tMINUTES", DateFromParts(2026, 3, 4, 10, 10, 0)});
    cases.push_back({"", std::nullopt});
    for (const test::SnoozeTextCase& c : cases) {
        EXPECT_EQ(SnoozeTimeFromText(c.text, now), c.until) << c.text;
    }
}

TEST(SnoozeTextTest, DayKeepsTheClockTimeAcrossADaylightSavingChange)
{
    const test::ScopedTimeZone zone("Europe/Berlin");
    const Date now = DateFromParts(2026, 3, 28, 10, 0, 0);
    const std::optional<Date> until = SnoozeTimeFromText("1 day", now);
    ASSERT_TRUE(until);
    EXPECT_EQ(*until, DateFromParts(2026, 3, 29, 10, 0, 0));
    EXPECT_EQ(until->seconds - now.seconds, 23 * 3600);
}

TEST(SnoozeTextTest, HugeNumbersStayWithinTenYears)
{
    const test::ScopedTimeZone zone("UTC");
    const Date now = DateFromParts(2026, 3, 4, 10, 0, 0);
    for (const char* text : {"99999999999999999999 minutes", "99999999999 hours", "2147483647 days"}) {
        const std::optional<Date> until = SnoozeTimeFromText(text, now);
        ASSERT_TRUE(until) << text;
        EXPECT_LE(std::abs(until->seconds - now.seconds), 11.0 * 366 * 24 * 3600) << text;
    }
    // A snooze into the past would never come back.
    EXPECT_FALSE(SnoozeTimeFromText("-99999999999 hours", now));
}

TEST(SnoozeTextTest, FiveMinutesComesBackBetweenTenSecondsEitherSide)
{
    const test::ScopedTimeZone zone("UTC");
    const Date chosen = DateFromParts(2026, 3, 4, 10, 0, 0);
    struct Case
    {
        Date checkAt;
        bool fires;
    };
    const Case cases[] = {
        {DateFromParts(2026, 3, 4, 10, 4, 49), false},
        {DateFromParts(2026, 3, 4, 10, 4, 50), true},
        {DateFromParts(2026, 3, 4, 10, 5, 10), true},
        {DateFromParts(2026, 3, 4, 10, 5, 11), false},
    };
    for (const Case& c : cases) {
        SnoozeState snooze = InitialSnoozeState(chosen);
        snooze.SnoozeRemindedTime = *SnoozeTimeFromText("5 minutes", chosen);
        EXPECT_EQ(SnoozeStep(snooze, c.checkAt, DueWindowFor(c.checkAt, std::nullopt)), c.fires)
            << DateToString(c.checkAt);
    }
}

} // namespace
} // namespace rz
