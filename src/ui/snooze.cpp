// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/snooze.h"

#include "util/text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace rz {
namespace {

struct SnoozeUnit
{
    const char* Word;
    // A typed number is clamped to ten years of its unit, so calendar arithmetic cannot overflow.
    std::int64_t Limit;
    Date (*Add)(Date, int);
};

constexpr SnoozeUnit kUnits[] = {
    {"minute", 10LL * 366 * 24 * 60, DateAddMinutes},
    {"hour", 10LL * 366 * 24, DateAddHours},
    {"day", 10LL * 366, DateAddDays},
};

// Only the ASCII unit words are searched for, so ASCII case folding is all that is needed; other
// bytes stay as they are.
std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

} // namespace

Date OneSnoozeUntil(TOneSnooze choice, Date now)
{
    switch (choice) {
    case TOneSnooze::FiveMinutes:
        return DateAddMinutes(now, 5);
    case TOneSnooze::FifteenMinutes:
        return DateAddMinutes(now, 15);
    case TOneSnooze::OneHour:
        return DateAddHours(now, 1);
    case TOneSnooze::Tomorrow:
        return DateAddDays(now, 1);
    }
    return now;
}

const char* OneSnoozeTextKey(TOneSnooze choice)
{
    switch (choice) {
    case TOneSnooze::FiveMinutes:
        return "strSnoozeOne5Minutes";
    case TOneSnooze::FifteenMinutes:
        return "strSnoozeOne15Minutes";
    case TOneSnooze::OneHour:
        return "strSnoozeOne1Hour";
    case TOneSnooze::Tomorrow:
        return "strSnoozeOneTomorrow";
    }
    return "";
}

const char* SnoozeChoiceTextKey(int minutes)
{
    switch (minutes) {
    case 5:
        return "strSnoozeFor5Minutes";
    case 10:
        return "strSnoozeFor10Minutes";
    case 15:
        return "strSnoozeFor15Minutes";
    case 30:
        return "strSnoozeFor30Minutes";
    case 60:
        return "strSnoozeFor1Hour";
    case 120:
        return "strSnoozeFor2Hours";
    case 1440:
        return "strSnoozeFor1Day";
    default:
        return "strSnoozeForMinutes";
    }
}

Date SnoozeUntilMinutes(int minutes, Date now)
{
    constexpr int kMinutesPerDay = 24 * 60;
    return minutes % kMinutesPerDay == 0 ? DateAddDays(now, minutes / kMinutesPerDay)
                                         : DateAddMinutes(now, minutes);
}

std::optional<Date> SnoozeTimeFromText(std::string_view text, Date now)
{
    const std::string lower = AsciiLower(text);
    for (const SnoozeUnit& unit : kUnits) {
        if (lower.find(unit.Word) == std::string::npos) {
            continue;
        }
        const std::int64_t number =
            std::clamp(StrLeadingInt(StrTrim(StrBetween(lower, "", unit.Word))), -unit.Limit, unit.Limit);
        return unit.Add(now, static_cast<int>(number));
    }
    return std::nullopt;
}

} // namespace rz
