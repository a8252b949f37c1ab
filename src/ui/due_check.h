#pragma once

#include "util/dates.h"

#include <optional>
#include <string>
#include <vector>

namespace rz {

class TReminderList;

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
    // Names of the reminders that fired, in the order they were appended to the pending list.
    std::vector<std::string> FiredNames;
};

// The once-a-second due check. Remembers the previous check's time for the window's lower end.
class TDueCheck
{
public:
    // Moves due one-off reminders to `pending`, appends a copy of each due repeating reminder and
    // advances it, and fires the snooze. Walks `reminders` from the last entry to the first,
    // fetching each afresh, so an entry removed meanwhile by another thread is skipped.
    DueCheckResult CheckAndReminder(TReminderList& reminders, TReminderList& pending, SnoozeState& snooze);

    std::optional<Date> PreviousCheck() const { return m_PreviousCheck; }

private:
    std::optional<Date> m_PreviousCheck;
};

} // namespace rz
