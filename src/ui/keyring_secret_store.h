// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/secret_store.h"

#include <atomic>
#include <chrono>
#include <string>

namespace rz {

// The desktop's Secret Service (GNOME Keyring, KWallet) through QtKeychain, under the program's
// name. The keychain's jobs queue through one executor that answers in the thread that first used
// it, so every job of the process runs in one thread of this unit's own with an event loop that
// lives as long as the process, one job at a time; a job whose caller stopped waiting before its
// turn is dropped. Callers in any thread wait for the answer at most `patience` of the program's
// clock (a locked keyring asks the user first). Needs a QCoreApplication.
class KeyringSecretStore final : public ISecretStore
{
public:
    explicit KeyringSecretStore(std::chrono::milliseconds patience = std::chrono::minutes(2));
    SecretRead Read(const std::string& key) override;
    SecretOutcome Write(const std::string& key, const std::string& value) override;
    void StopWaiting() override;

private:
    std::chrono::milliseconds m_Patience;
    std::atomic<bool> m_Stopping{false};
};

} // namespace rz
