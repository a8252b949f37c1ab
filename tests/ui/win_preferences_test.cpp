// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/preferences.h"
#include "qt_test_app.h"
#include "test_support.h"
#include "ui/win_preferences.h"

#include <QCheckBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace rz {
namespace {

// The file is replaced whole on each write, so a new inode tells a write apart from none.
ino_t Inode(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The settings file also holds the tokens: a keystroke that leaves every value as stored must not
// replace it, while a changed value is stored and handed on at once.
TEST(WinPreferencesTest, AChangedValueIsWrittenAndAnUnchangedOneIsNot)
{
    test::QtTestApp();
    test::TempDir folder;
    const std::string settings = folder.File("settings.plist");
    ASSERT_TRUE(SavePreferences(settings, TPreferences{}));
    std::vector<TPreferences> handed;
    WinPreferences::Hooks hooks;
    hooks.Changed = [&](const TPreferences& now) { handed.push_back(now); };
    WinPreferences window(settings, {{"s1", "Home \u203a Errands"}}, false, "https://example.invalid/readme",
                          hooks);
    auto* clientId = window.findChild<QLineEdit*>(QStringLiteral("clientIdEdit"));
    auto* late = window.findChild<QCheckBox*>(QStringLiteral("lateCheck"));
    ASSERT_TRUE(clientId && late);
    ASSERT_TRUE(late->isChecked());
    const ino_t before = Inode(settings);

    clientId->setText(QStringLiteral("  "));
    EXPECT_TRUE(handed.empty());
    EXPECT_EQ(Inode(settings), before);

    late->setChecked(false);
    ASSERT_EQ(handed.size(), 1U);
    EXPECT_FALSE(handed[0].LateAlarms);
    EXPECT_FALSE(LoadPreferences(settings).LateAlarms);
    EXPECT_NE(Inode(settings), before);
}

} // namespace
} // namespace rz
