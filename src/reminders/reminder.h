// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/locked_field.h"
#include "util/dates.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rz {

namespace detail {
template <class Record> class KeyedRecords;
}

// Weekday choice of a repeating reminder: entry 0 = Sunday … 6 = Saturday; "0" = not chosen, any
// other text = chosen. All "0" means every day.
using WeekDayFlags = std::array<std::string, 7>;

// Seven "0": no weekday chosen.
WeekDayFlags DefaultWeekDays();

// Both texts present and identical. An absent text equals nothing, not even another absent one.
bool SameText(const std::optional<std::string>& a, const std::optional<std::string>& b);
// Both dates present and the same instant.
bool SameInstant(const std::optional<Date>& a, const std::optional<Date>& b);

// Reminder kinds (objType).
inline constexpr std::int64_t kPageTitleReminder = 0;
inline constexpr std::int64_t kTagReminder = 1;

// Title syntax reminder types.
inline constexpr std::int64_t kReminderTypeNone = 0;
inline constexpr std::int64_t kReminderTypeOneOff = 1;
inline constexpr std::int64_t kReminderTypeRepeating = 2;

// One reminder. Shared between the worker and the main thread through std::shared_ptr; every single
// field read or write is indivisible, sequences of them are not.
class TAReminder
{
public:
    TAReminder() = default;
    TAReminder(const TAReminder&) = delete;
    TAReminder& operator=(const TAReminder&) = delete;

    // 1 for a repeating reminder, 0 for a one-off.
    std::uint8_t Repeat() const { return detail::LockedGet(m_Mutex, m_Repeat); }
    void setRepeat(std::uint8_t value) { detail::LockedSet(m_Mutex, m_Repeat, value); }
    // kPageTitleReminder or kTagReminder.
    std::int64_t objType() const { return detail::LockedGet(m_Mutex, m_ObjType); }
    void setObjType(std::int64_t value) { detail::LockedSet(m_Mutex, m_ObjType, value); }
    // Shown text; still holds the reminder marks.
    std::optional<std::string> name() const { return detail::LockedGet(m_Mutex, m_Name); }
    void setName(std::optional<std::string> value) { detail::LockedSet(m_Mutex, m_Name, std::move(value)); }
    // Key within a list. Lists index their records by it, so it is set before the record enters a
    // list: while any list holds the record the change is refused (false).
    std::optional<std::string> Id() const { return detail::LockedGet(m_Mutex, m_Id); }
    bool setId(std::optional<std::string> value);
    std::optional<std::string> pageId() const { return detail::LockedGet(m_Mutex, m_PageId); }
    void setPageId(std::optional<std::string> value)
    {
        detail::LockedSet(m_Mutex, m_PageId, std::move(value));
    }
    std::optional<std::string> link() const { return detail::LockedGet(m_Mutex, m_Link); }
    void setLink(std::optional<std::string> value) { detail::LockedSet(m_Mutex, m_Link, std::move(value)); }
    // Due time; for a repeating reminder its next occurrence.
    std::optional<Date> time() const { return detail::LockedGet(m_Mutex, m_Time); }
    void setTime(std::optional<Date> value) { detail::LockedSet(m_Mutex, m_Time, value); }
    // The local time of day every occurrence of a repeating reminder is meant for. An occurrence on
    // a day that skips it rings later, and the next one is back at this time. Without one set, the
    // time of day of `time`.
    std::optional<TimeOfDayValue> timeOfDay() const;
    void setTimeOfDay(std::optional<TimeOfDayValue> value) { detail::LockedSet(m_Mutex, m_TimeOfDay, value); }
    // The due check leaves the reminder alone while the clock is earlier than this.
    std::optional<Date> preRemindedTime() const { return detail::LockedGet(m_Mutex, m_PreRemindedTime); }
    void setPreRemindedTime(std::optional<Date> value)
    {
        detail::LockedSet(m_Mutex, m_PreRemindedTime, value);
    }
    // The last occurrence the due check raised; no later merge or move gives it (or an earlier one)
    // back, nor another on the calendar day it fell on where it was raised (after a flight west the
    // same day's time of day comes round again). Kept in memory only.
    std::optional<Date> lastRaised() const { return detail::LockedGet(m_Mutex, m_LastRaised); }
    void setLastRaised(std::optional<Date> value);
    // The occurrence falls on the calendar day of the last one raised, or before it.
    bool DayRaisedAlready(Date occurrence) const;
    // Copies in and out; the record owns its flags.
    WeekDayFlags weekDay() const { return detail::LockedGet(m_Mutex, m_WeekDay); }
    void setWeekDay(const WeekDayFlags& value) { detail::LockedSet(m_Mutex, m_WeekDay, value); }
    // The tagged paragraph's "data-tag" value (tag reminders only; empty when unknown), so that the
    // alert can offer to tick an open to-do.
    std::string dataTag() const { return detail::LockedGet(m_Mutex, m_DataTag); }
    void setDataTag(std::string value) { detail::LockedSet(m_Mutex, m_DataTag, std::move(value)); }
    // A tag reminder whose paragraph carries a "to-do" tag that is not completed yet.
    bool IsOpenToDo() const;
    // Raised late: it came due while the agent was not running or the computer slept. Windows and
    // notifications mark it; the name stays the note's own text.
    bool late() const { return detail::LockedGet(m_Mutex, m_Late); }
    void setLate(bool value) { detail::LockedSet(m_Mutex, m_Late, value); }

    // True when any weekday is chosen.
    bool HasSpecifyRepeatInWeekDay() const;
    // True when the weekday of the date (local time) is chosen.
    bool IsInSpecifyWeekDay(Date date) const;
    // The first day from today on which the time of day (timeOfDay) lies strictly in the future (and
    // after the last raised occurrence) and, when weekdays are chosen, falls on one of them. No date
    // when the record has no `time`.
    std::optional<Date> GetRepeatDateTime() const;
    // The occurrence before `time` on the same schedule, at most a week back; none without `time`.
    std::optional<Date> PreviousOccurrence() const;
    // The latest occurrence on the schedule no later than `at`, at most a week back; none without
    // `time`.
    std::optional<Date> LastOccurrenceBy(Date at) const;

    // "Type:%ld` ID:%@` PageID:%@` Link:%@` Time:%@` Recurrence:%hhu` Title:%@`", absent values as
    // "(null)", no escaping. A late record adds " Late:1`" after the title, and a known data tag
    // follows as " DataTag:%@`"; a repeating record's time of day goes before the title as
    // " TimeOfDay:HH:MM:SS`": readers that do not know them ignore them, and lines without them
    // read as before.
    std::string ToString() const;
    // Reads a line of the ToString form; never fails. preRemindedTime is set to now, and the weekday
    // flags are read back from its title, and a repeating reminder's time of day from its field, or
    // else from the title where it names one.
    static std::shared_ptr<TAReminder> FromString(std::string_view line);

    // Page-title syntax (title_syntax.cpp). Positions count UTF-16 code units.
    // Reads a reminder from a title: "!" + date and time (one-off) or "!!" + time of day with an
    // optional weekday list (repeating). DT, DTStart, DTEnd and WeekDay are left untouched when the
    // title holds no "!"; ReminderType is always set. A one-off date written without a time rings
    // at `dateOnlyAt`.
    static bool PageTitleReminder_GetDateTime(std::string_view title, std::optional<Date>& DT,
                                              std::int64_t& ReminderType, std::int64_t& DTStart,
                                              std::int64_t& DTEnd, WeekDayFlags& WeekDay,
                                              TimeOfDayValue dateOnlyAt = {});
    // Fills the flags from the "[1,2,…]" list after the first "!!" ("1" = Monday … "7" = Sunday),
    // after clearing them. Always answers false, so the date text of a repeating title keeps its
    // list and the time of day is read at fixed places.
    static bool GetRepeatWeekDay(std::string_view title, WeekDayFlags& weekDay);
    // The reminder's own words, for display only: the title without its "!" or "!!" and the date,
    // time and weekday list that follow it ("Call the bank !2026-12-09 12:34" shows "Call the bank").
    // A title that carries no reminder, or nothing but its date, shows whole, trimmed. Stored names
    // keep the full title, which is what the page and Done match on.
    static std::string TitleDisplayText(std::string_view title);
    // The trimmed title begins with "!!".
    static bool PageTimeRepeatable_Is(std::string_view title);
    // The trimmed title begins with "!" but not with "!!".
    static bool PageHasTagReminder(std::string_view title);

private:
    // The list merges a reminder into a record under one hold of the record's lock.
    friend class TReminderList;
    template <class> friend class detail::KeyedRecords;
    // How many lists hold the record now.
    void ListHold(int delta);
    int m_Lists = 0;

    mutable std::mutex m_Mutex;
    std::uint8_t m_Repeat = 0;
    std::int64_t m_ObjType = 0;
    std::optional<std::string> m_Name;
    std::optional<std::string> m_Id;
    std::optional<std::string> m_PageId;
    std::optional<std::string> m_Link;
    std::optional<Date> m_Time;
    std::optional<TimeOfDayValue> m_TimeOfDay;
    std::optional<Date> m_PreRemindedTime;
    std::optional<Date> m_LastRaised;
    // m_LastRaised's local date as year * 10000 + month * 100 + day, in the zone it was raised in.
    std::optional<int> m_LastRaisedDay;
    WeekDayFlags m_WeekDay = DefaultWeekDays();
    std::string m_DataTag;
    bool m_Late = false;
};

// The tags of a comma-separated "data-tag" value, trimmed, empty entries left out.
std::vector<std::string> DataTagList(std::string_view dataTag);
// True when the comma-separated "data-tag" value holds a "to-do" tag that is not completed.
bool HasOpenToDoTag(std::string_view dataTag);

using ReminderPtr = std::shared_ptr<TAReminder>;

} // namespace rz
