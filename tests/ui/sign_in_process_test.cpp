// SPDX-License-Identifier: GPL-3.0-or-later
// The program as its own sign-in window process, against the emulator with auto-consent.
#include "app/sign_in_window.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"
#include "ui/mwin_login.h"
#include "util/files.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <httplib.h>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace rz {
namespace {

// A window process on `home`'s data folder. Ends when it closes by itself, or is killed once the
// sign-in form stood for `patience` ms after `identity` served an authorize page (the window then
// waits for a user who never comes); killed counts as not ran.
SignInResult RunWindow(const std::string& home, int logInOrOut, const test::EmulatorProcess& identity,
                       int patience)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home + "/data"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    const long before = identity.RequestCount("authorize");
    child.start(QStringLiteral(RZ_APP_PATH), {QStringLiteral("--sign-in-window=%1").arg(logInOrOut)});
    if (!child.waitForStarted()) {
        return {};
    }
    int waited = 0;
    for (int total = 0; !child.waitForFinished(100); total += 100) {
        waited = identity.RequestCount("authorize") > before ? waited + 100 : 0;
        if (waited > patience || total > 60000) {
            child.kill();
            child.waitForFinished(10000);
            return {};
        }
    }
    SignInResult result = ParseSignInResult(child.readAllStandardOutput().toStdString());
    result.Ran = result.Ran && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return result;
}

void PointSettingsAt(const std::string& data, const std::string& identity, const std::string& account)
{
    MConfig settings(data + "/velaapp.plist");
    settings.WriteValueValueStr("GraphEndpoint", identity);
    settings.WriteValueValueStr("IdentityEndpoint", identity);
    settings.WriteValueValueStr("AccountEndpoint", account);
    settings.Save();
}

TEST(SignInProcessTest, ProgramSignsInAsItsOwnWindowAndReportsTheCode)
{
    test::EmulatorProcess::Options options;
    options.fixturePath = test::EmulatorProcess::FixturesDir() + "/sample.json";
    options.autoConsent = true;
    test::EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    test::TempDir home;
    const std::string data = home.Path() + "/data/Tidewell/RedoZevuviva";
    ASSERT_TRUE(CreateFolder(data));
    {
        MConfig settings(data + "/velaapp.plist");
        for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
            settings.WriteValueValueStr(key, emulator.BaseUrl());
        }
        ASSERT_TRUE(settings.Save());
    }

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.Path()));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home.Path() + "/data"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(RZ_APP_PATH), {QStringLiteral("--sign-in-window=0")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0);

    const SignInResult result = ParseSignInResult(child.readAllStandardOutput().toStdString());
    EXPECT_TRUE(result.Ran);
    EXPECT_TRUE(result.JustLoggedIn);
    EXPECT_FALSE(result.AuthorizationCode.empty());
    MConfig saved(data + "/velaapp.plist");
    EXPECT_FALSE(saved.ReadValueDefStr("OnlineOneNoteAccessToken", "").empty());
    EXPECT_FALSE(saved.ReadValueDefStr("OnlineOneNoteUserId", "").empty());
    EXPECT_EQ(saved.ReadValueDefStr("GraphEndpoint", ""), emulator.BaseUrl());
}

// A window the user cannot finish (no auto-consent: the form waits) killed from outside.
TEST(SignInProcessTest, KilledWindowCountsAsCancelledAndKeepsTheStoredAccount)
{
    test::EmulatorProcess::Options options;
    options.fixturePath = test::EmulatorProcess::FixturesDir() + "/sample.json";
    test::EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    test::TempDir home;
    AppState state;
    state.Paths = BuildAppPaths(home.Path() + "/data");
    PointSettingsAt(state.Paths.DataFolderPath, emulator.BaseUrl(), emulator.BaseUrl());
    state.AccessToken.Set("stored-at");
    state.UserId.Set("stored-user");
    MGlobalsOnline::SaveConfig(state);

    MGlobalsOnline::BeginSignIn(state, false);
    const SignInResult result = RunWindow(home.Path(), 0, emulator, 500);
    MGlobalsOnline::EndSignIn(state, result.AuthorizationCode, result.CodeVerifier);
    EXPECT_FALSE(result.Ran);
    EXPECT_EQ(state.AccessToken.Get(), "stored-at");
    EXPECT_EQ(state.UserId.Get(), "stored-user");
    struct stat info = {};
    ASSERT_EQ(::stat((state.Paths.DataFolderPath + "/" + kSignInProfileFolder).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// The identity platform's "stay signed in" cookie outlives the browser process; a sign-out must
// leave none for the next window process. The account host here keeps cookies on its sign-out
// page, so only the window's own clean-up can remove it.
TEST(SignInProcessTest, AfterASignOutANewWindowProcessFindsNoCookie)
{
    test::EmulatorProcess::Options options;
    options.fixturePath = test::EmulatorProcess::FixturesDir() + "/sample.json";
    test::EmulatorProcess identity(options);
    options.autoConsent = true;
    test::EmulatorProcess consenting(options);
    ASSERT_TRUE(identity.Running() && consenting.Running());
    httplib::Server account;
    account.Get("/oauth20_logout.srf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body>signed out</body></html>", "text/html");
    });
    account.Get("/oauth20_desktop.srf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body></body></html>", "text/html");
    });
    const int port = account.bind_to_any_port("127.0.0.1");
    std::thread serving([&account] { account.listen_after_bind(); });
    const std::string accountRoot = "http://127.0.0.1:" + std::to_string(port);
    test::TempDir home;
    const std::string data = home.Path() + "/data/Tidewell/RedoZevuviva";
    ASSERT_TRUE(CreateFolder(data));

    // Signed in once; the next window process signs in by the cookie alone, without the form.
    PointSettingsAt(data, consenting.BaseUrl(), accountRoot);
    EXPECT_TRUE(RunWindow(home.Path(), 0, consenting, 20000).Ran);
    PointSettingsAt(data, identity.BaseUrl(), accountRoot);
    // As long as the first: a window process starts slowly under the sanitizers on a busy machine.
    EXPECT_TRUE(RunWindow(home.Path(), 0, identity, 20000).Ran) << "the cookie did not last";

    // Signed out, and the window closed at the form.
    EXPECT_FALSE(RunWindow(home.Path(), 1, identity, 3000).Ran);
    EXPECT_FALSE(RunWindow(home.Path(), 0, identity, 3000).Ran) << "a cookie survived the sign-out";
    account.stop();
    serving.join();
}

TEST(SignInProcessTest, ResultLinesRoundTrip)
{
    SignInResult result;
    result.Ran = true;
    result.JustLoggedIn = true;
    result.AuthorizationCode = "M.code+with&odd=chars%";
    result.CodeVerifier = "aZ09-_aZ09-_aZ09-_aZ09-_aZ09-_aZ09-_aZ09-_a";
    const SignInResult back = ParseSignInResult("engine noise\n" + SignInResultText(result) + "more noise\n");
    EXPECT_TRUE(back.Ran);
    EXPECT_TRUE(back.JustLoggedIn);
    EXPECT_EQ(back.AuthorizationCode, result.AuthorizationCode);
    EXPECT_EQ(back.CodeVerifier, result.CodeVerifier);
    EXPECT_FALSE(ParseSignInResult("").Ran);
}

} // namespace
} // namespace rz
