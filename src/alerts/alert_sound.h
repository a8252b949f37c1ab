// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

struct TPreferences;

// The freedesktop sound theme's name for an alarm that came due.
inline constexpr const char* kThemeAlarmSoundId = "alarm-clock-elapsed";

enum class AlertSoundSource {
    Silent,
    // The desktop's sound theme; where it has no such sound, or cannot play, the built-in sound.
    Theme,
    File,
    BuiltIn,
};

// What an alert plays, as the preferences choose: nothing with sounds off, the theme's sound when
// chosen, else the chosen file, else the built-in sound.
AlertSoundSource AlertSoundSourceFor(const TPreferences& preferences);

} // namespace rz
