// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

struct AppState;

// Loads and saves the signed-in account: its user in the settings file, its two tokens in the
// desktop's keyring (AppState::Secrets) or, where none answers, in the settings file as well.
class MGlobalsOnline
{
public:
    // Reads each key with the string's current value as its default. Tokens the settings file still
    // holds move into the keyring and leave the file once the keyring took them.
    static void LoadConfig(AppState& state);
    // Writes all four strings and saves, as one exclusive transaction on the settings file.
    static bool SaveConfig(AppState& state);

    // The sign-in window takes the account over: from now until EndSignIn the worker sends nothing
    // and saves no token. Signing out forgets the account in memory at once.
    static void BeginSignIn(AppState& state, bool signOut);
    // Takes the account the window saved (a window that never ran leaves the stored one) and the
    // code it captured with its PKCE verifier, if any, then gives the account back to the worker.
    static void EndSignIn(AppState& state, const std::string& authorizationCode,
                          const std::string& codeVerifier = {});
};

} // namespace rz
