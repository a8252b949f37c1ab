// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "fuzz_scratch_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = rz::fuzz::ScratchPath();
    rz::fuzz::WriteScratch(data, size);
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
