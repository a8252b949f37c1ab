// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/graph_tokens.h"

#include "account/endpoints.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "util/json.h"
#include "util/log.h"
#include "util/text.h"

#include <string>
#include <utility>
#include <vector>

namespace rz {

std::string CodeExchangeForm(const std::string& clientId, const std::string& code,
                             const std::string& codeVerifier)
{
    std::vector<std::pair<std::string, std::string>> fields = {{"grant_type", "authorization_code"},
                                                               {"client_id", clientId},
                                                               {"code", code},
                                                               {"redirect_uri", RedirectAddress()}};
    if (!codeVerifier.empty()) {
        fields.emplace_back("code_verifier", codeVerifier);
    }
    return FormBody(fields);
}

std::string RefreshForm(const std::string& clientId, const std::string& refreshToken)
{
    return FormBody({{"grant_type", "refresh_token"},
                     {"client_id", clientId},
                     {"refresh_token", refreshToken},
                     {"redirect_uri", RedirectAddress()}});
}

HttpResponse PostTokenForm(const std::string& form)
{
    HttpRequest request;
    request.Method = "POST";
    request.Url = TokenEndpointAddress();
    request.Headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    request.Body = form;
    request.TimeoutSeconds = kTokenRequestTimeoutSeconds;
    // A redirect would carry the code or refresh token to whatever host it names.
    request.FollowRedirects = false;
    return HttpSend(request);
}

HttpResponse GraphSendWithToken(HttpRequest request, const std::string& accessToken, const AppState& state)
{
    // The sign-in window owns the account; a request now would act for the old one.
    if (state.SignInWindowOpen) {
        HttpResponse held;
        held.Failure = HttpFailure::Cancelled;
        return held;
    }
    request.Headers.insert(request.Headers.begin(), {"Authorization", "Bearer " + accessToken});
    request.TimeoutSeconds = kGraphRequestTimeoutSeconds;
    return HttpSend(request);
}

HttpResponse GraphGetWithToken(const std::string& address, const std::string& accessToken,
                               const AppState& state)
{
    HttpRequest request;
    request.Url = address;
    return GraphSendWithToken(std::move(request), accessToken, state);
}

// Token and identity answers are read with the parser: the service may indent them and put a blank
// after every colon, which a text marker misses.
bool SetTokensFromAnswer(AppState& state, std::string_view body)
{
    std::string accessToken = JsonMemberText(body, "access_token").value_or(std::string());
    const bool hasAccessToken = !accessToken.empty();
    state.AccessToken.Set(std::move(accessToken));
    state.RefreshToken.Set(JsonMemberText(body, "refresh_token").value_or(std::string()));
    return hasAccessToken;
}

void SetIdentityFromAnswer(AppState& state, std::string_view body)
{
    state.UserId.Set(JsonMemberText(body, "id").value_or(std::string()));
    state.UserPrincipalName.Set(JsonMemberText(body, "userPrincipalName").value_or(std::string()));
}

void SaveIdentityFromAnswer(AppState& state, std::string_view body)
{
    SetIdentityFromAnswer(state, body);
    MGlobalsOnline::SaveConfig(state);
}

AccountSnapshot MGraphTokens::TakeTokens(std::string_view body)
{
    SetTokensFromAnswer(m_State, body);
    m_RefreshTokensErrorCount = 0;
    return MGlobalsOnline::Snapshot(m_State);
}

bool MGraphTokens::Superseded(const SharedString& field, const std::string& sent) const
{
    if (m_State.SignInWindowOpen || field.Get() != sent) {
        LogDebug("account answer dropped: the account changed while it was on its way");
        return true;
    }
    return false;
}

void MGraphTokens::RetrieveTokensByCode()
{
    const std::string code = m_State.AuthorizationCode.Get();
    if (code.empty() || m_State.SignInWindowOpen) {
        return;
    }
    const HttpResponse response =
        PostTokenForm(CodeExchangeForm(m_State.ClientId.Get(), code, m_State.CodeVerifier.Get()));
    if (response.IsHttpError()) {
        RefreshTokens();
        return;
    }
    AccountSnapshot account;
    {
        std::lock_guard lock(m_State.AccountMutex);
        if (Superseded(m_State.AuthorizationCode, code)) {
            return;
        }
        account = TakeTokens(response.Body);
    }
    // Saved after the lock: the keyring may take minutes, and the sign-in window's owner waits for
    // the lock on the main thread. A sign-in or sign-out meanwhile makes the save drop itself.
    MGlobalsOnline::SaveSnapshot(m_State, account, AccountSave::SignIn);
}

void MGraphTokens::RefreshTokens()
{
    const std::string refreshToken = m_State.RefreshToken.Get();
    if (refreshToken.empty() || m_State.SignInWindowOpen) {
        return;
    }
    const HttpResponse response = PostTokenForm(RefreshForm(m_State.ClientId.Get(), refreshToken));
    // A rotated pair of a signed-out account must not come back through this save.
    AccountSnapshot account;
    {
        std::lock_guard lock(m_State.AccountMutex);
        if (Superseded(m_State.RefreshToken, refreshToken)) {
            return;
        }
        if (!JsonMemberText(response.Body, "access_token")) {
            ++m_RefreshTokensErrorCount;
            return;
        }
        account = TakeTokens(response.Body);
    }
    MGlobalsOnline::SaveSnapshot(m_State, account, AccountSave::Update);
}

void MGraphTokens::RetrieveUserIdByToken()
{
    const std::string accessToken = m_State.AccessToken.Get();
    if (accessToken.empty() || m_State.SignInWindowOpen) {
        return;
    }
    const HttpResponse response = GraphGet(CurrentUserAddress());
    if (response.IsHttpError()) {
        RefreshTokens();
        return;
    }
    AccountSnapshot account;
    {
        std::lock_guard lock(m_State.AccountMutex);
        if (Superseded(m_State.AccessToken, accessToken)) {
            return;
        }
        SetIdentityFromAnswer(m_State, response.Body);
        account = MGlobalsOnline::Snapshot(m_State);
    }
    MGlobalsOnline::SaveSnapshot(m_State, account, AccountSave::Update);
}

HttpResponse MGraphTokens::GraphGet(const std::string& address) const
{
    return GraphGetWithToken(EscapeAddress(address), m_State.AccessToken.Get(), m_State);
}

bool IsGraphReachable()
{
    HttpRequest request;
    request.Url = GraphRootAddress();
    request.TimeoutSeconds = kGraphRequestTimeoutSeconds;
    const HttpResponse response = HttpSend(request);
    if (response.IsHttpError()) {
        return response.Failure == HttpFailure::TooManyRedirects;
    }
    return IsPageContentResponse(response.Body);
}

} // namespace rz
