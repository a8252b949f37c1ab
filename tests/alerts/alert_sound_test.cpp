// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alert_sound.h"
#include "core/preferences.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(AlertSoundTest, ThePreferencesChooseWhatAnAlertPlays)
{
    struct Case
    {
        bool sound;
        bool theme;
        const char* file;
        AlertSoundSource source;
    };
    const Case cases[] = {
        {false, true, "/tmp/bell.wav", AlertSoundSource::Silent},
        {true, true, "/tmp/bell.wav", AlertSoundSource::Theme}, // the file waits for the theme's turn off
        {true, false, "/tmp/bell.wav", AlertSoundSource::File},
        {true, false, "", AlertSoundSource::BuiltIn},
    };
    for (const Case& c : cases) {
        TPreferences preferences;
        preferences.AlertSound = c.sound;
        preferences.AlertSoundTheme = c.theme;
        preferences.AlertSoundFile = c.file;
        EXPECT_EQ(AlertSoundSourceFor(preferences), c.source) << c.sound << c.theme << c.file;
    }
}

} // namespace
} // namespace rz
