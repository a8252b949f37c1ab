// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alarm_pause.h"

#include "core/settings_store.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace rz {

Date PauseEnd(PauseLength length, Date now)
{
    switch (length) {
    case PauseLength::OneHour:
        return DateAddHours(now, 1);
    case PauseLength::UntilTomorrow: {
        // The next morning: a pause chosen in the evening must not end in the night, and one chosen
        // after midnight must not last a whole day.
        const LocalFields today = LocalFieldsOf(now);
        const Date thisMorning = DateFromParts(today.year, today.month, today.day, kPauseTomorrowHour, 0, 0);
        return now < thisMorning
                   ? thisMorning
                   : DateFromParts(today.year, today.month, today.day + 1, kPauseTomorrowHour, 0, 0);
    }
    case PauseLength::UntilResumed:
        break;
    }
    return Date{static_cast<double>(kAlarmsPausedUntilResumed)};
}

bool MorningPauseEndsTomorrow(Date now)
{
    const LocalFields today = LocalFieldsOf(now);
    const LocalFields end = LocalFieldsOf(PauseEnd(PauseLength::UntilTomorrow, now));
    return end.day != today.day || end.month != today.month || end.year != today.year;
}

TAlarmPause::TAlarmPause(std::string settingsFilePath) : m_SettingsFilePath(std::move(settingsFilePath))
{
    const std::int64_t stored = MConfig(m_SettingsFilePath).ReadValueDefInt(kAlarmsPausedUntilKey, 0);
    if (stored > 0) {
        m_Until = Date{static_cast<double>(std::min(stored, kAlarmsPausedUntilResumed))};
    }
}

bool TAlarmPause::Pause(PauseLength length, Date now)
{
    m_Until = PauseEnd(length, now);
    MConfigTransaction settings(m_SettingsFilePath);
    settings->WriteValueValueInt(kAlarmsPausedUntilKey,
                                 static_cast<std::int64_t>(std::ceil(m_Until->seconds)));
    return settings->Save();
}

bool TAlarmPause::Resume()
{
    m_Until.reset();
    MConfigTransaction settings(m_SettingsFilePath);
    settings->WriteValueValueInt(kAlarmsPausedUntilKey, 0);
    return settings->Save();
}

std::optional<Date> TAlarmPause::PausedUntil(Date now) const
{
    if (m_Until && now < *m_Until) {
        return m_Until;
    }
    return std::nullopt;
}

bool TAlarmPause::UntilResumed(Date now) const
{
    const std::optional<Date> until = PausedUntil(now);
    return until && until->seconds >= static_cast<double>(kAlarmsPausedUntilResumed);
}

} // namespace rz
