// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/record_list.h"
#include "reminders/reminder.h"
#include "util/dates.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

// A one-off the due check raised: the text that named it and the occurrence.
struct RaisedOneOff
{
    std::string Name;
    Date Time;
};

// An ordered list of reminders keyed by Id, shared between the worker and the main thread. Every
// operation runs under the list's own mutex. Look-ups by key find the later record when a key occurs
// twice. Walk it by index with Count and At, tolerating an entry that has gone meanwhile.
class TReminderList : public detail::RecordList<TReminderList, TAReminder>
{
public:
    explicit TReminderList(LookUp lookUp = LookUp::Indexed);

    // True when the seven entries are equal as texts.
    static bool SameWeekDay(const WeekDayFlags& a, const WeekDayFlags& b);

    // Merges one reminder found in a page: adds it (1), or updates the record with the key and gives
    // the number of changes (0 to 3). A repeating reminder gets its next occurrence as time.
    std::int64_t AddUnique(std::int64_t objType, std::optional<std::string> Name,
                           std::optional<std::string> ID, std::optional<std::string> PageID,
                           std::optional<std::string> Link, std::optional<Date> DT, std::uint8_t IsRepeat,
                           const WeekDayFlags& WeekDay);
    // AddUnique(record) merges a loaded record: appends it, or updates the record with its key and
    // gives that one; none for a one-off whose occurrence was raised already.
    using RecordList::AddUnique;
    // Appends a new record whatever keys the list holds (time = DT as given); gives it.
    ReminderPtr InsertTop(std::int64_t objType, std::optional<std::string> Name,
                          std::optional<std::string> ID, std::optional<std::string> PageID,
                          std::optional<std::string> Link, std::optional<Date> DT, std::uint8_t IsRepeat,
                          const WeekDayFlags& WeekDay);

    // Removes every record whose pageId does not occur in the text.
    void CheckAndRemoveDeletedPageItem(std::string_view text);
    // Removes the page's tag reminders whose Id does not occur in the content; gives the count.
    std::int64_t CheckAndRemoveDeletedTagItem(std::string_view Content,
                                              const std::optional<std::string>& PageId);
    // Removes every tag reminder of the page; its page-title reminder stays.
    void DeleteAllTagInPage(const std::optional<std::string>& pageId);

    // Merges the stored records (RecordList::LoadFromFile); then a one-off takes the time its text
    // names in the zone now (the agent may have stopped in another), and a repeating reminder whose
    // stored occurrence has passed moves to its next one, so it rings even when its page is not read
    // again.
    void LoadFromFile(const std::string& path);

    // Remembers that the due check raised the keyed reminder's occurrence at `time`, and for a one-off
    // the text that named it. From then on a merge adds no one-off of that key at that time or earlier,
    // nor one of that text (whatever zone reads it now), and a repeating record of that key never
    // gives that occurrence back, so a load that finds the page unchanged raises nothing twice.
    void NoteRaised(const std::optional<std::string>& id, Date time,
                    const std::optional<std::string>& oneOffName = std::nullopt);
    // The occurrences noted, by key, from `since` on; older ones are forgotten: no load adds a one-off
    // that lies that far back.
    std::map<std::string, Date> RaisedOccurrences(Date since);
    // The one-offs noted, by key: the text and the occurrence, as kept by the last RaisedOccurrences
    // (a text is kept by its own time, so a clock step that forgets the key's occurrence keeps it).
    std::map<std::string, RaisedOneOff> RaisedOneOffs();
    // Takes the occurrences and one-offs an earlier run noted: drops the one-offs they cover and
    // gives repeating records their last raised occurrence. Those later than `limit` were raised while
    // the clock ran ahead and are left out, but for the one-offs' texts that name their date: each is
    // the one occurrence that rang, whatever the clock says now.
    void RestoreRaised(const std::map<std::string, Date>& raised,
                       const std::map<std::string, RaisedOneOff>& oneOffs = {},
                       std::optional<Date> limit = std::nullopt);

    // The time of day this list's one-offs written as a date alone ring at, read by whoever reads
    // their texts into it; midnight until set.
    TimeOfDayValue DateOnlyTime() const;
    // Takes a new such time: the one-offs read already whose text gives a date without a time keep
    // their day and move to it; one moved back past the clock before it rang is due at once. Gives
    // how many moved. The caller holds the engine's lists lock.
    std::int64_t UseDateOnlyTime(TimeOfDayValue at);

    // After the system's time zone changed: every time means the local time it was written as, so
    // a one-off takes the date and time its text names again and a repeating record its next
    // occurrence at its time of day, both read in the new zone. Raised occurrences stay instants.
    void FollowZoneChange();
    // After the clock was set back: forgets the raised occurrences later than `limit`, which were
    // raised while the clock ran ahead, and brings each repeating record whose time lies beyond its
    // next occurrence back to that one. A repeating record's raised occurrence that is still its next
    // one stays raised (it rang just before a small step back), and so do the raised one-offs' texts that
    // name their date.
    void ForgetRaisedAfter(Date limit);

    // Empties the list and forgets the raised occurrences.
    void Clear();

    // Removes that very record, wherever it now stands; false when it is no longer in the list.
    bool Remove(const ReminderPtr& record);
    // Earliest time first; records without time go last. Equal times keep their order.
    void Sort();

private:
    friend class detail::RecordList<TReminderList, TAReminder>;
    static constexpr bool kGetByIDFindsLast = true;
    ReminderPtr AddUniqueLocked(const ReminderPtr& record);
    // A new record of this key would give back an occurrence raised already; under m_Mutex.
    bool RaisedAlready(const std::optional<std::string>& id, std::uint8_t repeat, std::optional<Date> time,
                       const ReminderPtr& record) const;
    // A one-off of this key, text and time rang already: the one-off noted under the key named the
    // same date and time, or, for a text without a date, rang at that time or later. What a repeating
    // reminder of the key raised says nothing of a one-off (a zone change may put it earlier);
    // under m_Mutex.
    bool OneOffRaisedAlready(const std::optional<std::string>& id, const std::optional<std::string>& name,
                             std::optional<Date> time) const;

    // Seconds after midnight; one value, so a reader never sees half of a change.
    std::atomic<int> m_DateOnlySeconds{0};
    std::map<std::string, Date> m_Raised; // under m_Mutex
    // One-offs' texts with the occurrence each named; under m_Mutex.
    std::map<std::string, RaisedOneOff> m_RaisedNames;
};

} // namespace rz
