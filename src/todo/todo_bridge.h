// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox/outbox.h"
#include "todo/task_mapping.h"
#include "todo/todo_state.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rz {

class SharedString;

// Reminders due within this many days have a task.
inline constexpr int kToDoDefaultDaysAhead = 14;
// Delta pages and lists read in one round at most.
inline constexpr int kToDoMaxPages = 50;
// The bridge's own outbox file, beside its state in the account's store folder.
inline constexpr const char* kToDoOutboxFileName = "todooutbox.json";

struct TToDoBridgeOptions
{
    std::string StoreFolder;                    // the account's store folder
    std::string ListName = "OneNote reminders"; // the list's name, translated
    std::string AppName;                        // the linked resources' applicationName
    std::string Zone;                           // IANA zone the task times are given in
    int DaysAhead = kToDoDefaultDaysAhead;
};

// What a round found that the desktop acts on.
struct TToDoRound
{
    bool Synced = false; // the delta was read whole and the writes were queued
    // Reminders whose task was completed on the phone, for the desktop to be done with: those taken
    // over in this round, and those taken over before whose occurrence the list holds again. (A
    // to-do's completion is queued once, as the desktop's own Done.)
    std::vector<TBridgeReminder> CompletedOnPhone;
};

// The bridge's state for the status window.
struct TToDoStatus
{
    std::optional<Date> LastSync;
    std::size_t TasksKept = 0;
    std::size_t WaitingWrites = 0;
    std::optional<TOutboxMessage> LastRefusal;
};

// Keeps one To Do list in step with the agent's coming reminders and takes completions made on the
// phone back to the desktop. Every write goes through the bridge's own outbox; reads go through the
// channel. One per account; Load, Round and TurnOff run on the worker thread.
class TToDoBridge
{
public:
    // `notesOutbox` is the outbox the desktop's Done queues into: a to-do completed on the phone is
    // ticked through it alike.
    TToDoBridge(TToDoBridgeOptions options, const SharedString& userId, TOutbox& notesOutbox);
    ~TToDoBridge();

    // Reads the state and the bridge's waiting writes.
    void Load(const std::string& base);
    // One round: finds or makes the list, reads its delta, takes completions made on the phone to
    // the desktop, queues the tasks' creates, updates, completions and deletions for `reminders`
    // (the engine's whole list as last read, never a partial one) and sends what waits.
    TToDoRound Round(TOneNoteChannel& channel, const std::vector<TBridgeReminder>& reminders, Date now);
    // The bridge is turned off: its waiting writes and state are dropped so nothing more goes out;
    // with `removeList` the list is deleted in one last request. False when that request failed.
    bool TurnOff(TOneNoteChannel& channel, bool removeList);

    TToDoStatus Status() const;
    const TToDoState& State() const { return m_State; }
    TOutbox& Outbox() { return *m_Outbox; }

private:
    bool FindList(TOneNoteChannel& channel, const std::string& base);
    // Reads the delta; false when it could not be read whole.
    bool ReadDelta(TOneNoteChannel& channel, const std::string& base, std::vector<std::string>& completed);
    void TakeTask(const Json& task, std::vector<std::string>& completed);
    void ForgetTask(const std::string& taskId);
    void CloseTwins();
    void TakeCompletions(const std::vector<std::string>& completed,
                         const std::vector<TBridgeReminder>& reminders, TToDoRound& round);
    void QueueChanges(const std::vector<TBridgeReminder>& reminders, Date now);
    bool Queue(TOutboxItem item);
    bool Waiting(const std::string& kind, const std::string& key) const;
    std::string StatePath() const;
    void MakeOutbox();

    TToDoBridgeOptions m_Options;
    const SharedString& m_UserId;
    TOutbox& m_NotesOutbox;
    TToDoState m_State;
    std::unique_ptr<TOutbox> m_Outbox;
    std::optional<Date> m_LastSync;
};

} // namespace rz
