// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/account_settings.h"

#include "core/settings_store.h"
#include "state/app_state.h"

namespace rz {
namespace {

struct AccountKey
{
    const char* key;
    SharedString AppState::*value;
};

constexpr AccountKey kAccountKeys[] = {
    {"OnlineOneNoteAccessToken", &AppState::AccessToken},
    {"OnlineOneNoteRefreshToken", &AppState::RefreshToken},
    {"OnlineOneNoteUserId", &AppState::UserId},
    {"OnlineOneNoteUserPrincipalName", &AppState::UserPrincipalName},
};

} // namespace

void MGlobalsOnline::LoadConfig(AppState& state)
{
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (const AccountKey& entry : kAccountKeys) {
        SharedString& value = state.*entry.value;
        value.Set(settings->ReadValueDefStr(entry.key, value.Get()));
    }
}

bool MGlobalsOnline::SaveConfig(AppState& state)
{
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (const AccountKey& entry : kAccountKeys) {
        settings->WriteValueValueStr(entry.key, (state.*entry.value).Get());
    }
    return settings->Save();
}

void MGlobalsOnline::BeginSignIn(AppState& state, bool signOut)
{
    std::lock_guard lock(state.AccountMutex);
    state.SignInWindowOpen = true;
    if (signOut) {
        for (SharedString* value : {&state.AuthorizationCode, &state.CodeVerifier, &state.AccessToken,
                                    &state.RefreshToken, &state.UserPrincipalName, &state.UserId}) {
            value->Set({});
        }
    }
}

void MGlobalsOnline::EndSignIn(AppState& state, const std::string& authorizationCode,
                               const std::string& codeVerifier)
{
    std::lock_guard lock(state.AccountMutex);
    LoadConfig(state);
    if (!authorizationCode.empty()) {
        state.AuthorizationCode.Set(authorizationCode);
        state.CodeVerifier.Set(codeVerifier);
    }
    state.SignInWindowOpen = false;
}

} // namespace rz
