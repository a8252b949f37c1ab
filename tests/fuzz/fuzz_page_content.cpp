// SPDX-License-Identifier: GPL-3.0-or-later
// Page content comes from the network: the tag reader must take any bytes, never crash, and leave
// the list holding only tag reminders of the page it read.
#include "reminders/reminder.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    rz::TReminderList list;
    const auto changes = rz::ReadTagReminders(list, "page-1", "onenote:page-1", content);
    if (!changes && list.Count() != 0) {
        __builtin_trap();
    }
    if (changes && *changes < 0) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const auto reminder = list.At(i);
        if (reminder && (reminder->objType() != rz::kTagReminder || reminder->pageId() != "page-1")) {
            __builtin_trap();
        }
    }
    return 0;
}
