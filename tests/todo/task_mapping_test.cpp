// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/task_mapping.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

WeekDayFlags Days(std::initializer_list<int> chosen)
{
    WeekDayFlags flags = DefaultWeekDays();
    for (const int day : chosen) {
        flags[static_cast<std::size_t>(day)] = "1";
    }
    return flags;
}

// One reminder each: its task's title, times in the zone's own wall clock and Windows name, and the
// recurrence a repeating one gets.
TEST(TaskMappingTest, AReminderBecomesTheTaskFieldsOfItsZone)
{
    const struct
    {
        const char* name;
        std::int64_t objType;
        const char* utc;
        const char* zone;
        bool repeat;
        WeekDayFlags weekDay;
        const char* title;
        const char* dateTime;
        const char* timeZone;
        const char* pattern; // "" none, "daily", or the weekly days joined by ","
    } cases[] = {
        {"Dentist !2026-12-11 09:00", kPageTitleReminder, "2026-12-11T08:00:00Z", "Europe/Berlin", false,
         DefaultWeekDays(), "Dentist", "2026-12-11T09:00:00.0000000", "W. Europe Standard Time", ""},
        {"Call Bob !2026-07-01 18:30", kTagReminder, "2026-07-01T22:30:00Z", "America/New_York", false,
         DefaultWeekDays(), "Call Bob", "2026-07-01T18:30:00.0000000", "Eastern Standard Time", ""},
        {"Standup !! 09:15", kPageTitleReminder, "2026-12-14T08:15:00Z", "Europe/Berlin", true,
         DefaultWeekDays(), "Standup", "2026-12-14T09:15:00.0000000", "W. Europe Standard Time", "daily"},
        {"Gym !! 18:00 [1,2,3,4,5]", kPageTitleReminder, "2026-12-14T17:00:00Z", "Europe/Berlin", true,
         Days({1, 2, 3, 4, 5}), "Gym", "2026-12-14T18:00:00.0000000", "W. Europe Standard Time",
         "monday,tuesday,wednesday,thursday,friday"},
        {"Late shift !2026-12-11 23:30", kPageTitleReminder, "2026-12-12T04:30:00Z", "America/New_York",
         false, DefaultWeekDays(), "Late shift", "2026-12-11T23:30:00.0000000", "Eastern Standard Time", ""},
        {"Anywhere !2026-12-11 08:00", kPageTitleReminder, "2026-12-11T08:00:00Z", "Mars/Olympus", false,
         DefaultWeekDays(), "Anywhere", "2026-12-11T08:00:00.0000000", "UTC", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBridgeReminder reminder;
        reminder.ObjType = c.objType;
        reminder.Id = c.objType == kTagReminder ? "p:{A1}{12}" : "0-AB!1";
        reminder.PageId = "0-AB!1";
        reminder.Name = c.name;
        reminder.WebUrl = "https://onedrive.live.com/edit?page=1";
        reminder.Time = GraphTimeToDate(c.utc);
        reminder.Repeat = c.repeat;
        reminder.WeekDay = c.weekDay;

        const Json body = TaskCreateBody(reminder, c.zone, "RedoZevuviva");
        EXPECT_EQ(body["title"], c.title);
        EXPECT_EQ(body["isReminderOn"], true);
        for (const char* field : {"reminderDateTime", "dueDateTime"}) {
            EXPECT_EQ(body[field]["dateTime"], c.dateTime) << field;
            EXPECT_EQ(body[field]["timeZone"], c.timeZone) << field;
        }
        std::string pattern;
        if (body.contains("recurrence")) {
            const Json& recurrence = body["recurrence"];
            pattern = recurrence["pattern"]["type"].get<std::string>();
            if (pattern == "weekly") {
                pattern.clear();
                for (const Json& day : recurrence["pattern"]["daysOfWeek"]) {
                    pattern += (pattern.empty() ? "" : ",") + day.get<std::string>();
                }
            }
            EXPECT_EQ(recurrence["range"]["type"], "noEnd");
            EXPECT_EQ(recurrence["range"]["startDate"], std::string(c.dateTime).substr(0, 10));
            EXPECT_EQ(recurrence["range"]["recurrenceTimeZone"], c.timeZone);
        }
        EXPECT_EQ(pattern, c.pattern);
        // An update clears a recurrence the reminder no longer has.
        EXPECT_EQ(TaskFieldsFor(reminder, c.zone)["recurrence"].is_null(), !c.repeat);

        const Json& link = body["linkedResources"][0];
        EXPECT_EQ(link["applicationName"], "RedoZevuviva");
        EXPECT_EQ(link["webUrl"], reminder.WebUrl);
        EXPECT_EQ(link["externalId"], c.objType == kTagReminder ? "redozevuviva/1/tag/0-AB!1/p:{A1}{12}"
                                                                : "redozevuviva/1/page/0-AB!1");
        EXPECT_TRUE(IsBridgeExternalId(link["externalId"].get<std::string>()));
    }
}

} // namespace
} // namespace rz
