#pragma once

#include "ui/due_check.h"

#include <cstddef>
#include <optional>
#include <string>

namespace rz {

class TReminderList;

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

    // The selected row, or the only entry when nothing is selected; none otherwise.
    std::optional<std::size_t> RowToActOn(std::optional<std::size_t> selectedRow) const;

    // Removes the entry the row rule gives and saves. True when the list is now empty, so the
    // window closes; false when nothing was removed or entries remain.
    bool Dismiss(std::optional<std::size_t> selectedRow);
    // Removes every entry and saves; the window always closes.
    void DismissAll();
    // Hands the entry's link, braces removed, to the registered opener. The entry stays pending.
    void Open(std::optional<std::size_t> selectedRow);
    // Opens the link of the entry at the row, when there is one.
    void OpenRow(std::size_t row);
    // Stores the text as the next default, then sets the snooze when the text names a delay.
    void SnoozeWith(const std::string& text);
    // The last snooze text used, "5 minutes" when none is stored.
    std::string SnoozeDefault() const;

    // Appends the stored pending entries, every line as its own entry (a repeating reminder may be
    // pending twice under one key). A missing or damaged file adds nothing.
    void Load();
    // Replaces the stored pending list atomically; false (and a log line) when that failed.
    bool Save();

private:
    TReminderList& m_Pending;
    std::string m_PendingFilePath;
    std::string m_SettingsFilePath;
    SnoozeState m_Snooze;
};

} // namespace rz
