// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <optional>
#include <vector>

namespace rz::test {

struct SnoozeTextCase
{
    const char* text;
    std::optional<Date> until;
};

// Snooze texts read at 2026-03-04 10:00 UTC and the time each gives; none for no delay.
inline std::vector<SnoozeTextCase> SnoozeTextCases()
{
    return {
        {"5 minutes", DateFromParts(2026, 3, 4, 10, 5, 0)},
        {"2 Hours", DateFromParts(2026, 3, 4, 12, 0, 0)},
        {"1 day", DateFromParts(2026, 3, 5, 10, 0, 0)},
        {"1 hour 30 minutes", DateFromParts(2026, 3, 4, 11, 30, 0)},
        {"3 Stunden", DateFromParts(2026, 3, 4, 13, 0, 0)}, // the desktop's language reads too
        {"minutes", DateFromParts(2026, 3, 4, 10, 0, 0)},
        {"later", std::nullopt},
    };
}

} // namespace rz::test
