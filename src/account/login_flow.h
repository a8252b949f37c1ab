// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/pkce.h"
#include "account/sign_in_refusal.h"

#include <string>
#include <string_view>

namespace rz {

struct AppState;

// How a top-level page load of the sign-in window ended.
enum class PageLoadEnd {
    Succeeded,
    Stopped,     // aborted, e.g. by a newer navigation
    Unreachable, // the host could not be reached: DNS, connection, TLS, time-out
    Failed,      // any other failure
};

// What the sign-in window does next.
enum class LoginAction {
    None,            // keep showing the page
    Load,            // load Address into the web view
    RetrieveAccount, // a code arrived: show that sign-in is finishing, call RetrieveAccount, close
    ShowUnreachable, // replace the view by the unreachable message with its Retry button
    ShowRefusal,     // replace the view by the message of Problem(), with its Retry button
};

struct LoginStep
{
    LoginAction Action = LoginAction::None;
    std::string Address;
    // Sign-out: delete every cookie and cached answer of the browser once this page has loaded,
    // before the next one.
    bool CleanCacheAndCookie = false;
};

// The sign-in window's decisions without its widgets: which address to load, what a finished page
// means, when to fetch the account. Runs on the window's thread; the account strings it writes are
// the shared state's.
class MLoginFlow
{
public:
    // logInOrOut 0 signs in; any other value signs out first.
    MLoginFlow(AppState& state, int logInOrOut);

    // The window has loaded: remembers UserId, then Login, or Logout when signing out first.
    LoginStep Start();
    // The authorize page.
    LoginStep Login() const;
    // Sets m_Logout, clears the account (AuthorizationCode included) and saves it, then the
    // sign-out page with the cookie and cache clean-up.
    LoginStep Logout();

    // The page handler, for every finished top-level load with the main frame's address (empty
    // when there is none): "&username=" sets UserId, a non-empty code on the redirect address with
    // this window's state is captured (the account is cleared and saved, and the account is to be
    // retrieved), a finished sign-out page starts the sign-in, and a host that could not be reached
    // asks for the unreachable message. A code anywhere else, or with another state, is ignored. The
    // redirect address carrying "error=" asks for the refusal's message (Problem()).
    LoginStep PageFinished(std::string_view url, PageLoadEnd end);

    // Tokens from the captured code, then the user, synchronously; JustLoggedIn when a user id came
    // back that differs from the one at Start. Failures leave empty tokens or an empty user id and
    // keep AuthorizationCode, so the worker's next cycle tries the exchange again. False when the
    // token endpoint refused the code with an error (Problem() says which); a request that got no
    // answer is no refusal.
    bool RetrieveAccount();

    // The refusal the last page or token answer carried; None when there was none.
    const TSignInProblem& Problem() const { return m_Problem; }

    // This window's state and PKCE pair, made once: a retry reloads the same authorize address.
    const TSignInSecrets& Secrets() const { return m_Secrets; }

    bool m_Logout = false;
    std::string m_OldUserId;
    int LogInOrOut = 0;

private:
    bool IsOurRedirect(std::string_view url) const;

    AppState& m_State;
    TSignInSecrets m_Secrets = MakeSignInSecrets();
    TSignInProblem m_Problem;
};

// The user agent of the sign-in browser: the engine's own Chrome user agent without the token that
// names the embedding toolkit, so the identity pages see the desktop browser the engine is and
// serve their full sign-in. A text without a Chrome token gives a fixed desktop Chrome one.
std::string SignInUserAgent(std::string_view engineUserAgent);

} // namespace rz
