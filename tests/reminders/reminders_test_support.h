// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "test_support.h"
#include "util/dates.h"

namespace rz::test {

// Central European rules written out, so no zone database is needed: the clocks go forward on the
// last Sunday of March at 02:00 and back on the last Sunday of October at 03:00.
inline constexpr const char* kBerlinTz = "CET-1CEST,M3.5.0,M10.5.0/3";

// Local wall-clock time under the pinned zone.
inline Date Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return DateFromParts(year, month, day, hour, minute, second);
}

} // namespace rz::test
