// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/instance_lock.h"

#include "util/files.h"

#include <cerrno>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace rz {
namespace {

std::string LockPath(const std::string& dataFolder)
{
    return dataFolder + "/" + kInstanceLockFileName;
}

} // namespace

TInstanceLock::~TInstanceLock()
{
    Release();
}

TInstanceLock::Outcome TInstanceLock::Acquire(const std::string& dataFolder)
{
    Release();
    const int fd = OpenLockedFile(LockPath(dataFolder), /*wait=*/false);
    if (fd < 0) {
        return errno == EWOULDBLOCK ? Outcome::HeldByOther : Outcome::Unavailable;
    }
    m_Fd = fd;
    // Written in place, never replaced: a renamed-over file would be a new inode that nobody locks.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
    return Outcome::Acquired;
}

void TInstanceLock::Release()
{
    if (m_Fd >= 0) {
        ::close(m_Fd);
        m_Fd = -1;
    }
}

pid_t TInstanceLock::HolderPid(const std::string& dataFolder)
{
    constexpr std::size_t kMaxPidText = 64;
    const std::string text = ReadTextFile(LockPath(dataFolder), kMaxPidText).value_or(std::string());
    long pid = 0;
    if (std::sscanf(text.c_str(), "%ld", &pid) != 1 || pid <= 0) {
        return 0;
    }
    return static_cast<pid_t>(pid);
}

std::string InstanceBusName(const std::string& dataFolder)
{
    // FNV-1a: stable across builds and runs, which std::hash does not promise.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : dataFolder) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "d%016" PRIx64, hash);
    return std::string("example.tidewell.RedoZevuviva.") + suffix;
}

std::string InstanceObjectPath(const std::string& busName)
{
    std::string path = "/";
    for (const char c : busName) {
        path += c == '.' ? '/' : c == '-' ? '_' : c;
    }
    return path;
}

} // namespace rz
