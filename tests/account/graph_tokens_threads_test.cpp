// The worker's token upkeep while the main thread reads the account and saves it, as the sign-in
// window and the timer do.
#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "core/account_settings.h"
#include "core/app_state.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
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
    Endpoints endpoints;
    endpoints.GraphEndpoint = endpoints.IdentityEndpoint = endpoints.AccountEndpoint = emulator.BaseUrl();
    SetEndpoints(endpoints);

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
    SetEndpoints(Endpoints());

    EXPECT_EQ(highestCount, 0);
    EXPECT_EQ(tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_EQ(emulator.RequestCount("token"), kRefreshes);
    // Neither thread's save dropped the other's change.
    MGlobalsOnline::SaveConfig(state);
    MConfig saved(state.Paths.SettingsFilePath);
    EXPECT_EQ(saved.ReadValueDefStr("OnlineOneNoteRefreshToken", ""), state.RefreshToken.Get());
    EXPECT_EQ(saved.ReadValueDefStr("OnlineOneNoteUserPrincipalName", ""), "main@example.com");
}

} // namespace
} // namespace rz
