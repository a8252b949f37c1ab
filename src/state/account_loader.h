// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "state/account_settings.h"

#include <atomic>
#include <functional>
#include <thread>

namespace rz {

struct AppState;

// Runs the keyring's part of loading the account (MGlobalsOnline::LoadConfigFromKeyring) on a
// thread of its own, so that the caller's thread, the event loop's, never waits for the keyring.
// One step at a time; the caller starts the next only once the last is done.
class TAccountLoader
{
public:
    explicit TAccountLoader(AppState& state);
    // Stops the keyring's waits (AppState::Secrets) and then the thread.
    ~TAccountLoader();
    TAccountLoader(const TAccountLoader&) = delete;
    TAccountLoader& operator=(const TAccountLoader&) = delete;

    // Runs `step` and then `done`, both on the loader's thread; false, with nothing run, for a step
    // that leaves nothing to do.
    bool Start(const TKeyringStep& step, std::function<void()> done);

private:
    AppState& m_State;
    std::atomic<bool> m_Running{false};
    std::thread m_Thread;
};

} // namespace rz
