// SPDX-License-Identifier: GPL-3.0-or-later
// Reminders.plist may be damaged in any way: loading it adds whatever records it yields, keeps their
// keys unique and nothing else goes wrong. (No save here: its fsync would slow the run a hundredfold.)
#include "fuzz_scratch_file.h"
#include "reminders/reminder_list.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!rz::fuzz::WriteScratch(data, size)) {
        return 0;
    }
    rz::TReminderList list;
    list.LoadFromFile(rz::fuzz::ScratchPath());
    list.Sort();
    std::set<std::string> keys;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const rz::ReminderPtr record = list.At(i);
        if (!record || !record->Id() || !keys.insert(*record->Id()).second) {
            __builtin_trap();
        }
        (void)record->ToString();
    }
    return 0;
}
