// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

namespace rz {

// The name of the lock file in the data folder.
inline constexpr const char* kInstanceLockFileName = "redozevuviva.lock";

// One running agent per data folder. The lock is a flock on a file in the data folder, held for the
// life of the process: the kernel releases it when the process ends in any way, so a lock left
// behind by a crashed or killed instance never blocks a start. The descriptor is close-on-exec, so
// no child process keeps the lock alive after the agent is gone.
class TInstanceLock
{
public:
    enum class Outcome {
        Acquired,    // this process is the one instance for the folder
        HeldByOther, // another live process holds it
        Unavailable, // the lock file cannot be opened (e.g. the folder cannot be written)
    };

    TInstanceLock() = default;
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // Takes the lock on <dataFolder>/redozevuviva.lock without waiting, and on success writes this
    // process's id into the file for the one that finds it held. A second call releases the first.
    Outcome Acquire(const std::string& dataFolder);
    // Releases the lock; the file stays, as it means nothing without a holder.
    void Release();
    bool Held() const { return m_Fd >= 0; }

    // The process id written by the holder of the folder's lock; 0 when none can be read.
    static pid_t HolderPid(const std::string& dataFolder);

private:
    int m_Fd = -1;
};

// The session bus name under which the instance for a data folder answers: the application's name
// with a suffix drawn from the folder, so agents kept apart by their data folders (a test beside the
// user's own) never answer for each other.
std::string InstanceBusName(const std::string& dataFolder);
// The object path for a bus name, as org.freedesktop.Application derives it.
std::string InstanceObjectPath(const std::string& busName);

} // namespace rz
