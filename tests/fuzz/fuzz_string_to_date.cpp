// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/dates.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<rz::Date> date = rz::StringToDate(text)) {
        // Whatever reads must print, and the printed form must read back to the same instant.
        const std::string printed = rz::DateToString(date);
        const std::optional<rz::Date> again = rz::StringToDate(printed);
        if (!again || rz::DateToString(again) != printed) {
            __builtin_trap();
        }
    }
    rz::GraphTimeToDate(text);
    return 0;
}
