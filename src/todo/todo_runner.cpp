// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_runner.h"

#include "core/preferences.h"
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "todo/todo_channel.h"
#include "util/clock.h"
#include "util/files.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace rz {

std::optional<TBridgeReminder> BridgeReminderOf(const TAReminder& record)
{
    const std::optional<Date> time = record.time();
    const std::optional<std::string> pageId = record.pageId();
    if (!time || !pageId || pageId->empty()) {
        return std::nullopt;
    }
    TBridgeReminder reminder;
    reminder.ObjType = record.objType();
    reminder.PageId = *pageId;
    reminder.Id = record.Id().value_or(*pageId);
    reminder.Name = record.name().value_or(std::string());
    // Only a web address goes into the linked resource; a client link opens nothing on a phone.
    const std::string link = record.link().value_or(std::string());
    reminder.WebUrl = link.starts_with("https://") ? link : std::string();
    reminder.Time = *time;
    reminder.Repeat = record.Repeat() != 0;
    reminder.WeekDay = record.weekDay();
    return reminder;
}

std::vector<TBridgeReminder> BridgeRemindersOf(const AppState& state)
{
    std::vector<TBridgeReminder> reminders;
    for (const ReminderPtr& record : state.ReminderList.list()) {
        if (std::optional<TBridgeReminder> reminder = BridgeReminderOf(*record)) {
            reminders.push_back(std::move(*reminder));
        }
    }
    return reminders;
}

std::vector<TBridgeReminder> WithHeld(std::vector<TBridgeReminder> reminders,
                                      const std::vector<TBridgeReminder>& held)
{
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < reminders.size(); ++i) {
        at.emplace(ReminderExternalId(reminders[i]), i);
    }
    // A snoozed copy comes before one waiting unsnoozed, and the earliest snooze first: one task
    // stands for a reminder, at the time the desktop rings it next.
    std::vector<TBridgeReminder> ordered = held;
    std::stable_sort(ordered.begin(), ordered.end(), [](const TBridgeReminder& a, const TBridgeReminder& b) {
        return std::tie(a.Held, a.Time) < std::tie(b.Held, b.Time);
    });
    std::set<std::string> taken;
    for (const TBridgeReminder& reminder : ordered) {
        const std::string externalId = ReminderExternalId(reminder);
        if (!taken.insert(externalId).second) {
            continue;
        }
        if (const auto listed = at.find(externalId); listed != at.end()) {
            // A repeating reminder's record is at its next occurrence; only a snooze moves its task.
            if (!reminder.Held) {
                reminders[listed->second].Time = reminder.Time;
            }
            continue;
        }
        reminders.push_back(reminder);
    }
    return reminders;
}

TToDoBridgeRunner::TToDoBridgeRunner(AppState& state, TOutbox& notesOutbox, std::string appName,
                                     std::string listName)
    : m_State(state), m_NotesOutbox(notesOutbox), m_AppName(std::move(appName)),
      m_ListName(std::move(listName))
{
    m_On = LoadPhoneReminders(m_State.Paths.SettingsFilePath, m_State.UserId.Get());
}

TToDoBridgeRunner::~TToDoBridgeRunner() = default;

void TToDoBridgeRunner::SetOn(bool on, bool removeList)
{
    m_On = on;
    m_TurnOff = on ? 0 : (removeList ? 2 : 1);
}

double TToDoBridgeRunner::DueIn() const
{
    // A new account or a turn-off waits for the pass; nothing else runs while the bridge is off.
    if (m_TurnOff.load() != 0 || (m_On.load() && m_State.UserId.Get() != m_UserId)) {
        return 0;
    }
    if (!m_On.load()) {
        return kToDoRoundSeconds;
    }
    return std::max(0.0, m_NextRound - MonotonicSecondsNow());
}

void TToDoBridgeRunner::Pass(const std::string& base, std::function<bool()> refresh,
                             std::function<bool()> stopping)
{
    const std::string userId = m_State.UserId.Get();
    if (userId.empty() || base.empty() || m_State.Paths.StoreRootPath.empty()) {
        return;
    }
    if (userId != m_UserId || !m_Channel || m_Channel->Base() != base) {
        // Another account: its own bridge, folder, setting and budget.
        const std::string folder = AccountStorePath(m_State.Paths.StoreRootPath, userId);
        if (!CreateFolder(folder)) {
            return;
        }
        if (userId != m_UserId) {
            m_On = LoadPhoneReminders(m_State.Paths.SettingsFilePath, userId);
            m_TurnOff = 0;
        }
        m_UserId = userId;
        m_Channel = std::make_unique<TToDoChannel>(TToDoAccess{
            base, [this] { return m_State.AccessToken.Get(); }, std::move(refresh), std::move(stopping)});
        m_Bridge = std::make_unique<TToDoBridge>(
            TToDoBridgeOptions{folder, m_ListName, m_AppName, LocalZoneId(), kToDoDefaultDaysAhead},
            m_State.UserId, m_NotesOutbox);
        m_Bridge->Load(base);
        m_NextRound = 0;
    }
    if (const int turnOff = m_TurnOff.exchange(0); turnOff != 0) {
        m_Bridge->TurnOff(*m_Channel, turnOff == 2);
    }
    if (!m_On || MonotonicSecondsNow() < m_NextRound) {
        std::lock_guard lock(m_Mutex);
        m_Status = m_On ? std::optional<TToDoStatus>(m_Bridge->Status()) : std::nullopt;
        return;
    }
    m_NextRound = MonotonicSecondsNow() + kToDoRoundSeconds;
    std::vector<TBridgeReminder> held;
    {
        std::lock_guard lock(m_Mutex);
        held = m_Held;
    }
    TToDoRound round = m_Bridge->Round(*m_Channel, WithHeld(BridgeRemindersOf(m_State), held), DateNow());
    std::lock_guard lock(m_Mutex);
    for (TBridgeReminder& reminder : round.CompletedOnPhone) {
        m_Completed.push_back(std::move(reminder));
    }
    m_Status = m_Bridge->Status();
}

void TToDoBridgeRunner::SetHeld(std::vector<TBridgeReminder> held)
{
    std::lock_guard lock(m_Mutex);
    m_Held = std::move(held);
}

std::vector<TBridgeReminder> TToDoBridgeRunner::TakeCompletedOnPhone()
{
    std::lock_guard lock(m_Mutex);
    return std::exchange(m_Completed, {});
}

std::optional<TToDoStatus> TToDoBridgeRunner::Status() const
{
    std::lock_guard lock(m_Mutex);
    return m_Status;
}

} // namespace rz
