// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/app_delegate.h"
#include "core/settings_store.h"
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rz::test {

// A time of the tests' day, 2026-03-04.
inline Date At(int hour, int minute, int second)
{
    return DateFromParts(2026, 3, 4, hour, minute, second);
}

// The controller launched in a private HOME with a fake clock at 09:00 of that day (UTC) and the
// service out of reach.
class AppDelegateTest : public testing::Test
{
protected:
    AppDelegateTest()
    {
        QtTestApp();
        CreateFolder(DataFolder());
        // The controller's mirror worker runs for real; it finds nothing listening here.
        MConfig settings(DataFile("velaapp.plist"));
        for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
            settings.WriteValueValueStr(key, "http://127.0.0.1:9");
        }
        settings.Save();
    }

    std::string DataFolder() const { return home.Path() + "/data/Tidewell/RedoZevuviva"; }
    std::string DataFile(const char* name) const { return DataFolder() + "/" + name; }

    // Saves an account as the sign-in window does.
    void SignIn(const char* token = "token", const char* userId = "user")
    {
        MConfig settings(DataFile("velaapp.plist"));
        settings.WriteValueValueStr("OnlineOneNoteAccessToken", token);
        settings.WriteValueValueStr("OnlineOneNoteUserId", userId);
        settings.Save();
    }
    void StoreReminders(const std::vector<std::pair<std::string, Date>>& oneOffs)
    {
        TReminderList list;
        for (const auto& [id, time] : oneOffs) {
            list.AddUnique(kPageTitleReminder, id + " !", id, id, "onenote:" + id, time, 0,
                           DefaultWeekDays());
        }
        list.SaveToFile(DataFile("Reminders.plist"));
    }
    bool Launch()
    {
        state = std::make_unique<AppState>();
        app = std::make_unique<AppDelegate>(*state);
        // A real audio stream can hold the test process at exit on machines without a sound server.
        app->SetAlertSoundPlayer([this] { ++soundsPlayed; });
        app->SetSignInRunner([this](int logInOrOut) {
            signInCalls.push_back(logInOrOut);
            accountAtSignIn = state->AccessToken.Get() + "/" + state->AuthorizationCode.Get();
            return signInWindow ? signInWindow(logInOrOut) : SignInResult{};
        });
        return app->applicationDidFinishLaunching();
    }
    void Quit()
    {
        app.reset();
        state.reset();
    }
    void TickAt(Date now)
    {
        clock.Set(now.seconds);
        app->TimerRun();
    }

    ScopedTimeZone zone{"UTC"};
    ScopedFakeClock clock{At(9, 0, 0).seconds};
    TempDir home;
    ScopedEnv homeVar{"HOME", home.Path().c_str()};
    ScopedEnv dataVar{"XDG_DATA_HOME", (home.Path() + "/data").c_str()};
    ScopedEnv configVar{"XDG_CONFIG_HOME", (home.Path() + "/config").c_str()};
    // Stands in for the sign-in window's process: saves an account as the window does.
    SignInResult WindowSignsIn(const char* token, const char* userId, bool justLoggedIn)
    {
        SignIn(token, userId);
        SignInResult result;
        result.Ran = true;
        result.JustLoggedIn = justLoggedIn;
        result.AuthorizationCode = "captured-code";
        return result;
    }

    std::unique_ptr<AppState> state;
    std::unique_ptr<AppDelegate> app;
    int soundsPlayed = 0;
    std::function<SignInResult(int)> signInWindow;
    std::vector<int> signInCalls;
    std::string accountAtSignIn;
};

} // namespace rz::test
