// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/task_mapping.h"

#include "util/text.h"
#include "util/utf8_prefix.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unicode/ucal.h>

namespace rz {

namespace {

constexpr std::string_view kExternalIdPrefix = "redozevuviva/1/";
// To Do shows a title on one line; a paragraph's whole text would bury the phone's list.
constexpr std::size_t kMaxTitleBytes = 255;

std::u16string Utf16Ascii(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

struct WallTime
{
    int Year = 1970, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};

// The wall-clock time of an instant in a zone ICU knows.
std::optional<WallTime> WallTimeIn(Date when, std::string_view ianaZone)
{
    const std::u16string zone = Utf16Ascii(ianaZone);
    UErrorCode error = U_ZERO_ERROR;
    UCalendar* calendar =
        ucal_open(zone.data(), static_cast<std::int32_t>(zone.size()), "en_US_POSIX", UCAL_GREGORIAN, &error);
    if (U_FAILURE(error) || calendar == nullptr) {
        return std::nullopt;
    }
    ucal_setMillis(calendar, when.seconds * 1000.0, &error);
    WallTime wall;
    wall.Year = ucal_get(calendar, UCAL_YEAR, &error);
    wall.Month = ucal_get(calendar, UCAL_MONTH, &error) + 1;
    wall.Day = ucal_get(calendar, UCAL_DATE, &error);
    wall.Hour = ucal_get(calendar, UCAL_HOUR_OF_DAY, &error);
    wall.Minute = ucal_get(calendar, UCAL_MINUTE, &error);
    wall.Second = ucal_get(calendar, UCAL_SECOND, &error);
    ucal_close(calendar);
    if (U_FAILURE(error)) {
        return std::nullopt;
    }
    return wall;
}

std::string DatePart(const WallTime& wall)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", wall.Year, wall.Month, wall.Day);
    return text;
}

// dateTimeTimeZone's form: "2017-08-29T04:00:00.0000000".
std::string DateTimePart(const WallTime& wall)
{
    char text[32];
    std::snprintf(text, sizeof text, "T%02d:%02d:%02d.0000000", wall.Hour, wall.Minute, wall.Second);
    return DatePart(wall) + text;
}

Json Recurrence(const TBridgeReminder& reminder, const WallTime& first, const std::string& zone)
{
    // WeekDayFlags run Sunday … Saturday, as the recurrence's day names do.
    static constexpr std::array<const char*, 7> kDays = {"sunday",   "monday", "tuesday", "wednesday",
                                                         "thursday", "friday", "saturday"};
    Json days = Json::array();
    for (std::size_t i = 0; i < kDays.size(); ++i) {
        if (reminder.WeekDay[i] != "0") {
            days.push_back(kDays[i]);
        }
    }
    Json pattern = days.empty() ? Json{{"type", "daily"}, {"interval", 1}}
                                : Json{{"type", "weekly"}, {"interval", 1}, {"daysOfWeek", days}};
    return Json{{"pattern", pattern},
                {"range", {{"type", "noEnd"}, {"startDate", DatePart(first)}, {"recurrenceTimeZone", zone}}}};
}

} // namespace

std::string ReminderExternalId(const TBridgeReminder& reminder)
{
    if (reminder.ObjType == kTagReminder) {
        return std::string(kExternalIdPrefix) + "tag/" + reminder.PageId + "/" + reminder.Id;
    }
    return std::string(kExternalIdPrefix) + "page/" + reminder.PageId;
}

bool IsBridgeExternalId(std::string_view externalId)
{
    return externalId.starts_with(kExternalIdPrefix);
}

std::string LocalZoneId()
{
    const auto below = [](std::string_view path) -> std::string {
        const std::size_t at = path.find("zoneinfo/");
        return at == std::string_view::npos ? std::string() : std::string(path.substr(at + 9));
    };
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        std::string_view value(tz);
        if (value.front() == ':') {
            value.remove_prefix(1);
        }
        return value.starts_with("/") ? below(value) : std::string(value);
    }
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/etc/localtime", error);
    return error ? std::string() : below(target.string());
}

std::string WindowsZoneName(std::string_view ianaZone)
{
    if (ianaZone.empty() || ianaZone.size() > 64) {
        return {};
    }
    const std::u16string zone = Utf16Ascii(ianaZone);
    std::array<UChar, 128> windows{};
    UErrorCode error = U_ZERO_ERROR;
    const std::int32_t length = ucal_getWindowsTimeZoneID(zone.data(), static_cast<std::int32_t>(zone.size()),
                                                          windows.data(), windows.size(), &error);
    if (U_FAILURE(error) || length <= 0 || length >= static_cast<std::int32_t>(windows.size())) {
        return {};
    }
    // Windows zone names are ASCII.
    return std::string(windows.begin(), windows.begin() + length);
}

Json TaskFieldsFor(const TBridgeReminder& reminder, std::string_view ianaZone)
{
    std::string zone = WindowsZoneName(ianaZone);
    std::optional<WallTime> wall = zone.empty() ? std::nullopt : WallTimeIn(reminder.Time, ianaZone);
    if (!wall) {
        zone = "UTC";
        wall = WallTimeIn(reminder.Time, "Etc/UTC");
    }
    const WallTime at = wall.value_or(WallTime{});
    std::string title = StrTrim(TAReminder::TitleDisplayText(reminder.Name));
    const Json when = {{"dateTime", DateTimePart(at)}, {"timeZone", zone}};
    Json fields = {{"title", Utf8Prefix(Utf8Repaired(title), kMaxTitleBytes)},
                   {"isReminderOn", true},
                   {"reminderDateTime", when},
                   {"dueDateTime", when}};
    fields["recurrence"] = reminder.Repeat ? Recurrence(reminder, at, zone) : Json();
    return fields;
}

Json TaskCreateBody(const TBridgeReminder& reminder, std::string_view ianaZone, std::string_view appName)
{
    Json body = TaskFieldsFor(reminder, ianaZone);
    if (body["recurrence"].is_null()) {
        body.erase("recurrence");
    }
    Json link = {{"applicationName", appName},
                 {"displayName", body["title"]},
                 {"externalId", ReminderExternalId(reminder)}};
    if (!reminder.WebUrl.empty()) {
        link["webUrl"] = reminder.WebUrl;
    }
    body["linkedResources"] = Json::array({link});
    return body;
}

} // namespace rz
