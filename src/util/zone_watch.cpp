// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/zone_watch.h"

#include "util/dates.h"

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace rz {
namespace {

// Offset and abbreviation at one instant, in the zone read last.
std::string ZoneAt(std::time_t at)
{
    std::tm fields{};
    localtime_r(&at, &fields);
    return std::to_string(fields.tm_gmtoff) + (fields.tm_zone != nullptr ? fields.tm_zone : "") + ";";
}

// What the C library reads the zone from: the TZ variable and, without it, the system's zone file
// (a link the desktop's settings point elsewhere, or a file replaced).
std::string ZoneSources()
{
    const char* tz = std::getenv("TZ");
    std::string sources = tz != nullptr ? "=" + std::string(tz) : std::string("-");
    struct stat info = {};
    if (::stat("/etc/localtime", &info) == 0) {
        sources += ";" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                   std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
                   std::to_string(info.st_mtim.tv_nsec);
    }
    return sources;
}

} // namespace

bool TZoneWatch::Changed()
{
    // Called every second: the zone is read again only when what it is read from moved.
    std::string sources = ZoneSources();
    if (!m_Seen.empty() && sources == m_Sources) {
        return false;
    }
    m_Sources = std::move(sources);
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
