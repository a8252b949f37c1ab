// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alerts/due_check.h"
#include "alerts/snooze.h"
#include "reminders/reminder.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rz {

class TPageOpener;
class TReminderList;
class TOutbox;

// What the pending reminders window does, without the window: the row rule, Dismiss, Dismiss all,
// Open, Snooze, and keeping the pending list on disk so a quit or a crash loses nothing.
class TPendingReminders
{
public:
    // The list is shared with the due check; the paths are the pending list file and the settings
    // file.
    TPendingReminders(TReminderList& pending, std::string pendingFilePath, std::string settingsFilePath);

    TReminderList& List() { return m_Pending; }
    SnoozeState& Snooze() { return m_Snooze; }
    // How pages open (without one, the client link goes to the URL opener as it is), and where
    // "Done" queues a to-do (without one, nothing offers "Done"). Both must outlive this object.
    void SetPageOpener(TPageOpener* opener) { m_Opener = opener; }
    void SetOutbox(TOutbox* outbox) { m_Outbox = outbox; }
    TOutbox* Outbox() const { return m_Outbox; }

    // The selected row, or the only entry when nothing is selected; none otherwise.
    std::optional<std::size_t> RowToActOn(std::optional<std::size_t> selectedRow) const;

    // Removes the entry the row rule gives and saves. True when the list is now empty, so the
    // window closes; false when nothing was removed or entries remain.
    bool Dismiss(std::optional<std::size_t> selectedRow);
    // Removes every entry, snoozed ones too, and saves; the window always closes.
    void DismissAll();
    // Hands the entry's link, braces removed, to the registered opener. The entry stays pending.
    void Open(std::optional<std::size_t> selectedRow);
    // Opens the link of the entry at the row, when there is one.
    void OpenRow(std::size_t row);
    // Sets the snooze when the text reads as a delay (in English, German or French) and stores that
    // delay as the next default. False, changing nothing, when it does not read.
    bool SnoozeWith(const std::string& text);
    // Stores the minutes as the next default (language-independent), then sets the snooze.
    void SnoozeForMinutes(int minutes);
    // The stored default in minutes; an older stored English text is read as well.
    int SnoozeDefaultMinutes() const;

    // True when the row's reminder is an open to-do that "Done" can tick in OneNote: it has an
    // element id, and an account is signed in. The window's button and the notification's action
    // both ask this.
    bool CanMarkDone(std::optional<std::size_t> selectedRow) const;
    bool CanMarkRecordDone(const ReminderPtr& record) const;
    // Queues the row's to-do to be ticked in OneNote, then removes the reminder and saves. True when
    // the list is now empty, so the window closes; false when nothing was done or entries remain.
    // When the tick could not be queued the reminder stays, and DoneProblem says why.
    bool MarkDone(std::optional<std::size_t> selectedRow);
    // Takes the row's reminder out of the window until the choice's time; it stays in the stored
    // file, so a restart keeps it. True when the list is now empty.
    bool SnoozeOne(std::optional<std::size_t> selectedRow, TOneSnooze choice);
    // The same for one pending record, wherever it stands now (the notification's actions).
    bool SnoozeRecord(const ReminderPtr& record, TOneSnooze choice);
    bool MarkRecordDone(const ReminderPtr& record);
    // Strings-table key of why the last Done could not be queued; empty after one that was.
    const std::string& DoneProblem() const { return m_DoneProblem; }
    // Moves back every snoozed reminder whose time has come (or lies within the due tolerance) and
    // saves; gives their pending copies, for the alert. One that no longer `holds` (its page or its
    // time went) is dropped instead.
    std::vector<ReminderPtr> WakeSnoozed(Date now, const std::function<bool(const TAReminder&)>& holds = {});
    // Drops the snoozed copies of the reminder older than the occurrence that has just rung, so a
    // day's snooze of a daily reminder does not ring beside the next day's occurrence.
    void DropSnoozedBefore(const std::optional<std::string>& id, Date occurrence);
    // Reminders snoozed one by one, each with the time it comes back.
    struct Snoozed
    {
        ReminderPtr Record;
        Date Until;
    };
    const std::vector<Snoozed>& SnoozedReminders() const { return m_Snoozed; }
    // Cancels the snooze at that index of SnoozedReminders: the reminder does not come back. Saves;
    // false when there is no such entry.
    bool DismissSnoozed(std::size_t index);

    // Forgets every pending and snoozed entry and saves (another account signed in).
    void Forget();

    // Appends the stored pending entries, every line as its own entry (a repeating reminder may be
    // pending twice under one key), and the snoozed ones. A missing or damaged file adds nothing.
    void Load();
    // Replaces the stored pending list atomically; false (and a log line) when that failed.
    bool Save();

private:
    // Keeps the minutes as the next default: a number reads back the same in any language.
    void StoreSnoozeDefault(int minutes);

    TReminderList& m_Pending;
    std::string m_PendingFilePath;
    std::string m_SettingsFilePath;
    SnoozeState m_Snooze;
    TPageOpener* m_Opener = nullptr;
    TOutbox* m_Outbox = nullptr;
    std::vector<Snoozed> m_Snoozed; // main thread only
    std::string m_DoneProblem;
};

} // namespace rz
