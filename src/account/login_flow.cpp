// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/login_flow.h"

#include "account/endpoints.h"
#include "account/sign_in.h"
#include "core/preferences.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "util/text.h"

#include <string>
#include <utility>

namespace rz {
namespace {

// Forgets the signed-in account (tokens and user) and saves that.
void ClearAccount(AppState& state)
{
    for (SharedString* value :
         {&state.AccessToken, &state.RefreshToken, &state.UserId, &state.UserPrincipalName}) {
        value->Set({});
    }
    MGlobalsOnline::SaveConfig(state);
}

} // namespace

MLoginFlow::MLoginFlow(AppState& state, int logInOrOut) : LogInOrOut(logInOrOut), m_State(state) {}

LoginStep MLoginFlow::Start()
{
    m_OldUserId = m_State.UserId.Get();
    return LogInOrOut == 0 ? Login() : Logout();
}

LoginStep MLoginFlow::Login() const
{
    return {LoginAction::Load,
            AuthorizeAddress(m_State.ClientId.Get(), m_Secrets.State, m_Secrets.CodeChallenge,
                             LoadPhoneReminders(m_State.Paths.SettingsFilePath, m_State.UserId.Get())),
            false};
}

LoginStep MLoginFlow::Logout()
{
    m_Logout = true;
    m_State.AuthorizationCode.Set({});
    ClearAccount(m_State);
    return {LoginAction::Load, SignOutAddress(m_State.ClientId.Get()), true};
}

LoginStep MLoginFlow::PageFinished(std::string_view url, PageLoadEnd end)
{
    if (!url.empty()) {
        if (StrContains("&username=", url)) {
            m_State.UserId.Set(UserNameFromURL(url));
        }
        std::string code = IsOurRedirect(url) ? AuthorizationCodeFromURL(url) : std::string();
        if (!code.empty()) {
            m_State.AuthorizationCode.Set(std::move(code));
            ClearAccount(m_State);
            return {LoginAction::RetrieveAccount, {}, false};
        }
        // The service sends refusals back to the redirect address, whose page is blank; like a code,
        // a refusal counts only with this window's state, or any page shown could put its own
        // words in the service's mouth.
        if (IsOurRedirect(url)) {
            TSignInProblem problem = SignInProblemFromRedirect(url);
            if (problem.Kind != TSignInRefusal::None) {
                m_Problem = std::move(problem);
                return {LoginAction::ShowRefusal, {}, false};
            }
        }
    }
    if (m_Logout) {
        m_Logout = false;
        return Login();
    }
    // Anything else keeps the page; only a host that cannot be reached leaves nothing to show.
    if (end == PageLoadEnd::Unreachable) {
        return {LoginAction::ShowUnreachable, {}, false};
    }
    return {};
}

std::string SignInUserAgent(std::string_view engineUserAgent)
{
    constexpr std::string_view kFallback = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like "
                                           "Gecko) Chrome/102.0.0.0 Safari/537.36";
    if (!StrContains("Chrome/", engineUserAgent) || !StrStartsWith("Mozilla/5.0 (", engineUserAgent)) {
        return std::string(kFallback);
    }
    std::string agent(engineUserAgent);
    const std::size_t token = agent.find("QtWebEngine/");
    if (token != std::string::npos) {
        std::size_t end = agent.find(' ', token);
        end = end == std::string::npos ? agent.size() : end + 1;
        agent.erase(token, end - token);
    }
    return StrTrim(agent);
}

bool MLoginFlow::IsOurRedirect(std::string_view url) const
{
    // Another page, or a redirect forged for another sign-in, must not hand this window a code.
    const std::string redirect = RedirectAddress() + "?";
    return !m_Secrets.State.empty() && StrStartsWith(redirect, url) &&
           QueryFieldValue(url.substr(redirect.size()), "state") == m_Secrets.State;
}

bool MLoginFlow::RetrieveAccount()
{
    m_State.CodeVerifier.Set(m_Secrets.CodeVerifier);
    m_Problem = LoginRetrieveTokensByCode(m_State);
    if (m_Problem.Kind != TSignInRefusal::None) {
        return false;
    }
    LoginRetrieveUserIdByToken(m_State);
    const std::string userId = m_State.UserId.Get();
    if (!userId.empty() && userId != m_OldUserId) {
        m_State.JustLoggedIn = true;
    }
    return true;
}

} // namespace rz
