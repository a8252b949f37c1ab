// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/delay_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace rz {
namespace {

constexpr std::int64_t kMinutesPerDay = 24 * 60;
// Ten years of each unit: calendar arithmetic cannot overflow.
constexpr std::int64_t kMaxDays = 10LL * 366;
constexpr std::int64_t kMaxMinutes = kMaxDays * kMinutesPerDay;

enum class Unit { Minute, Hour, Day, Joiner };

struct UnitWord
{
    std::u16string_view Word; // case-folded
    Unit Kind;
};

// The units of every language the program speaks: a text typed in one of them reads whichever
// language the desktop is set to, and the stored default never depends on it.
constexpr std::array kUnitWords{
    UnitWord{u"minute", Unit::Minute}, UnitWord{u"minutes", Unit::Minute}, UnitWord{u"min", Unit::Minute},
    UnitWord{u"mins", Unit::Minute},   UnitWord{u"minuten", Unit::Minute}, UnitWord{u"mn", Unit::Minute},
    UnitWord{u"hour", Unit::Hour},     UnitWord{u"hours", Unit::Hour},     UnitWord{u"hr", Unit::Hour},
    UnitWord{u"hrs", Unit::Hour},      UnitWord{u"h", Unit::Hour},         UnitWord{u"stunde", Unit::Hour},
    UnitWord{u"stunden", Unit::Hour},  UnitWord{u"std", Unit::Hour},       UnitWord{u"heure", Unit::Hour},
    UnitWord{u"heures", Unit::Hour},   UnitWord{u"day", Unit::Day},        UnitWord{u"days", Unit::Day},
    UnitWord{u"tag", Unit::Day},       UnitWord{u"tage", Unit::Day},       UnitWord{u"tagen", Unit::Day},
    UnitWord{u"jour", Unit::Day},      UnitWord{u"jours", Unit::Day},      UnitWord{u"and", Unit::Joiner},
    UnitWord{u"und", Unit::Joiner},    UnitWord{u"et", Unit::Joiner},
};

std::optional<Unit> UnitOf(std::u16string_view word)
{
    const auto it = std::find_if(kUnitWords.begin(), kUnitWords.end(),
                                 [word](const UnitWord& unit) { return unit.Word == word; });
    return it == kUnitWords.end() ? std::nullopt : std::optional(it->Kind);
}

bool IsBlank(UChar32 c)
{
    return u_isUWhiteSpace(c) || c == ',';
}

} // namespace

std::optional<DelayText> ReadDelayText(std::string_view text)
{
    icu::UnicodeString folded =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    folded.foldCase();
    const std::int32_t length = folded.length();

    DelayText delay;
    bool unitSeen = false;
    // The number read last, until its unit takes it: whole part and decimal fraction (a flag rather
    // than an optional: GCC's optimiser warns, wrongly, that an optional's value may be read
    // uninitialised).
    std::int64_t whole = 0;
    double fraction = 0;
    bool pending = false;
    std::optional<Unit> lastUnit;
    std::int32_t i = 0;
    const auto digitAt = [&](std::int32_t at) { return at < length && u_isdigit(folded.char32At(at)); };
    while (i < length) {
        const UChar32 c = folded.char32At(i);
        // A comma between digits is a decimal comma ("1,5 Stunden"); elsewhere it separates.
        if (IsBlank(c)) {
            i = folded.moveIndex32(i, 1);
            continue;
        }
        if ((c == '-' || c == '+') && digitAt(i + 1)) {
            if (c == '-') {
                return std::nullopt; // a delay into the past never comes back
            }
            ++i;
            continue;
        }
        if (u_isdigit(c)) {
            if (pending) {
                return std::nullopt; // two numbers in a row
            }
            whole = 0;
            while (digitAt(i)) {
                whole =
                    std::min<std::int64_t>(whole * 10 + u_charDigitValue(folded.char32At(i)), kMaxMinutes);
                i = folded.moveIndex32(i, 1);
            }
            fraction = 0;
            if (i < length && (folded.charAt(i) == '.' || folded.charAt(i) == ',') && digitAt(i + 1)) {
                double scale = 0.1;
                for (++i; digitAt(i); i = folded.moveIndex32(i, 1)) {
                    fraction += scale * u_charDigitValue(folded.char32At(i));
                    scale /= 10;
                }
            }
            pending = true;
            continue;
        }
        if (!u_isalpha(c)) {
            return std::nullopt;
        }
        const std::int32_t start = i;
        while (i < length && u_isalpha(folded.char32At(i))) {
            i = folded.moveIndex32(i, 1);
        }
        const std::u16string_view word(folded.getBuffer() + start, static_cast<std::size_t>(i - start));
        // An abbreviation may end with a full stop ("Min.", "Std.").
        if (i < length && folded.charAt(i) == '.') {
            ++i;
        }
        const std::optional<Unit> unit = UnitOf(word);
        if (!unit || (*unit == Unit::Joiner && pending)) {
            return std::nullopt;
        }
        const std::int64_t count = pending ? whole : 0;
        const double part = pending ? fraction : 0;
        pending = false;
        switch (*unit) {
        case Unit::Minute:
            delay.Minutes += std::min(count, kMaxMinutes) + std::llround(part);
            break;
        case Unit::Hour:
            delay.Minutes += std::min(count, kMaxMinutes / 60) * 60 + std::llround(part * 60);
            break;
        case Unit::Day:
            delay.Days += std::min(count, kMaxDays);
            delay.Minutes += std::llround(part * kMinutesPerDay);
            break;
        case Unit::Joiner:
            continue;
        }
        lastUnit = unit;
        unitSeen = true;
    }
    // "1h30", "1 Stunde 30": minutes after the hours.
    if (pending && lastUnit == Unit::Hour && fraction == 0) {
        delay.Minutes += std::min(whole, kMaxMinutes);
        pending = false;
    }
    if (pending || !unitSeen) {
        return std::nullopt;
    }
    delay.Minutes = std::clamp(delay.Minutes, -kMaxMinutes, kMaxMinutes);
    delay.Days = std::clamp(delay.Days, -kMaxDays, kMaxDays);
    return delay;
}

Date DelayFrom(const DelayText& delay, Date now)
{
    return DateAddMinutes(DateAddDays(now, static_cast<int>(delay.Days)), static_cast<int>(delay.Minutes));
}

std::int64_t DelayMinutes(const DelayText& delay)
{
    return delay.Days * kMinutesPerDay + delay.Minutes;
}

} // namespace rz
