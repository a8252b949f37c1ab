// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace rz::fuzz {

// One scratch file per fuzzing process, removed at exit. Memory-backed /dev/shm where there is one:
// a disk-backed temp folder makes each run twenty times slower.
inline const std::string& ScratchPath()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string folder =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::string(tmp && *tmp ? tmp : "/tmp");
        std::string pattern = folder + "/rz-fuzz-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        static const std::string removeAtExit = pattern;
        std::atexit([] { std::remove(removeAtExit.c_str()); });
        return pattern;
    }();
    return path;
}

inline bool WriteScratch(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace rz::fuzz
