// SPDX-License-Identifier: GPL-3.0-or-later
// Stored reminder lines come from a file anyone could have edited: reading one never fails, and the
// record it gives can be written and read again.
#include "reminders/reminder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto record = rz::TAReminder::FromString(line);
    const std::string text = record->ToString();
    record->GetRepeatDateTime();
    record->HasSpecifyRepeatInWeekDay();
    (void)rz::TAReminder::FromString(text)->ToString();
    return 0;
}
