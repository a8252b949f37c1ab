// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http.h"
#include "state/account_settings.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace rz {

struct AppState;
class SharedString;

inline constexpr double kTokenRequestTimeoutSeconds = 10.0;
inline constexpr double kGraphRequestTimeoutSeconds = 30.0;

// The form bodies of the two token requests, every value percent-encoded, so that a code or token
// holding "+", "&", "=" or "%" reaches the endpoint as it was issued.
// The code exchange carries the sign-in's PKCE verifier when there is one.
std::string CodeExchangeForm(const std::string& clientId, const std::string& code,
                             const std::string& codeVerifier = {});
std::string RefreshForm(const std::string& clientId, const std::string& refreshToken);
// POSTs a form to the token endpoint with the fixed headers and the 10-second time-out.
HttpResponse PostTokenForm(const std::string& form);
// A Graph request as given, with the bearer header and the 30-second time-out. Sends nothing, and
// ends as Cancelled, while the state's sign-in window owns the account.
HttpResponse GraphSendWithToken(HttpRequest request, const std::string& accessToken, const AppState& state);
// GraphSendWithToken for a GET of the address as given.
HttpResponse GraphGetWithToken(const std::string& address, const std::string& accessToken,
                               const AppState& state);

// Sets both tokens from a token answer, each empty where the answer has none. True when an access
// token came back.
bool SetTokensFromAnswer(AppState& state, std::string_view body);
// Sets UserId and UserPrincipalName from a user answer, each empty where the answer has none.
void SetIdentityFromAnswer(AppState& state, std::string_view body);
// SetIdentityFromAnswer, then saves the account.
void SaveIdentityFromAnswer(AppState& state, std::string_view body);

// Token and identity upkeep of the signed-in account, on the worker thread. The mirror worker
// derives from this, so its cycle calls these under the same names. Every change of the account
// strings is saved to the settings file at once. While the sign-in window is open none of them
// sends anything, and an answer for an account that is no longer signed in is dropped.
class MGraphTokens
{
public:
    explicit MGraphTokens(AppState& state) : m_State(state) {}
    MGraphTokens(const MGraphTokens&) = delete;
    MGraphTokens& operator=(const MGraphTokens&) = delete;

    // Exchanges AuthorizationCode for tokens. An HTTP-layer error refreshes instead; any other
    // answer sets both tokens from it (empty when it has none) and resets the error count.
    void RetrieveTokensByCode();
    // Obtains new tokens with RefreshToken; does nothing while that is empty. An answer without
    // the access-token marker counts a failure and keeps the tokens.
    void RefreshTokens();
    // Fills UserId and UserPrincipalName from the current user; does nothing without an access
    // token. An HTTP-layer error refreshes the tokens instead.
    void RetrieveUserIdByToken();

    // A Graph GET of the mirror: the address percent-escaped, the bearer header, 30-second
    // time-out. The caller refreshes after an HTTP-layer error.
    HttpResponse GraphGet(const std::string& address) const;

    AppState& State() const { return m_State; }

    // Failed refreshes since the last success; read by the monitor from the main thread.
    std::atomic<std::int64_t> m_RefreshTokensErrorCount{0};

protected:
    AppState& m_State;

private:
    // Under AccountMutex: takes the tokens of a successful answer and clears the failure count;
    // returns the account for the caller to save once the lock is released.
    AccountSnapshot TakeTokens(std::string_view body);
    // Under AccountMutex: true when the sign-in window took the account over, or `field` no longer
    // holds what was sent, so the answer belongs to an account that is gone.
    bool Superseded(const SharedString& field, const std::string& sent) const;
};

// GETs the Graph service root without a header: reachable when the answer is a page ("</html>"),
// or when it kept redirecting past the redirect limit (the service answered, with a redirect).
bool IsGraphReachable();

} // namespace rz
