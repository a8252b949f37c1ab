// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "state/app_state.h"

#include <string>

namespace rz {

// Hosts and identities of the outside services. Each comes from an optional key of the settings
// file, read once at start-up; the app never writes the hosts. ClientId is written by the
// Preferences window and read again when a sign-in starts. Hosts carry scheme and host (and port),
// never a trailing slash.
struct Endpoints
{
    std::string GraphEndpoint = "https://graph.microsoft.com";          // "GraphEndpoint"
    std::string IdentityEndpoint = "https://login.microsoftonline.com"; // "IdentityEndpoint"
    std::string AccountEndpoint = "https://login.live.com";             // "AccountEndpoint"
    std::string ClientId = kDefaultClientId;                            // "ClientId"
    std::string WebsiteUrl = "https://tidewell.example/redozevuviva";   // "WebsiteUrl"
    std::string SupportEmail = "support@tidewell.example";              // "SupportEmail"
    // One line per host value refused because it would send secrets in clear text; empty when none.
    std::string Refused;
};

// The settings file's values over the defaults; a missing file, key or an empty value keeps the
// default. Trailing slashes of the hosts are dropped. A host that is neither https nor plain http
// to this computer keeps the default and is named in Refused.
Endpoints LoadEndpoints(const std::string& settingsFilePath);
// Makes these the process's endpoints, including the Graph service root of GraphBaseAddress.
void SetEndpoints(const Endpoints& endpoints);
// The endpoints in force (the defaults until SetEndpoints).
Endpoints CurrentEndpoints();
// Start-up: loads the endpoints from the state's settings file, installs them and sets ClientId.
// Refused hosts are reported on standard error and in the state's EndpointProblem.
void ConfigureEndpoints(AppState& state);

// "<identity>/common/oauth2/v2.0/token"
std::string TokenEndpointAddress();
// "<account>/oauth20_desktop.srf": the redirect address of the sign-in and of both token requests.
std::string RedirectAddress();
// The authorize page with the client id, the scope (each blank as %20) and the plain redirect
// address; then, when given, the state and the S256 code challenge of the sign-in. `withTasks` adds
// Microsoft To Do's permission (the bridge to the phone is on for the account).
std::string AuthorizeAddress(const std::string& clientId, const std::string& state = {},
                             const std::string& codeChallenge = {}, bool withTasks = false);
// The account sign-out page with the client id and the plain redirect address.
std::string SignOutAddress(const std::string& clientId);
// "<graph>/v1.0/me", the user lookup's fixed address.
std::string CurrentUserAddress();
// The README's steps for registering an application, on the website: where the windows send a user
// whose application id was refused.
std::string ReadmeStepsAddress();
// "<graph>/", the reachability probe's address.
std::string GraphRootAddress();

inline constexpr const char* kSignInScope =
    "offline_access User.Read Notes.Create Notes.ReadWrite Notes.ReadWrite.All";
// The permission the bridge to Microsoft To Do adds to the sign-in.
inline constexpr const char* kTasksScope = "Tasks.ReadWrite";
// The sign-in's scope, with kTasksScope when `withTasks`.
std::string SignInScope(bool withTasks);

} // namespace rz
