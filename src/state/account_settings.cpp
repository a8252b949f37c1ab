// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/account_settings.h"

#include "core/settings_store.h"
#include "state/app_state.h"
#include "util/log.h"

#include <iterator>
#include <mutex>
#include <string>

namespace rz {
namespace {

struct AccountKey
{
    const char* key;
    SharedString AppState::*value;
};

// Kept in the keyring when one answers, else in the settings file.
constexpr AccountKey kTokenKeys[] = {
    {"OnlineOneNoteAccessToken", &AppState::AccessToken},
    {"OnlineOneNoteRefreshToken", &AppState::RefreshToken},
};
constexpr AccountKey kIdentityKeys[] = {
    {"OnlineOneNoteUserId", &AppState::UserId},
    {"OnlineOneNoteUserPrincipalName", &AppState::UserPrincipalName},
};

// One entry per data folder, so two agents with their own folders keep their own accounts.
std::string SecretKey(const AppState& state, const char* key)
{
    return std::string(key) + "@" + state.Paths.DataFolderPath;
}

void ReportFallback(AppState& state)
{
    if (!state.SecretsFallbackReported.exchange(true)) {
        LogWarning("no keyring answered: the account's tokens stay in the settings file");
    }
}

// Every token into the keyring; false as soon as one write is not taken.
bool StoreTokens(AppState& state, const std::string (&values)[2])
{
    for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
        if (state.Secrets->Write(SecretKey(state, kTokenKeys[i].key), values[i]) != SecretOutcome::Done) {
            return false;
        }
    }
    return true;
}

} // namespace

void MGlobalsOnline::LoadConfig(AppState& state)
{
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (const AccountKey& entry : kIdentityKeys) {
        SharedString& value = state.*entry.value;
        value.Set(settings->ReadValueDefStr(entry.key, value.Get()));
    }
    bool fileHoldsTokens = false;
    for (const AccountKey& entry : kTokenKeys) {
        fileHoldsTokens = fileHoldsTokens || !settings->ReadValueDefStr(entry.key, {}).empty();
    }
    if (state.Secrets != nullptr && !fileHoldsTokens) {
        SecretRead read[std::size(kTokenKeys)];
        for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
            read[i] = state.Secrets->Read(SecretKey(state, kTokenKeys[i].key));
        }
        if (read[0].Outcome != SecretOutcome::Unavailable && read[1].Outcome != SecretOutcome::Unavailable) {
            // Absent is what a save of an empty token (a sign-out) leaves.
            for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
                (state.*kTokenKeys[i].value).Set(read[i].Value);
            }
            return;
        }
        ReportFallback(state);
    }
    std::string values[std::size(kTokenKeys)];
    for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
        SharedString& value = state.*kTokenKeys[i].value;
        values[i] = settings->ReadValueDefStr(kTokenKeys[i].key, value.Get());
        value.Set(values[i]);
    }
    if (state.Secrets == nullptr || !fileHoldsTokens) {
        return;
    }
    // Tokens in the file come from an earlier version or from a start without a keyring: they are
    // the newest, and they leave the file once the keyring holds them.
    if (!StoreTokens(state, values)) {
        ReportFallback(state);
        return;
    }
    for (const AccountKey& entry : kTokenKeys) {
        settings->RemoveValue(entry.key);
    }
    if (!settings->Save()) {
        LogWarning("the tokens moved to the keyring but the settings file still holds them");
    }
}

bool MGlobalsOnline::SaveConfig(AppState& state)
{
    // One save at a time, so two saves never mix their keyring entries; the settings file is taken
    // only after the keyring answered (which may take its unlock prompt's time), so that other
    // writers of the file, the Preferences window among them, never wait for the keyring.
    static std::mutex saving;
    const std::lock_guard saveLock(saving);
    std::string values[std::size(kTokenKeys)];
    for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
        values[i] = (state.*kTokenKeys[i].value).Get();
    }
    const bool inKeyring = state.Secrets != nullptr && StoreTokens(state, values);
    if (state.Secrets != nullptr && !inKeyring) {
        ReportFallback(state);
    }
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (std::size_t i = 0; i < std::size(kTokenKeys); ++i) {
        if (inKeyring) {
            settings->RemoveValue(kTokenKeys[i].key);
        } else {
            settings->WriteValueValueStr(kTokenKeys[i].key, values[i]);
        }
    }
    for (const AccountKey& entry : kIdentityKeys) {
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
