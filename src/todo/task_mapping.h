// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder.h"
#include "util/dates.h"
#include "util/json.h"

#include <cstdint>
#include <string>
#include <string_view>

// How a reminder of the agent becomes a Microsoft To Do task: the task's fields, the linked resource
// that names the reminder, and the time zone its times are given in.

namespace rz {

// What the bridge knows of one reminder, copied out of its record so that no lock is held while it
// works.
struct TBridgeReminder
{
    std::int64_t ObjType = kPageTitleReminder;
    std::string Id;     // the record's key: the page's id, or the tagged element's
    std::string PageId; // the page it lives on
    std::string Name;   // the record's text, reminder marks included
    std::string WebUrl; // the page's OneNote for the web address; empty when unknown
    Date Time{};        // when it is due; for a repeating one its next occurrence
    bool Repeat = false;
    WeekDayFlags WeekDay = DefaultWeekDays();
    // It rang and waits on the desktop: its task stays open as it is, and none is made for it.
    bool Held = false;
};

// The "externalId" of the linked resource that names a reminder: made of the page's and the
// element's ids only, so every desktop and every start names the same reminder alike.
std::string ReminderExternalId(const TBridgeReminder& reminder);
// True when an externalId is one ReminderExternalId makes (the bridge's own tasks).
bool IsBridgeExternalId(std::string_view externalId);

// The local time zone's IANA name: TZ (a name, or a path below a zoneinfo folder), else the target of
// /etc/localtime; empty when neither names one.
std::string LocalZoneId();
// The Windows name of an IANA time zone, as To Do's dateTimeTimeZone takes it; empty when the zone
// is unknown.
std::string WindowsZoneName(std::string_view ianaZone);

// The writable task fields for a reminder, with its times as the wall-clock time in `ianaZone`
// (UTC when that zone is unknown): title, reminderDateTime, dueDateTime, isReminderOn and, for a
// repeating reminder, a daily (no weekday chosen) or weekly recurrence. What an update sends.
Json TaskFieldsFor(const TBridgeReminder& reminder, std::string_view ianaZone);
// The create's body: the fields and the linked resource (web address, `appName`, externalId).
Json TaskCreateBody(const TBridgeReminder& reminder, std::string_view ianaZone, std::string_view appName);

} // namespace rz
