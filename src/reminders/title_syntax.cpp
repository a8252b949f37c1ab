// SPDX-License-Identifier: GPL-3.0-or-later
// The page-title reminder syntax: class operations of TAReminder. Positions and fixed places count
// UTF-16 code units, so a title with accents or emoji reads like an ASCII title with the same
// code-unit layout.
#include "reminders/reminder.h"
#include "util/text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unicode/uchar.h>

namespace rz {

namespace {

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank16(char16_t c)
{
    return c == u'\t' || u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR;
}

// Leading integer of Y[first, first + count): blanks skipped, optional sign, ASCII digits. The
// caller guarantees the slice lies within Y.
std::int64_t SliceInt(const std::u16string& y, std::size_t first, std::size_t count)
{
    const std::u16string_view slice = std::u16string_view(y).substr(first, count);
    std::size_t i = 0;
    while (i < slice.size() && IsBlank16(slice[i])) {
        ++i;
    }
    bool negative = false;
    if (i < slice.size() && (slice[i] == u'+' || slice[i] == u'-')) {
        negative = slice[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    while (i < slice.size() && slice[i] >= u'0' && slice[i] <= u'9') {
        value = value * 10 + (slice[i] - u'0');
        ++i;
    }
    return negative ? -value : value;
}

// The title after `position` code units, trimmed, in UTF-16.
std::u16string TrimmedRest(const std::u16string& title16, std::size_t position)
{
    if (position >= title16.size()) {
        return {};
    }
    return Utf8ToUtf16(StrTrim(Utf16ToUtf8(std::u16string_view(title16).substr(position))));
}

} // namespace

namespace detail {

// Pages write a second space as "&nbsp;", so two spaces before the time are common and must not
// shift the fixed places. The stored title keeps its own spaces; the reported positions count in
// this reading.
std::string ReadableTitle(std::string_view title)
{
    constexpr std::string_view kNoBreakSpace = "\xC2\xA0";
    std::string text;
    text.reserve(title.size());
    for (std::size_t i = 0; i < title.size();) {
        const bool noBreak = title.substr(i, kNoBreakSpace.size()) == kNoBreakSpace;
        if (noBreak || title[i] == ' ') {
            if (text.empty() || text.back() != ' ' ||
                !(text.size() >= 2 && IsAsciiDigit(text[text.size() - 2]))) {
                text += ' ';
            }
            i += noBreak ? kNoBreakSpace.size() : 1;
            continue;
        }
        text += title[i++];
    }
    return text;
}

} // namespace detail

namespace {

using detail::ReadableTitle;

bool InRange(std::int64_t value, std::int64_t low, std::int64_t high)
{
    return value >= low && value <= high;
}

bool ReadRepeating(std::string_view title, const std::u16string& title16, std::size_t a, Date now,
                   std::optional<Date>& DT, std::int64_t& ReminderType, std::int64_t& DTStart,
                   std::int64_t& DTEnd, WeekDayFlags& WeekDay)
{
    TAReminder::GetRepeatWeekDay(title, WeekDay);
    // The weekday list, when present, stays in the date text: the whole-text reading then fails and
    // the fixed places below supply the time of day.
    DT = StringToDate(StrBetween(title, "!!", ""));
    if (DT) {
        ReminderType = kReminderTypeRepeating;
        DTStart = static_cast<std::int64_t>(a);
        DTEnd = static_cast<std::int64_t>(title16.size());
        return true;
    }

    const std::u16string y = TrimmedRest(title16, a + 2);
    if (y.size() < 2) {
        return false;
    }
    const std::int64_t hour = SliceInt(y, 0, 2);
    if (!InRange(hour, 0, 23)) {
        return false;
    }

    const auto start = static_cast<std::int64_t>(a);
    DTStart = start;
    DTEnd = 0;
    std::int64_t minute = 0;
    if (y.size() >= 5) {
        minute = SliceInt(y, 3, 2);
        if (!InRange(minute, 0, 59)) {
            minute = 0;
            DTEnd = start + 4;
        }
    }
    std::int64_t second = 0;
    if (DTEnd == 0 && y.size() >= 8) {
        second = SliceInt(y, 6, 2);
        if (InRange(second, 0, 59)) {
            DTEnd = start + 10;
        } else {
            second = 0;
            DTEnd = start + 7;
        }
    }

    const LocalFields today = LocalFieldsOf(now);
    const TimeOfDayValue at{static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second)};
    DT = DateFromParts(today.year, today.month, today.day, at.hour, at.minute, at.second);
    // Today's clock skips that time (spring forward): the day before carries the time of day.
    if (TimeOfDay(*DT) != at) {
        DT = DateFromParts(today.year, today.month, today.day - 1, at.hour, at.minute, at.second);
    }
    ReminderType = kReminderTypeRepeating;
    return true;
}

// A date read without a time, at the time of day chosen for such dates.
Date WithDateOnlyTime(Date date, TimeOfDayValue at)
{
    if (at == TimeOfDayValue{}) {
        return date;
    }
    return DateWithTimeOf(date, DateFromParts(2000, 1, 1, at.hour, at.minute, at.second));
}

bool ReadOneOff(std::string_view title, const std::u16string& title16, std::size_t g, std::optional<Date>& DT,
                std::int64_t& ReminderType, std::int64_t& DTStart, std::int64_t& DTEnd,
                TimeOfDayValue dateOnlyAt)
{
    const std::string x = StrBetween(title, "!", "");
    DT = StringToDate(x);
    if (DT) {
        // "yyyy-MM" and "yyyy-MM-dd" are the patterns without a colon.
        if (x.find(':') == std::string::npos) {
            DT = WithDateOnlyTime(*DT, dateOnlyAt);
        }
        ReminderType = kReminderTypeOneOff;
        DTStart = static_cast<std::int64_t>(g);
        DTEnd = static_cast<std::int64_t>(title16.size());
        return true;
    }

    const std::u16string y = TrimmedRest(title16, g + 1);
    if (y.size() < 4) {
        return false;
    }
    const std::int64_t year = SliceInt(y, 0, 4);
    if (!InRange(year, 1000, 4000)) {
        return false;
    }

    const auto start = static_cast<std::int64_t>(g);
    std::int64_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
    DTStart = start;
    DTEnd = 0;

    // Fields at fixed places after the year, read in order while they are in range. A field out of
    // range ends the reading and marks where the date text ends; a text too short for a field leaves
    // it and the later ones at their defaults.
    struct Field
    {
        std::size_t at;
        std::int64_t low, high;
        std::int64_t* value;
    };
    const Field fields[] = {
        {5, 1, 12, &month}, {8, 1, 31, &day}, {11, 0, 23, &hour}, {14, 0, 59, &minute}, {17, 0, 59, &second}};
    for (const Field& f : fields) {
        if (y.size() < f.at + 2) {
            break;
        }
        const std::int64_t v = SliceInt(y, f.at, 2);
        if (!InRange(v, f.low, f.high)) {
            DTEnd = start + static_cast<std::int64_t>(f.at);
            break;
        }
        *f.value = v;
        if (f.value == &second) {
            DTEnd = start + 20;
        }
    }

    DT = DateFromParts(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                       static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
    // Read whole and too short for an hour: a date without a time.
    if (DTEnd == 0 && y.size() < 13) {
        DT = WithDateOnlyTime(*DT, dateOnlyAt);
    }
    ReminderType = kReminderTypeOneOff;
    return true;
}

} // namespace

bool TAReminder::PageTitleReminder_GetDateTime(std::string_view title, std::optional<Date>& DT,
                                               std::int64_t& ReminderType, std::int64_t& DTStart,
                                               std::int64_t& DTEnd, WeekDayFlags& WeekDay,
                                               TimeOfDayValue dateOnlyAt)
{
    ReminderType = kReminderTypeNone;
    const Date now = DateNow();
    const std::string readable = ReadableTitle(title);
    title = readable;
    const std::u16string title16 = Utf8ToUtf16(title);

    const std::size_t a = title16.find(u"!!");
    if (a != std::u16string::npos) {
        return ReadRepeating(title, title16, a, now, DT, ReminderType, DTStart, DTEnd, WeekDay);
    }

    const std::size_t g = title16.find(u'!');
    if (g != std::u16string::npos) {
        return ReadOneOff(title, title16, g, DT, ReminderType, DTStart, DTEnd, dateOnlyAt);
    }
    return false;
}

std::string TAReminder::TitleDisplayText(std::string_view title)
{
    std::optional<Date> dt;
    std::int64_t type = kReminderTypeNone, start = 0, end = 0;
    WeekDayFlags weekDay = DefaultWeekDays();
    if (!PageTitleReminder_GetDateTime(title, dt, type, start, end, weekDay)) {
        return StrTrim(title);
    }
    // The reader's positions count in its own reading of the title, so the marker is found in that
    // reading too; it shows no-break spaces as the spaces they stand for.
    const std::string readable = ReadableTitle(title);
    const bool repeating = type == kReminderTypeRepeating;
    const std::size_t marker = readable.find(repeating ? "!!" : "!");
    if (marker == std::string::npos) {
        return StrTrim(title);
    }
    const std::string before = StrTrim(std::string_view(readable).substr(0, marker));
    // What the date text is made of: digits and separators, and a weekday list after "!!". Words
    // the reader took for a time of day ("!! later") are the user's and stay.
    constexpr std::string_view kDateText = "0123456789-:. \t[],";
    std::string_view rest = std::string_view(readable).substr(marker + (repeating ? 2 : 1));
    const std::size_t words = rest.find_first_not_of(kDateText);
    rest = words == std::string_view::npos ? std::string_view() : rest.substr(words);
    const std::string after = StrTrim(rest);
    if (before.empty() && after.empty()) {
        return StrTrim(title);
    }
    if (before.empty() || after.empty()) {
        return before + after;
    }
    return before + " " + after;
}

bool TAReminder::GetRepeatWeekDay(std::string_view title, WeekDayFlags& weekDay)
{
    weekDay = DefaultWeekDays();
    const std::string rest = StrBetween(title, "!!", "");
    if (rest.empty()) {
        return false;
    }
    const std::string list = StrBetween(rest, "[", "]");
    if (list.empty()) {
        return false;
    }

    std::size_t begin = 0;
    while (begin <= list.size()) {
        std::size_t end = list.find(',', begin);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string item = StrTrim(std::string_view(list).substr(begin, end - begin));
        if (item.size() == 1 && item[0] >= '1' && item[0] <= '7') {
            // Title digits run Monday = 1 … Sunday = 7; flags run Sunday = 0 … Saturday = 6. Built, not
            // assigned from a literal, which GCC 12 misreports under -Wrestrict.
            const int digit = item[0] - '0';
            weekDay[static_cast<std::size_t>(digit % 7)] = std::string(1, '1');
        }
        begin = end + 1;
    }
    return false;
}

bool TAReminder::PageTimeRepeatable_Is(std::string_view title)
{
    return StrStartsWith("!!", StrTrim(title));
}

bool TAReminder::PageHasTagReminder(std::string_view title)
{
    const std::string trimmed = StrTrim(title);
    return StrStartsWith("!", trimmed) && !StrStartsWith("!!", trimmed);
}

} // namespace rz
