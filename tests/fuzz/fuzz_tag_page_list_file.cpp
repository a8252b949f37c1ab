// SPDX-License-Identifier: GPL-3.0-or-later
// TagPages.plist may be damaged in any way: loading it never fails and keeps page ids unique. (No
// save here: its fsync would slow the run a hundredfold.)
#include "fuzz_scratch_file.h"
#include "reminders/tag_page_list.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!rz::fuzz::WriteScratch(data, size)) {
        return 0;
    }
    rz::TTagPageList list;
    list.LoadFromFile(rz::fuzz::ScratchPath());
    std::set<std::string> keys;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const rz::TagPagePtr record = list.At(i);
        if (!record || !record->pageId() || !keys.insert(*record->pageId()).second) {
            __builtin_trap();
        }
        (void)record->ToString();
    }
    return 0;
}
