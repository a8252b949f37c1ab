// SPDX-License-Identifier: GPL-3.0-or-later
// The sign-in window in this process, offscreen, against the emulator's identity pages: the test
// fills and submits the sign-in form by running script in the page.
#include "account/endpoints.h"
#include "account/login_flow.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"
#include "ui/mwin_login.h"
#include "util/files.h"

#include <QApplication>
#include <QDir>
#include <QNetworkCookie>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace rz {
namespace {

using test::EmulatorProcess;

constexpr int kPageWaitMs = 30000;

QApplication& SignInTestApp()
{
    static QApplication* app = [] {
        PrepareSignInWebEngine();
        static int argc = 1;
        static char name[] = "rz-sign-in-test";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

constexpr const char* kAda = "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c";

EmulatorProcess::Options Options(int port = 0)
{
    EmulatorProcess::Options options;
    options.fixtureText = std::string(R"({"user": {"id": ")") + kAda +
                          R"(", "userPrincipalName": "ada@example.com"}, "notebooks": []})";
    options.port = port;
    return options;
}

class MWinLoginTest : public ::testing::Test
{
protected:
    MWinLoginTest() : emulator(Options())
    {
        SignInTestApp();
        state.Paths = BuildAppPaths(home.Path() + "/data");
    }
    void SetUp() override { ASSERT_TRUE(emulator.Running()) << emulator.Error(); }

    std::unique_ptr<MWinLogin> Open(int logInOrOut)
    {
        auto window = std::make_unique<MWinLogin>(state);
        window->LogInOrOut = logInOrOut;
        handled = std::make_unique<QSignalSpy>(window.get(), &MWinLogin::PageHandled);
        return window;
    }
    void Start(MWinLogin& window)
    {
        window.windowDidLoad();
        window.show();
    }
    // Waits for a handled page whose address contains the text.
    bool WaitForPage(const char* part)
    {
        return QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& args : *handled) {
                    if (args.at(0).toUrl().toString().contains(QLatin1String(part))) {
                        return true;
                    }
                }
                return false;
            },
            kPageWaitMs);
    }
    static QVariant Script(MWinLogin& window, const QString& script)
    {
        QVariant result;
        bool done = false;
        window.WebViewWin()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, kPageWaitMs)) {
            return {};
        }
        return result;
    }
    static bool HasForm(MWinLogin& window)
    {
        return Script(window, QStringLiteral("document.getElementById('login') !== null")).toBool();
    }
    // Fills and submits the sign-in form, then waits for the window to close.
    static bool SubmitForm(MWinLogin& window, const char* login)
    {
        Script(window, QStringLiteral("document.getElementById('login').value = '%1';"
                                      "document.getElementById('passwd').value = 'secret';"
                                      "document.getElementById('accept').click(); true")
                           .arg(QLatin1String(login)));
        return QTest::qWaitFor([&] { return !window.isVisible(); }, kPageWaitMs);
    }
    std::string Saved(const char* key) const
    {
        return MConfig(state.Paths.SettingsFilePath).ReadValueDefStr(key, "<absent>");
    }
    // Follows the profile's cookie store from now on: its cookies by name.
    static std::shared_ptr<QSet<QByteArray>> TrackCookies(MWinLogin& window)
    {
        auto names = std::make_shared<QSet<QByteArray>>();
        QWebEngineCookieStore* store = window.Profile()->cookieStore();
        QObject::connect(store, &QWebEngineCookieStore::cookieAdded, store,
                         [names](const QNetworkCookie& cookie) { names->insert(cookie.name()); });
        QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, store,
                         [names](const QNetworkCookie& cookie) { names->remove(cookie.name()); });
        store->loadAllCookies();
        return names;
    }

    // Answers in the profile's disk cache: the engine's entry files end in "_0".
    int CachedAnswers() const
    {
        const QString cache = QString::fromStdString(state.Paths.DataFolderPath + "/" + kSignInProfileFolder +
                                                     "/Cache/Cache_Data");
        return static_cast<int>(QDir(cache).entryList({QStringLiteral("*_0")}, QDir::Files).size());
    }

    test::TempDir home;
    test::ScopedEnv dataVar{"XDG_DATA_HOME", (home.Path() + "/data").c_str()};
    EmulatorProcess emulator;
    const test::ScopedEndpoints endpoints{emulator.BaseUrl()};
    AppState state;
    std::unique_ptr<QSignalSpy> handled;
};

TEST_F(MWinLoginTest, FormSignInSavesTheAccount)
{
    // A first sign-in, with no user before.
    {
        auto window = Open(0);
        Start(*window);
        ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
        ASSERT_TRUE(HasForm(*window));
        const QString agent = Script(*window, QStringLiteral("navigator.userAgent")).toString();
        EXPECT_TRUE(agent.contains(QLatin1String("Chrome/"))) << agent.toStdString();
        EXPECT_FALSE(agent.contains(QLatin1String("QtWebEngine"))) << agent.toStdString();
        ASSERT_TRUE(SubmitForm(*window, "ada@example.com"));
        EXPECT_EQ(window->result(), QDialog::Accepted);
    }
    EXPECT_FALSE(state.AuthorizationCode.Empty());
    EXPECT_FALSE(state.AccessToken.Empty());
    EXPECT_EQ(state.UserId.Get(), kAda);
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), kAda);
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), state.AccessToken.Get());
    // Which sign-ins count as a new account is MLoginFlow's, tested beside it.
    EXPECT_TRUE(state.JustLoggedIn);
}

TEST_F(MWinLoginTest, SignOutClearsTheAccountCookiesAndCacheThenShowsTheForm)
{
    state.AccessToken.Set("old-token");
    state.RefreshToken.Set("old-refresh");
    state.UserId.Set(kAda);
    state.UserPrincipalName.Set("ada@example.com");
    state.AuthorizationCode.Set("old-code");
    MGlobalsOnline::SaveConfig(state);
    // The emulator's own sign-out page forgets its cookie; this one keeps it, so only the window's
    // own clean-up can make the authorize page ask again.
    ASSERT_TRUE(emulator.QueueFault(R"({"route":"logout","status":200,"contentType":"text/html",)"
                                    R"("body":"<html><body>signed out</body></html>"})"));

    // The authorize page lands in the cache, and a lasting sign-in cookie joins it, with which the
    // authorize page would let the browser through without asking.
    auto window = Open(0);
    const auto cookies = TrackCookies(*window);
    Start(*window);
    ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
    Script(*window, QStringLiteral("document.cookie = 'ESTSAUTH=1; path=/; max-age=86400'; true"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return cookies->contains("ESTSAUTH"); }, 5000));
    ASSERT_GT(CachedAnswers(), 0);

    handled->clear();
    window->Logout();
    EXPECT_TRUE(window->Flow().m_Logout);
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), "");
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), "");
    EXPECT_TRUE(state.AuthorizationCode.Empty());
    ASSERT_TRUE(WaitForPage("/oauth20_logout.srf"));
    ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(HasForm(*window)) << "the sign-in cookie survived the sign-out";
    EXPECT_FALSE(window->Flow().m_Logout);
    EXPECT_FALSE(cookies->contains("ESTSAUTH"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return CachedAnswers() == 0; }, 5000)) << CachedAnswers();
    EXPECT_EQ(window->Profile()->httpCacheType(), QWebEngineProfile::NoCache);
    EXPECT_EQ(window->Profile()->persistentStoragePath().toStdString(),
              state.Paths.DataFolderPath + "/" + kSignInProfileFolder);
    EXPECT_EQ(emulator.RequestCount("logout"), 1);

    // Closing now keeps the signed-out account as it is.
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), "");
}

TEST_F(MWinLoginTest, FailedTokenRequestStillClosesTheWindow)
{
    // What the failure leaves in the account is MLoginFlow's, tested beside it.
    ASSERT_TRUE(emulator.QueueFault(R"({"route":"token","status":500,"body":"busy"})"));
    auto window = Open(0);
    Start(*window);
    ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
    ASSERT_TRUE(SubmitForm(*window, "ada@example.com"));
    EXPECT_TRUE(state.AccessToken.Empty());
    EXPECT_FALSE(state.AuthorizationCode.Empty());
}

TEST_F(MWinLoginTest, UnreachablePagesShowTheMessageAndRetrySignsInOnceTheServiceIsBack)
{
    const int port = emulator.Port();
    emulator.Stop();
    auto window = Open(0);
    Start(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->IsShowingUnreachable(); }, kPageWaitMs));
    EXPECT_TRUE(window->MessageText().contains(QLatin1String("127.0.0.1")))
        << window->MessageText().toStdString();
    EXPECT_TRUE(window->buttonRetry()->isVisible());
    EXPECT_TRUE(window->progressInd()->isHidden());

    EmulatorProcess back(Options(port));
    ASSERT_TRUE(back.Running()) << back.Error();
    handled->clear();
    window->buttonRetry()->click();
    EXPECT_FALSE(window->IsShowingUnreachable());
    ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
    ASSERT_TRUE(SubmitForm(*window, "ada@example.com"));
    EXPECT_EQ(state.UserId.Get(), kAda);
    EXPECT_TRUE(state.JustLoggedIn);
}

TEST_F(MWinLoginTest, EscapeCancelsAndKeepsTheStoredAccount)
{
    state.AccessToken.Set("token");
    state.UserId.Set(kAda);
    MGlobalsOnline::SaveConfig(state);
    auto window = Open(0);
    Start(*window);
    ASSERT_TRUE(WaitForPage("/common/oauth2/v2.0/authorize"));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(state.AccessToken.Get(), "token");
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), "token");
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), kAda);
    // The size and place are kept for the next window.
    EXPECT_NE(Saved("SignInWindowGeometry"), "<absent>");
}

} // namespace
} // namespace rz
