// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo_values.h"

#include "time_templates.h"

#include <algorithm>

namespace emu {

bool IsMemberOf(const Json& value, const std::vector<std::string>& members)
{
    return value.is_string() &&
           std::find(members.begin(), members.end(), value.get<std::string>()) != members.end();
}

namespace {

const std::vector<std::string> kTaskStatus = {"notStarted", "inProgress", "completed", "waitingOnOthers",
                                              "deferred"};
const std::vector<std::string> kImportance = {"low", "normal", "high"};
const std::vector<std::string> kPatternType = {"daily",           "weekly",         "absoluteMonthly",
                                               "relativeMonthly", "absoluteYearly", "relativeYearly"};
const std::vector<std::string> kDayOfWeek = {"sunday",   "monday", "tuesday", "wednesday",
                                             "thursday", "friday", "saturday"};
const std::vector<std::string> kWeekIndex = {"first", "second", "third", "fourth", "last"};
const std::vector<std::string> kRangeType = {"endDate", "noEnd", "numbered"};

bool IsDate(const Json& value)
{
    if (!value.is_string()) {
        return false;
    }
    const std::string& text = value.get_ref<const std::string&>();
    return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

// A dateTimeTimeZone as the metadata gives it: "dateTime" required, "timeZone" a string.
bool IsDateTimeTimeZone(const Json& value)
{
    if (!value.is_object() || !value.contains("dateTime") || !value["dateTime"].is_string()) {
        return false;
    }
    for (const auto& [key, member] : value.items()) {
        if (key != "dateTime" && !(key == "timeZone" && (member.is_string() || member.is_null()))) {
            return false;
        }
    }
    return value["dateTime"].get_ref<const std::string&>().size() >= 16;
}

// A patternedRecurrence with the members the service fills when a client leaves them out.
std::optional<Json> ReadRecurrence(const Json& value)
{
    if (!value.is_object() || !value.contains("pattern") || !value["pattern"].is_object()) {
        return std::nullopt;
    }
    const Json& pattern = value["pattern"];
    Json outPattern = {{"type", "daily"},
                       {"interval", 1},
                       {"month", 0},
                       {"dayOfMonth", 0},
                       {"daysOfWeek", Json::array()},
                       {"firstDayOfWeek", "sunday"},
                       {"index", "first"}};
    for (const auto& [key, member] : pattern.items()) {
        const bool good =
            key == "type"             ? IsMemberOf(member, kPatternType)
            : key == "firstDayOfWeek" ? IsMemberOf(member, kDayOfWeek)
            : key == "index"          ? IsMemberOf(member, kWeekIndex)
            : key == "interval" || key == "month" || key == "dayOfMonth"
                ? member.is_number_integer() && member.get<long>() >= 0 && member.get<long>() < 1000
            : key == "daysOfWeek"
                ? member.is_array() &&
                      std::all_of(member.begin(), member.end(),
                                  [](const Json& day) { return IsMemberOf(day, kDayOfWeek); })
                : false;
        if (!good) {
            return std::nullopt;
        }
        outPattern[key] = member;
    }
    if (outPattern["type"] == "weekly" && outPattern["daysOfWeek"].empty()) {
        return std::nullopt;
    }
    Json outRange = {{"type", "noEnd"},
                     {"startDate", "0001-01-01"},
                     {"endDate", "0001-01-01"},
                     {"recurrenceTimeZone", ""},
                     {"numberOfOccurrences", 0}};
    if (value.contains("range")) {
        if (!value["range"].is_object()) {
            return std::nullopt;
        }
        for (const auto& [key, member] : value["range"].items()) {
            const bool good = key == "type"                            ? IsMemberOf(member, kRangeType)
                              : key == "startDate" || key == "endDate" ? IsDate(member)
                              : key == "recurrenceTimeZone"            ? member.is_string()
                              : key == "numberOfOccurrences"           ? member.is_number_integer()
                                                                       : false;
            if (!good) {
                return std::nullopt;
            }
            outRange[key] = member;
        }
    }
    for (const auto& [key, member] : value.items()) {
        if (key != "pattern" && key != "range") {
            return std::nullopt;
        }
    }
    return Json{{"pattern", outPattern}, {"range", outRange}};
}

Json UtcDateTime(std::time_t now)
{
    std::string time = GraphTime(now);
    time.pop_back(); // no "Z": the zone is its own member
    return Json{{"dateTime", time + ".0000000"}, {"timeZone", "UTC"}};
}

} // namespace

bool TakeTaskProperties(Json& task, const Json& body, std::time_t now, std::string& error)
{
    if (!body.is_object()) {
        error = "The request body must be a todoTask object.";
        return false;
    }
    Json changed = task;
    for (const auto& [key, value] : body.items()) {
        if (key.starts_with("@odata.") || key == "linkedResources") {
            continue;
        }
        bool good = true;
        if (key == "title") {
            good = value.is_string() && value.get_ref<const std::string&>().size() <= kMaxTextBytes;
        } else if (key == "status") {
            good = IsMemberOf(value, kTaskStatus);
            if (good && value != changed["status"]) {
                changed["completedDateTime"] = value == "completed" ? UtcDateTime(now) : Json();
                if (value != "completed") {
                    changed.erase("completedDateTime");
                }
            }
        } else if (key == "importance") {
            good = IsMemberOf(value, kImportance);
        } else if (key == "isReminderOn") {
            good = value.is_boolean();
        } else if (key == "reminderDateTime" || key == "dueDateTime" || key == "startDateTime" ||
                   key == "completedDateTime") {
            good = value.is_null() || IsDateTimeTimeZone(value);
        } else if (key == "recurrence") {
            if (!value.is_null()) {
                const std::optional<Json> recurrence = ReadRecurrence(value);
                good = recurrence.has_value();
                if (good) {
                    changed[key] = *recurrence;
                    continue;
                }
            }
        } else if (key == "body") {
            good = value.is_object() && value.value("content", Json("")).is_string() &&
                   IsMemberOf(value.value("contentType", Json("text")), {"text", "html"});
        } else if (key == "categories") {
            good = value.is_array() &&
                   std::all_of(value.begin(), value.end(), [](const Json& c) { return c.is_string(); });
        } else {
            error = "The property '" + key +
                    "' does not exist on type 'microsoft.graph.todoTask'. Make sure to "
                    "only use property names that are defined by the type or mark the type as open type.";
            return false;
        }
        if (!good) {
            error = "Invalid value for property '" + key + "'.";
            return false;
        }
        if (value.is_null()) {
            changed.erase(key);
        } else {
            changed[key] = value;
        }
    }
    task = std::move(changed);
    return true;
}

} // namespace emu
