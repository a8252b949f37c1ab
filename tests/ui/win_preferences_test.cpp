// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "shown_help.h"
#include "test_support.h"
#include "ui/win_preferences.h"
#include "ui_WinPreferences.h"

#include <QLabel>
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

// The link under the application id opens the steps that come with the program, not a web page.
TEST(WinPreferencesTest, ApplicationIdLinkOpensTheSetupSteps)
{
    test::QtTestApp();
    const test::TempDir dir;
    WinPreferences window(dir.File("s"), {}, false, "https://example.invalid/readme", {});
    QLabel* link = window.Form().clientIdLink;
    const QString text = test::ShownHelpText([&] { emit link->linkActivated(QStringLiteral("help:")); });
    EXPECT_TRUE(text.contains(QStringLiteral("oauth20_desktop.srf"))) << text.toStdString();
}

} // namespace
} // namespace rz
