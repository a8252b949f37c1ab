// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/secret_store.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace rz::test {

// A keyring in memory: entries by key, keys whose calls fail as a keyring that does not answer, a
// count of the calls made, and a gate that holds every write until opened.
class FakeSecretStore final : public ISecretStore
{
public:
    SecretRead Read(const std::string& key) override
    {
        std::lock_guard lock(m_Mutex);
        ++Calls;
        if (Failing.count(key) > 0 || FailAll) {
            return {};
        }
        const auto found = Entries.find(key);
        return found == Entries.end() ? SecretRead{SecretOutcome::Absent, {}}
                                      : SecretRead{SecretOutcome::Done, found->second};
    }
    SecretOutcome Write(const std::string& key, const std::string& value) override
    {
        std::unique_lock lock(m_Mutex);
        ++Calls;
        ++m_Entered;
        m_Changed.notify_all();
        m_Changed.wait(lock, [this] { return m_Open; });
        if (Failing.count(key) > 0 || FailAll) {
            return SecretOutcome::Unavailable;
        }
        if (value.empty()) {
            Entries.erase(key);
        } else {
            Entries[key] = value;
        }
        return SecretOutcome::Done;
    }
    // Writes wait from now until Open().
    void Close()
    {
        std::lock_guard lock(m_Mutex);
        m_Open = false;
    }
    void Open()
    {
        std::lock_guard lock(m_Mutex);
        m_Open = true;
        m_Changed.notify_all();
    }
    // Waits until a write has come in since the store was made.
    void WaitForWrite()
    {
        std::unique_lock lock(m_Mutex);
        m_Changed.wait(lock, [this] { return m_Entered > 0; });
    }

    std::map<std::string, std::string> Entries;
    std::set<std::string> Failing;
    bool FailAll = false;
    int Calls = 0;

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Open = true;
    int m_Entered = 0;
};

} // namespace rz::test
