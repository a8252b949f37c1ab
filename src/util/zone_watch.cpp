// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/zone_watch.h"

#include "util/dates.h"

#include <ctime>

namespace rz {
namespace {

// Offset and abbreviation at one instant, in the zone read last.
std::string ZoneAt(std::time_t at)
{
    std::tm fields{};
    localtime_r(&at, &fields);
    return std::to_string(fields.tm_gmtoff) + (fields.tm_zone != nullptr ? fields.tm_zone : "") + ";";
}

} // namespace

bool TZoneWatch::Changed()
{
    tzset();
    // Mid-January and mid-July of this year: a zone is told apart by both halves of its year, and
    // a daylight-saving change within one zone moves neither.
    std::tm winter{};
    winter.tm_year = LocalFieldsOf(DateNow()).year - 1900;
    winter.tm_mday = 15;
    winter.tm_hour = 12;
    std::tm summer = winter;
    summer.tm_mon = 6;
    const std::string seen = ZoneAt(timegm(&winter)) + ZoneAt(timegm(&summer));
    const bool changed = !m_Seen.empty() && seen != m_Seen;
    m_Seen = seen;
    return changed;
}

} // namespace rz
