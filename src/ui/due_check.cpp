#include "ui/due_check.h"

#include "reminders/reminder_list.h"

#include <algorithm>

namespace rz {
namespace {

// A fired repeating reminder waits this long before it may fire again.
constexpr int kRepeatHoldOffSeconds = 20;

// The occurrence after the one that just fired. A check fires a reminder up to ten seconds before
// its time, when the plain next occurrence after now is still that same one; it would fire again
// once the hold-off ends.
std::optional<Date> NextOccurrenceAfter(const TAReminder& r, Date fired)
{
    std::optional<Date> next = r.GetRepeatDateTime();
    if (!next || *next > fired) {
        return next;
    }
    const bool weekdays = r.HasSpecifyRepeatInWeekDay();
    do {
        next = DateAddDays(*next, 1);
    } while (*next <= fired || (weekdays && !r.IsInSpecifyWeekDay(*next)));
    return next;
}

} // namespace

DueWindow DueWindowFor(Date now, std::optional<Date> previousCheck)
{
    const Date from = previousCheck ? std::min(now, *previousCheck) : now;
    return {DateAddSeconds(from, -kDueToleranceSeconds), DateAddSeconds(now, kDueToleranceSeconds)};
}

SnoozeState InitialSnoozeState(Date now)
{
    const Date yearBack = DateAddDays(now, -365);
    return {yearBack, yearBack};
}

bool SnoozeStep(SnoozeState& snooze, Date now, const DueWindow& window)
{
    if (!(now > snooze.PreRemindedTime) ||
        !DateIsBetween(snooze.SnoozeRemindedTime, window.Low, window.High)) {
        return false;
    }
    snooze.PreRemindedTime = window.High;
    snooze.SnoozeRemindedTime = DateAddDays(now, -365);
    return true;
}

bool IsReminderDue(Date now, const DueWindow& window, std::optional<Date> preRemindedTime,
                   std::optional<Date> time)
{
    if (!time) {
        return false;
    }
    if (preRemindedTime && now < *preRemindedTime) {
        return false;
    }
    return DateIsBetween(*time, window.Low, window.High);
}

namespace {

// A one-off with this id and time already waits in the pending list.
bool AlreadyPending(const TReminderList& pending, const std::optional<std::string>& id, std::optional<Date> time)
{
    for (std::size_t n = pending.Count(); n-- > 0;) {
        const ReminderPtr p = pending.At(n);
        if (p && p->Repeat() == 0 && p->Id() == id && p->time() == time) {
            return true;
        }
    }
    return false;
}

} // namespace

DueCheckResult TDueCheck::CheckAndReminder(TReminderList& reminders, TReminderList& pending,
                                           SnoozeState& snooze)
{
    const Date now = DateNow();
    const DueWindow window = DueWindowFor(now, m_PreviousCheck);
    m_PreviousCheck = now;

    DueCheckResult result;
    result.Alert = SnoozeStep(snooze, now, window);

    for (std::size_t n = reminders.Count(); n-- > 0;) {
        // Fetched afresh: the worker may have removed entries since the walk began.
        const ReminderPtr r = reminders.At(n);
        if (!r) {
            continue;
        }
        const std::optional<Date> time = r->time();
        if (!IsReminderDue(now, window, r->preRemindedTime(), time)) {
            continue;
        }
        const bool repeats = r->Repeat() != 0;
        if (!repeats && AlreadyPending(pending, r->Id(), time)) {
            // Fired moments ago and put back by a load before its time came: it is waiting already.
            reminders.Remove(r);
            continue;
        }
        r->setPreRemindedTime(repeats ? DateAddSeconds(now, kRepeatHoldOffSeconds) : window.High);
        pending
            .InsertTop(r->objType(), r->name(), r->Id(), r->pageId(), r->link(), time, r->Repeat(),
                       r->weekDay())
            ->setDataTag(r->dataTag());
        result.FiredNames.push_back(r->name().value_or(std::string()));
        if (repeats) {
            r->setTime(NextOccurrenceAfter(*r, *time));
        } else {
            reminders.Remove(r);
        }
        result.Alert = true;
    }
    return result;
}

} // namespace rz
