// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <deque>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace emu {

using Json = nlohmann::ordered_json;

// Authorization codes, access tokens and refresh tokens of the one account.
// Not locked by itself; the emulator serialises access.
class TokenStore
{
public:
    struct Grant
    {
        std::string accessToken;
        std::string refreshToken;
        std::string scope;
        long expiresIn = 0;
    };

    enum class Check { Valid, Missing, Unknown, Expired };

    // Reads the fixture's "tokens" object (may be null).
    bool Load(const Json& spec, std::time_t now, std::string& error);

    // A code for a completed sign-in: the next predefined one, else a new one. A code challenge
    // binds it to the verifier the redemption must bring ("plain" or "S256"; none when empty).
    std::string IssueCode(const std::string& clientId, const std::string& redirectUri,
                          const std::string& scope, const std::string& codeChallenge = {},
                          const std::string& challengeMethod = {});

    // The PKCE check of a redemption: a code issued with a challenge needs the verifier that
    // matches it; a code without one takes any (or none).
    enum class Pkce { Ok, Missing, Mismatch };
    Pkce CheckVerifier(const std::string& code, const std::string& verifier) const;

    // Redeems a code once. nullopt: unknown, used, or issued for another redirect address.
    std::optional<Grant> RedeemCode(const std::string& code, const std::string& redirectUri, std::time_t now);

    // Exchanges a refresh token for a new pair; the old refresh token stays valid, as on the service.
    std::optional<Grant> Refresh(const std::string& refreshToken, const std::string& scope, std::time_t now);

    Check CheckAccess(const std::string& token, std::time_t now) const;
    // True when the access token was granted `scope` (a bare name such as "Tasks.ReadWrite", or
    // the same after the Graph resource's address).
    bool Grants(const std::string& token, const std::string& scope) const;
    // The client id of the application the access token was issued to; empty for the fixture's own
    // tokens and unknown ones.
    std::string AppOf(const std::string& token) const;

    // Every access token issued so far stops working.
    void ExpireAccessTokens();

    Json Dump() const;

private:
    struct Code
    {
        std::string clientId;
        std::string redirectUri;
        std::string scope;
        std::string challenge;
        std::string challengeMethod;
        bool issued = false;
        bool used = false;
    };
    struct Access
    {
        std::time_t expires = 0;
        bool revoked = false;
        std::string scope;
        std::string app; // the client id it was issued to
    };

    std::map<std::string, Code> m_codes;
    std::deque<std::string> m_unissued; // predefined codes not yet handed out by a sign-in
    std::map<std::string, Access> m_access;
    std::map<std::string, std::string> m_refresh;    // refresh token -> scope
    std::map<std::string, std::string> m_refreshApp; // refresh token -> client id
    long m_expiresIn = 3600;
    std::string m_scope = "User.Read Notes.Create Notes.ReadWrite Notes.ReadWrite.All";
    bool m_issueRefreshTokens = true;

    Grant NewGrant(const std::string& scope, std::time_t now, const std::string& app);
};

} // namespace emu
