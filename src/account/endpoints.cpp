// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/endpoints.h"

#include "account/http.h"
#include "core/settings_store.h"
#include "util/json.h"
#include "util/log.h"
#include "util/text.h"

#include <mutex>
#include <utility>

namespace rz {

namespace {

std::mutex g_Mutex;
Endpoints g_Endpoints; // guarded by g_Mutex

std::string WithoutTrailingSlashes(std::string host)
{
    while (!host.empty() && host.back() == '/') {
        host.pop_back();
    }
    return host;
}

void ReadKey(const MConfig& config, const char* key, std::string& value)
{
    std::string read = StrTrim(config.ReadValueDefStr(key, std::string()));
    if (!read.empty()) {
        value = std::move(read);
    }
}

// A host that would carry tokens in clear text, or is no address at all, keeps the default.
void ReadHost(const MConfig& config, const char* key, std::string& value, std::string& refused)
{
    std::string read = WithoutTrailingSlashes(StrTrim(config.ReadValueDefStr(key, std::string())));
    if (read.empty()) {
        return;
    }
    if (!IsPermittedAddress(read + "/")) {
        refused += std::string("\"") + key + "\" refused: \"" + read +
                   "\" is not https (plain http only for 127.0.0.1, ::1 or localhost); using \"" + value +
                   "\"\n";
        return;
    }
    value = std::move(read);
}

} // namespace

Endpoints LoadEndpoints(const std::string& settingsFilePath)
{
    Endpoints endpoints;
    try {
        MConfigTransaction transaction(settingsFilePath);
        const MConfig& config = transaction.Config();
        ReadHost(config, "GraphEndpoint", endpoints.GraphEndpoint, endpoints.Refused);
        ReadHost(config, "IdentityEndpoint", endpoints.IdentityEndpoint, endpoints.Refused);
        ReadHost(config, "AccountEndpoint", endpoints.AccountEndpoint, endpoints.Refused);
        ReadKey(config, "ClientId", endpoints.ClientId);
        ReadKey(config, "WebsiteUrl", endpoints.WebsiteUrl);
        ReadKey(config, "SupportEmail", endpoints.SupportEmail);
    } catch (...) {
        return Endpoints();
    }
    return endpoints;
}

void SetEndpoints(const Endpoints& endpoints)
{
    {
        std::lock_guard lock(g_Mutex);
        g_Endpoints = endpoints;
    }
    SetGraphServiceRoot(endpoints.GraphEndpoint);
}

Endpoints CurrentEndpoints()
{
    std::lock_guard lock(g_Mutex);
    return g_Endpoints;
}

void ConfigureEndpoints(AppState& state)
{
    const Endpoints endpoints = LoadEndpoints(state.Paths.SettingsFilePath);
    SetEndpoints(endpoints);
    state.ClientId.Set(endpoints.ClientId);
    if (!endpoints.Refused.empty()) {
        LogWarning(StrTrim(endpoints.Refused));
    }
    state.EndpointProblem.Set(StrTrim(endpoints.Refused));
}

std::string TokenEndpointAddress()
{
    return CurrentEndpoints().IdentityEndpoint + "/common/oauth2/v2.0/token";
}

std::string RedirectAddress()
{
    return CurrentEndpoints().AccountEndpoint + "/oauth20_desktop.srf";
}

std::string SignInScope(bool withTasks)
{
    return withTasks ? std::string(kSignInScope) + " " + kTasksScope : std::string(kSignInScope);
}

std::string AuthorizeAddress(const std::string& clientId, const std::string& state,
                             const std::string& codeChallenge, bool withTasks)
{
    std::string address =
        CurrentEndpoints().IdentityEndpoint +
        "/common/oauth2/v2.0/authorize?client_id=" + FormEncode(clientId) +
        "&response_type=code&response_mode=query&scope=" + StrReplaceAll(SignInScope(withTasks), " ", "%20") +
        "&redirect_uri=" + RedirectAddress();
    if (!state.empty()) {
        address += "&state=" + FormEncode(state);
    }
    if (!codeChallenge.empty()) {
        address += "&code_challenge=" + FormEncode(codeChallenge) + "&code_challenge_method=S256";
    }
    return address;
}

std::string SignOutAddress(const std::string& clientId)
{
    return CurrentEndpoints().AccountEndpoint + "/oauth20_logout.srf?client_id=" + FormEncode(clientId) +
           "&redirect_uri=" + RedirectAddress();
}

// Graph addresses follow the one service root that GraphBaseAddress uses too.
std::string CurrentUserAddress()
{
    return GraphServiceRoot() + "/v1.0/me";
}

std::string GraphRootAddress()
{
    return GraphServiceRoot() + "/";
}

std::string ReadmeStepsAddress()
{
    return CurrentEndpoints().WebsiteUrl + "#a-real-microsoft-account";
}

} // namespace rz
