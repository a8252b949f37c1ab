// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_runner.h"

#include "core/preferences.h"
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "todo/todo_channel.h"
#include "util/clock.h"
#include "util/files.h"

#include <utility>

namespace rz {

std::vector<TBridgeReminder> BridgeRemindersOf(const AppState& state)
{
    std::vector<TBridgeReminder> reminders;
    for (const ReminderPtr& record : state.ReminderList.list()) {
        const std::optional<Date> time = record->time();
        const std::optional<std::string> pageId = record->pageId();
        if (!time || !pageId || pageId->empty()) {
            continue;
        }
        TBridgeReminder reminder;
        reminder.ObjType = record->objType();
        reminder.PageId = *pageId;
        reminder.Id = record->Id().value_or(*pageId);
        reminder.Name = record->name().value_or(std::string());
        // Only a web address goes into the linked resource; a client link opens nothing on a phone.
        const std::string link = record->link().value_or(std::string());
        reminder.WebUrl = link.starts_with("https://") ? link : std::string();
        reminder.Time = *time;
        reminder.Repeat = record->Repeat() != 0;
        reminder.WeekDay = record->weekDay();
        reminders.push_back(std::move(reminder));
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
    TToDoRound round = m_Bridge->Round(*m_Channel, BridgeRemindersOf(m_State), DateNow());
    std::lock_guard lock(m_Mutex);
    for (TBridgeReminder& reminder : round.CompletedOnPhone) {
        m_Completed.push_back(std::move(reminder));
    }
    m_Status = m_Bridge->Status();
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
