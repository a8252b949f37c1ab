// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/autostart.h"
#include "test_support.h"
#include "util/files.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(AutostartTest, WritesAndRemovesTheEntryInTheConfigFolder)
{
    const test::TempDir home;
    const test::ScopedEnv xdg("XDG_CONFIG_HOME", (home.Path() + "/config").c_str());
    const std::string path = home.Path() + "/config/autostart/redozevuviva.desktop";
    EXPECT_EQ(AutostartFilePath(), path);
    EXPECT_FALSE(IsAutostartEnabled());

    ASSERT_TRUE(SetAutostartEnabled(true, "/usr/bin/redozevuviva"));
    EXPECT_TRUE(IsAutostartEnabled());
    const std::string text = test::ReadFileBytes(path);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/usr/bin/redozevuviva\"\n"), std::string::npos);

    ASSERT_TRUE(SetAutostartEnabled(false, "/usr/bin/redozevuviva"));
    EXPECT_FALSE(IsAutostartEnabled());
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(SetAutostartEnabled(false, "/usr/bin/redozevuviva"));
}

TEST(AutostartTest, FallsBackToHomeConfig)
{
    const test::TempDir home;
    const test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/not/used");
    const test::ScopedEnv homeVar("HOME", home.Path().c_str());
    EXPECT_EQ(AutostartFilePath(), home.Path() + "/.config/autostart/redozevuviva.desktop");
}

TEST(AutostartTest, QuotesTheExecutablePath)
{
    struct Case
    {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/opt/Redo Z/bin/app", "Exec=\"/opt/Redo Z/bin/app\"\n"},
        {"/opt/a\"b$c`d", "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d\"\n"},
        {"/opt/back\\slash", "Exec=\"/opt/back\\\\\\\\slash\"\n"},
        {"/opt/100%", "Exec=\"/opt/100%%\"\n"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(AutostartEntryText(c.path).find(c.exec), std::string::npos) << c.path;
    }
    EXPECT_EQ(AutostartEntryText("relative/app"), "");
    EXPECT_EQ(AutostartEntryText("/opt/app\nExec=/bin/evil"), "");
}

TEST(AutostartTest, CarriesTheDataHomeTheAgentRunsWith)
{
    EXPECT_NE(AutostartEntryText("/usr/bin/redozevuviva", "/home/ada/Work data")
                  .find("\nExec=\"/usr/bin/redozevuviva\" --data-home \"/home/ada/Work data\"\n"),
              std::string::npos);
    EXPECT_EQ(AutostartEntryText("/usr/bin/redozevuviva", "relative"), "");
    EXPECT_EQ(AutostartEntryText("/usr/bin/redozevuviva", "/data\nExec=/bin/evil"), "");
}

TEST(AutostartTest, TheLoginStartWaitsForThePanelWhereTheDesktopCan)
{
    const std::string entry = AutostartEntryText("/usr/bin/redozevuviva");
    for (const char* line :
         {"\nX-GNOME-Autostart-Delay=5\n", "\nX-KDE-autostart-after=panel\n", "\nX-LXQt-Need-Tray=true\n"}) {
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    }
}

} // namespace
} // namespace rz
