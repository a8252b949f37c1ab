// SPDX-License-Identifier: GPL-3.0-or-later
// The sign-in window's decisions, without a browser: addresses, the page handler and the account
// retrieval against the Graph emulator.
#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "account/http.h"
#include "account/login_flow.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/text.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace rz {
namespace {

using test::EmulatorProcess;

constexpr const char* kUserId = "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c";
constexpr const char* kCode = "M.C105_BAY.2.U.fixed+code&=%";

class LoginFlowTest : public ::testing::Test
{
protected:
    LoginFlowTest()
    {
        state.Paths.SettingsFilePath = folder.File("velaapp.plist");
        state.ClientId.Set("client-1");
    }

    void SetAccount(const char* access, const char* userId)
    {
        state.AuthorizationCode.Set("old-code");
        state.AccessToken.Set(access);
        state.RefreshToken.Set("refresh");
        state.UserId.Set(userId);
        state.UserPrincipalName.Set("old@example.com");
        // A sign-in: it ends the sign-out an earlier case's capture recorded.
        MGlobalsOnline::SaveConfig(state, AccountSave::SignIn);
    }
    std::string Saved(const char* key) const
    {
        return MConfig(state.Paths.SettingsFilePath).ReadValueDefStr(key, "<absent>");
    }
    static Endpoints ExampleEndpoints()
    {
        Endpoints example;
        example.IdentityEndpoint = "https://id.example";
        example.AccountEndpoint = "https://acct.example";
        example.GraphEndpoint = "https://graph.example";
        return example;
    }

    const test::ScopedEndpoints endpoints{ExampleEndpoints()};
    test::TempDir folder;
    AppState state;
};

TEST_F(LoginFlowTest, SignInStartsAtTheAuthorizePageAndKeepsTheAccount)
{
    SetAccount("access", "old-user");
    MLoginFlow flow(state, 0);
    const LoginStep step = flow.Start();
    EXPECT_EQ(step.Action, LoginAction::Load);
    EXPECT_EQ(step.Address,
              std::string("https://id.example/common/oauth2/v2.0/authorize?client_id=client-1"
                          "&response_type=code&response_mode=query&scope=offline_access%20User.Read"
                          "%20Notes.Create%20Notes.ReadWrite%20Notes.ReadWrite.All"
                          "&redirect_uri=https://acct.example/oauth20_desktop.srf&state=") +
                  flow.Secrets().State + "&code_challenge=" + flow.Secrets().CodeChallenge +
                  "&code_challenge_method=S256");
    EXPECT_EQ(flow.Secrets().CodeVerifier.size(), 43u);
    EXPECT_EQ(flow.Secrets().CodeChallenge, CodeChallengeS256(flow.Secrets().CodeVerifier));
    EXPECT_NE(MLoginFlow(state, 0).Secrets().State, flow.Secrets().State);
    EXPECT_FALSE(step.CleanCacheAndCookie);
    EXPECT_EQ(flow.m_OldUserId, "old-user");
    EXPECT_FALSE(flow.m_Logout);
    EXPECT_EQ(state.AccessToken.Get(), "access");
}

TEST_F(LoginFlowTest, TheSignInAsksForToDoOnlyForAnAccountWithTheBridgeOn)
{
    SetAccount("access", "old-user");
    const auto asksForTasks = [&] {
        return MLoginFlow(state, 0).Start().Address.find("%20Tasks.ReadWrite&redirect_uri=") !=
               std::string::npos;
    };
    EXPECT_FALSE(asksForTasks());
    ASSERT_TRUE(SavePhoneReminders(state.Paths.SettingsFilePath, "other-user", true));
    EXPECT_FALSE(asksForTasks());
    ASSERT_TRUE(SavePhoneReminders(state.Paths.SettingsFilePath, "old-user", true));
    EXPECT_TRUE(asksForTasks());
}

TEST_F(LoginFlowTest, SignOutClearsAndSavesTheAccountThenSignsInAfterTheSignOutPage)
{
    SetAccount("access", "old-user");
    MLoginFlow flow(state, 1);
    const LoginStep step = flow.Start();
    EXPECT_EQ(step.Action, LoginAction::Load);
    EXPECT_EQ(step.Address, "https://acct.example/oauth20_logout.srf?client_id=client-1"
                            "&redirect_uri=https://acct.example/oauth20_desktop.srf");
    EXPECT_TRUE(step.CleanCacheAndCookie);
    EXPECT_TRUE(flow.m_Logout);
    EXPECT_EQ(flow.m_OldUserId, "old-user");
    for (const SharedString* value : {&state.AuthorizationCode, &state.AccessToken, &state.RefreshToken,
                                      &state.UserId, &state.UserPrincipalName}) {
        EXPECT_TRUE(value->Empty());
    }
    for (const char* key : {"OnlineOneNoteAccessToken", "OnlineOneNoteRefreshToken", "OnlineOneNoteUserId",
                            "OnlineOneNoteUserPrincipalName"}) {
        EXPECT_EQ(Saved(key), "") << key;
    }

    // The sign-out page, loaded or not, leads to the authorize page once.
    const LoginStep next = flow.PageFinished("https://acct.example/oauth20_logout.srf?client_id=client-1",
                                             PageLoadEnd::Unreachable);
    EXPECT_EQ(next.Action, LoginAction::Load);
    EXPECT_EQ(next.Address, flow.Login().Address);
    EXPECT_FALSE(flow.m_Logout);
    EXPECT_EQ(
        flow.PageFinished("https://id.example/common/oauth2/v2.0/authorize", PageLoadEnd::Succeeded).Action,
        LoginAction::None);
}

TEST_F(LoginFlowTest, PageHandlerFollowsTheAddressTable)
{
    constexpr const char* kAuthorize = "https://id.example/common/oauth2/v2.0/authorize?client_id=c";
    struct Case
    {
        const char* Url;
        PageLoadEnd End;
        LoginAction Action = LoginAction::None;
        const char* Code = "old-code";   // AuthorizationCode afterwards
        const char* UserId = "old-user"; // UserId afterwards
    };
    const Case cases[] = {
        // A code followed by a further field ends at the "&"; the username is replaced by the capture.
        {"https://acct.example/oauth20_desktop.srf?code=M.abc&username=ada%40example.com&state={state}",
         PageLoadEnd::Succeeded, LoginAction::RetrieveAccount, "M.abc", ""},
        // A code at the very end runs to the end of the address.
        {"https://acct.example/oauth20_desktop.srf?state={state}&lc=1033&x=1?code=M.end",
         PageLoadEnd::Succeeded, LoginAction::RetrieveAccount, "M.end", ""},
        {"https://acct.example/oauth20_desktop.srf?code=M.R3%2Bx&state={state}", PageLoadEnd::Succeeded,
         LoginAction::RetrieveAccount, "M.R3+x", ""},
        // A code without this window's state, or away from the redirect address, is not taken.
        {"https://acct.example/oauth20_desktop.srf?code=M.forged", PageLoadEnd::Succeeded},
        {"https://acct.example/oauth20_desktop.srf?code=M.forged&state=other", PageLoadEnd::Succeeded},
        {"https://acct.example/oauth20_desktop.srf?code=M.forged&xstate={state}", PageLoadEnd::Succeeded},
        {"https://evil.example/oauth20_desktop.srf?code=M.forged&state={state}", PageLoadEnd::Succeeded},
        {"https://acct.example/other?code=M.forged&state={state}", PageLoadEnd::Succeeded},
        // The redirect page failing to load still carries its code.
        {"https://acct.example/oauth20_desktop.srf?code=M.late&state={state}", PageLoadEnd::Unreachable,
         LoginAction::RetrieveAccount, "M.late", ""},
        // "&username=" alone sets UserId with "@" for every "%40".
        {"https://id.example/ppsecure/post.srf?x=1&username=a%40b%40c.com", PageLoadEnd::Succeeded,
         LoginAction::None, "old-code", "a@b@c.com"},
        // An empty code and plain pages leave the window open; a denial is explained in it.
        {"https://acct.example/oauth20_desktop.srf?code=&username=ada%40example.com&state={state}",
         PageLoadEnd::Succeeded, LoginAction::None, "old-code", "ada@example.com"},
        {"https://acct.example/oauth20_desktop.srf?error=access_denied", PageLoadEnd::Succeeded},
        {"https://acct.example/oauth20_desktop.srf?error=access_denied&state={state}", PageLoadEnd::Succeeded,
         LoginAction::ShowRefusal},
        // A refusal, like a code, counts only with this window's state.
        {"https://acct.example/oauth20_desktop.srf?error=access_denied&error_description=Call+us&state=other",
         PageLoadEnd::Succeeded},
        {kAuthorize, PageLoadEnd::Stopped},
        {kAuthorize, PageLoadEnd::Failed},
        {"", PageLoadEnd::Succeeded},
        // The identity pages out of reach: the message.
        {kAuthorize, PageLoadEnd::Unreachable, LoginAction::ShowUnreachable},
        {"", PageLoadEnd::Unreachable, LoginAction::ShowUnreachable},
    };
    for (const Case& c : cases) {
        SetAccount("access", "old-user");
        MLoginFlow flow(state, 0);
        flow.Start();
        const LoginStep step =
            flow.PageFinished(StrReplaceAll(c.Url, "{state}", flow.Secrets().State), c.End);
        EXPECT_EQ(step.Action, c.Action) << c.Url;
        EXPECT_EQ(state.AuthorizationCode.Get(), c.Code) << c.Url;
        EXPECT_EQ(state.UserId.Get(), c.UserId) << c.Url;
        if (c.Action == LoginAction::RetrieveAccount) {
            // The capture clears the account and saves it before any request.
            EXPECT_TRUE(state.AccessToken.Empty());
            EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), "");
            EXPECT_EQ(Saved("OnlineOneNoteUserId"), "");
        } else {
            EXPECT_EQ(state.AccessToken.Get(), "access") << c.Url;
            EXPECT_EQ(Saved("OnlineOneNoteUserId"), "old-user") << "nothing saved: " << c.Url;
        }
    }
}

TEST(SignInUserAgentTest, DropsTheToolkitTokenAndKeepsTheEngine)
{
    const std::string kPlatform = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) ";
    // Without an engine's own agent, a common one stands in.
    const std::string kStandIn = kPlatform + "Chrome/102.0.0.0 Safari/537.36";
    const std::pair<std::string, std::string> cases[] = {
        {kPlatform + "QtWebEngine/6.4.2 Chrome/102.0.5005.177 Safari/537.36",
         kPlatform + "Chrome/102.0.5005.177 Safari/537.36"},
        {kPlatform + "Chrome/118.0.0.0 Safari/537.36", kPlatform + "Chrome/118.0.0.0 Safari/537.36"},
        {"", kStandIn},
        {"QtWebEngine/6.4.2", kStandIn},
    };
    for (const auto& [engine, expected] : cases) {
        EXPECT_EQ(SignInUserAgent(engine), expected) << engine;
    }
}

// The account retrieval against the emulator, which hands out the fixture's code.
class LoginAccountTest : public ::testing::Test
{
protected:
    LoginAccountTest() : emulator(Options()) {}

    static EmulatorProcess::Options Options()
    {
        EmulatorProcess::Options options;
        options.fixtureText = R"({
          "user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c", "userPrincipalName": "ada@example.com"},
          "tokens": {"authorizationCodes": ["M.C105_BAY.2.U.fixed+code&=%", "M.two", "M.three"]},
          "notebooks": []})";
        return options;
    }
    void SetUp() override
    {
        ASSERT_TRUE(emulator.Running()) << emulator.Error();
        state.Paths.SettingsFilePath = folder.File("velaapp.plist");
    }

    // Signs in with one of the fixture's codes (as the address carries it), the window having been
    // opened with `oldUserId`.
    void SignIn(const char* oldUserId, const std::string& escapedCode)
    {
        state.UserId.Set(oldUserId);
        MLoginFlow flow(state, 0);
        flow.Start();
        ASSERT_EQ(flow.PageFinished(RedirectAddress() + "?code=" + escapedCode +
                                        "&username=ada%40example.com&state=" + flow.Secrets().State,
                                    PageLoadEnd::Succeeded)
                      .Action,
                  LoginAction::RetrieveAccount);
        flow.RetrieveAccount();
    }

    EmulatorProcess emulator;
    const test::ScopedEndpoints endpoints{emulator.BaseUrl()};
    test::TempDir folder;
    AppState state;
};

// Only another or a first account counts as a new sign-in; a failed token request leaves empty
// tokens, no user and no lookup, but keeps the code.
TEST_F(LoginAccountTest, SignInTakesTheAccountAndIsNewOnlyForAnotherOrAFirstOne)
{
    struct Case
    {
        const char* OldUserId;
        const char* EscapedCode;
        const char* Code;
        bool TokenFails;
        bool JustLoggedIn;
    };
    const Case cases[] = {
        {"", "M.C105_BAY.2.U.fixed%2Bcode%26%3D%25", kCode, false, true},
        {kUserId, "M.two", "M.two", false, false},
        {"someone-else", "M.three", "M.three", false, true},
        // The code is spent by now; the service answers the fault first either way.
        {"", "M.two", "M.two", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.OldUserId) + " " + c.Code);
        if (c.TokenFails) {
            ASSERT_TRUE(emulator.QueueFault(R"({"route":"token","status":500,"body":"busy"})"));
        }
        const long lookups = emulator.RequestCount("me");
        state.JustLoggedIn = false;
        SignIn(c.OldUserId, c.EscapedCode);
        EXPECT_EQ(state.JustLoggedIn, c.JustLoggedIn);
        EXPECT_EQ(state.AuthorizationCode.Get(), c.Code);
        if (c.TokenFails) {
            EXPECT_TRUE(state.AccessToken.Empty());
            EXPECT_TRUE(state.RefreshToken.Empty());
            EXPECT_TRUE(state.UserId.Empty());
            EXPECT_EQ(emulator.RequestCount("me"), lookups);
            continue;
        }
        EXPECT_EQ(state.UserId.Get(), kUserId);
        EXPECT_EQ(state.UserPrincipalName.Get(), "ada@example.com");
        EXPECT_FALSE(state.AccessToken.Empty());
        EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteUserId", ""), kUserId);
    }
}

// The authorize page's state and PKCE challenge through the emulator, which binds the code to the
// challenge as the service does.
TEST(LoginPkceTest, CodeIsRedeemedOnlyWithTheWindowsVerifier)
{
    EmulatorProcess::Options options;
    options.autoConsent = true;
    options.fixtureText = R"({"user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c",
                             "userPrincipalName": "ada@example.com"}, "notebooks": []})";
    EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const test::ScopedEndpoints endpoints(emulator.BaseUrl());
    test::TempDir folder;
    AppState state;
    state.Paths.SettingsFilePath = folder.File("velaapp.plist");
    MLoginFlow flow(state, 0);
    HttpRequest authorize;
    authorize.Url = flow.Start().Address;
    const HttpResponse redirected = HttpSend(authorize); // the consent's redirect, followed
    ASSERT_EQ(flow.PageFinished(redirected.FinalUrl, PageLoadEnd::Succeeded).Action,
              LoginAction::RetrieveAccount);

    const std::string code = state.AuthorizationCode.Get();
    EXPECT_NE(PostTokenForm(CodeExchangeForm(state.ClientId.Get(), code)).Body.find("AADSTS50148"),
              std::string::npos);
    EXPECT_NE(PostTokenForm(CodeExchangeForm(state.ClientId.Get(), code, MakeSignInSecrets().CodeVerifier))
                  .Body.find("AADSTS501481"),
              std::string::npos);
    flow.RetrieveAccount();
    EXPECT_FALSE(state.AccessToken.Empty());
    EXPECT_EQ(state.UserId.Get(), kUserId);
}

// Each refusal the identity platform gives comes back as its own problem and message: the
// authorize step's on the redirect address, the token endpoint's from the code exchange.
TEST(LoginRefusalTest, RefusalsNameWhatWentWrong)
{
    EmulatorProcess::Options options;
    options.autoConsent = true;
    options.fixtureText = R"({"user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c",
                             "userPrincipalName": "ada@example.com"}, "notebooks": []})";
    EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const test::ScopedEndpoints endpoints(emulator.BaseUrl());
    test::TempDir folder;
    struct Case
    {
        const char* Refusal;
        bool AtToken;
        TSignInRefusal Kind;
        const char* Code;
        const char* TextKey;
    };
    const Case cases[] = {
        {"access_denied", false, TSignInRefusal::AccessDenied, "access_denied", "strSignInAccessDenied"},
        {"invalid_request", false, TSignInRefusal::InvalidRequest, "AADSTS90014", "strSignInInvalidRequest"},
        {"unauthorized_client", false, TSignInRefusal::UnauthorizedClient, "unauthorized_client",
         "strSignInUnauthorizedClient"},
        {"AADSTS700016", true, TSignInRefusal::AppNotFound, "AADSTS700016", "strSignInAppNotFound"},
        {"AADSTS50011", true, TSignInRefusal::RedirectNotRegistered, "AADSTS50011",
         "strSignInRedirectNotRegistered"},
        {"AADSTS65001", true, TSignInRefusal::ConsentMissing, "AADSTS65001", "strSignInConsentMissing"},
        {"invalid_grant", true, TSignInRefusal::InvalidGrant, "AADSTS70000", "strSignInInvalidGrant"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Refusal);
        ASSERT_EQ(
            emulator.Post("/_emulator/sign-in-refusal", std::string(R"({"error":")") + c.Refusal + "\"}")
                .status,
            200);
        AppState state;
        state.Paths.SettingsFilePath = folder.File("velaapp.plist");
        MLoginFlow flow(state, 0);
        HttpRequest authorize;
        authorize.Url = flow.Start().Address;
        const LoginStep step = flow.PageFinished(HttpSend(authorize).FinalUrl, PageLoadEnd::Succeeded);
        if (c.AtToken) {
            ASSERT_EQ(step.Action, LoginAction::RetrieveAccount);
            EXPECT_FALSE(flow.RetrieveAccount());
            EXPECT_TRUE(state.AccessToken.Empty());
        } else {
            EXPECT_EQ(step.Action, LoginAction::ShowRefusal);
        }
        EXPECT_EQ(flow.Problem().Kind, c.Kind);
        EXPECT_EQ(flow.Problem().Code, c.Code);
        EXPECT_FALSE(flow.Problem().Description.empty());
        EXPECT_STREQ(SignInProblemTextKey(flow.Problem().Kind), c.TextKey);
    }
}

} // namespace
} // namespace rz
