// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"

#include "reminders/reminder_list.h"
#include "util/files.h"
#include "util/json.h"
#include "util/text.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace rz {
namespace {

// A fired repeating reminder waits this long before it may fire again.
constexpr int kRepeatHoldOffSeconds = 20;
// A check this long after the previous one follows a sleep (or a stopped loop): what came due
// meanwhile is late.
constexpr double kSleepSeconds = 60;
// The last check's time is written at least this often.
constexpr double kStateSaveSeconds = 60;
constexpr const char* kLastCheckKey = "lastCheck";
constexpr const char* kRaisedKey = "raised";
constexpr const char* kRaisedNamesKey = "raisedOneOffNames";
constexpr const char* kRaisedOneOffTimesKey = "raisedOneOffTimes";
constexpr const char* kZoneKey = "zone";
constexpr const char* kHeldKey = "held";
// Runs that each ended held before any check add a span each; beyond this many the oldest go.
constexpr std::size_t kMaxHeldSpans = 32;
// Raised occurrences are kept this long: no load adds a one-off whose time lies further back.
constexpr int kRaisedKeptDays = 1;

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

TDueCheck::TDueCheck()
{
    // The zone at the start: a change before the first check (alarms held) is still seen.
    m_Zone.Changed();
}

TDueCheck::~TDueCheck()
{
    if (m_HeldUnsaved) {
        try {
            WriteState(DateNow());
        } catch (...) {
            // Leaving anyway: the file keeps the span as written up to a minute ago.
        }
    }
}

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
bool AlreadyPending(const TReminderList& pending, const std::optional<std::string>& id,
                    std::optional<Date> time)
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

bool SnoozedCopyHolds(const TAReminder& copy, std::string_view pageList, const TReminderList& reminders)
{
    const std::optional<std::string> pageId = copy.pageId();
    if (!pageList.empty() && (!pageId || pageList.find(*pageId) == std::string_view::npos)) {
        return false;
    }
    const ReminderPtr source = reminders.GetByID(copy.Id());
    const std::optional<Date> time = copy.time();
    if (copy.Repeat() != 0) {
        // The copy's own intended time of day: an occurrence a spring-forward gap moved keeps it.
        const std::optional<TimeOfDayValue> intended = copy.timeOfDay() ? copy.timeOfDay()
                                                       : time           ? std::optional(TimeOfDay(*time))
                                                                        : std::nullopt;
        return source && time && source->timeOfDay() == intended;
    }
    return !source || source->time() == time;
}

void TDueCheck::UseStateFile(const std::string& path, bool lateAlarms)
{
    if (path == m_StatePath) {
        return;
    }
    m_StatePath = path;
    m_LastRunCheck.reset();
    m_LateAlarms = lateAlarms;
    const std::optional<std::string> text =
        path.empty() ? std::nullopt : ReadTextFile(path, kMaxStateFileBytes);
    if (!text) {
        return;
    }
    const Json state = JsonTextToObject(std::string_view(*text));
    if (const auto it = state.find(kLastCheckKey); it != state.end() && it->is_number()) {
        m_LastRunCheck = Date{it->get<double>()};
    }
    m_LastRunZone = JsonText(state, kZoneKey);
    m_RaisedToRestore.clear();
    m_RaisedNamesToRestore.clear();
    if (const auto it = state.find(kRaisedKey); it != state.end() && it->is_object()) {
        for (const auto& [id, time] : it->items()) {
            if (time.is_number()) {
                m_RaisedToRestore[id] = Date{time.get<double>()};
            }
        }
    }
    // Each one-off's own time; a file without them gives the key's.
    const Json* oneOffTimes = JsonObject(state, kRaisedOneOffTimesKey);
    if (const Json* names = JsonObject(state, kRaisedNamesKey)) {
        for (const auto& [id, name] : names->items()) {
            std::optional<Date> time;
            if (const auto own = oneOffTimes ? oneOffTimes->find(id) : state.end();
                oneOffTimes && own != oneOffTimes->end() && own->is_number()) {
                time = Date{own->get<double>()};
            } else if (const auto key = m_RaisedToRestore.find(id); key != m_RaisedToRestore.end()) {
                time = key->second;
            }
            if (name.is_string() && time) {
                m_RaisedNamesToRestore[id] = {name.get<std::string>(), *time};
            }
        }
    }
    m_Held.clear();
    if (const auto it = state.find(kHeldKey); it != state.end() && it->is_array()) {
        for (const Json& span : *it) {
            if (span.is_array() && span.size() == 2 && span[0].is_number() && span[1].is_number() &&
                span[0].get<double>() <= span[1].get<double>()) {
                m_Held.push_back({Date{span[0].get<double>()}, Date{span[1].get<double>()}});
            }
        }
        if (m_Held.size() > kMaxHeldSpans) {
            m_Held.erase(m_Held.begin(), m_Held.end() - kMaxHeldSpans);
        }
    }
    m_Saved = {m_LastRunCheck, m_RaisedToRestore, m_RaisedNamesToRestore, m_LastRunZone};
}

void TDueCheck::SaveState(Date now, bool raised, TReminderList& reminders)
{
    if (m_StatePath.empty()) {
        return;
    }
    // A clock set back also writes at once.
    const bool due = raised || !m_StateSaved || now < *m_StateSaved ||
                     now.seconds - m_StateSaved->seconds >= kStateSaveSeconds;
    if (!due) {
        return;
    }
    m_Saved.LastCheck = now;
    m_Saved.Raised = reminders.RaisedOccurrences(DateAddDays(now, -kRaisedKeptDays));
    m_Saved.RaisedNames = reminders.RaisedOneOffs();
    WriteState(now);
}

void TDueCheck::WriteState(Date now)
{
    if (m_StatePath.empty()) {
        return;
    }
    // Whole-second text would lose up to a second and raise a reminder of that second twice.
    Json raisedTimes = Json::object();
    for (const auto& [id, time] : m_Saved.Raised) {
        if (IsValidUtf8(id)) {
            raisedTimes[id] = time.seconds;
        }
    }
    Json raisedNames = Json::object();
    Json oneOffTimes = Json::object();
    for (const auto& [id, oneOff] : m_Saved.RaisedNames) {
        // JSON holds UTF-8 only; a damaged reminders file's text stays out rather than the whole file.
        if (IsValidUtf8(id) && IsValidUtf8(oneOff.Name)) {
            raisedNames[id] = oneOff.Name;
            oneOffTimes[id] = oneOff.Time.seconds;
        }
    }
    Json held = Json::array();
    for (const HeldSpan& span : m_Held) {
        held.push_back({span.From.seconds, span.Through.seconds});
    }
    Json state = {{kRaisedKey, std::move(raisedTimes)},
                  {kRaisedNamesKey, std::move(raisedNames)},
                  {kRaisedOneOffTimesKey, std::move(oneOffTimes)},
                  {kZoneKey, m_Saved.Zone},
                  {kHeldKey, std::move(held)}};
    if (m_Saved.LastCheck) {
        state[kLastCheckKey] = m_Saved.LastCheck->seconds;
    }
    const std::optional<std::string> text = JsonTextReadingBack(state);
    if (text && WriteTextFile(m_StatePath, *text)) {
        m_StateSaved = now;
        m_HeldUnsaved = false;
    }
}

bool TDueCheck::InHeldSpan(Date time) const
{
    return std::any_of(m_Held.begin(), m_Held.end(), [time](const HeldSpan& span) {
        return DateIsBetween(time, DateAddSeconds(span.From, -kDueToleranceSeconds),
                             DateAddSeconds(span.Through, kDueToleranceSeconds));
    });
}

void TDueCheck::RestoreRaised(TReminderList& reminders, Date now)
{
    if (m_RaisedToRestore.empty() && m_RaisedNamesToRestore.empty()) {
        return;
    }
    // An occurrence is raised at most the tolerance before its time; one further ahead was raised
    // while the clock ran ahead, and kept would hold its reminder back until real time caught up.
    reminders.RestoreRaised(m_RaisedToRestore, m_RaisedNamesToRestore,
                            DateAddSeconds(now, kDueToleranceSeconds));
    m_RaisedToRestore.clear();
    m_RaisedNamesToRestore.clear();
}

bool TDueCheck::NoteHeld(TReminderList& reminders)
{
    // Followed now, so a one-off read in the new zone meanwhile is not moved again by the check; the
    // file keeps the zone of the last check, so a next run still knows times moved since.
    const bool zoneChanged = m_Zone.Changed();
    if (zoneChanged) {
        reminders.FollowZoneChange();
        m_ZoneFollowedWhileHeld = true;
    }
    const Date now = DateNow();
    const bool newSpan = !m_HoldOpen || m_Held.empty() || now < m_Held.back().Through;
    if (newSpan) {
        // A run that starts held would have rung late, at its first check, what came due since the
        // last run's last check; the hold keeps that for the check after it, whatever late alarms say
        // by then.
        const bool startsHeld =
            !m_PreviousCheck && !m_HoldOpen && m_LateAlarms && m_LastRunCheck && !(now < *m_LastRunCheck);
        m_Held.push_back({startsHeld ? *m_LastRunCheck : now, now});
        if (m_Held.size() > kMaxHeldSpans) {
            m_Held.erase(m_Held.begin());
        }
    } else {
        m_Held.back().Through = now;
    }
    m_HoldOpen = true;
    m_HeldUnsaved = true;
    std::optional<Date>& covered = m_PreviousCheck ? m_PreviousCheck : m_LastRunCheck;
    if (covered && now < *covered) {
        RestoreRaised(reminders, now);
        reminders.ForgetRaisedAfter(DateAddSeconds(now, kDueToleranceSeconds));
        covered = now;
        // Written even when nothing was raised: the next run must not take the old check as covering.
        SaveState(now, true, reminders);
        return zoneChanged;
    }
    if (newSpan || !m_StateSaved || now < *m_StateSaved ||
        now.seconds - m_StateSaved->seconds >= kStateSaveSeconds) {
        WriteState(now);
    }
    return zoneChanged;
}

DueCheckResult TDueCheck::CheckAndReminder(TReminderList& reminders, TReminderList& pending,
                                           SnoozeState& snooze)
{
    DueCheckResult result;
    if (m_Zone.Changed()) {
        reminders.FollowZoneChange();
        result.ZoneChanged = true;
    }
    result.ZoneChanged = std::exchange(m_ZoneFollowedWhileHeld, false) || result.ZoneChanged;
    const Date now = DateNow();
    const Date raisedLimit = DateAddSeconds(now, kDueToleranceSeconds);
    RestoreRaised(reminders, now);
    if (!m_PreviousCheck || now < *m_PreviousCheck) {
        reminders.ForgetRaisedAfter(raisedLimit);
    }
    DueWindow window = DueWindowFor(now, m_PreviousCheck);
    const Date onTime = DateAddSeconds(now, -kDueToleranceSeconds);
    // The first check after a start, or after the machine slept: reach back to just after what the
    // last check covered, and mark what came due meanwhile late. A last check in the future (the
    // clock was set back) covered nothing of what lies ahead now.
    const bool firstCheck = !m_PreviousCheck;
    std::optional<Date> covered = m_PreviousCheck || !m_LateAlarms ? std::nullopt : m_LastRunCheck;
    if (m_PreviousCheck && now.seconds - m_PreviousCheck->seconds > kSleepSeconds) {
        covered = m_PreviousCheck;
    }
    std::optional<Date> lateFrom;
    if (covered) {
        const Date from = DateAddSeconds(*covered, kDueToleranceSeconds);
        if (from < onTime) {
            lateFrom = Date{std::nextafter(from.seconds, from.seconds + 1)};
            window.Low = *lateFrom;
        }
    }
    // One-offs still listed whose time lies before the window came due and did not ring: alarms were
    // held, or a zone change moved their time back. They ring now, late. At the first check of a run
    // those that came due after the last run's last check (while the agent was not running) go
    // silently without late alarms, and those due before it ring only when the zone changed since
    // (else nothing held them: they go); without any last check (a first start) they wait as they are.
    std::optional<Date> silentAfter;
    std::optional<Date> silentBefore;
    if (firstCheck && m_LastRunCheck) {
        const Date lastCovered = DateAddSeconds(*m_LastRunCheck, kDueToleranceSeconds);
        if (!m_LateAlarms) {
            silentAfter = lastCovered;
        }
        // A one-off due before that check was listed at it (a load adds none that has passed).
        if (m_LastRunZone == m_Zone.Zone()) {
            silentBefore = m_LastRunCheck;
        }
    }
    const bool missedRing = !firstCheck || m_LastRunCheck.has_value();
    m_LastRunCheck.reset();
    m_PreviousCheck = now;

    // Hold-offs lie at most the repeat hold-off ahead; one further ahead was set before the clock
    // was set back and would silence its reminder for as long.
    const Date holdOffLimit = DateAddSeconds(now, kRepeatHoldOffSeconds);
    if (snooze.PreRemindedTime > holdOffLimit) {
        snooze.PreRemindedTime = InitialSnoozeState(now).PreRemindedTime;
    }

    result.Alert = SnoozeStep(snooze, now, window);

    for (std::size_t n = reminders.Count(); n-- > 0;) {
        // Fetched afresh: the worker may have removed entries since the walk began.
        const ReminderPtr r = reminders.At(n);
        if (!r) {
            continue;
        }
        if (const std::optional<Date> pre = r->preRemindedTime(); pre && *pre > holdOffLimit) {
            r->setPreRemindedTime(now);
        }
        std::optional<Date> time = r->time();
        const bool repeats = r->Repeat() != 0;
        if (repeats && time) {
            const std::optional<Date> raised = r->lastRaised();
            if (raised && *time <= *raised) {
                // Put back by a merge: that occurrence rang already.
                r->setTime(r->GetRepeatDateTime());
                continue;
            }
            // Of the occurrences missed while stopped or asleep the latest rings, late: loading moved
            // a passed one on, sleeping left the oldest in place. One due on time now rings as it is.
            if (lateFrom && !DateIsBetween(*time, onTime, window.High)) {
                if (const std::optional<Date> latest = r->LastOccurrenceBy(onTime);
                    latest && DateIsBetween(*latest, *lateFrom, onTime) && (!raised || *latest > *raised) &&
                    !r->DayRaisedAlready(*latest)) {
                    time = latest;
                }
            }
        }
        // A one-off the loader found only after its time rings at once, late.
        const bool foundLate = !repeats && r->late() && time && *time < window.High;
        const bool missed = !repeats && !foundLate && time && *time < window.Low;
        if (missed && !InHeldSpan(*time) &&
            ((silentAfter && *time > *silentAfter) || (silentBefore && *time < *silentBefore))) {
            reminders.Remove(r);
            continue;
        }
        const bool heldBack = missed && (missedRing || InHeldSpan(*time));
        if (!foundLate && !heldBack && !IsReminderDue(now, window, r->preRemindedTime(), time)) {
            continue;
        }
        if (!repeats && AlreadyPending(pending, r->Id(), time)) {
            // Fired moments ago and put back by a load before its time came: it is waiting already.
            reminders.Remove(r);
            continue;
        }
        r->setPreRemindedTime(repeats ? DateAddSeconds(now, kRepeatHoldOffSeconds) : window.High);
        const ReminderPtr copy = pending.InsertTop(r->objType(), r->name(), r->Id(), r->pageId(), r->link(),
                                                   time, r->Repeat(), r->weekDay());
        copy->setDataTag(r->dataTag());
        copy->setTimeOfDay(r->timeOfDay());
        copy->setLate(foundLate || heldBack || (lateFrom && *time < onTime));
        result.Fired.push_back(copy);
        result.FiredOccurrences.emplace_back(r->Id(), *time);
        reminders.NoteRaised(r->Id(), *time, repeats ? std::nullopt : r->name());
        if (repeats) {
            r->setLastRaised(time);
            r->setTime(NextOccurrenceAfter(*r, *time));
        } else {
            reminders.Remove(r);
        }
        result.Alert = true;
    }
    // The check reached back over every hold: what came due in them has rung.
    const bool heldSpans = !m_Held.empty();
    m_Held.clear();
    m_HoldOpen = false;
    m_HeldUnsaved = false;
    // A zone change is written at once: the next start tells by it whether times moved since.
    m_Saved.Zone = m_Zone.Zone();
    SaveState(now, !result.Fired.empty() || heldSpans || result.ZoneChanged, reminders);
    return result;
}

} // namespace rz
