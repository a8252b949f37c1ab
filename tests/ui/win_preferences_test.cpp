// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "test_support.h"
#include "ui/win_preferences.h"
#include "ui_WinPreferences.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(WinPreferencesTest, AChangedValueIsStoredAndHandedOnAndAnUnchangedOneIsNot)
{
    test::QtTestApp();
    const test::TempDir dir;
    int handed = 0;
    WinPreferences window(dir.File("s"), {}, false, {}, {[&](const TPreferences&) { ++handed; }, {}, {}});
    window.Form().clientIdEdit->setText(QStringLiteral("  ")); // no value changed: the tokens' file stays
    window.Form().lateCheck->setChecked(false);
    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(WinPreferences(dir.File("s"), {}, false, {}, {}).Form().lateCheck->isChecked());
}

} // namespace
} // namespace rz
