// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "status/monitor_lines.h"
#include "util/dates.h"

#include <QString>
#include <optional>

namespace rz {

// A time as the desktop's locale writes a short date and a time of day, always with a four-digit
// year and to the minute; the fixed "yyyy-MM-dd HH:mm" form under the C locale (no locale set).
// Empty for no date. Only what is shown changes: reminder titles and stored files keep their fixed
// forms. Safe on any thread.
QString LocaleDateTimeText(std::optional<Date> date);

// A time as it is read out: the day, the month's name, the year and the time of day in the form the
// strings table gives ("9 December 2026 03:29"), with the locale's month names. Empty for no date.
QString LocaleSpokenDateTimeText(std::optional<Date> date);

// The status lines' words from the strings table, with times in the locale's form.
MonitorTexts LocaleMonitorTexts();

} // namespace rz
