// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/dates.h"

#include "util/clock.h"
#include "util/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

namespace rz {
namespace {

std::tm LocalTm(Date date)
{
    const auto whole = static_cast<std::time_t>(std::floor(date.seconds));
    std::tm fields{};
    localtime_r(&whole, &fields);
    return fields;
}

double FractionOf(Date date)
{
    return date.seconds - std::floor(date.seconds);
}

int DaysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<size_t>(month - 1)];
}

// Reads one field of StringToDate: blanks skipped, then a run of ASCII digits.
bool ReadField(std::string_view text, size_t& position, int& value)
{
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) {
        ++position;
    }
    const size_t start = position;
    long long number = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        if (position - start >= 9) {
            return false; // no field of a date needs ten digits
        }
        number = number * 10 + (text[position] - '0');
        ++position;
    }
    if (position == start) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool ReadLiteral(std::string_view text, size_t& position, char literal)
{
    if (position < text.size() && text[position] == literal) {
        ++position;
        return true;
    }
    return false;
}

int ClampToInt(std::int64_t value)
{
    constexpr std::int64_t kLimit = 1'000'000'000;
    return static_cast<int>(std::max(-kLimit, std::min(kLimit, value)));
}

} // namespace

Date DateNow()
{
    return Date{SystemSecondsNow()};
}

std::int64_t TickNow()
{
    return static_cast<std::int64_t>(std::trunc(MonotonicSecondsNow()));
}

LocalFields LocalFieldsOf(Date date)
{
    const std::tm t = LocalTm(date);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday + 1};
}

Date DateFromParts(int year, int month, int day, int hour, int minute, int second)
{
    // mktime with tm_isdst = -1 picks between the two instants of a repeated hour by what the
    // previous call anywhere in the process saw; both readings are tried instead, so the same fields
    // always give the same instant.
    std::tm want{};
    want.tm_year = year - 1900;
    want.tm_mon = month - 1;
    want.tm_mday = day;
    want.tm_hour = hour;
    want.tm_min = minute;
    want.tm_sec = second;
    timegm(&want); // carries out-of-range fields over, as on a clock without offsets
    std::array<std::time_t, 2> readings{};
    std::optional<std::time_t> exact;
    for (const int dst : {1, 0}) {
        std::tm t = want;
        t.tm_isdst = dst;
        const std::time_t at = std::mktime(&t);
        readings[static_cast<std::size_t>(dst)] = at;
        std::tm back{};
        localtime_r(&at, &back);
        const bool same = back.tm_year == want.tm_year && back.tm_mon == want.tm_mon &&
                          back.tm_mday == want.tm_mday && back.tm_hour == want.tm_hour &&
                          back.tm_min == want.tm_min && back.tm_sec == want.tm_sec;
        // A repeated hour: the first of the two.
        if (same && (!exact || at < *exact)) {
            exact = at;
        }
    }
    // A time the clock skips (spring forward) lies as far past the gap's start as it was meant to:
    // 02:30 becomes 03:30.
    const std::time_t at = exact ? *exact : std::max(readings[0], readings[1]);
    return Date{static_cast<double>(at)};
}

bool IsCalendarDay(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

Date DateAddDays(Date date, int n)
{
    const LocalFields f = LocalFieldsOf(date);
    const Date moved = DateFromParts(f.year, f.month, f.day + n, f.hour, f.minute, f.second);
    return Date{moved.seconds + FractionOf(date)};
}

Date DateAddHours(Date date, int n)
{
    return Date{date.seconds + 3600.0 * n};
}

Date DateAddMinutes(Date date, int n)
{
    return Date{date.seconds + 60.0 * n};
}

Date DateAddSeconds(Date date, int n)
{
    return Date{date.seconds + n};
}

Date DateWithTimeOf(Date day, Date time)
{
    const LocalFields d = LocalFieldsOf(day);
    const LocalFields t = LocalFieldsOf(time);
    return DateFromParts(d.year, d.month, d.day, t.hour, t.minute, t.second);
}

TimeOfDayValue TimeOfDay(Date date)
{
    const LocalFields f = LocalFieldsOf(date);
    return {f.hour, f.minute, f.second};
}

std::uint8_t WeekDayOf(Date date)
{
    return static_cast<std::uint8_t>(LocalFieldsOf(date).weekDay);
}

std::string DateToString(std::optional<Date> date)
{
    if (!date) {
        return {};
    }
    const LocalFields f = LocalFieldsOf(*date);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return buffer;
}

std::optional<Date> StringToDate(std::string_view text)
{
    int dashes = 0;
    int colons = 0;
    int spaces = 0;
    for (const char c : text) {
        dashes += c == '-';
        colons += c == ':';
        spaces += c == ' ';
    }

    // Each pattern is a sequence of fields (letters) and literals.
    std::string_view pattern;
    if (dashes == 0 && colons == 0) {
        return std::nullopt;
    } else if (dashes == 1 && colons == 0) {
        pattern = "y-M";
    } else if (dashes == 2 && colons == 0) {
        pattern = "y-M-d";
    } else if (dashes == 0 && colons == 1) {
        pattern = "H:m";
    } else if (dashes == 0 && colons == 2) {
        pattern = "H:m:s";
    } else if (dashes == 2 && spaces == 1 && colons == 1) {
        pattern = "y-M-d H:m";
    } else {
        pattern = "y-M-d H:m:s";
    }

    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    size_t position = 0;
    for (const char p : pattern) {
        int* field = nullptr;
        switch (p) {
        case 'y':
            field = &year;
            break;
        case 'M':
            field = &month;
            break;
        case 'd':
            field = &day;
            break;
        case 'H':
            field = &hour;
            break;
        case 'm':
            field = &minute;
            break;
        case 's':
            field = &second;
            break;
        default:
            if (!ReadLiteral(text, position, p)) {
                return std::nullopt;
            }
            continue;
        }
        if (!ReadField(text, position, *field)) {
            return std::nullopt;
        }
    }
    if (position != text.size()) {
        return std::nullopt;
    }
    if (!IsCalendarDay(year, month, day) || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    return DateFromParts(year, month, day, hour, minute, second);
}

bool DateIsBetween(Date x, Date low, Date high)
{
    return low.seconds <= x.seconds && x.seconds <= high.seconds;
}

Date GraphTimeToDate(std::string_view text)
{
    const auto slice = [text](size_t from, size_t length) {
        return from < text.size() ? ClampToInt(StrLeadingInt(text.substr(from, length))) : 0;
    };
    std::tm t{};
    t.tm_year = slice(0, 4) - 1900;
    t.tm_mon = slice(5, 2) - 1;
    t.tm_mday = slice(8, 2);
    t.tm_hour = slice(11, 2);
    t.tm_min = slice(14, 2);
    t.tm_sec = slice(17, 2);
    return Date{static_cast<double>(timegm(&t))};
}

std::string DateToUtcString(Date date)
{
    const auto whole = static_cast<std::time_t>(std::floor(date.seconds));
    std::tm t{};
    gmtime_r(&whole, &t);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buffer;
}

} // namespace rz
