// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paths.h"
#include "core/secret_store.h"
#include "reminders/engine_state.h"
#include "util/shared_value.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

namespace rz {

inline constexpr const char* kDefaultClientId = "3f1c9a20-5b7e-4d18-9c61-0a2e7d4b8f53";

// The application-wide state: one per process, created by main() and passed by reference.
// Tests make their own. The reminder engine's lists, texts and counters come from TEngineState.
struct AppState : TEngineState
{
    // Account.
    SharedString ClientId{kDefaultClientId};
    SharedString AuthorizationCode;
    // The PKCE verifier of the sign-in that issued AuthorizationCode; kept in memory only.
    SharedString CodeVerifier;
    SharedString AccessToken;
    SharedString RefreshToken;
    SharedString UserId;
    SharedString UserPrincipalName;
    // True while the sign-in window owns the account: the worker then sends nothing and saves no
    // token. Changed, and checked before a worker's save, under AccountMutex, so that no refresh
    // answer of the old account lands after the window took over.
    std::atomic<bool> SignInWindowOpen{false};
    std::mutex AccountMutex;
    // Counts the sign-in window's take-overs and returns (under AccountMutex), so that a save or a
    // keyring answer for an account that has gone meanwhile is dropped.
    std::atomic<std::uint64_t> AccountGeneration{0};
    // The desktop's keyring for the two tokens, set once at start-up; without one, or once it did
    // not answer, the tokens stay in the settings file.
    ISecretStore* Secrets = nullptr;
    // Set when the keyring did not answer (a cancelled unlock prompt, no keyring, no answer in
    // time): the rest of the process keeps the tokens in the settings file and asks no more.
    std::atomic<bool> SecretsFallbackReported{false};
    // True while the account's tokens are still to come from the keyring: the worker sends nothing,
    // and the sign-in window is not offered for an account that may well be there.
    std::atomic<bool> WaitingForKeyring{false};

    // Files; set once at start-up before any other thread exists, through SetPaths so that the
    // engine's copy of its own file paths follows.
    AppPaths Paths;
    void SetPaths(AppPaths paths)
    {
        EngineFiles = {paths.HierarchyFilePath, paths.RemindersFilePath, paths.TagPagesFilePath};
        Paths = std::move(paths);
    }

    // Mirror status.
    std::atomic<bool> JustLoggedIn{false};
    SharedString MirrorStatusText;
    // Settings refused at start-up, for the status window; empty when all were taken.
    SharedString EndpointProblem;
};

} // namespace rz
