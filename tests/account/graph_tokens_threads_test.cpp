// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's token upkeep while the main thread reads the account and saves it, as the sign-in
// window and the timer do.
#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "fake_secret_store.h"
#include "local_server.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace rz {
namespace {

TEST(GraphTokensThreadsTest, RefreshOnTheWorkerWhileTheMainThreadReadsAndSaves)
{
    test::EmulatorProcess::Options options;
    options.fixtureText = R"({"user": {"id": "u-1", "userPrincipalName": "ada@example.com"},
                             "tokens": {"refreshTokens": ["refresh+&=%token"]}, "notebooks": []})";
    test::EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const test::ScopedEndpoints endpoints(emulator.BaseUrl());

    test::TempDir folder;
    AppState state;
    state.Paths.SettingsFilePath = folder.File("velaapp.plist");
    state.RefreshToken.Set("refresh+&=%token");
    MGraphTokens tokens(state);

    constexpr int kRefreshes = 10;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kRefreshes; ++i) {
            tokens.RefreshTokens();
        }
        done = true;
    });
    std::int64_t highestCount = 0;
    while (!done) {
        state.UserPrincipalName.Set("main@example.com");
        MGlobalsOnline::SaveConfig(state);
        highestCount = std::max<std::int64_t>(highestCount, tokens.m_RefreshTokensErrorCount);
        (void)state.AccessToken.Get();
    }
    worker.join();

    EXPECT_EQ(highestCount, 0);
    EXPECT_EQ(tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_EQ(emulator.RequestCount("token"), kRefreshes);
    // Neither thread's save dropped the other's change.
    MGlobalsOnline::SaveConfig(state);
    MConfig saved(state.Paths.SettingsFilePath);
    EXPECT_EQ(saved.ReadValueDefStr("OnlineOneNoteRefreshToken", ""), state.RefreshToken.Get());
    EXPECT_EQ(saved.ReadValueDefStr("OnlineOneNoteUserPrincipalName", ""), "main@example.com");
}

TEST(GraphTokensThreadsTest, RefreshAnswerArrivingAfterASignOutIsDropped)
{
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> requests{0};
    test::LocalServer server;
    server.Server().Post("/common/oauth2/v2.0/token", [&](const httplib::Request&, httplib::Response& res) {
        if (++requests == 1) {
            arrived.set_value();
        }
        released.wait();
        res.set_content(R"({"access_token":"rotated-at","refresh_token":"rotated-rt"})", "application/json");
    });
    server.Start();
    Endpoints endpoints;
    endpoints.IdentityEndpoint = server.Root();
    const test::ScopedEndpoints scopedEndpoints(endpoints);

    test::TempDir folder;
    AppState state;
    state.Paths.SettingsFilePath = folder.File("velaapp.plist");
    state.AccessToken.Set("old-at");
    state.RefreshToken.Set("old-rt");
    state.UserId.Set("u-old");
    MGraphTokens tokens(state);
    std::thread worker([&] { tokens.RefreshTokens(); });
    arrived.get_future().wait();
    // The window signs out while the refresh is on its way; meanwhile the worker sends nothing.
    MGlobalsOnline::BeginSignIn(state, true);
    MGlobalsOnline::SaveConfig(state);
    state.RefreshToken.Set("old-rt");
    tokens.RefreshTokens();
    state.RefreshToken.Set({});
    release.set_value();
    worker.join();
    MGlobalsOnline::EndSignIn(state, {}); // closed without a new sign-in

    EXPECT_EQ(requests.load(), 1);
    EXPECT_EQ(state.AccessToken.Get(), "");
    EXPECT_EQ(state.RefreshToken.Get(), "");
    EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteRefreshToken", "x"), "");
    EXPECT_EQ(tokens.m_RefreshTokensErrorCount, 0);
}

TEST(GraphTokensThreadsTest, ASaveWaitingForTheKeyringHoldsNoLockTheMainThreadTakes)
{
    test::LocalServer server;
    server.Server().Post("/common/oauth2/v2.0/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"access_token":"new-at","refresh_token":"new-rt"})", "application/json");
    });
    server.Start();
    Endpoints endpoints;
    endpoints.IdentityEndpoint = server.Root();
    const test::ScopedEndpoints scopedEndpoints(endpoints);

    test::TempDir folder;
    test::FakeSecretStore keyring;
    AppState state;
    state.Paths = BuildAppPaths(folder.Path());
    state.Secrets = &keyring;
    state.RefreshToken.Set("old-rt");
    state.UserId.Set("u-1");
    MGraphTokens tokens(state);
    // The refresh's save waits for a keyring that has not answered yet (an unlock prompt).
    keyring.Close();
    std::thread worker([&] { tokens.RefreshTokens(); });
    keyring.WaitForWrite();
    // Sign In on the main thread goes ahead at once, and the save of the account it took over drops.
    auto signIn = std::async(std::launch::async, [&] { MGlobalsOnline::BeginSignIn(state, false); });
    const bool tookOver = signIn.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    keyring.Open();
    worker.join();
    EXPECT_TRUE(tookOver);
    EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteUserId", "none"), "none");
}

} // namespace
} // namespace rz
