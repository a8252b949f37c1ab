// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// How a keeper of secrets answered: it did what was asked, it holds nothing under the key, or it
// did not answer (no keyring on the desktop, a locked one whose prompt went unanswered, an error).
enum class SecretOutcome {
    Done,
    Absent,
    Unavailable,
};

struct SecretRead
{
    SecretOutcome Outcome = SecretOutcome::Unavailable;
    std::string Value;
};

// Where the account's tokens live instead of the settings file: the desktop's keyring. The
// application hands one to the core; every call may come from any thread, blocks until the keeper
// answered or gave up, and never throws. A call whose caller gave up never reaches the keeper
// later, and calls reach it one at a time in the order they were made.
class ISecretStore
{
public:
    virtual ~ISecretStore() = default;
    virtual SecretRead Read(const std::string& key) = 0;
    // An empty value removes the secret; removing one that is not there is Done.
    virtual SecretOutcome Write(const std::string& key, const std::string& value) = 0;
    // The process is ending: every waiting and later call answers Unavailable at once.
    virtual void StopWaiting() {}
};

} // namespace rz
