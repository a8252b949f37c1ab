// SPDX-License-Identifier: GPL-3.0-or-later
// The built program on a Wayland session: a headless weston as the compositor and Qt's Wayland
// platform plugin, nothing of X11. Without a session bus there is no tray, so the main window is
// shown at start; an alert raises the pending window; SIGTERM quits cleanly. The program's own
// protocol log (WAYLAND_DEBUG=client) names each window it put on the compositor.
#include "running_app.h"
#include "util/files.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace rz {
namespace {

using test::kWaitMs;

std::string FindInPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// The window titles the program gave its toplevel surfaces, one a line.
std::string WindowTitles(const std::string& protocolLog)
{
    std::string titles;
    std::istringstream lines(protocolLog);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("xdg_toplevel@") != std::string::npos &&
            line.find(".set_title(") != std::string::npos) {
            titles += line.substr(line.find("xdg_toplevel@")) + "\n";
        }
    }
    return titles;
}

class WaylandSmokeTest : public testing::Test, public test::RunningApp
{
};

TEST_F(WaylandSmokeTest, ShowsTheMainWindowRaisesAnAlertAndQuits)
{
    const std::string weston = FindInPath("weston");
    if (weston.empty()) {
        GTEST_SKIP() << "no Wayland compositor: weston is not installed (scripts/install-deps installs it)";
    }
    if (!FileExists(RZ_QT_PLUGIN_DIR "/platforms/libqwayland-generic.so")) {
        GTEST_SKIP() << "Qt's Wayland platform plugin is not installed (qt6-wayland)";
    }

    const test::TempDir runtime;
    test::ChildProcess compositor(weston,
                                  {"--backend=headless-backend.so", "--socket=rz-wayland", "--idle-time=0",
                                   "--width=1280", "--height=800"},
                                  {{"XDG_RUNTIME_DIR", runtime.Path()}});
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return FileExists(runtime.File("rz-wayland")); }))
        << compositor.Stderr();

    emulator = std::make_unique<test::EmulatorProcess>(test::FixtureOptions(test::SmallFixture()));
    ASSERT_TRUE(emulator->Running()) << emulator->Error();
    home.PointAt(*emulator, true);
    const std::string homeFolder = home.SupportFolder().substr(0, home.SupportFolder().rfind('/'));
    test::Environment environment = test::AppEnvironment(homeFolder, home.SupportFolder());
    environment.emplace_back("WAYLAND_DISPLAY", runtime.File("rz-wayland"));
    environment.emplace_back("WAYLAND_DEBUG", "client");
    // Shared-memory buffers only (an unknown integration name loads none): the headless compositor
    // has no GPU, and Mesa's software driver, unloaded at exit, leaves an allocation the leak
    // checker can neither name nor suppress.
    environment.emplace_back("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "shm-only");
    // Qt's own option, ahead of the environment's offscreen platform.
    app = std::make_unique<test::ChildProcess>(RZ_APP_BINARY,
                                               std::vector<std::string>{"-platform", "wayland"}, environment);

    const std::string mainTitle = "set_title(\"Coming Reminders — RedoZevuviva\")";
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return app->Stderr().find(mainTitle) != std::string::npos; }))
        << "no main window on the compositor; the program said:\n"
        << app->Stderr().substr(0, 4000);
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] {
        return test::HasAll(home.Reminders(), test::SmallFixtureReminders());
    })) << test::Names(home.Reminders());

    // A refresh asked for while the first cycle still runs would wait for the next one.
    ASSERT_TRUE(test::Settle(*emulator, home)) << app->Stderr().substr(0, 4000);
    ASSERT_TRUE(Admin(
        "add", R"({"kind":"page","parentId":"section-errands","title":"Wayland !{{seconds:now+20s}}"})"));
    app->Signal(SIGUSR1);
    const std::string alertTitle = "set_title(\"Reminders Due — RedoZevuviva\")";
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return app->Stderr().find(alertTitle) != std::string::npos; }))
        << "no alert window; pending: " << test::Names(home.Pending());
    EXPECT_TRUE(test::HasReminder(home.Pending(), "Wayland !"));

    std::printf("%s", WindowTitles(app->Stderr()).c_str());
    Quit();
    compositor.Signal(SIGTERM);
    EXPECT_EQ(compositor.WaitExit(10000), 0) << compositor.Stderr();
}

} // namespace
} // namespace rz
