// SPDX-License-Identifier: GPL-3.0-or-later
// The agent killed (SIGKILL) at random moments of fifty runs, in and between mirror cycles and
// engine runs: every file it keeps reads whole at the next start, and no reminder is lost.
#include "app_harness.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>

namespace rz {
namespace {

using test::Names;

constexpr int kRuns = 50;
constexpr int kWaitMs = 60000;

bool HasAll(const std::vector<test::StoredReminder>& list)
{
    return test::HasAll(list, test::SmallFixtureReminders());
}

TEST(KillTest, EveryFileReadsWholeAndNoReminderIsLost)
{
    test::EmulatorProcess emulator(test::FixtureOptions(test::SmallFixture()));
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    test::AppHome home;
    home.PointAt(emulator, true);
    const std::int64_t started = test::NowMs();
    // Fixed, so a failure can be run again as it was.
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMs(0, 1500);
    std::uniform_int_distribution<int> refreshes(1, 2);
    bool complete = false;
    int loadedRuns = 0;
    int earlyRefreshDeaths = 0;

    for (int run = 0; run < kRuns; ++run) {
        for (const std::string& file : home.DamagedFiles()) {
            ADD_FAILURE() << "before run " << run << ": not whole: " << file;
        }
        ASSERT_FALSE(home.Setting("OnlineOneNoteAccessToken").empty()) << "run " << run;
        const auto list = home.Reminders();
        if (complete) {
            EXPECT_TRUE(HasAll(list)) << "before run " << run << ":\n" << Names(list);
        }
        complete = complete || HasAll(list);
        loadedRuns += complete ? 1 : 0;

        // A section changes online, so the cycle writes its page list and the hierarchy anew.
        const char* sections[] = {"section-errands", "section-projects", "section-plans"};
        const std::string page = R"({"kind":"page","parentId":")" + std::string(sections[run % 3]) +
                                 R"(","title":"Filler )" + std::to_string(run) + R"("})";
        ASSERT_EQ(emulator.Post("/_emulator/add", page).status, 200);

        auto app = home.Start();
        const int killAfter = delayMs(random);
        const int signals = refreshes(random);
        for (int i = 0; i < signals; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfter / (signals + 1)));
            app->Signal(SIGUSR1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfter / (signals + 1)));
        app->Signal(SIGKILL);
        const auto status = app->WaitExit(10000);
        // A refresh request that comes before the agent installed its signal handlers ends it by
        // the signal's default action: a kill at an early moment all the same.
        earlyRefreshDeaths += status == 128 + SIGUSR1 ? 1 : 0;
        ASSERT_TRUE(status == 128 + SIGKILL || status == 128 + SIGUSR1)
            << "run " << run << " ended with " << status.value_or(-1) << "\n"
            << app->Stderr();
    }

    // One last run finishes a cycle and its engine run.
    auto app = home.Start();
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return HasAll(home.Reminders()); })) << Names(home.Reminders());
    ASSERT_TRUE(test::Settle(emulator, home));
    EXPECT_TRUE(home.DamagedFiles().empty());
    EXPECT_EQ(home.Reminders().size(), test::SmallFixtureReminders().size()) << Names(home.Reminders());
    app->Signal(SIGTERM);
    EXPECT_EQ(app->WaitExit(10000), 0) << app->Stderr();
    std::printf("kill test: %d runs killed (%d by an early SIGUSR1), %d of them after every reminder was "
                "stored, %.1f s\n",
                kRuns, earlyRefreshDeaths, loadedRuns, test::SecondsSince(started));
}

} // namespace
} // namespace rz
