// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/reminder_list.h"
#include "util/dates.h"
#include "util/zone_watch.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rz {

// Seconds either side of the clock within which a reminder or a snooze is due.
inline constexpr int kDueToleranceSeconds = 10;

// The instants one check fires, both ends included.
struct DueWindow
{
    Date Low;
    Date High;
};

// LO = min(now, previous) − 10 s and HI = now + 10 s. Reaching back to the previous check catches
// whatever came due while the loop was held (the machine slept, a dialog blocked the timer); the
// hold-offs keep every reminder to one firing. Without a previous check LO is now − 10 s.
DueWindow DueWindowFor(Date now, std::optional<Date> previousCheck);

// The pending window's snooze: when it may come back, and from when on.
struct SnoozeState
{
    Date PreRemindedTime;
    Date SnoozeRemindedTime;
};

// Both times a year back: no snooze is due.
SnoozeState InitialSnoozeState(Date now);

// Fires the snooze when its time lies in the window and the hold-off has passed; the snooze is then
// moved a year back so it fires once.
bool SnoozeStep(SnoozeState& snooze, Date now, const DueWindow& window);

// A reminder fires when its hold-off has passed and its time lies in the window. A reminder
// without a time never fires.
bool IsReminderDue(Date now, const DueWindow& window, std::optional<Date> preRemindedTime,
                   std::optional<Date> time);

// What one check did.
struct DueCheckResult
{
    bool Alert = false;
    // The pending copies of the reminders that fired, in the order they were appended to the pending
    // list; a copy raised for what came due while the agent was not running or the computer slept is
    // marked late.
    std::vector<ReminderPtr> Fired;
    // Key and occurrence of each reminder that fired, in the same order.
    std::vector<std::pair<std::optional<std::string>, Date>> FiredOccurrences;
    // The system's time zone changed and every reminder's time was read anew in it.
    bool ZoneChanged = false;
};

// A snoozed copy of a reminder may still wake: its page is still in the page list text (an empty
// text, not yet loaded, keeps it) and, where the list holds the reminder, it still rings at the
// copy's time (one-off) or time of day (repeating). A repeating reminder gone from the list takes
// its copies with it.
bool SnoozedCopyHolds(const TAReminder& copy, std::string_view pageList, const TReminderList& reminders);

// The once-a-second due check. Remembers the previous check's time for the window's lower end.
class TDueCheck
{
public:
    // Notes the system's time zone now.
    TDueCheck();
    // Writes the span of a hold still open, so the next run knows what came due in it.
    ~TDueCheck();
    TDueCheck(const TDueCheck&) = delete;
    TDueCheck& operator=(const TDueCheck&) = delete;
    TDueCheck(TDueCheck&&) = default;
    TDueCheck& operator=(TDueCheck&&) = default;

    // Keeps the time of the last check in this file (JSON, replaced atomically) across runs: written
    // when a check raises something and at least once a minute. The occurrences raised in the last
    // day go with it, so a restart seconds after an alert (while a page still names the time to
    // come) neither raises nor lists them again. The first call reads the last run's
    // time, so the first check raises once, marked late, every reminder that came due since then; a
    // repeating one its latest missed occurrence. A check more than a minute after the previous one
    // (the machine slept) does the same for what came due since that one. Without a file (the very first
    // start) nothing is raised late. Without `lateAlarms` nothing that came due after the last run's
    // time rings (the one-offs among it go), but what it raised stays raised and what it held back
    // (a pause, a zone change) still rings, late. Later calls with the same path change nothing.
    void UseStateFile(const std::string& path, bool lateAlarms = true);

    // First notices a change of the system's time zone (within the second) and reads every
    // reminder's time anew in it (TReminderList::FollowZoneChange).
    // Moves due one-off reminders to `pending`, appends a copy of each due repeating reminder and
    // advances it, and fires the snooze. A one-off still listed whose time lies before the window
    // (held back by a pause, do-not-disturb or a zone change) rings, late. Walks `reminders` from the last
    // entry to the first, fetching each afresh, so an entry removed meanwhile by another thread is skipped.
    // An occurrence a repeating reminder raised already is never raised again.
    DueCheckResult CheckAndReminder(TReminderList& reminders, TReminderList& pending, SnoozeState& snooze);

    // Called instead of a check while alarms are held. Notes the span of time the hold lasts (kept in
    // the file at least once a minute and when this object goes): a one-off that came due in it rings,
    // late, at the next check, in this run or the next, whatever late alarms say. A clock set back
    // meanwhile leaves the last check (this run's, or the last run's before this run checked) ahead
    // of the clock: it covered nothing of what lies ahead now, so it is brought back to now and
    // written at once. A change of the system's time zone is followed at once, as a check would;
    // true then (the times shown changed), and the next check reports it.
    bool NoteHeld(TReminderList& reminders);

    std::optional<Date> PreviousCheck() const { return m_PreviousCheck; }

private:
    // What the state file holds besides the held spans.
    struct SavedState
    {
        std::optional<Date> LastCheck;
        std::map<std::string, Date> Raised;
        std::map<std::string, RaisedOneOff> RaisedNames;
        std::string Zone;
    };
    // A span of time alarms were held while the agent ran, both ends included.
    struct HeldSpan
    {
        Date From;
        Date Through;
    };

    void SaveState(Date now, bool raised, TReminderList& reminders);
    void WriteState(Date now);
    bool InHeldSpan(Date time) const;
    // Gives the last run's raised occurrences to the list, once; those further ahead than a check may
    // raise were raised while the clock ran ahead and are dropped.
    void RestoreRaised(TReminderList& reminders, Date now);

    std::optional<Date> m_PreviousCheck;
    std::string m_StatePath;
    TZoneWatch m_Zone;
    // The last run's last check, until the first check of this run has used it.
    std::optional<Date> m_LastRunCheck;
    std::optional<Date> m_StateSaved;
    // The last run's raised occurrences, until the first check of this run has given them to the list.
    std::map<std::string, Date> m_RaisedToRestore;
    std::map<std::string, RaisedOneOff> m_RaisedNamesToRestore;
    bool m_LateAlarms = true;
    // The zone the last run checked in; empty when unknown (an older file).
    std::string m_LastRunZone;
    SavedState m_Saved;
    // Holds since the last check, this run's and those of runs that ended held; the next check
    // rings what came due in them and forgets them.
    std::vector<HeldSpan> m_Held;
    bool m_HoldOpen = false;
    bool m_HeldUnsaved = false;
    // A zone change followed while held, for the next check to report and write.
    bool m_ZoneFollowedWhileHeld = false;
};

} // namespace rz
