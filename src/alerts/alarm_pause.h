// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rz {

// The settings file's key for the end of a pause the user chose: seconds since 1970, absent or 0
// when none, kAlarmsPausedUntilResumed for a pause without an end. Written only by TAlarmPause.
inline constexpr const char* kAlarmsPausedUntilKey = "AlarmsPausedUntil";
inline constexpr std::int64_t kAlarmsPausedUntilResumed = 253402300799; // 9999-12-31 23:59:59 UTC
// A pause "until morning" ends at the next time the local clock shows this hour.
inline constexpr int kPauseTomorrowHour = 7;

enum class PauseLength {
    OneHour,
    UntilTomorrow,
    UntilResumed,
};

// Whether alarms wait: paused by the user from the tray, or held while the desktop's notification
// server is in do-not-disturb. While they wait the due check does not run, so nothing rings and
// nothing is lost; its first check afterwards reaches back to the last one (TDueCheck) and rings,
// once and marked late, what came due meanwhile. The pause is kept in the settings file, so a
// restart during it keeps waiting and the due check's own file keeps the last check. Main thread.
class TAlarmPause
{
public:
    // Reads the stored pause.
    explicit TAlarmPause(std::string settingsFilePath);

    // Pauses from `now` and stores the end. False when the settings file could not be written
    // (the pause then holds for this run only).
    bool Pause(PauseLength length, Date now);
    // Ends the pause at once and stores that.
    bool Resume();

    // The end of the user's pause, when one holds at `now`; kAlarmsPausedUntilResumed as a date for
    // a pause without an end.
    std::optional<Date> PausedUntil(Date now) const;
    bool UntilResumed(Date now) const;
    // True while the due check waits.
    bool Holds(Date now, bool doNotDisturb) const { return doNotDisturb || PausedUntil(now).has_value(); }

private:
    std::string m_SettingsFilePath;
    std::optional<Date> m_Until;
};

// The end of a pause of `length` chosen at `now`.
Date PauseEnd(PauseLength length, Date now);
// True when the morning a pause until morning chosen at `now` ends on is tomorrow's, false when it is
// this one's (chosen after midnight).
bool MorningPauseEndsTomorrow(Date now);

} // namespace rz
