#include "ui/snooze.h"

#include "util/text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace rz {
namespace {

struct SnoozeUnit
{
    const char* Word;
    // A typed number is clamped to ten years of its unit, so calendar arithmetic cannot overflow.
    std::int64_t Limit;
    Date (*Add)(Date, int);
};

constexpr SnoozeUnit kUnits[] = {
    {"minute", 10LL * 366 * 24 * 60, DateAddMinutes},
    {"hour", 10LL * 366 * 24, DateAddHours},
    {"day", 10LL * 366, DateAddDays},
};

// Only the ASCII unit words are searched for, so ASCII case folding is all that is needed; other
// bytes stay as they are.
std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

} // namespace

std::optional<Date> SnoozeTimeFromText(std::string_view text, Date now)
{
    const std::string lower = AsciiLower(text);
    for (const SnoozeUnit& unit : kUnits) {
        if (lower.find(unit.Word) == std::string::npos) {
            continue;
        }
        const std::int64_t number =
            std::clamp(StrLeadingInt(StrTrim(StrBetween(lower, "", unit.Word))), -unit.Limit, unit.Limit);
        return unit.Add(now, static_cast<int>(number));
    }
    return std::nullopt;
}

} // namespace rz
