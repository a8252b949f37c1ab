// SPDX-License-Identifier: GPL-3.0-or-later
// Token and identity upkeep against the Graph emulator on an ephemeral port.
#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "account/http.h"
#include "account/sign_in.h"
#include "core/settings_store.h"
#include "emulator_process.h"
#include "local_server.h"
#include "state/app_state.h"
#include "test_support.h"
#include "util/json.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::EmulatorProcess;

constexpr const char* kUserId = "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c";
constexpr const char* kCode = "code+with&odd=chars%";
constexpr const char* kAccess = "access+token/=";
constexpr const char* kRefresh = "refresh+&=%token";
constexpr const char* kAbsent = "<absent>";

std::string Fixture()
{
    return R"({
      "user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c", "userPrincipalName": "ada@example.com",
               "displayName": "Ada Lovelace"},
      "tokens": {"authorizationCodes": ["code+with&odd=chars%", "M.C105_BAY.2.U.second"],
                 "accessTokens": ["access+token/="], "refreshTokens": ["refresh+&=%token"]},
      "notebooks": [{"displayName": "Work", "id": "nb-work",
                     "sections": [{"displayName": "Inbox", "id": "sec-inbox",
                                   "pages": [{"title": "Dentist !{{now+5m}}", "id": "pg-dentist"}]}]}]
    })";
}

class AccountEmulatorTest : public ::testing::Test
{
protected:
    explicit AccountEmulatorTest(bool autoConsent = false)
        : m_Emulator(Options(autoConsent)), m_Tokens(m_State)
    {
    }

    static EmulatorProcess::Options Options(bool autoConsent)
    {
        EmulatorProcess::Options options;
        options.fixtureText = Fixture();
        options.autoConsent = autoConsent;
        return options;
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_Emulator.Running()) << m_Emulator.Error();
        m_State.Paths.SettingsFilePath = m_Folder.File("velaapp.plist");
    }

    std::string Saved(const std::string& key) const
    {
        MConfig config(m_State.Paths.SettingsFilePath);
        return config.ReadValueDefStr(key, kAbsent);
    }

    // A notebook list request of the mirror with the current access token.
    HttpResponse Notebooks() const
    {
        return m_Tokens.GraphGet(GraphBaseAddress(kUserId, false) + "/onenote/notebooks");
    }

    EmulatorProcess m_Emulator;
    const test::ScopedEndpoints m_Endpoints{m_Emulator.BaseUrl()};
    test::TempDir m_Folder;
    AppState m_State;
    MGraphTokens m_Tokens;
};

using CodeExchangeTest = AccountEmulatorTest;
using RefreshTest = AccountEmulatorTest;
using UserLookupTest = AccountEmulatorTest;
using GraphProbeTest = AccountEmulatorTest;
using ExpiredTokenTest = AccountEmulatorTest;
using RequestTimeoutTest = AccountEmulatorTest;

TEST_F(CodeExchangeTest, SuccessSetsBothTokensSavesThemAndResetsTheCount)
{
    m_State.AuthorizationCode.Set(kCode);
    m_Tokens.m_RefreshTokensErrorCount = 2;
    m_Tokens.RetrieveTokensByCode();

    const std::string access = m_State.AccessToken.Get();
    EXPECT_FALSE(access.empty());
    EXPECT_FALSE(m_State.RefreshToken.Get().empty());
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), access);
    EXPECT_EQ(Saved("OnlineOneNoteRefreshToken"), m_State.RefreshToken.Get());
    EXPECT_EQ(m_State.AuthorizationCode.Get(), kCode); // never cleared here
    EXPECT_FALSE(Notebooks().IsHttpError());
}

TEST_F(CodeExchangeTest, ErrorBodyEmptiesAndSavesBothTokens)
{
    m_State.AuthorizationCode.Set("no-such-code");
    m_State.AccessToken.Set("old-access");
    m_State.RefreshToken.Set("old-refresh");
    m_Tokens.m_RefreshTokensErrorCount = 3;
    m_Tokens.RetrieveTokensByCode();

    EXPECT_EQ(m_State.AccessToken.Get(), "");
    EXPECT_EQ(m_State.RefreshToken.Get(), "");
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), "");
    EXPECT_EQ(Saved("OnlineOneNoteRefreshToken"), "");
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
}

TEST_F(CodeExchangeTest, TransportFailureRefreshesInstead)
{
    m_State.AuthorizationCode.Set(kCode);
    m_State.RefreshToken.Set(kRefresh);
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "token", "drop": true})"));
    m_Tokens.RetrieveTokensByCode();

    EXPECT_EQ(m_Emulator.RequestCount("token"), 2);
    const std::string refreshed = m_State.RefreshToken.Get();
    EXPECT_FALSE(refreshed.empty());
    EXPECT_NE(refreshed, kRefresh); // the refresh rotated it
    EXPECT_FALSE(m_State.AccessToken.Get().empty());
    EXPECT_EQ(Saved("OnlineOneNoteRefreshToken"), refreshed);
    EXPECT_FALSE(Notebooks().IsHttpError());
}

TEST_F(CodeExchangeTest, EmptyCodeSendsNothing)
{
    m_Tokens.RetrieveTokensByCode();
    EXPECT_EQ(m_Emulator.RequestCount("token"), 0);
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), kAbsent);
}

TEST_F(RefreshTest, SuccessRotatesTheTokensAndResetsTheCount)
{
    m_State.RefreshToken.Set(kRefresh);
    m_State.AccessToken.Set("stale");
    m_Tokens.m_RefreshTokensErrorCount = 5;
    m_Tokens.RefreshTokens();

    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_NE(m_State.AccessToken.Get(), "stale");
    EXPECT_NE(m_State.RefreshToken.Get(), kRefresh);
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), m_State.AccessToken.Get());
    EXPECT_EQ(Saved("OnlineOneNoteRefreshToken"), m_State.RefreshToken.Get());
    EXPECT_FALSE(Notebooks().IsHttpError());

    // A used refresh token stays valid, as on the service.
    const std::string access = m_State.AccessToken.Get();
    m_State.RefreshToken.Set(kRefresh);
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_NE(m_State.AccessToken.Get(), access);
}

TEST_F(RefreshTest, EachFailureCountsOnceAndOneSuccessResets)
{
    m_State.AccessToken.Set("kept-access");
    m_State.RefreshToken.Set("unknown-refresh");
    for (int i = 0; i < 3; ++i) {
        m_Tokens.RefreshTokens();
    }
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 3);
    EXPECT_EQ(m_State.AccessToken.Get(), "kept-access");
    EXPECT_EQ(m_State.RefreshToken.Get(), "unknown-refresh");
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), kAbsent); // nothing changed, nothing saved

    m_State.RefreshToken.Set(kRefresh);
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
}

// The service may put a blank after every colon; the answer reads the same.
TEST_F(RefreshTest, AnswerWithABlankAfterTheColonIsRead)
{
    m_State.AccessToken.Set("kept-access");
    m_State.RefreshToken.Set(kRefresh);
    ASSERT_TRUE(m_Emulator.QueueFault(
        R"({"route": "token", "status": 200, "contentType": "application/json",)"
        R"( "body": "{\"token_type\":\"Bearer\",\"access_token\": \"new\",\"refresh_token\":\"r2\"}"})"));
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
    EXPECT_EQ(m_State.AccessToken.Get(), "new");
    EXPECT_EQ(m_State.RefreshToken.Get(), "r2");
}

TEST_F(RefreshTest, AnswerWithoutRefreshTokenEmptiesItAndStopsLaterRefreshes)
{
    m_State.RefreshToken.Set(kRefresh);
    ASSERT_TRUE(
        m_Emulator.QueueFault(R"({"route": "token", "status": 200, "contentType": "application/json",)"
                              R"( "body": "{\"token_type\":\"Bearer\",\"access_token\":\"only-access\"}"})"));
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_State.AccessToken.Get(), "only-access");
    EXPECT_EQ(m_State.RefreshToken.Get(), "");
    EXPECT_EQ(Saved("OnlineOneNoteRefreshToken"), "");
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);

    ASSERT_TRUE(m_Emulator.ResetCounters());
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Emulator.RequestCount("token"), 0);
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
}

TEST_F(UserLookupTest, SuccessFillsAndSavesTheIdentity)
{
    m_State.AccessToken.Set(kAccess);
    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_State.UserId.Get(), kUserId);
    EXPECT_EQ(m_State.UserPrincipalName.Get(), "ada@example.com");
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), kUserId);
    EXPECT_EQ(Saved("OnlineOneNoteUserPrincipalName"), "ada@example.com");
}

TEST_F(UserLookupTest, ErrorBodyEmptiesAndSavesTheIdentity)
{
    m_State.AccessToken.Set(kAccess);
    m_State.UserId.Set("old-id");
    m_State.UserPrincipalName.Set("old@example.com");
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "me", "graphError": "20166"})"));
    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_State.UserId.Get(), "");
    EXPECT_EQ(m_State.UserPrincipalName.Get(), "");
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), "");
    EXPECT_EQ(m_Emulator.RequestCount("token"), 0); // an answer, not an HTTP-layer error
}

TEST_F(UserLookupTest, EmptyAccessTokenSendsAndSavesNothing)
{
    m_State.RefreshToken.Set(kRefresh);
    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_Emulator.RequestCount("me"), 0);
    EXPECT_EQ(m_Emulator.RequestCount("token"), 0);
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), kAbsent);
}

TEST_F(UserLookupTest, ExpiredTokenRefreshesAndTheNextLookupSucceeds)
{
    m_State.AccessToken.Set(kAccess);
    m_State.RefreshToken.Set(kRefresh);
    ASSERT_TRUE(m_Emulator.ExpireTokens());
    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_State.UserId.Get(), "");
    EXPECT_NE(m_State.AccessToken.Get(), kAccess);
    EXPECT_EQ(m_Emulator.RequestCount("token"), 1);

    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_State.UserId.Get(), kUserId);
}

TEST_F(GraphProbeTest, HtmlRootIsReachableJsonAndClosedPortAreNot)
{
    EXPECT_TRUE(IsGraphReachable());
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "root", "status": 200, "contentType": "application/json",)"
                                      R"( "body": "{\"status\":\"ok\"}"})"));
    EXPECT_FALSE(IsGraphReachable());
    EXPECT_TRUE(IsGraphReachable()); // the fault fired once

    Endpoints closed = CurrentEndpoints();
    closed.GraphEndpoint = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort());
    SetEndpoints(closed);
    EXPECT_FALSE(IsGraphReachable());
}

TEST_F(ExpiredTokenTest, GraphRequestGetsAnHttpLayerErrorAndTheRefreshRecovers)
{
    m_State.AccessToken.Set(kAccess);
    m_State.RefreshToken.Set(kRefresh);
    const HttpResponse before = Notebooks();
    ASSERT_FALSE(before.IsHttpError());
    EXPECT_TRUE(IsGraphListResponse(before.Body));

    ASSERT_TRUE(m_Emulator.ExpireTokens());
    const HttpResponse expired = Notebooks();
    EXPECT_TRUE(expired.IsHttpError());
    EXPECT_EQ(expired.Failure, HttpFailure::Unauthorized);

    m_Tokens.m_RefreshTokensErrorCount = 1;
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
    const HttpResponse after = Notebooks();
    ASSERT_FALSE(after.IsHttpError());
    EXPECT_TRUE(IsGraphListResponse(after.Body));
}

TEST_F(RequestTimeoutTest, DelayPastTheTimeoutEndsAsAnHttpLayerError)
{
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "me", "delayMs": 4000})"));
    HttpRequest request;
    request.Url = CurrentUserAddress();
    request.Headers = {{"Authorization", std::string("Bearer ") + kAccess}};
    request.TimeoutSeconds = 1.0;
    const auto start = std::chrono::steady_clock::now();
    const HttpResponse response = HttpSend(request);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(response.IsHttpError());
    EXPECT_EQ(response.Failure, HttpFailure::Timeout);
    EXPECT_LT(seconds, request.TimeoutSeconds + 1.0);
}

TEST_F(RequestTimeoutTest, CutOffAndDroppedAnswersAreTransportFailures)
{
    m_State.AccessToken.Set(kAccess);
    ASSERT_TRUE(m_Emulator.QueueFault(R"([{"route": "notebooks", "cutOff": true},)"
                                      R"( {"route": "notebooks", "drop": true}])"));
    EXPECT_EQ(Notebooks().Failure, HttpFailure::Transport);
    EXPECT_EQ(Notebooks().Failure, HttpFailure::Transport);
    EXPECT_FALSE(Notebooks().IsHttpError());
}

// The whole sign-in: the authorize redirect, the code cut out of the address, the exchange, the
// lookup, a refresh; codes and tokens hold "+", "&", "=" and "%" all the way.
class SignInRoundTripTest : public AccountEmulatorTest
{
protected:
    SignInRoundTripTest() : AccountEmulatorTest(true) {}

    std::string CapturedRedirect()
    {
        HttpRequest request;
        request.Url = AuthorizeAddress(m_State.ClientId.Get());
        const HttpResponse response = HttpSend(request);
        EXPECT_FALSE(response.IsHttpError());
        return response.FinalUrl;
    }
};

TEST_F(SignInRoundTripTest, OddCharactersSurviveTheWholeRoundTrip)
{
    const std::string redirect = CapturedRedirect();
    ASSERT_TRUE(redirect.rfind(RedirectAddress() + "?code=", 0) == 0) << redirect;
    EXPECT_EQ(AuthorizationCodeFromURL(redirect), kCode);
    EXPECT_EQ(UserNameFromURL(redirect), "ada@example.com");

    m_State.AuthorizationCode.Set(AuthorizationCodeFromURL(redirect));
    m_Tokens.RetrieveTokensByCode();
    ASSERT_FALSE(m_State.AccessToken.Get().empty());
    m_Tokens.RetrieveUserIdByToken();
    EXPECT_EQ(m_State.UserId.Get(), kUserId);

    // Three refreshes in a row: each rotated token, "+/=!*$" and all, must be accepted.
    for (int i = 0; i < 3; ++i) {
        const std::string previous = m_State.RefreshToken.Get();
        m_Tokens.RefreshTokens();
        EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0) << previous;
        EXPECT_NE(m_State.RefreshToken.Get(), previous);
    }
    EXPECT_FALSE(Notebooks().IsHttpError());

    // The fixture's own refresh token holds "+&=%" too.
    m_State.RefreshToken.Set(kRefresh);
    m_Tokens.RefreshTokens();
    EXPECT_EQ(m_Tokens.m_RefreshTokensErrorCount, 0);
}

TEST_F(SignInRoundTripTest, SignInVariantsParseWhateverCameBack)
{
    const std::string redirect = CapturedRedirect();
    m_State.AuthorizationCode.Set(AuthorizationCodeFromURL(redirect));

    // A dropped exchange empties both tokens and saves nothing.
    m_State.AccessToken.Set("old-access");
    m_State.RefreshToken.Set("old-refresh");
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "token", "drop": true})"));
    LoginRetrieveTokensByCode(m_State);
    EXPECT_EQ(m_State.AccessToken.Get(), "");
    EXPECT_EQ(m_State.RefreshToken.Get(), "");
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), kAbsent);
    EXPECT_EQ(m_Emulator.RequestCount("token"), 1); // no refresh behind it

    LoginRetrieveTokensByCode(m_State);
    ASSERT_FALSE(m_State.AccessToken.Get().empty());
    EXPECT_EQ(Saved("OnlineOneNoteAccessToken"), m_State.AccessToken.Get());

    // A dropped lookup empties the identity and saves it all the same.
    m_State.UserId.Set("old-id");
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "me", "drop": true})"));
    LoginRetrieveUserIdByToken(m_State);
    EXPECT_EQ(m_State.UserId.Get(), "");
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), "");

    LoginRetrieveUserIdByToken(m_State);
    EXPECT_EQ(m_State.UserId.Get(), kUserId);
    EXPECT_EQ(Saved("OnlineOneNoteUserId"), kUserId);
}

} // namespace
} // namespace rz
