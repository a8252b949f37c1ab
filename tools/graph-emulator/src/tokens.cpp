// SPDX-License-Identifier: GPL-3.0-or-later
#include "tokens.h"

#include "text.h"

#include <sstream>
#include <vector>

namespace emu {
namespace {

// Real tokens are base64 text with "+", "/" and "=", and refresh tokens carry
// "!", "*" and "$": a client that does not encode its form values fails here too.
constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kRefreshTail = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!*$";

constexpr size_t kMaxTokenLength = 8192;

bool ReadStringList(const Json& spec, const char* key, std::vector<std::string>& out, std::string& error)
{
    if (!spec.contains(key)) {
        return true;
    }
    const Json& list = spec[key];
    if (!list.is_array()) {
        error = std::string("tokens.") + key + " must be an array of strings";
        return false;
    }
    for (const auto& v : list) {
        if (!v.is_string() || v.get_ref<const std::string&>().empty() ||
            v.get_ref<const std::string&>().size() > kMaxTokenLength) {
            error = std::string("tokens.") + key + " must hold non-empty strings of at most 8192 bytes";
            return false;
        }
        out.push_back(v.get<std::string>());
    }
    return true;
}

// The token answer lists the granted resource scopes, without offline_access.
std::string StripOfflineAccess(const std::string& scope)
{
    std::istringstream in(scope);
    std::string word, out;
    while (in >> word) {
        if (word == "offline_access") {
            continue;
        }
        out += out.empty() ? word : " " + word;
    }
    return out;
}

} // namespace

bool TokenStore::Load(const Json& spec, std::time_t now, std::string& error)
{
    if (spec.is_null()) {
        return true;
    }
    if (!spec.is_object()) {
        error = "\"tokens\" must be an object";
        return false;
    }
    if (spec.contains("expiresIn")) {
        if (!spec["expiresIn"].is_number_integer() || spec["expiresIn"].get<long>() <= 0) {
            error = "tokens.expiresIn must be a positive integer (seconds)";
            return false;
        }
        m_expiresIn = spec["expiresIn"].get<long>();
    }
    if (spec.contains("scope")) {
        if (!spec["scope"].is_string()) {
            error = "tokens.scope must be a string";
            return false;
        }
        m_scope = spec["scope"].get<std::string>();
    }
    if (spec.contains("issueRefreshTokens")) {
        if (!spec["issueRefreshTokens"].is_boolean()) {
            error = "tokens.issueRefreshTokens must be true or false";
            return false;
        }
        m_issueRefreshTokens = spec["issueRefreshTokens"].get<bool>();
    }
    std::vector<std::string> codes, access, refresh;
    if (!ReadStringList(spec, "authorizationCodes", codes, error) ||
        !ReadStringList(spec, "accessTokens", access, error) ||
        !ReadStringList(spec, "refreshTokens", refresh, error)) {
        return false;
    }
    for (const auto& c : codes) {
        if (m_codes.emplace(c, Code{}).second) {
            m_unissued.push_back(c);
        }
    }
    for (const auto& a : access) {
        m_access[a] = Access{now + m_expiresIn, false, m_scope, {}};
    }
    for (const auto& r : refresh) {
        m_refresh[r] = m_scope;
    }
    return true;
}

std::string TokenStore::IssueCode(const std::string& clientId, const std::string& redirectUri,
                                  const std::string& scope, const std::string& codeChallenge,
                                  const std::string& challengeMethod)
{
    std::string code;
    while (!m_unissued.empty() && code.empty()) {
        code = m_unissued.front();
        m_unissued.pop_front();
        if (m_codes[code].used) {
            code.clear();
        }
    }
    if (code.empty()) {
        do {
            code = "M.C105_BAY.2.U." + RandomGuid();
        } while (m_codes.count(code));
    }
    Code& c = m_codes[code];
    c.clientId = clientId;
    c.redirectUri = redirectUri;
    c.scope = scope;
    c.challenge = codeChallenge;
    c.challengeMethod = challengeMethod.empty() ? "plain" : challengeMethod;
    c.issued = true;
    return code;
}

TokenStore::Pkce TokenStore::CheckVerifier(const std::string& code, const std::string& verifier) const
{
    const auto it = m_codes.find(code);
    if (it == m_codes.end() || it->second.challenge.empty()) {
        return Pkce::Ok;
    }
    if (verifier.empty()) {
        return Pkce::Missing;
    }
    const std::string expected = it->second.challengeMethod == "S256" ? Sha256Base64Url(verifier) : verifier;
    return expected == it->second.challenge ? Pkce::Ok : Pkce::Mismatch;
}

TokenStore::Grant TokenStore::NewGrant(const std::string& scope, std::time_t now, const std::string& app)
{
    Grant g;
    g.scope = scope.empty() ? m_scope : scope;
    g.expiresIn = m_expiresIn;
    do {
        g.accessToken = "EwB" + RandomText(180, kBase64) + "=";
    } while (m_access.count(g.accessToken));
    m_access[g.accessToken] = Access{now + m_expiresIn, false, g.scope, app};
    if (m_issueRefreshTokens) {
        do {
            g.refreshToken =
                "M.C105_BAY.0.U.-" + RandomText(120, kBase64) + "!" + RandomText(24, kRefreshTail) + "$$";
        } while (m_refresh.count(g.refreshToken));
        m_refresh[g.refreshToken] = g.scope;
        m_refreshApp[g.refreshToken] = app;
    }
    return g;
}

std::optional<TokenStore::Grant> TokenStore::RedeemCode(const std::string& code,
                                                        const std::string& redirectUri, std::time_t now)
{
    const auto it = m_codes.find(code);
    if (it == m_codes.end() || it->second.used) {
        return std::nullopt;
    }
    // A code handed out by a sign-in is bound to the redirect address it went to.
    if (it->second.issued && !it->second.redirectUri.empty() && it->second.redirectUri != redirectUri) {
        return std::nullopt;
    }
    it->second.used = true;
    return NewGrant(StripOfflineAccess(it->second.scope), now, it->second.clientId);
}

std::optional<TokenStore::Grant> TokenStore::Refresh(const std::string& refreshToken,
                                                     const std::string& scope, std::time_t now)
{
    const auto it = m_refresh.find(refreshToken);
    if (it == m_refresh.end()) {
        return std::nullopt;
    }
    const std::string granted = scope.empty() ? it->second : StripOfflineAccess(scope);
    // The identity platform does not revoke a refresh token when it is used; it stays valid until
    // it expires or the user revokes it.
    const auto app = m_refreshApp.find(refreshToken);
    return NewGrant(granted, now, app == m_refreshApp.end() ? std::string() : app->second);
}

std::string TokenStore::AppOf(const std::string& token) const
{
    const auto it = m_access.find(token);
    return it == m_access.end() ? std::string() : it->second.app;
}

bool TokenStore::Grants(const std::string& token, const std::string& scope) const
{
    const auto it = m_access.find(token);
    if (it == m_access.end()) {
        return false;
    }
    std::istringstream in(it->second.scope);
    std::string word;
    while (in >> word) {
        const std::string lower = ToLowerAscii(word);
        const std::string wanted = ToLowerAscii(scope);
        if (lower == wanted || lower == "https://graph.microsoft.com/" + wanted) {
            return true;
        }
    }
    return false;
}

TokenStore::Check TokenStore::CheckAccess(const std::string& token, std::time_t now) const
{
    if (token.empty()) {
        return Check::Missing;
    }
    const auto it = m_access.find(token);
    if (it == m_access.end()) {
        return Check::Unknown;
    }
    if (it->second.revoked || now >= it->second.expires) {
        return Check::Expired;
    }
    return Check::Valid;
}

void TokenStore::ExpireAccessTokens()
{
    for (auto& [token, access] : m_access) {
        access.revoked = true;
    }
}

Json TokenStore::Dump() const
{
    Json out;
    out["accessTokens"] = Json::array();
    for (const auto& [token, access] : m_access) {
        if (!access.revoked) {
            out["accessTokens"].push_back(token);
        }
    }
    out["refreshTokens"] = Json::array();
    for (const auto& [token, scope] : m_refresh) {
        out["refreshTokens"].push_back(token);
    }
    out["unusedAuthorizationCodes"] = Json::array();
    for (const auto& [code, c] : m_codes) {
        if (!c.used) {
            out["unusedAuthorizationCodes"].push_back(code);
        }
    }
    return out;
}

} // namespace emu
