// SPDX-License-Identifier: GPL-3.0-or-later
// The identity platform: sign-in page, token endpoint, redirect and sign-out pages.
#include "clock.h"
#include "emulator.h"
#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <ctime>

namespace emu {
namespace {

constexpr const char* kSessionCookie = "ESTSAUTH";
// The "stay signed in" cookie: it outlives the browser, so a new browser process signs in with it.
constexpr const char* kPersistentCookie = "ESTSAUTHPERSISTENT";
constexpr const char* kPersistentMaxAge = "7776000"; // 90 days

Json TokenError(const std::string& error, long code, const std::string& description)
{
    std::time_t now = Clock::Now();
    std::tm tm{};
    gmtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%SZ", &tm);
    Json j;
    j["error"] = error;
    j["error_description"] = "AADSTS" + std::to_string(code) + ": " + description;
    j["error_codes"] = Json::array({code});
    j["timestamp"] = stamp;
    j["trace_id"] = RandomGuid();
    j["correlation_id"] = RandomGuid();
    return j;
}

void SendTokenError(httplib::Response& res, const std::string& error, long code,
                    const std::string& description)
{
    SendJson(res, 400, TokenError(error, code, description));
    res.set_header("Cache-Control", "no-store, no-cache");
    res.set_header("Pragma", "no-cache");
}

std::string MissingParameter(const std::string& name)
{
    return "The request body must contain the following parameter: '" + name + "'.";
}

// The token endpoint's answer to a request without a parameter it needs.
void SendMissingParameter(httplib::Response& res, const std::string& name)
{
    SendTokenError(res, "invalid_request", 900144, MissingParameter(name));
}

std::string Hidden(const std::string& name, const std::string& value)
{
    return "<input type=\"hidden\" name=\"" + name + "\" value=\"" + XmlEscape(value) + "\" />\n";
}

std::string SignInPage(const std::map<std::string, std::string>& params, const std::string& login,
                       const std::string& problem)
{
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\" />\n"
                       "<title>Sign in to your account</title>\n</head>\n<body>\n"
                       "<h1>Sign in</h1>\n";
    if (!problem.empty()) {
        html += "<p id=\"problem\" role=\"alert\">" + XmlEscape(problem) + "</p>\n";
    }
    html += "<form id=\"signin\" method=\"post\" action=\"/common/oauth2/v2.0/authorize\">\n";
    for (const char* key : {"client_id", "response_type", "response_mode", "scope", "redirect_uri", "state",
                            "code_challenge", "code_challenge_method"}) {
        const auto it = params.find(key);
        if (it != params.end()) {
            html += Hidden(key, it->second);
        }
    }
    html += "<p><label>Email, phone, or Skype <input type=\"email\" id=\"login\" name=\"login\" value=\"" +
            XmlEscape(login) + "\" /></label></p>\n";
    html += "<p><label>Password <input type=\"password\" id=\"passwd\" name=\"passwd\" /></label></p>\n";
    html += "<p><button type=\"submit\" id=\"accept\" name=\"action\" value=\"accept\">Sign in</button>\n"
            "<button type=\"submit\" id=\"cancel\" name=\"action\" value=\"cancel\">Cancel</button></p>\n";
    html += "</form>\n</body>\n</html>\n";
    return html;
}

std::string ParamOf(const std::map<std::string, std::string>& params, const char* key)
{
    const auto it = params.find(key);
    return it == params.end() ? std::string{} : it->second;
}

// Problems with the request itself are shown on the identity platform's page;
// they never go to the redirect address.
std::string RequestProblem(const std::map<std::string, std::string>& params)
{
    if (ParamOf(params, "client_id").empty()) {
        return "AADSTS900144: " + MissingParameter("client_id");
    }
    const std::string redirect = ParamOf(params, "redirect_uri");
    if (redirect.empty()) {
        return "AADSTS900144: " + MissingParameter("redirect_uri");
    }
    const bool control = std::any_of(redirect.begin(), redirect.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (control || !(redirect.starts_with("http://") || redirect.starts_with("https://"))) {
        return "AADSTS50011: The redirect URI '" + redirect + "' is not a valid absolute address.";
    }
    if (ParamOf(params, "response_type") != "code") {
        return "AADSTS700054: response_type '" + ParamOf(params, "response_type") +
               "' is not enabled for the application.";
    }
    const std::string method = ParamOf(params, "code_challenge_method");
    if (!method.empty() && method != "plain" && method != "S256") {
        return "AADSTS501491: Invalid code_challenge_method '" + method + "'.";
    }
    if (!method.empty() && ParamOf(params, "code_challenge").empty()) {
        return "AADSTS501491: code_challenge_method given without code_challenge.";
    }
    return {};
}

// Answers a request the identity platform cannot take with its problem page.
bool SendRequestProblem(const std::map<std::string, std::string>& params, httplib::Response& res)
{
    const std::string problem = RequestProblem(params);
    if (problem.empty()) {
        return false;
    }
    SendHtml(res, 400,
             "<html><head><title>Sign in</title></head><body><p id=\"problem\">" + XmlEscape(problem) +
                 "</p></body></html>");
    return true;
}

std::string Separator(const std::string& uri)
{
    return uri.find('?') == std::string::npos ? "?" : "&";
}

// The refusals the administration interface can queue: where the identity platform gives them
// (the redirect address carrying error=, or the token endpoint's 400), its error value, AADSTS code
// and message.
struct Refusal
{
    const char* name;
    bool atToken;
    const char* error;
    long code;
    const char* description;
};
constexpr Refusal kRefusals[] = {
    {"access_denied", false, "access_denied", 0,
     "The user has denied access to the scope requested by the client application."},
    {"invalid_request", false, "invalid_request", 90014,
     "The request body must contain the following parameter: 'client_id'."},
    {"unauthorized_client", false, "unauthorized_client", 0,
     "The client does not exist or is not enabled for consumers."},
    {"AADSTS700016", true, "unauthorized_client", 700016,
     "Application with identifier '{client}' was not found in the directory '9188040d-6c67-4c5b-b112-"
     "36a304b66dad'. This can happen if the application has not been installed by the administrator of the "
     "tenant or consented to by any user in the tenant."},
    {"AADSTS50011", true, "invalid_request", 50011,
     "The redirect URI '{redirect}' specified in the request does not match the redirect URIs configured for "
     "the application '{client}'."},
    {"AADSTS65001", true, "invalid_grant", 65001,
     "The user or administrator has not consented to use the application with ID '{client}'. Send an "
     "interactive authorization request for this user and resource."},
    {"invalid_grant", true, "invalid_grant", 70000, "Provided grant is invalid or malformed."},
};

const Refusal* FindRefusal(const std::string& name)
{
    for (const Refusal& refusal : kRefusals) {
        if (name == refusal.name) {
            return &refusal;
        }
    }
    return nullptr;
}

std::string RefusalText(const Refusal& refusal, const std::map<std::string, std::string>& params)
{
    std::string text = refusal.description;
    for (const auto& [place, key] :
         {std::pair{"{client}", "client_id"}, std::pair{"{redirect}", "redirect_uri"}}) {
        if (const size_t at = text.find(place); at != std::string::npos) {
            text.replace(at, std::string_view(place).size(), ParamOf(params, key));
        }
    }
    return text;
}

} // namespace

bool Emulator::TakeRefusal(bool atToken, std::string& name)
{
    std::lock_guard lock(m_mutex);
    if (m_refusalCount <= 0 || m_refusal.empty() || FindRefusal(m_refusal)->atToken != atToken) {
        return false;
    }
    --m_refusalCount;
    name = m_refusal;
    return true;
}

bool Emulator::SetRefusal(const std::string& name, long count, std::string& error)
{
    if (!name.empty() && !FindRefusal(name)) {
        error = "\"error\" must be one of access_denied, invalid_request, unauthorized_client, AADSTS700016, "
                "AADSTS50011, AADSTS65001, invalid_grant, or empty";
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_refusal = name;
    m_refusalCount = name.empty() ? 0 : count;
    return true;
}

void Emulator::AddIdentityRoutes()
{
    const auto redirectWithCode = [this](const std::map<std::string, std::string>& params,
                                         httplib::Response& res) {
        const std::string redirect = ParamOf(params, "redirect_uri");
        std::string code, upn;
        {
            std::lock_guard lock(m_mutex);
            code = m_tokens.IssueCode(ParamOf(params, "client_id"), redirect, ParamOf(params, "scope"),
                                      ParamOf(params, "code_challenge"),
                                      ParamOf(params, "code_challenge_method"));
            upn = m_account.user.userPrincipalName;
        }
        std::string location =
            redirect + Separator(redirect) + "code=" + UrlEncode(code) + "&username=" + UrlEncode(upn);
        if (!ParamOf(params, "state").empty()) {
            location += "&state=" + UrlEncode(ParamOf(params, "state"));
        }
        res.set_redirect(location, 302);
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=1; Path=/; HttpOnly");
        res.set_header("Set-Cookie", std::string(kPersistentCookie) +
                                         "=1; Path=/; Max-Age=" + kPersistentMaxAge + "; HttpOnly");
    };

    // Back to the redirect address with error=, its description and the request's state.
    const auto redirectWithError = [](const std::map<std::string, std::string>& params,
                                      const std::string& error, const std::string& description,
                                      httplib::Response& res) {
        const std::string redirect = ParamOf(params, "redirect_uri");
        std::string location = redirect + Separator(redirect) + "error=" + error +
                               "&error_description=" + UrlEncode(description);
        if (!ParamOf(params, "state").empty()) {
            location += "&state=" + UrlEncode(ParamOf(params, "state"));
        }
        res.set_redirect(location, 302);
    };

    // A queued refusal of the authorize step.
    const auto redirectRefused = [this, redirectWithError](const std::map<std::string, std::string>& params,
                                                           httplib::Response& res) {
        std::string name;
        if (!TakeRefusal(false, name)) {
            return false;
        }
        const Refusal& refusal = *FindRefusal(name);
        std::string description = RefusalText(refusal, params);
        if (refusal.code != 0) {
            description = "AADSTS" + std::to_string(refusal.code) + ": " + description;
        }
        redirectWithError(params, refusal.error, description, res);
        return true;
    };

    m_server.Get("/common/oauth2/v2.0/authorize", [this, redirectWithCode, redirectRefused](
                                                      const httplib::Request& req, httplib::Response& res) {
        const auto params = QueryOf(req);
        if (SendRequestProblem(params, res) || redirectRefused(params, res)) {
            return;
        }
        // A browser that signed in before is let through, as the real service does.
        const bool signedIn =
            req.get_header_value("Cookie").find(std::string(kSessionCookie) + "=1") != std::string::npos ||
            req.get_header_value("Cookie").find(std::string(kPersistentCookie) + "=1") != std::string::npos;
        if (m_options.autoConsent || signedIn) {
            redirectWithCode(params, res);
            return;
        }
        std::string upn;
        {
            std::lock_guard lock(m_mutex);
            upn = m_account.user.userPrincipalName;
        }
        SendHtml(res, 200, SignInPage(params, upn, {}));
    });

    m_server.Post("/common/oauth2/v2.0/authorize", [this, redirectWithCode, redirectRefused,
                                                    redirectWithError](const httplib::Request& req,
                                                                       httplib::Response& res) {
        const auto params = ParseQuery(req.body);
        if (SendRequestProblem(params, res)) {
            return;
        }
        if (ParamOf(params, "action") != "cancel" && redirectRefused(params, res)) {
            return;
        }
        const std::string redirect = ParamOf(params, "redirect_uri");
        if (ParamOf(params, "action") == "cancel") {
            redirectWithError(params, "access_denied",
                              "The user has denied access to the scope requested by the client application.",
                              res);
            return;
        }
        std::string upn;
        {
            std::lock_guard lock(m_mutex);
            upn = m_account.user.userPrincipalName;
        }
        const std::string login = ParamOf(params, "login");
        if (ToLowerAscii(login) != ToLowerAscii(upn)) {
            SendHtml(res, 200,
                     SignInPage(params, login,
                                "That Microsoft account doesn't exist. Enter a different account."));
            return;
        }
        redirectWithCode(params, res);
    });

    m_server.Post("/common/oauth2/v2.0/token", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string type = ToLowerAscii(req.get_header_value("Content-Type"));
        if (!type.starts_with("application/x-www-form-urlencoded")) {
            SendMissingParameter(res, "grant_type");
            return;
        }
        const auto form = ParseQuery(req.body);
        const std::string grant = ParamOf(form, "grant_type");
        if (grant.empty()) {
            SendMissingParameter(res, "grant_type");
            return;
        }
        if (ParamOf(form, "client_id").empty()) {
            SendMissingParameter(res, "client_id");
            return;
        }
        if (std::string name; TakeRefusal(true, name)) {
            const Refusal& refusal = *FindRefusal(name);
            SendTokenError(res, refusal.error, refusal.code, RefusalText(refusal, form));
            return;
        }
        std::optional<TokenStore::Grant> granted;
        const std::time_t now = Clock::Now();
        if (grant == "authorization_code") {
            const std::string code = ParamOf(form, "code");
            if (code.empty()) {
                SendMissingParameter(res, "code");
                return;
            }
            std::lock_guard lock(m_mutex);
            // The proof key is checked before the code is spent; a wrong verifier leaves it usable.
            const TokenStore::Pkce pkce = m_tokens.CheckVerifier(code, ParamOf(form, "code_verifier"));
            if (pkce == TokenStore::Pkce::Missing) {
                SendTokenError(res, "invalid_grant", 50148,
                               "The code_verifier does not match the code_challenge supplied in the "
                               "authorization request for PKCE.");
                return;
            }
            if (pkce == TokenStore::Pkce::Mismatch) {
                SendTokenError(res, "invalid_grant", 501481,
                               "The Code_Verifier does not match the code_challenge supplied in the "
                               "authorization request.");
                return;
            }
            granted = m_tokens.RedeemCode(code, ParamOf(form, "redirect_uri"), now);
            if (!granted) {
                SendTokenError(
                    res, "invalid_grant", 70000,
                    "The provided value for the 'code' parameter is not valid. The code has expired, "
                    "was already used, or does not belong to this redirect address.");
                return;
            }
        } else if (grant == "refresh_token") {
            const std::string refresh = ParamOf(form, "refresh_token");
            if (refresh.empty()) {
                SendMissingParameter(res, "refresh_token");
                return;
            }
            std::lock_guard lock(m_mutex);
            granted = m_tokens.Refresh(refresh, ParamOf(form, "scope"), now);
            if (!granted) {
                SendTokenError(res, "invalid_grant", 70000,
                               "The provided value for the input parameter 'refresh_token' is not valid.");
                return;
            }
        } else {
            SendTokenError(res, "unsupported_grant_type", 70003,
                           "The app requested an unsupported grant type '" + grant + "'.");
            return;
        }
        // Member order and compact form as the real endpoint writes them.
        Json j;
        j["token_type"] = "Bearer";
        j["scope"] = granted->scope;
        j["expires_in"] = granted->expiresIn;
        j["access_token"] = granted->accessToken;
        if (!granted->refreshToken.empty()) {
            j["refresh_token"] = granted->refreshToken;
        }
        SendJson(res, 200, j);
        res.set_header("Cache-Control", "no-store, no-cache");
        res.set_header("Pragma", "no-cache");
    });

    m_server.Get("/oauth20_desktop.srf", [](const httplib::Request&, httplib::Response& res) {
        SendHtml(res, 200, "<!DOCTYPE html>\n<html><head><title></title></head><body></body></html>\n");
    });

    m_server.Get("/oauth20_logout.srf", [](const httplib::Request&, httplib::Response& res) {
        SendHtml(res, 200,
                 "<!DOCTYPE html>\n<html><head><title>Signed out</title></head><body>"
                 "<p id=\"signedout\">You have signed out of your Microsoft account.</p></body></html>\n");
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; HttpOnly");
        res.set_header("Set-Cookie", std::string(kPersistentCookie) + "=; Path=/; Max-Age=0; HttpOnly");
    });
}

} // namespace emu
