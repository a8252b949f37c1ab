// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/endpoints.h"
#include "core/settings_store.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/json.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

class EndpointsTest : public ::testing::Test
{
protected:
    void TearDown() override { SetEndpoints(Endpoints()); }

    test::TempDir m_Folder;
};

TEST_F(EndpointsTest, MissingFileGivesTheDefaults)
{
    const Endpoints endpoints = LoadEndpoints(m_Folder.File("velaapp.plist"));
    EXPECT_EQ(endpoints.GraphEndpoint, "https://graph.microsoft.com");
    EXPECT_EQ(endpoints.IdentityEndpoint, "https://login.microsoftonline.com");
    EXPECT_EQ(endpoints.AccountEndpoint, "https://login.live.com");
    EXPECT_EQ(endpoints.ClientId, "3f1c9a20-5b7e-4d18-9c61-0a2e7d4b8f53");
    EXPECT_FALSE(endpoints.WebsiteUrl.empty());
    EXPECT_FALSE(endpoints.SupportEmail.empty());
}

TEST_F(EndpointsTest, SettingsKeysReplaceTheDefaults)
{
    const std::string file = m_Folder.File("velaapp.plist");
    {
        MConfig config(file);
        config.WriteValueValueStr("GraphEndpoint", "http://127.0.0.1:4001/");
        config.WriteValueValueStr("IdentityEndpoint", "http://127.0.0.1:4002");
        config.WriteValueValueStr("AccountEndpoint", "http://127.0.0.1:4003//");
        config.WriteValueValueStr("ClientId", "my-client");
        config.WriteValueValueStr("WebsiteUrl", "https://example.org/");
        config.WriteValueValueStr("SupportEmail", "");
        config.WriteValueValueStr("OnlineOneNoteAccessToken", "kept");
        ASSERT_TRUE(config.Save());
    }
    AppState state;
    state.Paths.SettingsFilePath = file;
    ConfigureEndpoints(state);

    const Endpoints endpoints = CurrentEndpoints();
    EXPECT_EQ(endpoints.GraphEndpoint, "http://127.0.0.1:4001");
    EXPECT_EQ(endpoints.IdentityEndpoint, "http://127.0.0.1:4002");
    EXPECT_EQ(endpoints.AccountEndpoint, "http://127.0.0.1:4003");
    EXPECT_EQ(endpoints.ClientId, "my-client");
    EXPECT_EQ(endpoints.WebsiteUrl, "https://example.org/");
    EXPECT_EQ(endpoints.SupportEmail, Endpoints().SupportEmail); // empty keeps the default
    EXPECT_EQ(state.ClientId.Get(), "my-client");

    EXPECT_EQ(TokenEndpointAddress(), "http://127.0.0.1:4002/common/oauth2/v2.0/token");
    EXPECT_EQ(RedirectAddress(), "http://127.0.0.1:4003/oauth20_desktop.srf");
    EXPECT_EQ(CurrentUserAddress(), "http://127.0.0.1:4001/v1.0/me");
    EXPECT_EQ(GraphRootAddress(), "http://127.0.0.1:4001/");
    EXPECT_EQ(GraphBaseAddress("abc", false), "http://127.0.0.1:4001/v1.0/me");
    EXPECT_EQ(GraphBaseAddress("a-b", false), "http://127.0.0.1:4001/v1.0/users/a-b");

    // Reading the endpoints never writes the settings file.
    MConfig reread(file);
    EXPECT_EQ(reread.ReadValueDefStr("OnlineOneNoteAccessToken", ""), "kept");
    EXPECT_EQ(reread.ReadValueDefStr("GraphEndpoint", ""), "http://127.0.0.1:4001/");
}

TEST_F(EndpointsTest, PlainHttpToAnotherHostIsRefusedAndTheDefaultKept)
{
    const std::string file = m_Folder.File("velaapp.plist");
    {
        MConfig config(file);
        config.WriteValueValueStr("GraphEndpoint", "http://graph.microsoft.com");
        config.WriteValueValueStr("IdentityEndpoint", "login.microsoftonline.com");
        config.WriteValueValueStr("AccountEndpoint", "http://localhost:4003");
        ASSERT_TRUE(config.Save());
    }
    AppState state;
    state.Paths.SettingsFilePath = file;
    ConfigureEndpoints(state);
    const Endpoints endpoints = CurrentEndpoints();
    EXPECT_EQ(endpoints.GraphEndpoint, Endpoints().GraphEndpoint);
    EXPECT_EQ(endpoints.IdentityEndpoint, Endpoints().IdentityEndpoint);
    EXPECT_EQ(endpoints.AccountEndpoint, "http://localhost:4003");
    const std::string problem = state.EndpointProblem.Get();
    EXPECT_NE(problem.find("\"GraphEndpoint\" refused: \"http://graph.microsoft.com\""), std::string::npos);
    EXPECT_NE(problem.find("\"IdentityEndpoint\" refused"), std::string::npos);
    EXPECT_EQ(problem.find("AccountEndpoint"), std::string::npos);
}

TEST_F(EndpointsTest, SignInAddressesHaveTheirFixedForms)
{
    EXPECT_EQ(
        AuthorizeAddress("cid"),
        "https://login.microsoftonline.com/common/oauth2/v2.0/authorize?client_id=cid&response_type=code"
        "&response_mode=query&scope=offline_access%20User.Read%20Notes.Create%20Notes.ReadWrite"
        "%20Notes.ReadWrite.All&redirect_uri=https://login.live.com/oauth20_desktop.srf");
    EXPECT_EQ(SignOutAddress("cid"), "https://login.live.com/oauth20_logout.srf?client_id=cid"
                                     "&redirect_uri=https://login.live.com/oauth20_desktop.srf");
}

} // namespace
} // namespace rz
