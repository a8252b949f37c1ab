// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rz {

// An instant: seconds since 1970-01-01 00:00:00 UTC, with sub-second precision.
struct Date
{
    double seconds = 0;
    auto operator<=>(const Date&) const = default;
};

// Hour, minute and second of a date in local time.
struct TimeOfDayValue
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const TimeOfDayValue&) const = default;
};

Date DateNow();
// Whole seconds of the monotonic clock (MonotonicSecondsNow), truncated toward zero: stamps for
// intervals, which a wall clock set back must not stretch.
std::int64_t TickNow();
// n calendar days later at the same local wall-clock time (23 or 25 hours across a DST change).
Date DateAddDays(Date date, int n);
Date DateAddHours(Date date, int n);
Date DateAddMinutes(Date date, int n);
Date DateAddSeconds(Date date, int n);
// Local date and time from fields; out-of-range fields carry over into the next larger unit.
Date DateFromParts(int year, int month, int day, int hour, int minute, int second);
// Year 1-9999, month 1-12 and a day that month has (29 February only in leap years).
bool IsCalendarDay(int year, int month, int day);
// The calendar day of `day` with the hour, minute and second of `time` (fraction dropped).
Date DateWithTimeOf(Date day, Date time);
TimeOfDayValue TimeOfDay(Date date);
// 1 = Sunday … 7 = Saturday, local time.
std::uint8_t WeekDayOf(Date date);
// "yyyy-MM-dd HH:mm:ss" in local time; no date gives the empty text.
std::string DateToString(std::optional<Date> date);
// Reads "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd", "yyyy-MM", "HH:mm:ss" or "HH:mm",
// chosen by the counts of "-", ":" and " "; the whole text must be used and every field in range.
std::optional<Date> StringToDate(std::string_view text);
// L <= X <= H, both ends included.
bool DateIsBetween(Date x, Date low, Date high);
// Graph timestamp (2021-03-04T05:06:07.1234567Z) read by fixed positions as UTC.
Date GraphTimeToDate(std::string_view text);
// "yyyy-MM-ddTHH:mm:ssZ" in UTC (fraction dropped): an instant written so that it reads back the
// same in any time zone (GraphTimeToDate).
std::string DateToUtcString(Date date);

// Local calendar fields of a date, for callers that need more than one of them.
struct LocalFields
{
    int year, month, day, hour, minute, second, weekDay;
};
LocalFields LocalFieldsOf(Date date);

} // namespace rz
