// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/account_settings.h"

#include "core/settings_store.h"
#include "state/app_state.h"
#include "util/log.h"

#include <filesystem>
#include <iterator>
#include <mutex>
#include <string>
#include <system_error>

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
constexpr std::size_t kTokenCount = std::size(kTokenKeys);
// Written by a sign-out, removed by the next sign-in; while it stands the tokens are empty whatever
// the keyring holds.
constexpr const char* kSignedOutKey = "OnlineOneNoteSignedOut";
// False keeps the tokens in the settings file; such a folder never asks the keyring.
constexpr const char* kTokensInKeyringKey = "TokensInKeyring";

// The data folder as the file system resolves it, so that a trailing slash or a symbolic link in
// the way it was spelled still names the same entries.
std::string CanonicalFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::weakly_canonical(folder, error);
    if (error) {
        path = std::filesystem::path(folder).lexically_normal();
    }
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// One entry per data folder, so two agents with their own folders keep their own accounts. The
// second key is the folder as it was spelled, where entries of earlier versions may lie; empty when
// the two agree.
struct TokenKeys
{
    std::string canonical;
    std::string spelled;
};

TokenKeys KeysOf(const AppState& state, std::size_t token)
{
    const std::string name = std::string(kTokenKeys[token].key) + "@";
    TokenKeys keys{name + CanonicalFolder(state.Paths.DataFolderPath), name + state.Paths.DataFolderPath};
    if (keys.spelled == keys.canonical) {
        keys.spelled.clear();
    }
    return keys;
}

bool KeyringInUse(const AppState& state, const MConfig& settings)
{
    return state.Secrets != nullptr && !state.SecretsFallbackReported &&
           settings.ReadValueDefBool(kTokensInKeyringKey, true);
}

// One prompt per need: a keyring that did not answer once is not asked again in this process.
void GiveUpKeyring(AppState& state)
{
    if (!state.SecretsFallbackReported.exchange(true)) {
        LogWarning("no keyring answered: the account's tokens stay in the settings file for this run");
    }
}

SecretRead ReadToken(AppState& state, std::size_t token)
{
    const TokenKeys keys = KeysOf(state, token);
    const SecretRead read = state.Secrets->Read(keys.canonical);
    if (read.Outcome != SecretOutcome::Absent || keys.spelled.empty()) {
        return read;
    }
    SecretRead old = state.Secrets->Read(keys.spelled);
    if (old.Outcome == SecretOutcome::Absent) {
        return read;
    }
    // Found under the other spelling once, and kept under the canonical one from now on.
    if (old.Outcome == SecretOutcome::Done &&
        state.Secrets->Write(keys.canonical, old.Value) == SecretOutcome::Done) {
        state.Secrets->Write(keys.spelled, {});
    }
    return old;
}

// Every token into the keyring; false as soon as one write is not taken.
bool StoreTokens(AppState& state, const std::string (&values)[kTokenCount])
{
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        if (state.Secrets->Write(KeysOf(state, i).canonical, values[i]) != SecretOutcome::Done) {
            return false;
        }
    }
    return true;
}

// Both tokens out of the keyring under either spelling; false as soon as one delete is not taken.
bool DeleteTokens(AppState& state)
{
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        const TokenKeys keys = KeysOf(state, i);
        for (const std::string* key : {&keys.canonical, &keys.spelled}) {
            if (!key->empty() && state.Secrets->Write(*key, {}) != SecretOutcome::Done) {
                return false;
            }
        }
    }
    return true;
}

void ReadKeyringTokens(AppState& state, const TKeyringStep& step)
{
    SecretRead read[kTokenCount];
    bool answered = true;
    for (std::size_t i = 0; i < kTokenCount && answered; ++i) {
        read[i] = ReadToken(state, i);
        answered = read[i].Outcome != SecretOutcome::Unavailable;
    }
    const std::lock_guard lock(state.AccountMutex);
    if (state.AccountGeneration != step.Generation) {
        return;
    }
    if (!answered) {
        GiveUpKeyring(state);
    }
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        // Absent is what a sign-out leaves. Without an answer, memory's tokens stay only where they
        // are the user's the file names: tokens and user change together or not at all.
        if (answered || step.UserChanged) {
            (state.*kTokenKeys[i].value).Set(read[i].Value);
        }
    }
}

// Tokens in the file come from an earlier version or from a run without a keyring: they are the
// newest, and they leave the file once the keyring holds them.
void MoveTokensToKeyring(AppState& state, const TKeyringStep& step)
{
    const std::string values[kTokenCount] = {step.AccessToken, step.RefreshToken};
    if (!StoreTokens(state, values)) {
        GiveUpKeyring(state);
        return;
    }
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        if (settings->ReadValueDefStr(kTokenKeys[i].key, {}) != values[i]) {
            return; // saved anew meanwhile; that save decided where the tokens live
        }
    }
    for (const AccountKey& entry : kTokenKeys) {
        settings->RemoveValue(entry.key);
    }
    if (!settings->Save()) {
        LogWarning("the tokens moved to the keyring but the settings file still holds them");
    }
}

void WriteAccount(MConfig& settings, const AccountSnapshot& account, bool inKeyring)
{
    const std::string* values[] = {&account.AccessToken, &account.RefreshToken};
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        if (inKeyring) {
            settings.RemoveValue(kTokenKeys[i].key);
        } else {
            settings.WriteValueValueStr(kTokenKeys[i].key, *values[i]);
        }
    }
    settings.WriteValueValueStr(kIdentityKeys[0].key, account.UserId);
    settings.WriteValueValueStr(kIdentityKeys[1].key, account.UserPrincipalName);
}

} // namespace

void MGlobalsOnline::LoadConfig(AppState& state)
{
    LoadConfigFromKeyring(state, LoadConfigFromFile(state));
}

TKeyringStep MGlobalsOnline::LoadConfigFromFile(AppState& state, bool moveFileTokens)
{
    TKeyringStep step;
    step.Generation = state.AccountGeneration;
    const MConfig settings(state.Paths.SettingsFilePath);
    const std::string userBefore = state.UserId.Get();
    for (const AccountKey& entry : kIdentityKeys) {
        SharedString& value = state.*entry.value;
        value.Set(settings.ReadValueDefStr(entry.key, value.Get()));
    }
    step.UserChanged = state.UserId.Get() != userBefore;
    const bool keyring = KeyringInUse(state, settings);
    if (settings.ReadValueDefBool(kSignedOutKey, false)) {
        for (const AccountKey& entry : kTokenKeys) {
            (state.*entry.value).Set({});
        }
        step.What = keyring ? TKeyringStep::Kind::Delete : TKeyringStep::Kind::None;
        state.WaitingForKeyring = keyring;
        return step;
    }
    bool fileHoldsTokens = false;
    for (const AccountKey& entry : kTokenKeys) {
        fileHoldsTokens = fileHoldsTokens || !settings.ReadValueDefStr(entry.key, {}).empty();
    }
    if (keyring && !fileHoldsTokens) {
        step.What = TKeyringStep::Kind::Read;
        state.WaitingForKeyring = true;
        return step;
    }
    // Where tokens belong in the keyring, memory's are another user's once the file names another.
    const bool keepMemory = state.Secrets == nullptr || !step.UserChanged;
    for (const AccountKey& entry : kTokenKeys) {
        SharedString& value = state.*entry.value;
        value.Set(settings.ReadValueDefStr(entry.key, keepMemory ? value.Get() : std::string()));
    }
    if (keyring && fileHoldsTokens && moveFileTokens) {
        step.What = TKeyringStep::Kind::Move;
        step.AccessToken = state.AccessToken.Get();
        step.RefreshToken = state.RefreshToken.Get();
    }
    state.WaitingForKeyring = step.What != TKeyringStep::Kind::None;
    return step;
}

void MGlobalsOnline::LoadConfigFromKeyring(AppState& state, const TKeyringStep& step)
{
    switch (step.What) {
    case TKeyringStep::Kind::None:
        break;
    case TKeyringStep::Kind::Read:
        ReadKeyringTokens(state, step);
        break;
    case TKeyringStep::Kind::Move:
        MoveTokensToKeyring(state, step);
        break;
    case TKeyringStep::Kind::Delete:
        if (!DeleteTokens(state)) {
            GiveUpKeyring(state);
        }
        break;
    }
    state.WaitingForKeyring = false;
}

AccountSnapshot MGlobalsOnline::Snapshot(const AppState& state)
{
    AccountSnapshot account;
    account.Generation = state.AccountGeneration;
    account.AccessToken = state.AccessToken.Get();
    account.RefreshToken = state.RefreshToken.Get();
    account.UserId = state.UserId.Get();
    account.UserPrincipalName = state.UserPrincipalName.Get();
    return account;
}

bool MGlobalsOnline::SaveConfig(AppState& state, AccountSave kind)
{
    return SaveSnapshot(state, Snapshot(state), kind);
}

bool MGlobalsOnline::SaveSnapshot(AppState& state, const AccountSnapshot& account, AccountSave kind)
{
    const bool signOut = account.AccessToken.empty() && account.RefreshToken.empty();
    // An update of an account that a sign-out or another sign-in ended while it was on its way.
    const auto gone = [&](const MConfig& settings) {
        return kind == AccountSave::Update && (state.AccountGeneration != account.Generation ||
                                               (!signOut && settings.ReadValueDefBool(kSignedOutKey, false)));
    };
    bool keyring = false;
    {
        const MConfig settings(state.Paths.SettingsFilePath);
        if (gone(settings)) {
            LogDebug("account save dropped: the account changed while it was on its way");
            return false;
        }
        keyring = KeyringInUse(state, settings);
    }
    if (signOut) {
        // The file first: a keyring that deletes late, or never, cannot sign the account in again.
        bool saved = false;
        {
            MConfigTransaction settings(state.Paths.SettingsFilePath);
            settings->WriteValueValueBool(kSignedOutKey, true);
            WriteAccount(settings.Config(), account, keyring);
            saved = settings->Save();
        }
        if (keyring && !DeleteTokens(state)) {
            GiveUpKeyring(state);
        }
        return saved;
    }
    // The keyring before the settings file, which is taken only once the keyring answered (which
    // may take its unlock prompt's time), so that its other writers never wait for the keyring.
    const std::string values[kTokenCount] = {account.AccessToken, account.RefreshToken};
    const bool inKeyring = keyring && StoreTokens(state, values);
    if (keyring && !inKeyring) {
        GiveUpKeyring(state);
    }
    MConfigTransaction settings(state.Paths.SettingsFilePath);
    if (gone(settings.Config())) {
        LogDebug("account save dropped: the account changed while the keyring answered");
        return false;
    }
    if (kind == AccountSave::SignIn) {
        settings->RemoveValue(kSignedOutKey);
    }
    WriteAccount(settings.Config(), account, inKeyring);
    return settings->Save();
}

void MGlobalsOnline::BeginSignIn(AppState& state, bool signOut)
{
    std::lock_guard lock(state.AccountMutex);
    ++state.AccountGeneration;
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
    LoadConfigFromKeyring(state, EndSignInFromFile(state, authorizationCode, codeVerifier));
}

TKeyringStep MGlobalsOnline::EndSignInFromFile(AppState& state, const std::string& authorizationCode,
                                               const std::string& codeVerifier)
{
    std::lock_guard lock(state.AccountMutex);
    ++state.AccountGeneration;
    // Tokens the window had to leave in the file stay there: moving them would ask the keyring that
    // just failed it once more.
    TKeyringStep step = LoadConfigFromFile(state, false);
    if (!authorizationCode.empty()) {
        state.AuthorizationCode.Set(authorizationCode);
        state.CodeVerifier.Set(codeVerifier);
    }
    state.SignInWindowOpen = false;
    return step;
}

} // namespace rz
