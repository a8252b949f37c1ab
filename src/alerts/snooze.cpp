// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/snooze.h"

#include "util/delay_text.h"

namespace rz {

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
    case 1:
        return "strSnoozeFor1Minute";
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
    const std::optional<DelayText> delay = ReadDelayText(text);
    return delay ? std::optional(DelayFrom(*delay, now)) : std::nullopt;
}

} // namespace rz
