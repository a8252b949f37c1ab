#include "core/settings_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFile()
{
    // Memory-backed when possible: every save syncs, which on a disk costs more than the parse.
    static const std::string path = [] {
        for (const char* folder : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(folder) + "/rz-fuzz-settings-XXXXXX";
            const int fd = ::mkstemp(pattern.data());
            if (fd >= 0) {
                ::close(fd);
                return pattern;
            }
        }
        return std::string("/tmp/rz-fuzz-settings");
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = ScratchFile();
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    rz::MConfig config(path);
    config.ReadValueDefStr("OnlineOneNoteAccessToken", "");
    config.ReadValueDefBool("OnlineOneNoteUserId", false);
    config.ReadValueDefInt("SnoozeTime_Default", 0);
    config.ReadValueDefDate("OnlineOneNoteRefreshToken", std::nullopt);
    if (config.HasDictionary()) {
        config.WriteValueValueStr("SnoozeTime_Default", "5 minutes");
        config.Save();
        // What was saved must load again as a dictionary.
        if (!rz::MConfig(path).HasDictionary()) {
            __builtin_trap();
        }
    }
    return 0;
}
