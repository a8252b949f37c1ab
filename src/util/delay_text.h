// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace rz {

// A delay typed as text. Days stay apart from minutes so that they keep the clock time across a
// daylight-saving change.
struct DelayText
{
    std::int64_t Minutes = 0;
    std::int64_t Days = 0;
    bool operator==(const DelayText&) const = default;
};

// Reads a delay such as "5 minutes", "2 Hours", "1 hour 30 minutes", "3 Stunden", "2 Min",
// "1 jour", "1.5 hours", "1,5 Stunden" or "1h30": pairs of a number (with a decimal point or comma)
// and a unit in English, German or French, in any case, joined by blanks, commas or "and"/"und"/"et";
// a last number after hours counts minutes. A unit without a number counts 0; each number is clamped
// to ten years of its unit, fractions round to the minute. None when no unit is named, a number has
// no unit, a number is negative, or any other word stands in it.
std::optional<DelayText> ReadDelayText(std::string_view text);

// `now` plus the delay: days by the calendar (same clock time), minutes by the clock.
Date DelayFrom(const DelayText& delay, Date now);

// The delay in whole minutes, a day counting 24 hours.
std::int64_t DelayMinutes(const DelayText& delay);

} // namespace rz
