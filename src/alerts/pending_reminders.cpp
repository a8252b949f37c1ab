// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/pending_reminders.h"

#include "alerts/page_opener.h"
#include "alerts/snooze.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_list.h"
#include "util/delay_text.h"
#include "util/files.h"
#include "util/log.h"
#include "util/plist.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace rz {

namespace {

// A snoozed entry is stored as its pending line with this field after it. Readers that do not know
// the field show the entry as pending at once, which loses nothing.
constexpr std::string_view kSnoozedField = "` Snoozed:";

// The wake time is an instant, written in UTC so that a start in another time zone wakes the entry
// at the same moment; older files hold local time.
std::optional<Date> WakeTimeFromText(std::string_view text)
{
    constexpr std::size_t kUtcLength = 20; // yyyy-MM-ddTHH:mm:ssZ
    if (text.size() == kUtcLength && text[10] == 'T' && text.back() == 'Z') {
        return GraphTimeToDate(text);
    }
    return StringToDate(text);
}

bool IsPendingIn(const TReminderList& list, const ReminderPtr& entry)
{
    const std::vector<ReminderPtr> entries = list.list();
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

ReminderPtr AppendCopy(TReminderList& list, const TAReminder& r)
{
    const ReminderPtr copy = list.InsertTop(r.objType(), r.name(), r.Id(), r.pageId(), r.link(), r.time(),
                                            r.Repeat(), r.weekDay());
    copy->setDataTag(r.dataTag());
    copy->setLate(r.late());
    // A "!!" copy's time of day is its reminder's, which its occurrence may no longer name.
    copy->setTimeOfDay(r.timeOfDay());
    return copy;
}

} // namespace

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
    m_Snoozed.clear();
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
    if (m_Opener) {
        m_Opener->Open(*entry);
        return;
    }
    const std::optional<std::string> link = entry->link();
    if (link && !link->empty()) {
        OpenUrl(*link);
    }
}

bool TPendingReminders::CanMarkDone(std::optional<std::size_t> selectedRow) const
{
    const std::optional<std::size_t> row = RowToActOn(selectedRow);
    return row && CanMarkRecordDone(m_Pending.At(*row));
}

bool TPendingReminders::CanMarkRecordDone(const ReminderPtr& entry) const
{
    // A paragraph without a generated id cannot be the target of an update, and a tick queued while
    // nobody is signed in would go out with whichever account signs in next.
    return m_Outbox && m_Outbox->HasAccount() && entry && entry->IsOpenToDo() &&
           !entry->Id().value_or(std::string()).empty();
}

bool TPendingReminders::MarkDone(std::optional<std::size_t> selectedRow)
{
    const std::optional<std::size_t> row = RowToActOn(selectedRow);
    return row && MarkRecordDone(m_Pending.At(*row));
}

bool TPendingReminders::MarkRecordDone(const ReminderPtr& entry)
{
    if (!CanMarkRecordDone(entry) || !IsPendingIn(m_Pending, entry)) {
        return false;
    }
    // Queued (and saved) before the reminder leaves, so no moment exists in which neither holds it;
    // a tick that could not be queued leaves the alert where it is.
    switch (m_Outbox->Add(ToDoDoneItem(entry->pageId().value_or(std::string()),
                                       entry->Id().value_or(std::string()),
                                       entry->name().value_or(std::string())))) {
    case TOutbox::TAddResult::Queued:
        break;
    case TOutbox::TAddResult::NoAccount:
        m_DoneProblem = "strDoneNoAccount";
        return false;
    case TOutbox::TAddResult::TooLarge:
        m_DoneProblem = "strDoneTooLarge";
        return false;
    case TOutbox::TAddResult::NotSaved:
        m_DoneProblem = "strDoneNotSaved";
        return false;
    }
    m_DoneProblem.clear();
    m_Pending.Remove(entry);
    Save();
    return m_Pending.Count() == 0;
}

bool TPendingReminders::SnoozeOne(std::optional<std::size_t> selectedRow, TOneSnooze choice)
{
    const std::optional<std::size_t> row = RowToActOn(selectedRow);
    return row && SnoozeRecord(m_Pending.At(*row), choice);
}

bool TPendingReminders::SnoozeRecord(const ReminderPtr& entry, TOneSnooze choice)
{
    if (!entry || !m_Pending.Remove(entry)) {
        return false;
    }
    m_Snoozed.push_back({entry, OneSnoozeUntil(choice, DateNow())});
    Save();
    return m_Pending.Count() == 0;
}

std::vector<ReminderPtr> TPendingReminders::WakeSnoozed(Date now,
                                                        const std::function<bool(const TAReminder&)>& holds)
{
    std::vector<ReminderPtr> woke;
    const Date due = DateAddSeconds(now, kDueToleranceSeconds);
    bool dropped = false;
    for (auto it = m_Snoozed.begin(); it != m_Snoozed.end();) {
        if (it->Until <= due && holds && !holds(*it->Record)) {
            it = m_Snoozed.erase(it);
            dropped = true;
        } else if (it->Until <= due) {
            woke.push_back(AppendCopy(m_Pending, *it->Record));
            it = m_Snoozed.erase(it);
        } else {
            ++it;
        }
    }
    if (!woke.empty() || dropped) {
        Save();
    }
    return woke;
}

bool TPendingReminders::DismissSnoozed(std::size_t index)
{
    if (index >= m_Snoozed.size()) {
        return false;
    }
    m_Snoozed.erase(m_Snoozed.begin() + static_cast<std::ptrdiff_t>(index));
    Save();
    return true;
}

void TPendingReminders::DropSnoozedBefore(const std::optional<std::string>& id, Date occurrence)
{
    const std::size_t before = m_Snoozed.size();
    std::erase_if(m_Snoozed, [&](const Snoozed& snoozed) {
        const std::optional<Date> time = snoozed.Record->time();
        return snoozed.Record->Id() == id && time && *time < occurrence;
    });
    if (m_Snoozed.size() != before) {
        Save();
    }
}

bool TPendingReminders::SnoozeWith(const std::string& text)
{
    const std::optional<DelayText> delay = ReadDelayText(text);
    if (!delay) {
        return false;
    }
    StoreSnoozeDefault(static_cast<int>(DelayMinutes(*delay)));
    m_Snooze.SnoozeRemindedTime = DelayFrom(*delay, DateNow());
    return true;
}

void TPendingReminders::StoreSnoozeDefault(int minutes)
{
    MConfigTransaction settings(m_SettingsFilePath);
    settings->WriteValueValueInt(kDefaultSnoozeKey, minutes);
    settings->Save();
}

void TPendingReminders::Forget()
{
    m_Pending.Clear();
    m_Snoozed.clear();
    m_Snooze = InitialSnoozeState(DateNow());
    Save();
}

void TPendingReminders::SnoozeForMinutes(int minutes)
{
    StoreSnoozeDefault(minutes);
    m_Snooze.SnoozeRemindedTime = SnoozeUntilMinutes(minutes, DateNow());
}

int TPendingReminders::SnoozeDefaultMinutes() const
{
    return LoadPreferences(m_SettingsFilePath).DefaultSnoozeMinutes;
}

void TPendingReminders::Load()
{
    const std::optional<std::vector<std::string>> lines = ReadPlistStringArray(m_PendingFilePath);
    if (!lines) {
        return;
    }
    for (const std::string& stored : *lines) {
        std::string_view line = stored;
        std::optional<Date> until;
        if (const std::size_t at = line.rfind(kSnoozedField);
            at != std::string_view::npos && line.ends_with('`')) {
            const std::size_t from = at + kSnoozedField.size();
            until = WakeTimeFromText(line.substr(from, line.size() - 1 - from));
            if (until) {
                line = line.substr(0, at + 1);
            }
        }
        const ReminderPtr r = TAReminder::FromString(line);
        if (until) {
            // Kept out of the list the window shows until it comes back.
            m_Snoozed.push_back({r, *until});
        } else {
            AppendCopy(m_Pending, *r);
        }
    }
}

bool TPendingReminders::Save()
{
    std::vector<std::string> lines;
    for (const ReminderPtr& r : m_Pending.list()) {
        lines.push_back(r->ToString());
    }
    for (const Snoozed& snoozed : m_Snoozed) {
        std::string line = snoozed.Record->ToString();
        line.pop_back();
        line += kSnoozedField;
        line += DateToUtcString(snoozed.Until);
        line += '`';
        lines.push_back(std::move(line));
    }
    if (WritePlistStringArray(m_PendingFilePath, lines)) {
        return true;
    }
    // The list stays in memory; the next change tries again.
    LogWarning("could not save the pending reminders");
    return false;
}

} // namespace rz
