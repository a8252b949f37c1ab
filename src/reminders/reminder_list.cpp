// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_list.h"

#include "reminders/page_ids_in_text.h"
#include "reminders/title_reading.h"
#include "util/text.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <utility>

namespace rz {

namespace {

std::optional<std::string> ReminderKey(const TAReminder& record)
{
    return record.Id();
}

std::optional<TimeOfDayValue> TimeOfDayOf(const std::optional<Date>& date)
{
    return date ? std::optional<TimeOfDayValue>(TimeOfDay(*date)) : std::nullopt;
}

ReminderPtr NewRecord(std::int64_t objType, std::optional<std::string> name, std::optional<std::string> id,
                      std::optional<std::string> pageId, std::optional<std::string> link,
                      std::optional<Date> time, std::uint8_t repeat, const WeekDayFlags& weekDay)
{
    auto record = std::make_shared<TAReminder>();
    record->setObjType(objType);
    record->setName(std::move(name));
    record->setId(std::move(id));
    record->setPageId(std::move(pageId));
    record->setLink(std::move(link));
    record->setTime(time);
    record->setTimeOfDay(TimeOfDayOf(time));
    record->setRepeat(repeat);
    record->setWeekDay(weekDay);
    return record;
}

// The text is the one noted and names a date and time: the same occurrence, in whatever zone it is
// read now.
bool NamesTheSameOneOff(const std::optional<std::string>& name, const std::string& noted)
{
    return name == noted && detail::ReadTitle(noted).dt.has_value();
}

} // namespace

TReminderList::TReminderList(LookUp lookUp) : RecordList(&ReminderKey, lookUp) {}

bool TReminderList::SameWeekDay(const WeekDayFlags& a, const WeekDayFlags& b)
{
    return a == b;
}

std::int64_t TReminderList::AddUnique(std::int64_t objType, std::optional<std::string> Name,
                                      std::optional<std::string> ID, std::optional<std::string> PageID,
                                      std::optional<std::string> Link, std::optional<Date> DT,
                                      std::uint8_t IsRepeat, const WeekDayFlags& WeekDay)
{
    const std::uint8_t repeat = IsRepeat ? 1 : 0;
    std::lock_guard lock(m_Mutex);
    const ReminderPtr existing = m_Records.FindRecord(ID, true);
    if (!existing) {
        ReminderPtr record = NewRecord(objType, std::move(Name), std::move(ID), std::move(PageID),
                                       std::move(Link), DT, repeat, WeekDay);
        if (RaisedAlready(record->Id(), repeat, DT, record)) {
            return 0;
        }
        if (repeat) {
            record->setTime(record->GetRepeatDateTime());
        }
        record->setPreRemindedTime(DateNow());
        m_Records.Append(std::move(record));
        return 1;
    }

    std::int64_t changes = 0;
    {
        // Compared and updated in place under the record's lock: no copies on the common path of a
        // merge that changes nothing, and the due check never meets a half-updated record.
        std::lock_guard recordLock(existing->m_Mutex);
        // A repeating record's time is its next occurrence, which a daylight-saving gap may have moved;
        // the time of day it is meant for is what the page names.
        const std::optional<TimeOfDayValue> meant =
            existing->m_TimeOfDay ? existing->m_TimeOfDay : TimeOfDayOf(existing->m_Time);
        const bool sameWhen =
            repeat ? existing->m_Time && DT && meant == TimeOfDayOf(DT) : SameInstant(existing->m_Time, DT);
        const bool same = sameWhen && existing->m_Repeat == repeat && SameText(existing->m_Name, Name) &&
                          SameText(existing->m_Id, ID) && SameText(existing->m_Link, Link);
        if (!same) {
            // The key stays the one the record was found (and indexed) under.
            existing->m_Name = std::move(Name);
            existing->m_Id = std::move(ID);
            existing->m_Link = std::move(Link);
            existing->m_Time = DT;
            existing->m_TimeOfDay = TimeOfDayOf(DT);
            existing->m_Repeat = repeat;
            // Found late was the former text's occurrence, not this one's.
            existing->m_Late = false;
            changes = 1;
        }
        if (!SameWeekDay(existing->m_WeekDay, WeekDay)) {
            existing->m_WeekDay = WeekDay;
            ++changes;
        }
    }
    if (repeat) {
        // A record without time has no next occurrence; there is nothing to move then.
        const std::optional<Date> next = existing->GetRepeatDateTime();
        if (next && !SameInstant(next, existing->time())) {
            existing->setTime(next);
            ++changes;
        }
    }
    return changes;
}

ReminderPtr TReminderList::AddUniqueLocked(const ReminderPtr& record)
{
    const std::optional<std::string> id = record->Id();
    ReminderPtr existing = m_Records.FindRecord(id, true);
    if (!existing) {
        if (RaisedAlready(id, record->Repeat(), record->time(), record)) {
            return nullptr;
        }
        m_Records.Append(record);
        return record;
    }
    if (existing == record) {
        return existing;
    }
    const std::optional<Date> time = record->time();
    if (!(SameText(existing->name(), record->name()) && SameInstant(existing->time(), time))) {
        // The key is the one the record was found under already.
        existing->setName(record->name());
        existing->setLink(record->link());
        existing->setTime(time);
        existing->setTimeOfDay(record->timeOfDay());
        existing->setRepeat(record->Repeat());
    }
    const WeekDayFlags weekDay = record->weekDay();
    if (!SameWeekDay(weekDay, existing->weekDay())) {
        existing->setWeekDay(weekDay);
    }
    if (std::string dataTag = record->dataTag(); dataTag != existing->dataTag()) {
        existing->setDataTag(std::move(dataTag));
    }
    return existing;
}

bool TReminderList::RaisedAlready(const std::optional<std::string>& id, std::uint8_t repeat,
                                  std::optional<Date> time, const ReminderPtr& record) const
{
    if (!repeat) {
        return OneOffRaisedAlready(id, record->name(), time);
    }
    if (const auto raised = id ? m_Raised.find(*id) : m_Raised.end(); raised != m_Raised.end()) {
        record->setLastRaised(raised->second);
    }
    return false;
}

bool TReminderList::OneOffRaisedAlready(const std::optional<std::string>& id,
                                        const std::optional<std::string>& name,
                                        std::optional<Date> time) const
{
    const auto named = id ? m_RaisedNames.find(*id) : m_RaisedNames.end();
    if (named == m_RaisedNames.end()) {
        return false;
    }
    // A text that names its date and time is the occurrence: the same text rang, another did not.
    if (detail::ReadTitle(named->second.Name).dt) {
        return NamesTheSameOneOff(name, named->second.Name);
    }
    return time && *time <= named->second.Time;
}

void TReminderList::NoteRaised(const std::optional<std::string>& id, Date time,
                               const std::optional<std::string>& oneOffName)
{
    if (!id) {
        return;
    }
    std::lock_guard lock(m_Mutex);
    Date& noted = m_Raised.try_emplace(*id, time).first->second;
    noted = std::max(noted, time);
    if (oneOffName) {
        m_RaisedNames[*id] = {*oneOffName, time};
    }
}

std::map<std::string, Date> TReminderList::RaisedOccurrences(Date since)
{
    std::lock_guard lock(m_Mutex);
    std::erase_if(m_Raised, [since](const auto& entry) { return entry.second < since; });
    std::erase_if(m_RaisedNames, [since](const auto& entry) { return entry.second.Time < since; });
    return m_Raised;
}

std::map<std::string, RaisedOneOff> TReminderList::RaisedOneOffs()
{
    std::lock_guard lock(m_Mutex);
    return m_RaisedNames;
}

void TReminderList::RestoreRaised(const std::map<std::string, Date>& raised,
                                  const std::map<std::string, RaisedOneOff>& oneOffs,
                                  std::optional<Date> limit)
{
    for (const auto& [id, time] : raised) {
        if (!limit || !(*limit < time)) {
            NoteRaised(id, time);
        }
    }
    {
        std::lock_guard lock(m_Mutex);
        for (const auto& [id, oneOff] : oneOffs) {
            if (limit && *limit < oneOff.Time && !detail::ReadTitle(oneOff.Name).dt) {
                continue;
            }
            RaisedOneOff& noted = m_RaisedNames.try_emplace(id, oneOff).first->second;
            if (noted.Time < oneOff.Time) {
                noted = oneOff;
            }
        }
    }
    std::lock_guard lock(m_Mutex);
    m_Records.RemoveIf([&](TAReminder& r) {
        const std::optional<std::string> id = r.Id();
        if (r.Repeat() == 0) {
            return OneOffRaisedAlready(id, r.name(), r.time());
        }
        const auto noted = id ? m_Raised.find(*id) : m_Raised.end();
        if (noted == m_Raised.end()) {
            return false;
        }
        const std::optional<Date> time = r.time();
        const std::optional<Date> last = r.lastRaised();
        if (!last || *last < noted->second) {
            r.setLastRaised(noted->second);
            // Loaded before it knew what rang: the next occurrence lies after that one.
            if (const std::optional<Date> next = r.GetRepeatDateTime(); next && time && *next > *time) {
                r.setTime(next);
            }
        }
        return false;
    });
}

namespace {

// A one-off's time is the wall time its text names, read in the zone now.
void ReadOneOffTimeAgain(TAReminder& r, TimeOfDayValue dateOnlyAt)
{
    const detail::TitleReading reading = detail::ReadTitle(r.name().value_or(std::string()), dateOnlyAt);
    if (reading.type == kReminderTypeOneOff && reading.dt) {
        r.setTime(reading.dt);
        r.setTimeOfDay(TimeOfDay(*reading.dt));
    }
}

} // namespace

TimeOfDayValue TReminderList::DateOnlyTime() const
{
    const int seconds = m_DateOnlySeconds.load();
    return {seconds / 3600, seconds / 60 % 60, seconds % 60};
}

std::int64_t TReminderList::UseDateOnlyTime(TimeOfDayValue at)
{
    // The same time again moves nothing: a reminder moved up to the clock stays where it is.
    const int seconds = at.hour * 3600 + at.minute * 60 + at.second;
    if (m_DateOnlySeconds.exchange(seconds) == seconds) {
        return 0;
    }
    std::int64_t moved = 0;
    for (const ReminderPtr& reminder : list()) {
        const std::optional<Date> time = reminder->time();
        const std::optional<std::string> name = reminder->name();
        if (reminder->Repeat() != 0 || !time || !name) {
            continue;
        }
        const detail::TitleReading reading = detail::ReadTitle(*name, at);
        if (!reading.found || reading.type != kReminderTypeOneOff || !reading.dt || *reading.dt == *time) {
            continue;
        }
        // Only the time of day moves: a reading on another day is not this choice's doing.
        const LocalFields was = LocalFieldsOf(*time);
        const LocalFields read = LocalFieldsOf(*reading.dt);
        if (was.year != read.year || was.month != read.month || was.day != read.day) {
            continue;
        }
        // Moved back past the clock before it rang: it rings now rather than never, as the due
        // check looks only forward from its last check.
        const Date clock = DateNow();
        reminder->setTime(*reading.dt < clock && !(*time < clock) ? clock : *reading.dt);
        ++moved;
    }
    return moved;
}

void TReminderList::FollowZoneChange()
{
    for (const ReminderPtr& r : list()) {
        if (!r->time()) {
            continue;
        }
        if (r->Repeat() != 0) {
            // The time of day is kept as fields, so the next occurrence lands on it in the new zone.
            r->setTime(r->GetRepeatDateTime());
            continue;
        }
        ReadOneOffTimeAgain(*r, DateOnlyTime());
    }
}

void TReminderList::ForgetRaisedAfter(Date limit)
{
    std::set<std::string> kept;
    for (const ReminderPtr& r : list()) {
        if (const std::optional<Date> last = r->lastRaised(); last && *last > limit) {
            r->setLastRaised(std::nullopt);
            // Still the next occurrence: the clock went back a little after it rang, not from a time
            // it ran ahead to.
            if (r->Repeat() != 0 && SameInstant(r->GetRepeatDateTime(), last)) {
                r->setLastRaised(last);
                if (const std::optional<std::string> id = r->Id()) {
                    kept.insert(*id);
                }
            }
        }
        const std::optional<Date> time = r->time();
        if (r->Repeat() == 0 || !time) {
            continue;
        }
        if (const std::optional<Date> next = r->GetRepeatDateTime(); next && *next < *time) {
            r->setTime(next);
        }
    }
    std::lock_guard lock(m_Mutex);
    std::erase_if(m_Raised,
                  [&](const auto& entry) { return entry.second > limit && kept.count(entry.first) == 0; });
    // A text that names its date stays the occurrence that rang; one without a date goes by its time.
    std::erase_if(m_RaisedNames, [&](const auto& entry) {
        return entry.second.Time > limit && !detail::ReadTitle(entry.second.Name).dt;
    });
}

ReminderPtr TReminderList::InsertTop(std::int64_t objType, std::optional<std::string> Name,
                                     std::optional<std::string> ID, std::optional<std::string> PageID,
                                     std::optional<std::string> Link, std::optional<Date> DT,
                                     std::uint8_t IsRepeat, const WeekDayFlags& WeekDay)
{
    ReminderPtr record = NewRecord(objType, std::move(Name), std::move(ID), std::move(PageID),
                                   std::move(Link), DT, IsRepeat, WeekDay);
    record->setPreRemindedTime(DateNow());
    std::lock_guard lock(m_Mutex);
    m_Records.Append(record);
    return record;
}

void TReminderList::CheckAndRemoveDeletedPageItem(std::string_view text)
{
    // Sorted out before the lock: the due check waits for it.
    TPageIdsInText pages(text);
    std::lock_guard lock(m_Mutex);
    m_Records.RemoveIf([&](const TAReminder& r) {
        const std::optional<std::string> pageId = r.pageId();
        return !pageId || !pages.Occurs(*pageId);
    });
}

std::int64_t TReminderList::CheckAndRemoveDeletedTagItem(std::string_view Content,
                                                         const std::optional<std::string>& PageId)
{
    std::lock_guard lock(m_Mutex);
    const std::size_t removed = m_Records.RemoveIf([&](const TAReminder& r) {
        if (r.objType() != kTagReminder || !SameText(r.pageId(), PageId)) {
            return false;
        }
        const std::optional<std::string> id = r.Id();
        return !id || !StrContains(*id, Content);
    });
    return static_cast<std::int64_t>(removed);
}

void TReminderList::DeleteAllTagInPage(const std::optional<std::string>& pageId)
{
    std::lock_guard lock(m_Mutex);
    m_Records.RemoveIf(
        [&](const TAReminder& r) { return r.objType() == kTagReminder && SameText(r.pageId(), pageId); });
}

void TReminderList::LoadFromFile(const std::string& path)
{
    RecordList::LoadFromFile(path);
    const Date now = DateNow();
    for (const ReminderPtr& r : list()) {
        if (r->Repeat() == 0 && r->time()) {
            ReadOneOffTimeAgain(*r, DateOnlyTime());
        }
        const std::optional<Date> time = r->time();
        if (r->Repeat() != 0 && time && *time < now) {
            r->setTime(r->GetRepeatDateTime());
        }
    }
}

void TReminderList::Clear()
{
    std::lock_guard lock(m_Mutex);
    m_Records.Clear();
    m_Raised.clear();
    m_RaisedNames.clear();
}

bool TReminderList::Remove(const ReminderPtr& record)
{
    std::lock_guard lock(m_Mutex);
    const auto i = m_Records.PositionOf(record.get());
    if (!i) {
        return false;
    }
    m_Records.RemoveAt(*i);
    return true;
}

void TReminderList::Sort()
{
    std::lock_guard lock(m_Mutex);
    // Times are read once: another thread may set a record's time during the sort, and the order
    // must come from one consistent set of keys.
    const std::size_t n = m_Records.Size();
    std::vector<std::optional<Date>> times(n);
    for (std::size_t i = 0; i < n; ++i) {
        times[i] = m_Records.At(i)->time();
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&times](std::size_t a, std::size_t b) {
        if (!times[a] || !times[b]) {
            return times[a].has_value() && !times[b].has_value();
        }
        return *times[a] < *times[b];
    });
    m_Records.Permute(order);
}

} // namespace rz
