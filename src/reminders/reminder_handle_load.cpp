// SPDX-License-Identifier: GPL-3.0-or-later
// The full load: every page of the reminder page list, its title and its tags.
#include "reminders/engine_state.h"
#include "reminders/reminder.h"
#include "reminders/reminder_handle.h"
#include "reminders/title_reading.h"

#include <mutex>
#include <set>
#include <string>

namespace rz {

namespace {

// How long after its time a one-off seen for the first time still rings.
constexpr int kFirstSeenLateDays = 1;

// "links" → "oneNoteClientUrl" → "href".
std::string ClientLinkOf(const Json& page)
{
    const auto links = page.find("links");
    if (links == page.end() || !links->is_object()) {
        return {};
    }
    const auto client = links->find("oneNoteClientUrl");
    if (client == links->end()) {
        return {};
    }
    return JsonText(*client, "href");
}

// The time a "!!" title rings at: its page's creation time of day, taken once. A load after the zone
// changed keeps the time of day the record has, which the creation instant would read as another.
std::optional<Date> CreatedTimeOfDay(const ReminderPtr& existing, const std::string& title, Date created,
                                     Date now)
{
    if (!existing || existing->Repeat() == 0 || !SameText(existing->name(), title)) {
        return created;
    }
    const std::optional<TimeOfDayValue> meant = existing->timeOfDay();
    if (!meant) {
        return created;
    }
    const LocalFields today = LocalFieldsOf(now);
    return DateFromParts(today.year, today.month, today.day, meant->hour, meant->minute, meant->second);
}

} // namespace

using detail::ReadTitle;
using detail::TitleReading;

bool TReminderHandle::GetPendings()
{
    {
        const std::string text = m_State.ReminderPagesJson.Get();
        std::lock_guard lock(m_State.ListsMutex);
        m_State.ReminderList.CheckAndRemoveDeletedPageItem(text);
        // A page gone from the page list (deleted, or another account's) is not read again.
        m_State.TagPageList.CheckAndRemoveDeletedPageItem(text);
    }
    return LoadPengings();
}

bool TReminderHandle::LoadPengings()
{
    const std::string text = m_State.ReminderPagesJson.Get();
    if (text.empty()) {
        return true;
    }
    const Json current = JsonTextToObject(std::string_view(text));
    m_State.LoadPageTotal = 0;
    m_State.LoadPageDone = 0;
    m_State.LoadPageErrors = 0;
    return LoadPending_Recurse(current, nullptr);
}

bool TReminderHandle::LoadPending_Recurse(const Json& current, const Json* /*previous*/)
{
    const Json* value = JsonArray(current, "value");
    if (value == nullptr) {
        return true;
    }
    m_State.LoadPageTotal += value->size();
    const std::uint64_t generation = m_State.ClearGeneration;
    std::set<std::string> heldBack;
    {
        std::lock_guard lock(m_State.ListsMutex);
        heldBack.swap(m_State.LoadHeldBack);
    }
    const std::string seenText = m_State.SeenReminderPagesJson.Get();
    TPageIdsInText seen(seenText);
    bool result = true;
    // Pages held back last time first, so a budget that runs short still moves through the list.
    for (const bool first : {true, false}) {
        for (const Json& page : *value) {
            const std::string* id = StringMember(page, "id");
            if ((id != nullptr && heldBack.count(*id) != 0) != first) {
                continue;
            }
            if (Cleared(generation)) {
                return false;
            }
            if (!LoadOnePage(page, generation, seen, !seenText.empty())) {
                ++m_State.LoadPageErrors;
                result = false;
            }
            ++m_State.LoadPageDone;
        }
    }
    return result;
}

bool TReminderHandle::LoadOnePage(const Json& page, std::uint64_t generation, TPageIdsInText& seen,
                                  bool anySeen)
{
    // An entry without an id cannot be keyed: every load would add it again.
    const std::string* idText = StringMember(page, "id");
    if (idText == nullptr) {
        return true;
    }
    const std::string id = *idText;
    const std::string title = JsonText(page, "title");
    const Date created = GraphTimeToDate(JsonText(page, "createdDateTime"));
    std::optional<Date> lastModified;
    if (const std::string* modified = StringMember(page, "lastModifiedDateTime")) {
        lastModified = GraphTimeToDate(*modified);
    }
    const std::string link = ClientLinkOf(page);

    {
        std::lock_guard lock(m_State.ListsMutex);
        if (Cleared(generation)) {
            return false;
        }
        TReminderList& list = m_State.ReminderList;
        const bool repeating = TAReminder::PageTimeRepeatable_Is(title);
        const TitleReading reading = ReadTitle(title, list.DateOnlyTime());
        const ReminderPtr existing = list.GetByID(id);
        const Date now = DateNow();
        // A one-off that first reaches the agent after its time (created offline after it, or on
        // another device while this one slept) rings once, late, within a day of its time. Pages of
        // the very first load are not new to the user: their passed dates ring nothing.
        const bool passedOneOff = reading.type == kReminderTypeOneOff && reading.dt && *reading.dt < now &&
                                  !(*reading.dt < DateAddDays(now, -kFirstSeenLateDays));
        const bool ringsLate = passedOneOff && m_State.LateAlarms && !existing && anySeen && !seen.Occurs(id);
        // The same one-off listed already came due and has not rung: alarms were held, or a zone change
        // moved its time back. It stays, and the due check rings it, late.
        const bool heldBack = reading.type == kReminderTypeOneOff && reading.dt && existing &&
                              existing->Repeat() == 0 && SameText(existing->name(), title);
        // Only a "!!" title takes its time from the page's creation. Any other title names its own
        // date: a creation time a little ahead of this clock (another device's, the service's) must
        // not ring it at once and lose that date.
        if (repeating) {
            list.AddUnique(kPageTitleReminder, title, id, id, link,
                           CreatedTimeOfDay(existing, title, created, now), 1, reading.weekDay);
        } else if (reading.type == kReminderTypeRepeating) {
            list.AddUnique(kPageTitleReminder, title, id, id, link, reading.dt, 1, reading.weekDay);
        } else if ((reading.type == kReminderTypeOneOff && reading.dt && !(*reading.dt < now)) || heldBack) {
            list.AddUnique(kPageTitleReminder, title, id, id, link, reading.dt, 0, reading.weekDay);
        } else if (ringsLate) {
            // Added only once: one raised already is not added again.
            if (list.AddUnique(kPageTitleReminder, title, id, id, link, reading.dt, 0, reading.weekDay) ==
                1) {
                if (const ReminderPtr added = list.GetByID(id)) {
                    added->setLate(true);
                }
            }
        } else if (existing) {
            list.DeleteByID(id);
        }
    }
    return LoadPendingTags(id, link, title, lastModified);
}

} // namespace rz
