// SPDX-License-Identifier: GPL-3.0-or-later
// Time templates of emulator fixtures, read against a fixed instant.
#include "test_support.h"
#include "time_templates.h"

#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::chrono;

// 2024-03-30 22:10 in Berlin (CET), a Saturday, the night before DST starts; also
// the UTC instant 21:10.
const std::time_t kBerlinEvening = system_clock::to_time_t(sys_days{2024y / March / 30} + 21h + 10min);

struct Case
{
    const char* text;
    const char* expected;
};

TEST(TimeTemplateTest, ExpandsEveryFormInLocalTime)
{
    rz::test::ScopedTimeZone zone("Europe/Berlin");
    const std::time_t now = kBerlinEvening;
    const Case cases[] = {
        {"Dentist !{{now+5m}}", "Dentist !2024-03-30 22:15"},
        {"{{now}}", "2024-03-30 22:10"},
        {"{{now-1h-30m}}", "2024-03-30 20:40"},
        {"{{now+4h}}", "2024-03-31 03:10"}, // absolute hours: 02:10 does not exist that night
        {"{{today 09:00}}", "2024-03-30 09:00"},
        {"{{tomorrow 09:00}}", "2024-03-31 09:00"}, // wall-clock time kept across the DST change
        {"{{yesterday 23:59}}", "2024-03-29 23:59"},
        {"{{today+1w 07:05}}", "2024-04-06 07:05"},
        {"{{seconds:now+90s}}", "2024-03-30 22:11:30"},
        {"{{date:tomorrow}}", "2024-03-31"},
        {"Standup !! {{time:now+2m}} [1,2]", "Standup !! 22:12 [1,2]"},
        {"[{{weekday:today}},{{weekday:tomorrow}}]", "[6,7]"},
        {"{{graph:now}}", "2024-03-30T21:10:00Z"},
        {"{{ now + 1d }}", "2024-03-31 22:10"},
        {"no templates {here}", "no templates {here}"},
        {"two {{today 08:00}} and {{today 09:00}}", "two 2024-03-30 08:00 and 2024-03-30 09:00"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto out = emu::ExpandTemplates(c.text, now, error);
        ASSERT_TRUE(out.has_value()) << c.text << ": " << error;
        EXPECT_EQ(*out, c.expected) << c.text;
    }
}

TEST(TimeTemplateTest, RefusesWhatItCannotRead)
{
    const char* bad[] = {"{{soon}}",    "{{now+5}}", "{{now+5y}}", "{{now 09:00}}", "{{today 25:00}}",
                         "{{today 9}}", "{{now+}}",  "open {{now", "{{}}",          "{{time:}}"};
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(emu::ExpandTemplates(text, 0, error).has_value()) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(TimeTemplateTest, ReadsFixtureTimes)
{
    rz::test::ScopedTimeZone zone("UTC");
    const std::time_t now = kBerlinEvening;
    std::string error;
    EXPECT_EQ(emu::ReadFixtureTime("2021-03-04T05:06:07Z", now, error), 1614834367);
    EXPECT_EQ(emu::ReadFixtureTime("2021-03-04T05:06:07.1234567Z", now, error), 1614834367);
    EXPECT_EQ(emu::ReadFixtureTime("{{now-1d}}", now, error), now - 86400);
    EXPECT_EQ(emu::ReadFixtureTime("{{graph:now+1m}}", now, error), now + 60);
    EXPECT_FALSE(emu::ReadFixtureTime("2021-13-04T05:06:07Z", now, error).has_value());
    EXPECT_FALSE(emu::ReadFixtureTime("yesterday", now, error).has_value());
    EXPECT_EQ(emu::GraphTime(1614834367), "2021-03-04T05:06:07Z");
}

} // namespace
