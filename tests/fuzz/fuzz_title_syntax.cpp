// SPDX-License-Identifier: GPL-3.0-or-later
// Page titles are user text: the reader must take any bytes without crashing and keep its outputs
// consistent.
#include "reminders/reminder.h"
#include "util/text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view title(reinterpret_cast<const char*>(data), size);
    std::optional<rz::Date> dt;
    std::int64_t type = -1, start = -1, end = -1;
    rz::WeekDayFlags weekDay = rz::DefaultWeekDays();
    const bool answer = rz::TAReminder::PageTitleReminder_GetDateTime(title, dt, type, start, end, weekDay);
    const auto length = static_cast<std::int64_t>(rz::Utf8ToUtf16(title).size());
    if (answer != (type != rz::kReminderTypeNone) || type < 0 || type > 2 || (answer && !dt)) {
        __builtin_trap();
    }
    if (answer && (start < 0 || start >= length || end < 0 || end > length)) {
        __builtin_trap();
    }
    for (const std::string& flag : weekDay) {
        if (flag != "0" && flag != "1") {
            __builtin_trap();
        }
    }
    if (rz::TAReminder::GetRepeatWeekDay(title, weekDay)) {
        __builtin_trap();
    }
    const bool repeatable = rz::TAReminder::PageTimeRepeatable_Is(title);
    const bool tagPage = rz::TAReminder::PageHasTagReminder(title);
    if (repeatable && tagPage) {
        __builtin_trap();
    }
    // What lists show is never longer than the title it comes from.
    if (rz::TAReminder::TitleDisplayText(title).size() > title.size()) {
        __builtin_trap();
    }
    return 0;
}
