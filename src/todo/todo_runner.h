// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "todo/todo_bridge.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rz {

struct AppState;
class TToDoChannel;

// Seconds between the bridge's rounds: a completion on the phone reaches the desktop within this.
inline constexpr double kToDoRoundSeconds = 60.0;

// One reminder record as the bridge takes it; none without a time or a page.
std::optional<TBridgeReminder> BridgeReminderOf(const TAReminder& record);
// The reminders of the engine's list as the bridge takes them.
std::vector<TBridgeReminder> BridgeRemindersOf(const AppState& state);
// `reminders` with the desktop's rung and snoozed ones (`held`, Held set on those that wait
// unsnoozed): a snooze gives its reminder's task the time it rings again; one that rang and left the
// list keeps its task until it is dismissed or done.
std::vector<TBridgeReminder> WithHeld(std::vector<TBridgeReminder> reminders,
                                      const std::vector<TBridgeReminder>& held);

// The bridge of the account signed in now, on the worker's passes: made for the account's store
// folder when the account changes, on only while the account's setting is, a round every
// kToDoRoundSeconds, and turned off (its list removed when asked) on the next pass after the user
// turned it off. The main thread sets and reads; the worker runs Pass.
class TToDoBridgeRunner
{
public:
    TToDoBridgeRunner(AppState& state, TOutbox& notesOutbox, std::string appName, std::string listName);
    ~TToDoBridgeRunner();

    // Main thread: the account's choice in Preferences. Off asks the next pass to turn the bridge
    // off, with the list removed when `removeList`.
    void SetOn(bool on, bool removeList = false);
    bool On() const { return m_On.load(); }

    // Worker thread: one pass. `base` is the account's Graph address ("<root>/v1.0/me"); `refresh`
    // gets a new access token after a 401; `stopping` says the worker stops.
    void Pass(const std::string& base, std::function<bool()> refresh, std::function<bool()> stopping);

    // Worker thread: seconds until a pass has the bridge's work to do; 0 when the next one has, and
    // kToDoRoundSeconds or more while the bridge is off.
    double DueIn() const;

    // Main thread: the reminders that rang or are snoozed on the desktop, for the next rounds.
    void SetHeld(std::vector<TBridgeReminder> held);
    // Main thread: title reminders completed on the phone since the last call, to dismiss.
    std::vector<TBridgeReminder> TakeCompletedOnPhone();
    // The bridge's state for the status window; none while no bridge runs.
    std::optional<TToDoStatus> Status() const;

private:
    AppState& m_State;
    TOutbox& m_NotesOutbox;
    std::string m_AppName;
    std::string m_ListName;
    std::atomic<bool> m_On{false};
    std::atomic<int> m_TurnOff{0}; // 0: nothing asked; 1: turn off; 2: turn off and remove the list
    std::string m_UserId;          // whose bridge runs (worker thread)
    std::unique_ptr<TToDoBridge> m_Bridge;
    std::unique_ptr<TToDoChannel> m_Channel;
    double m_NextRound = 0;
    mutable std::mutex m_Mutex; // guards what follows and the bridge's status
    std::vector<TBridgeReminder> m_Completed;
    std::vector<TBridgeReminder> m_Held;
    std::optional<TToDoStatus> m_Status;
};

} // namespace rz
