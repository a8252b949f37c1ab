#include "ui/pending_reminders.h"

#include "core/settings_store.h"
#include "reminders/reminder_list.h"
#include "ui/snooze.h"
#include "util/files.h"
#include "util/log.h"
#include "util/plist.h"

#include <string>
#include <utility>
#include <vector>

namespace rz {

TPendingReminders::TPendingReminders(TReminderList& pending, std::string pendingFilePath,
                                     std::string settingsFilePath)
    : m_Pending(pending), m_PendingFilePath(std::move(pendingFilePath)),
      m_SettingsFilePath(std::move(settingsFilePath)), m_Snooze(InitialSnoozeState(DateNow()))
{
}

std::optional<std::size_t> TPendingReminders::RowToActOn(std::optional<std::size_t> selectedRow) const
{
    const std::size_t count = m_Pending.Count();
    if (selectedRow) {
        return *selectedRow < count ? selectedRow : std::nullopt;
    }
    if (count == 1) {
        return 0;
    }
    return std::nullopt;
}

bool TPendingReminders::Dismiss(std::optional<std::size_t> selectedRow)
{
    const std::optional<std::size_t> row = RowToActOn(selectedRow);
    if (!row) {
        return false;
    }
    if (const ReminderPtr entry = m_Pending.At(*row)) {
        m_Pending.Remove(entry);
        Save();
    }
    return m_Pending.Count() == 0;
}

void TPendingReminders::DismissAll()
{
    m_Pending.Clear();
    Save();
}

void TPendingReminders::Open(std::optional<std::size_t> selectedRow)
{
    if (const std::optional<std::size_t> row = RowToActOn(selectedRow)) {
        OpenRow(*row);
    }
}

void TPendingReminders::OpenRow(std::size_t row)
{
    const ReminderPtr entry = m_Pending.At(row);
    if (!entry) {
        return;
    }
    const std::optional<std::string> link = entry->link();
    if (link && !link->empty()) {
        OpenUrl(*link);
    }
}

void TPendingReminders::SnoozeWith(const std::string& text)
{
    {
        MConfigTransaction settings(m_SettingsFilePath);
        settings->WriteValueValueStr(kSnoozeSettingsKey, text);
        settings->Save();
    }
    if (const std::optional<Date> until = SnoozeTimeFromText(text, DateNow())) {
        m_Snooze.SnoozeRemindedTime = *until;
    }
}

std::string TPendingReminders::SnoozeDefault() const
{
    MConfigTransaction settings(m_SettingsFilePath);
    return settings->ReadValueDefStr(kSnoozeSettingsKey, kSnoozeDefault);
}

void TPendingReminders::Load()
{
    const std::optional<std::vector<std::string>> lines = ReadPlistStringArray(m_PendingFilePath);
    if (!lines) {
        return;
    }
    for (const std::string& line : *lines) {
        const ReminderPtr r = TAReminder::FromString(line);
        m_Pending.InsertTop(r->objType(), r->name(), r->Id(), r->pageId(), r->link(), r->time(), r->Repeat(),
                            r->weekDay());
    }
}

bool TPendingReminders::Save()
{
    if (m_Pending.SaveToFile(m_PendingFilePath)) {
        return true;
    }
    // The list stays in memory; the next change tries again.
    LogWarning("could not save the pending reminders");
    return false;
}

} // namespace rz
