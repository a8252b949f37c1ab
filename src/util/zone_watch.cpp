// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/zone_watch.h"

#include "util/dates.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>
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

// The zone file TZ names (":/etc/localtime", "/path/zone"), when it names one by its full path.
std::optional<std::string> ZoneFileOf(const char* tz)
{
    if (tz == nullptr) {
        return std::nullopt;
    }
    const std::string_view value = tz[0] == ':' ? tz + 1 : tz;
    if (value.empty() || value.front() != '/') {
        return std::nullopt;
    }
    return std::string(value);
}

std::string FileStamp(const char* path)
{
    struct stat info = {};
    if (::stat(path, &info) != 0) {
        return "-";
    }
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

// What the C library reads the zone from: the TZ variable, the system's zone file (a link the
// desktop's settings point elsewhere, or a file replaced) and the file TZ names.
std::string ZoneSources()
{
    const char* tz = std::getenv("TZ");
    std::string sources = tz != nullptr ? "=" + std::string(tz) : std::string("-");
    sources += ";" + FileStamp("/etc/localtime");
    if (const std::optional<std::string> file = ZoneFileOf(tz)) {
        sources += ";" + FileStamp(file->c_str());
    }
    return sources;
}

// The C library reads the zone again only when TZ reads differently from its last look, so a TZ that
// names a file ("TZ=:/etc/localtime", common) would hide every change of that file. The same file by
// another spelling makes it read the file; TZ is then set back as it was.
void RereadZoneFile()
{
    const char* tz = std::getenv("TZ");
    const std::optional<std::string> file = ZoneFileOf(tz);
    if (!file) {
        return;
    }
    const std::string original = tz;
    const std::size_t slash = file->rfind('/');
    const std::string sameFile = file->substr(0, slash) + "/." + file->substr(slash);
    setenv("TZ", sameFile.c_str(), 1);
    tzset();
    setenv("TZ", original.c_str(), 1);
}

} // namespace

bool TZoneWatch::Changed()
{
    // Called every second: the zone is read again only when what it is read from moved.
    std::string sources = ZoneSources();
    if (!m_Seen.empty() && sources == m_Sources) {
        return false;
    }
    const bool sameTz = !m_Sources.empty() &&
                        m_Sources.substr(0, m_Sources.find(';')) == sources.substr(0, sources.find(';'));
    m_Sources = std::move(sources);
    if (sameTz) {
        RereadZoneFile();
    }
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
