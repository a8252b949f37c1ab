// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace rz {

struct AppState;

// Why the account is saved: an update of the account that is signed in (a refresh, its user), which
// a sign-out recorded in the settings file outranks, or a new sign-in, which ends that sign-out.
enum class AccountSave {
    Update,
    SignIn,
};

// The account as one save writes it, taken at one moment; Generation is AppState's at that moment.
struct AccountSnapshot
{
    std::string AccessToken;
    std::string RefreshToken;
    std::string UserId;
    std::string UserPrincipalName;
    std::uint64_t Generation = 0;
};

// What loading the account leaves for the keyring once the settings file was read.
struct TKeyringStep
{
    enum class Kind {
        None,
        // Read both tokens; the file holds none.
        Read,
        // Move the tokens the file holds (an earlier version's) into the keyring.
        Move,
        // Remove what a sign-out left in the keyring, again until it is gone.
        Delete,
    };
    Kind What = Kind::None;
    // AppState's account generation when the file was read: an answer for an older one is dropped.
    std::uint64_t Generation = 0;
    // The file names another user than memory held: memory's tokens are not that user's.
    bool UserChanged = false;
    std::string AccessToken;
    std::string RefreshToken;
};

// Loads and saves the signed-in account: its user in the settings file, its two tokens in the
// desktop's keyring (AppState::Secrets) or, where none answers, in the settings file as well. A
// sign-out is recorded in the settings file ("OnlineOneNoteSignedOut") and outranks whatever the
// keyring still holds until the next sign-in; a settings file with "TokensInKeyring" false keeps
// its tokens in the file and never asks the keyring.
class MGlobalsOnline
{
public:
    // Reads each key with the string's current value as its default. Tokens the settings file still
    // holds move into the keyring and leave the file once the keyring took them. Waits for the
    // keyring: LoadConfigFromFile and LoadConfigFromKeyring split it for a caller that must not.
    static void LoadConfig(AppState& state);
    // The settings file's part of LoadConfig, at once; sets AppState::WaitingForKeyring when the
    // returned step is left, which the caller runs through LoadConfigFromKeyring (on any thread).
    // `moveFileTokens` false keeps tokens found in the file where they are.
    static TKeyringStep LoadConfigFromFile(AppState& state, bool moveFileTokens = true);
    // The keyring's part: waits for the keyring, takes no lock meanwhile, sets the tokens unless the
    // account changed since the step was made, and clears AppState::WaitingForKeyring. A keyring
    // that does not answer is given up for the rest of the process, said once in the log.
    static void LoadConfigFromKeyring(AppState& state, const TKeyringStep& step);

    // Writes all four strings and saves, as one exclusive transaction on the settings file.
    static bool SaveConfig(AppState& state, AccountSave kind = AccountSave::Update);
    // Reads the account into a snapshot; the caller holds AccountMutex where others may change it.
    static AccountSnapshot Snapshot(const AppState& state);
    // Saves `account` as SaveConfig does, unless it is an update of an account that has gone since
    // the snapshot (another generation, or a sign-out in the file). Takes no lock of the state.
    static bool SaveSnapshot(AppState& state, const AccountSnapshot& account, AccountSave kind);

    // The sign-in window takes the account over: from now until EndSignIn the worker sends nothing
    // and saves no token. Signing out forgets the account in memory at once.
    static void BeginSignIn(AppState& state, bool signOut);
    // Takes the account the window saved (a window that never ran leaves the stored one) and the
    // code it captured with its PKCE verifier, if any, then gives the account back to the worker.
    static void EndSignIn(AppState& state, const std::string& authorizationCode,
                          const std::string& codeVerifier = {});
    // EndSignIn without waiting for the keyring: the returned step is left to LoadConfigFromKeyring,
    // and the worker waits for it (AppState::WaitingForKeyring).
    static TKeyringStep EndSignInFromFile(AppState& state, const std::string& authorizationCode,
                                          const std::string& codeVerifier = {});
};

} // namespace rz
