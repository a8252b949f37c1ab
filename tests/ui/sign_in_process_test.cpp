// The program as its own sign-in window process, against the emulator with auto-consent.
#include "app/sign_in_window.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "test_support.h"
#include "util/files.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

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

TEST(SignInProcessTest, ResultLinesRoundTrip)
{
    SignInResult result;
    result.Ran = true;
    result.JustLoggedIn = true;
    result.AuthorizationCode = "M.code+with&odd=chars%";
    const SignInResult back = ParseSignInResult("engine noise\n" + SignInResultText(result) + "more noise\n");
    EXPECT_TRUE(back.Ran);
    EXPECT_TRUE(back.JustLoggedIn);
    EXPECT_EQ(back.AuthorizationCode, result.AuthorizationCode);
    EXPECT_FALSE(ParseSignInResult("").Ran);
}

} // namespace
} // namespace rz
