// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

using test::ScopedTimeZone;

struct ParseCase
{
    const char* text;
    const char* expected; // DateToString of the result, or nullptr for no date
};

TEST(DatesTest, StringToDateFollowsThePatternTable)
{
    ScopedTimeZone zone("Europe/Berlin");
    const ParseCase cases[] = {
        // One row per pattern.
        {"2021-03", "2021-03-01 00:00:00"},
        {"2021-03-04", "2021-03-04 00:00:00"},
        {"05:06", "2000-01-01 05:06:00"},
        {"05:06:07", "2000-01-01 05:06:07"},
        {"2021-03-04 05:06", "2021-03-04 05:06:00"},
        {"2021-03-04 05:06:07", "2021-03-04 05:06:07"},
        // Neither "-" nor ":".
        {"", nullptr},
        {"20210304", nullptr},
        {"   ", nullptr},
        // Blanks before a field are skipped, but the counts still choose the pattern.
        {" 2021-03-04", "2021-03-04 00:00:00"},
        {" 2021-03-04 05:06", nullptr}, // two spaces: full pattern, seconds missing
        {"2021-03-04  05:06:07", "2021-03-04 05:06:07"},
        {"2021- 3- 4", "2021-03-04 00:00:00"},
        // Other counts fall to the full pattern.
        {"2021-03 05:06", nullptr},
        {"2021-03-04-05", nullptr},
        {"1:2:3:4", nullptr},
        // Fields out of range.
        {"2021-02-30", nullptr},
        {"2021-02-29", nullptr},
        {"2020-02-29", "2020-02-29 00:00:00"},
        {"2021-13-01", nullptr},
        {"2021-00-10", nullptr},
        {"2021-03-04 24:00:00", nullptr},
        {"2021-03-04 23:60", nullptr},
        {"23:59:60", nullptr},
        // Text left over, missing or malformed fields.
        {"2021-03-04 05:06:07 x", nullptr},
        {"2021-03-04x", nullptr},
        {"2021-03-", nullptr},
        {"-03-04", nullptr},
        {"2021-+3-04", nullptr},
        {"12345678901-01-01", nullptr},
    };
    for (const ParseCase& c : cases) {
        const std::optional<Date> date = StringToDate(c.text);
        if (c.expected == nullptr) {
            EXPECT_FALSE(date.has_value()) << "'" << c.text << "' gave " << DateToString(date);
        } else {
            EXPECT_EQ(DateToString(date), c.expected) << "'" << c.text << "'";
        }
    }
}

TEST(DatesTest, TextFormRoundTripsAndNoDateGivesNoText)
{
    ScopedTimeZone zone("America/New_York");
    EXPECT_EQ(DateToString(StringToDate("2021-03-04 05:06:07")), "2021-03-04 05:06:07");
    EXPECT_EQ(DateToString(std::nullopt), "");
}

TEST(DatesTest, DateAddDaysKeepsWallClockAcrossDaylightSaving)
{
    for (const char* zoneName : {"Europe/Berlin", "America/New_York"}) {
        ScopedTimeZone zone(zoneName);
        // The night of the spring change is 23 hours long, the autumn one 25.
        const bool berlin = std::string(zoneName) == "Europe/Berlin";
        const Date beforeSpring = *StringToDate(berlin ? "2021-03-27 12:00:00" : "2021-03-13 12:00:00");
        const Date afterSpring = DateAddDays(beforeSpring, 1);
        EXPECT_EQ(afterSpring.seconds - beforeSpring.seconds, 23 * 3600) << zoneName;
        EXPECT_EQ(DateToString(afterSpring).substr(11), "12:00:00") << zoneName;

        const Date beforeAutumn = *StringToDate(berlin ? "2021-10-30 12:00:00" : "2021-11-06 12:00:00");
        EXPECT_EQ(DateAddDays(beforeAutumn, 1).seconds - beforeAutumn.seconds, 25 * 3600) << zoneName;
        EXPECT_EQ(DateAddDays(DateAddDays(beforeAutumn, 1), -1), beforeAutumn) << zoneName;

        // Elapsed-time arithmetic ignores the change.
        EXPECT_EQ(DateAddHours(beforeSpring, 24).seconds - beforeSpring.seconds, 24 * 3600);
        EXPECT_EQ(DateAddMinutes(beforeSpring, -90).seconds - beforeSpring.seconds, -5400);
        EXPECT_EQ(DateAddSeconds(beforeSpring, 7).seconds - beforeSpring.seconds, 7);
    }
}

TEST(DatesTest, DateAddDaysKeepsTheFraction)
{
    ScopedTimeZone zone("Europe/Berlin");
    const Date start{StringToDate("2021-03-04 05:06:07")->seconds + 0.25};
    EXPECT_DOUBLE_EQ(DateAddDays(start, 2).seconds - start.seconds, 2 * 86400.0);
}

TEST(DatesTest, DateFromPartsCarriesOverAndCrossesDaylightSaving)
{
    for (const char* zoneName : {"Europe/Berlin", "America/New_York"}) {
        ScopedTimeZone zone(zoneName);
        EXPECT_EQ(DateToString(DateFromParts(2021, 2, 31, 0, 0, 0)), "2021-03-03 00:00:00");
        EXPECT_EQ(DateToString(DateFromParts(2021, 2, 30, 0, 0, 0)), "2021-03-02 00:00:00");
        EXPECT_EQ(DateToString(DateFromParts(2021, 13, 1, 0, 0, 0)), "2022-01-01 00:00:00");
        EXPECT_EQ(DateToString(DateFromParts(2021, 4, 31, 10, 0, 0)), "2021-05-01 10:00:00");
        EXPECT_EQ(DateToString(DateFromParts(2021, 3, 4, 25, 61, 61)), "2021-03-05 02:02:01");
        // Noon on the day after a change is still noon.
        EXPECT_EQ(DateToString(DateFromParts(2021, 3, 29, 12, 0, 0)), "2021-03-29 12:00:00");
        EXPECT_EQ(DateToString(DateFromParts(2021, 11, 8, 12, 0, 0)), "2021-11-08 12:00:00");
    }
}

TEST(DatesTest, CalendarFieldsAndWeekdays)
{
    ScopedTimeZone zone("Europe/Berlin");
    EXPECT_EQ(WeekDayOf(*StringToDate("2021-03-07 00:00:00")), 1);
    EXPECT_EQ(WeekDayOf(*StringToDate("2021-03-07 23:59:59")), 1);
    EXPECT_EQ(WeekDayOf(*StringToDate("2021-03-06 12:00")), 7);
    EXPECT_EQ(WeekDayOf(*StringToDate("2021-03-08 12:00")), 2);

    const Date withTime = DateWithTimeOf(*StringToDate("2021-03-04 23:59:59"),
                                         Date{StringToDate("2020-01-01 07:30:45")->seconds + 0.5});
    EXPECT_EQ(DateToString(withTime), "2021-03-04 07:30:45");
    EXPECT_DOUBLE_EQ(withTime.seconds, StringToDate("2021-03-04 07:30:45")->seconds);

    EXPECT_EQ(TimeOfDay(*StringToDate("2021-03-04 07:30:45")), (TimeOfDayValue{7, 30, 45}));
    EXPECT_NE(TimeOfDay(*StringToDate("2021-03-04 07:30:45")),
              TimeOfDay(*StringToDate("2021-03-04 07:30:46")));
}

TEST(DatesTest, DateIsBetweenIncludesBothEnds)
{
    const Date low{1000}, high{2000};
    EXPECT_TRUE(DateIsBetween(low, low, high));
    EXPECT_TRUE(DateIsBetween(high, low, high));
    EXPECT_FALSE(DateIsBetween(Date{2000.001}, low, high));
    EXPECT_FALSE(DateIsBetween(Date{999.999}, low, high));
}

TEST(DatesTest, GraphTimeToDateIsUtcWhateverTheZone)
{
    const double expected = 1614834367; // 2021-03-04 05:06:07 UTC
    for (const char* zoneName : {"UTC", "Europe/Berlin", "America/New_York", "Asia/Kolkata"}) {
        ScopedTimeZone zone(zoneName);
        EXPECT_EQ(GraphTimeToDate("2021-03-04T05:06:07.1234567Z").seconds, expected) << zoneName;
        EXPECT_EQ(GraphTimeToDate("2021-03-04T05:06:07Z").seconds, expected) << zoneName;
        EXPECT_EQ(GraphTimeToDate("2021-03-04T05:06:07+02:00").seconds, expected) << zoneName;
    }
    // Out-of-range fields carry over; short text reads missing slices as 0 without crashing.
    EXPECT_EQ(GraphTimeToDate("2021-02-29T00:00:00Z").seconds,
              GraphTimeToDate("2021-03-01T00:00:00Z").seconds);
    EXPECT_EQ(GraphTimeToDate("").seconds, GraphTimeToDate("0000-00-00T00:00:00Z").seconds);
    EXPECT_NO_FATAL_FAILURE(GraphTimeToDate("2021"));
}

TEST(DatesTest, FakeClockDrivesNowAndTick)
{
    {
        ScopedFakeClock clock(1.9);
        EXPECT_EQ(TickNow(), 1);
        EXPECT_DOUBLE_EQ(DateNow().seconds, 1.9);
        clock.Advance(10);
        EXPECT_EQ(TickNow(), 11);
        clock.Set(1700000000.5);
        EXPECT_EQ(TickNow(), 1700000000);
    }
    // Back on the system clock.
    EXPECT_GT(TickNow(), 1700000000);
}

} // namespace
} // namespace rz
