#include "account/endpoints.h"

#include "account/http.h"
#include "core/settings_store.h"
#include "util/json.h"
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

void ReadKey(const MConfig& config, const char* key, std::string& value, bool isHost)
{
    std::string read = StrTrim(config.ReadValueDefStr(key, std::string()));
    if (isHost) {
        read = WithoutTrailingSlashes(std::move(read));
    }
    if (!read.empty()) {
        value = std::move(read);
    }
}

} // namespace

Endpoints LoadEndpoints(const std::string& settingsFilePath)
{
    Endpoints endpoints;
    try {
        MConfigTransaction transaction(settingsFilePath);
        const MConfig& config = transaction.Config();
        ReadKey(config, "GraphEndpoint", endpoints.GraphEndpoint, true);
        ReadKey(config, "IdentityEndpoint", endpoints.IdentityEndpoint, true);
        ReadKey(config, "AccountEndpoint", endpoints.AccountEndpoint, true);
        ReadKey(config, "ClientId", endpoints.ClientId, false);
        ReadKey(config, "WebsiteUrl", endpoints.WebsiteUrl, false);
        ReadKey(config, "SupportEmail", endpoints.SupportEmail, false);
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
}

std::string TokenEndpointAddress()
{
    return CurrentEndpoints().IdentityEndpoint + "/common/oauth2/v2.0/token";
}

std::string RedirectAddress()
{
    return CurrentEndpoints().AccountEndpoint + "/oauth20_desktop.srf";
}

std::string AuthorizeAddress(const std::string& clientId)
{
    return CurrentEndpoints().IdentityEndpoint +
           "/common/oauth2/v2.0/authorize?client_id=" + FormEncode(clientId) +
           "&response_type=code&response_mode=query&scope=" + StrReplaceAll(kSignInScope, " ", "%20") +
           "&redirect_uri=" + RedirectAddress();
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

} // namespace rz
