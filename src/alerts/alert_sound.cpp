// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alert_sound.h"

#include "core/preferences.h"

namespace rz {

AlertSoundSource AlertSoundSourceFor(const TPreferences& preferences)
{
    if (!preferences.AlertSound) {
        return AlertSoundSource::Silent;
    }
    if (preferences.AlertSoundTheme) {
        return AlertSoundSource::Theme;
    }
    return preferences.AlertSoundFile.empty() ? AlertSoundSource::BuiltIn : AlertSoundSource::File;
}

} // namespace rz
