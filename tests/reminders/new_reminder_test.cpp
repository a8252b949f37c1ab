// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/new_reminder.h"
#include "reminders_test_support.h"
#include "util/clock.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::Local;

struct NewReminderCase
{
    TNewReminder choice;
    const char* title;
    TNewReminderProblem problem;
    const char* pageTitle; // the <title> element of the page body
};

// Now is Wednesday 2026-12-09 12:00 in a pinned zone.
TEST(NewReminderTest, TitleFromTheDialogsChoicesReadsBackOrIsRefused)
{
    test::ScopedTimeZone tz{test::kBerlinTz};
    ScopedFakeClock clock{Local(2026, 12, 9, 12, 0, 0).seconds};
    using R = TRepeatChoice;
    using P = TNewReminderProblem;
    const Date at0900 = Local(2026, 12, 10, 9, 0, 37);
    const Date at0915 = Local(2026, 12, 9, 9, 15, 0);
    const NewReminderCase cases[] = {
        {{"Call Bob", at0900, R::Once, {}},
         "Call Bob !2026-12-10 09:00",
         P::None,
         "Call Bob !2026-12-10 09:00"},
        {{"  Call\nBob ", at0900, R::Once, {}},
         "Call Bob !2026-12-10 09:00",
         P::None,
         "Call Bob !2026-12-10 09:00"},
        {{"Standup", at0915, R::Daily, {}}, "Standup !! 09:15", P::None, "Standup !! 09:15"},
        {{"Standup", at0915, R::WeekDays, {true, true, true, true, true, false, false}},
         "Standup !! 09:15 [1,2,3,4,5]",
         P::None,
         "Standup !! 09:15 [1,2,3,4,5]"},
        {{"Gym", at0915, R::WeekDays, {false, false, false, false, false, false, true}},
         "Gym !! 09:15 [7]",
         P::None,
         "Gym !! 09:15 [7]"},
        {{"Gym", at0915, R::WeekDays, {true, true, true, true, true, true, true}},
         "Gym !! 09:15",
         P::None,
         "Gym !! 09:15"},
        {{"Gym", at0915, R::WeekDays, {}}, "Gym !! 09:15", P::NoWeekDay, nullptr},
        {{"Tom & Jerry <3 \"x\"", at0900, R::Once, {}},
         "Tom & Jerry <3 \"x\" !2026-12-10 09:00",
         P::None,
         "Tom &amp; Jerry &lt;3 \"x\" !2026-12-10 09:00"},
        {{"  ", at0900, R::Once, {}}, " !2026-12-10 09:00", P::EmptyText, nullptr},
        {{"Late", at0915, R::Once, {}}, "Late !2026-12-09 09:15", P::PastTime, nullptr},
        {{"Now", Local(2026, 12, 9, 12, 0, 0), R::Once, {}}, "Now !2026-12-09 12:00", P::PastTime, nullptr},
        {{"Wow! Call", at0900, R::Once, {}}, "Wow! Call !2026-12-10 09:00", P::NotReadBack, nullptr},
        {{"Ping !!", at0915, R::Daily, {}}, "Ping !! !! 09:15", P::NotReadBack, nullptr},
    };
    for (const NewReminderCase& c : cases) {
        SCOPED_TRACE(c.title);
        std::string title;
        EXPECT_EQ(CheckNewReminder(c.choice, DateNow(), title), c.problem);
        EXPECT_EQ(title, c.title);
        if (c.pageTitle != nullptr) {
            EXPECT_NE(NewPageXhtml(title).find(std::string("<title>") + c.pageTitle + "</title>"),
                      std::string::npos)
                << NewPageXhtml(title);
        }
    }
}

TEST(NewReminderTest, TitleTypedWholeIsCheckedWithTheTitleSyntax)
{
    test::ScopedTimeZone tz{test::kBerlinTz};
    using P = TNewReminderProblem;
    const Date now = Local(2026, 12, 9, 12, 0, 0);
    struct Case
    {
        const char* typed;
        P problem;
        const char* written = nullptr; // the title to write, when it differs from the typed one
    };
    const Case cases[] = {
        {"Call Bob !2026-12-10 09:00", P::None},
        {"Standup !! 09:15 [1,2,3,4,5]", P::None},
        {"Call Bob", P::NotReadBack},
        {"!2026-12-10 09:00", P::EmptyText},
        {"Call Bob !2020-01-01 09:00", P::PastTime},
        {"Call Bob !tomorrow", P::NotReadBack},
        {" \tCall\nBob !2026-12-10 09:00\r\n", P::None, "Call Bob !2026-12-10 09:00"},
        {"Call \x1b[31mBob !2026-12-10 09:00", P::NotReadBack},
    };
    for (const auto& c : cases) {
        std::string written;
        EXPECT_EQ(CheckReminderTitle(c.typed, now, written), c.problem) << c.typed;
        if (c.problem == P::None) {
            EXPECT_EQ(written, c.written ? c.written : c.typed) << c.typed;
        }
    }
}

} // namespace
} // namespace rz
