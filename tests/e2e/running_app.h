// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The set-up the end-to-end tests share: an emulator, a temporary home and the program started in it.
#include "app_harness.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace rz::test {

// Generous: the same tests run under AddressSanitizer, two to three times slower.
constexpr int kWaitMs = 60000;

class RunningApp
{
public:
    // The emulator serving `fixture`, the program started; with `withAccount` it starts signed in,
    // else its sign-in window runs (and signs in by itself with `autoConsent`).
    void Start(const std::string& fixture, bool withAccount, bool autoConsent = false)
    {
        emulator = std::make_unique<EmulatorProcess>(FixtureOptions(fixture, autoConsent));
        ASSERT_TRUE(emulator->Running()) << emulator->Error();
        home.PointAt(*emulator, withAccount);
        app = home.Start();
    }

    // The small fixture's account signed in, every reminder loaded and the program idle.
    void StartSignedIn()
    {
        ASSERT_NO_FATAL_FAILURE(Start(SmallFixture(), true));
        ASSERT_TRUE(WaitFor(kWaitMs, [&] { return HasAll(home.Reminders(), SmallFixtureReminders()); }))
            << Names(home.Reminders()) << app->Stderr();
        ASSERT_TRUE(Settle(*emulator, home)) << app->Stderr();
        ASSERT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
    }

    bool RefreshAndSettle() { return test::RefreshAndSettle(*app, *emulator, home, kWaitMs); }

    // An administration call of the emulator answered with 200.
    bool Admin(const std::string& call, const std::string& body)
    {
        return emulator->Post("/_emulator/" + call, body).status == 200;
    }

    // SIGTERM, a clean exit expected; the milliseconds it took.
    double Quit()
    {
        const std::int64_t started = NowMs();
        app->Signal(SIGTERM);
        EXPECT_EQ(app->WaitExit(10000), 0) << app->Stderr();
        app.reset();
        return static_cast<double>(NowMs() - started);
    }

    AppHome home;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<ChildProcess> app;
};

} // namespace rz::test
