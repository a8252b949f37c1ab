// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_bridge.h"

#include "account/http_address.h"
#include "outbox/todo_done.h"
#include "todo/todo_kinds.h"
#include "util/log.h"
#include "util/shared_value.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

namespace rz {

namespace {

// The occurrence a task stands for: its due time as the wall clock of its zone.
std::string Occurrence(const Json& fields)
{
    const Json* due = JsonObject(fields, "dueDateTime");
    return due == nullptr ? std::string() : JsonText(*due, "dateTime") + " " + JsonText(*due, "timeZone");
}

// The fields the bridge writes, as TaskFromService keeps them, for comparing what a task says
// with what the reminder says now.
Json Compared(const Json& fields)
{
    return TaskFromService(fields, {}).Fields;
}

bool IsOpen(const TToDoTask& task)
{
    return task.Status != "completed" && !task.Closing;
}

} // namespace

TToDoBridge::TToDoBridge(TToDoBridgeOptions options, const SharedString& userId, TOutbox& notesOutbox)
    : m_Options(std::move(options)), m_UserId(userId), m_NotesOutbox(notesOutbox)
{
    MakeOutbox();
}

TToDoBridge::~TToDoBridge() = default;

void TToDoBridge::MakeOutbox()
{
    m_Outbox = std::make_unique<TOutbox>(
        (std::filesystem::path(m_Options.StoreFolder) / kToDoOutboxFileName).string(), m_UserId);
    AddPhoneKinds(*m_Outbox, m_State);
}

std::string TToDoBridge::StatePath() const
{
    return (std::filesystem::path(m_Options.StoreFolder) / kToDoStateFileName).string();
}

void TToDoBridge::Load(const std::string& base)
{
    m_State = TToDoState::Load(StatePath(), base);
    m_Outbox->Load();
}

bool TToDoBridge::Queue(TOutboxItem item)
{
    return m_Outbox->Add(std::move(item)) == TOutbox::TAddResult::Queued;
}

bool TToDoBridge::Waiting(const std::string& kind, const std::string& key) const
{
    const std::vector<TOutboxItem> items = m_Outbox->Items();
    return std::any_of(items.begin(), items.end(),
                       [&](const TOutboxItem& item) { return item.Kind == kind && item.Key == key; });
}

TToDoRound TToDoBridge::Round(TOneNoteChannel& channel, const std::vector<TBridgeReminder>& reminders,
                              Date now)
{
    TToDoRound round;
    if (!channel.SignedIn() || channel.Stopping()) {
        return round;
    }
    const std::string base = channel.BaseForAddress("/todo/lists");
    if (m_State.ListId.empty()) {
        const bool making = Waiting(kPhoneListKind, m_Options.ListName);
        if (!making && !FindList(channel, base)) {
            return round;
        }
        if (m_State.ListId.empty()) {
            if (!making && !Queue(PhoneListItem(m_Options.ListName))) {
                return round;
            }
            m_Outbox->SendPending(channel);
            m_State.Save(StatePath());
            if (m_State.ListId.empty()) {
                return round;
            }
        }
    }
    std::vector<std::string> completed;
    if (!ReadDelta(channel, base, completed)) {
        m_State.Save(StatePath());
        return round;
    }
    CloseTwins();
    TakeCompletions(completed, reminders, round);
    QueueChanges(reminders, now);
    m_State.Save(StatePath());
    m_Outbox->SendPending(channel);
    m_State.Save(StatePath());
    m_LastSync = now;
    round.Synced = true;
    return round;
}

bool TToDoBridge::FindList(TOneNoteChannel& channel, const std::string& base)
{
    const std::optional<HttpResponse> answer =
        channel.Exchange({"GET", base + "/todo/lists", {}, {}, false}, {});
    if (!answer || answer->IsHttpError() || answer->Status != 200) {
        return false;
    }
    const Json all = JsonTextToObject(std::string_view(answer->Body));
    const Json* lists = JsonArray(all, "value");
    if (lists == nullptr) {
        return false;
    }
    // A list holding a task the bridge marked is its own, whatever the user renamed it to; only
    // without one is the list known by its name.
    std::string named;
    int read = 0;
    for (const Json& list : *lists) {
        const std::string id = JsonText(list, "id");
        if (id.empty() || JsonText(list, "wellknownListName") == "defaultList" || ++read > kToDoMaxPages) {
            continue;
        }
        if (named.empty() && JsonText(list, "displayName") == m_Options.ListName) {
            named = id;
        }
        const std::optional<HttpResponse> tasks = channel.Exchange(
            {"GET", base + "/todo/lists/" + FormEncode(id) + "/tasks?$expand=linkedResources", {}, {}, false},
            {});
        if (!tasks || tasks->IsHttpError() || tasks->Status != 200) {
            return false;
        }
        const Json page = JsonTextToObject(std::string_view(tasks->Body));
        if (const Json* value = JsonArray(page, "value")) {
            for (const Json& task : *value) {
                const Json* links = JsonArray(task, "linkedResources");
                for (std::size_t i = 0; links != nullptr && i < links->size(); ++i) {
                    if (IsBridgeExternalId(JsonText((*links)[i], "externalId"))) {
                        m_State.ListId = id;
                        return true;
                    }
                }
            }
        }
    }
    m_State.ListId = named;
    return true;
}

bool TToDoBridge::ReadDelta(TOneNoteChannel& channel, const std::string& base,
                            std::vector<std::string>& completed)
{
    const std::string first =
        base + "/todo/lists/" + FormEncode(m_State.ListId) + "/tasks/delta?$expand=linkedResources";
    bool full = m_State.DeltaLink.empty();
    std::string address = full ? first : m_State.DeltaLink;
    std::set<std::string> seen;
    for (int page = 0; page < kToDoMaxPages; ++page) {
        const std::optional<HttpResponse> answer = channel.Exchange({"GET", address, {}, {}, false}, {});
        if (!answer || answer->IsHttpError()) {
            return false;
        }
        if (answer->Status == 404) {
            // The list is gone: it is found or made again, and its tasks with it.
            LogInfo("To Do: the bridge's list is gone");
            m_State = TToDoState{};
            return false;
        }
        if (answer->Status == 410 && !full) {
            // The service no longer knows the round's state: a new round reads every task.
            full = true;
            address = first;
            m_State.DeltaLink.clear();
            continue;
        }
        if (answer->Status != 200) {
            return false;
        }
        const Json body = JsonTextToObject(std::string_view(answer->Body));
        const Json* value = JsonArray(body, "value");
        if (value == nullptr) {
            return false;
        }
        for (const Json& task : *value) {
            const std::string id = JsonText(task, "id");
            if (id.empty()) {
                continue;
            }
            seen.insert(id);
            if (task.contains("@removed")) {
                ForgetTask(id);
            } else {
                TakeTask(task, completed);
            }
        }
        const std::string next = JsonText(body, "@odata.nextLink");
        const std::string delta = JsonText(body, "@odata.deltaLink");
        const std::string below = base + "/todo/lists/";
        if (!next.empty() && next.starts_with(below) && next.size() <= kToDoMaxLinkBytes) {
            address = next;
            continue;
        }
        if (delta.empty() || !delta.starts_with(below) || delta.size() > kToDoMaxLinkBytes) {
            return false;
        }
        if (full) {
            // A full round names every task: one not named is gone.
            std::vector<std::string> gone;
            for (const auto& [id, task] : m_State.Tasks) {
                if (!seen.contains(id)) {
                    gone.push_back(id);
                }
            }
            for (const std::string& id : gone) {
                ForgetTask(id);
            }
        }
        m_State.DeltaLink = delta;
        return true;
    }
    return false;
}

void TToDoBridge::TakeTask(const Json& value, std::vector<std::string>& completed)
{
    const std::string id = JsonText(value, "id");
    TToDoTask& task = m_State.Tasks[id];
    task = TaskFromService(value, task);
    if (task.Status == "completed" && !task.Closing && !task.Handled && !task.ExternalId.empty()) {
        completed.push_back(id);
    }
}

void TToDoBridge::ForgetTask(const std::string& taskId)
{
    const auto found = m_State.Tasks.find(taskId);
    if (found == m_State.Tasks.end()) {
        return;
    }
    const TToDoTask& task = found->second;
    if (!task.ExternalId.empty() && !task.Closing && task.Status != "completed") {
        // The user deleted it: that occurrence gets no task again.
        const std::string occurrence = Occurrence(task.Fields);
        if (!occurrence.empty()) {
            m_State.Skipped[task.ExternalId] = occurrence;
        }
    }
    m_State.Tasks.erase(found);
}

void TToDoBridge::CloseTwins()
{
    // Two desktops may each have made a task for one reminder: every desktop keeps the oldest (the
    // smaller id among equals) and deletes the others, so they agree without talking.
    std::map<std::string, std::vector<std::string>> open;
    for (const auto& [id, task] : m_State.Tasks) {
        if (!task.ExternalId.empty() && IsOpen(task)) {
            open[task.ExternalId].push_back(id);
        }
    }
    for (auto& [externalId, ids] : open) {
        std::sort(ids.begin(), ids.end(), [&](const std::string& a, const std::string& b) {
            const TToDoTask& x = m_State.Tasks[a];
            const TToDoTask& y = m_State.Tasks[b];
            return std::tie(x.Created, a) < std::tie(y.Created, b);
        });
        for (std::size_t i = 1; i < ids.size(); ++i) {
            TToDoTask& twin = m_State.Tasks[ids[i]];
            if (Queue(PhoneDeleteItem(m_State.ListId, ids[i], JsonText(twin.Fields, "title")))) {
                twin.Closing = true;
            }
        }
    }
}

void TToDoBridge::TakeCompletions(const std::vector<std::string>& completed,
                                  const std::vector<TBridgeReminder>& reminders, TToDoRound& round)
{
    // A completion taken over before stays done: when a restart or a page read brings its occurrence
    // back into the list, the desktop is told again before that occurrence rings. (Its to-do's tick
    // went out once.)
    std::map<std::string, const TBridgeReminder*> listed;
    for (const TBridgeReminder& reminder : reminders) {
        if (!reminder.Held) {
            listed.emplace(ReminderExternalId(reminder), &reminder);
        }
    }
    for (const auto& [id, task] : m_State.Tasks) {
        const auto reminder = listed.find(task.ExternalId);
        if (task.Handled && !task.Closing && task.Status == "completed" && reminder != listed.end() &&
            Occurrence(TaskFieldsFor(*reminder->second, m_Options.Zone)) == Occurrence(task.Fields)) {
            round.CompletedOnPhone.push_back(*reminder->second);
        }
    }
    for (const std::string& id : completed) {
        TToDoTask& task = m_State.Tasks[id];
        const auto reminder = std::find_if(reminders.begin(), reminders.end(), [&](const TBridgeReminder& r) {
            return ReminderExternalId(r) == task.ExternalId;
        });
        if (reminder == reminders.end()) {
            task.Handled = true; // its reminder went already: nothing is left to tick
            continue;
        }
        if (reminder->ObjType == kTagReminder) {
            // Queued exactly as the desktop's Done queues it; when it could not be, the next round
            // tries again.
            if (m_NotesOutbox.Add(ToDoDoneItem(reminder->PageId, reminder->Id, reminder->Name)) !=
                TOutbox::TAddResult::Queued) {
                continue;
            }
        }
        task.Handled = true;
        round.CompletedOnPhone.push_back(*reminder);
    }
}

void TToDoBridge::QueueChanges(const std::vector<TBridgeReminder>& reminders, Date now)
{
    const Date horizon = DateAddDays(now, m_Options.DaysAhead);
    std::map<std::string, std::string> open;           // externalId -> task id
    std::map<std::string, std::set<std::string>> done; // externalId -> occurrences completed
    for (const auto& [id, task] : m_State.Tasks) {
        if (task.ExternalId.empty()) {
            continue;
        }
        if (IsOpen(task)) {
            open.emplace(task.ExternalId, id);
        } else {
            done[task.ExternalId].insert(Occurrence(task.Fields));
        }
    }
    std::set<std::string> wanted;
    std::set<std::string> known;
    for (const TBridgeReminder& reminder : reminders) {
        const std::string externalId = ReminderExternalId(reminder);
        known.insert(externalId);
        if (horizon < reminder.Time) {
            continue;
        }
        wanted.insert(externalId);
        if (reminder.Held) {
            continue; // it rang already: its task stays as it is until the desktop is done with it
        }
        const Json fields = TaskFieldsFor(reminder, m_Options.Zone);
        const std::string occurrence = Occurrence(fields);
        if (const auto skipped = m_State.Skipped.find(externalId); skipped != m_State.Skipped.end()) {
            if (skipped->second == occurrence) {
                continue;
            }
            m_State.Skipped.erase(skipped);
        }
        if (const auto task = open.find(externalId); task != open.end()) {
            // Only what changed on the desktop is written: an edit made on the phone stays there.
            const auto sent = m_State.Sent.find(externalId);
            const Json before =
                Compared(sent != m_State.Sent.end() ? sent->second : m_State.Tasks[task->second].Fields);
            if (before != Compared(fields) && Queue(PhoneUpdateItem(m_State.ListId, task->second, fields))) {
                m_State.Sent[externalId] = fields;
            }
            continue;
        }
        if (done[externalId].contains(occurrence) || Waiting(kPhoneCreateKind, externalId)) {
            continue;
        }
        if (Queue(PhoneCreateItem(m_State.ListId, externalId,
                                  TaskCreateBody(reminder, m_Options.Zone, m_Options.AppName)))) {
            m_State.Sent[externalId] = fields;
        }
    }
    // A deletion on the phone is remembered while its reminder lasts.
    std::erase_if(m_State.Skipped, [&](const auto& entry) { return !known.contains(entry.first); });
    // A reminder that went (done, ticked, dismissed, its page or its mark gone) completes its task,
    // so the phone stops ringing and To Do keeps what was done; one that moved past the days ahead is
    // deleted, as it is not done and comes back when it nears.
    for (const auto& [externalId, id] : open) {
        if (wanted.contains(externalId)) {
            continue;
        }
        TToDoTask& task = m_State.Tasks[id];
        const std::string title = JsonText(task.Fields, "title");
        if (Queue(known.contains(externalId) ? PhoneDeleteItem(m_State.ListId, id, title)
                                             : PhoneCompleteItem(m_State.ListId, id, title))) {
            task.Closing = true;
            m_State.Sent.erase(externalId);
        }
    }
}

bool TToDoBridge::TurnOff(TOneNoteChannel& channel, bool removeList)
{
    bool removed = true;
    if (removeList && !m_State.ListId.empty()) {
        const std::string base = channel.BaseForAddress("/todo/lists");
        const std::optional<HttpResponse> answer = channel.Exchange(
            {"DELETE", base + "/todo/lists/" + FormEncode(m_State.ListId), {}, {}, false}, {});
        removed = answer && !answer->IsHttpError() &&
                  ((answer->Status >= 200 && answer->Status < 300) || answer->Status == 404);
    }
    // Nothing waiting may go out once the bridge is off, nor when it is turned on again.
    std::error_code error;
    std::filesystem::remove(std::filesystem::path(m_Options.StoreFolder) / kToDoOutboxFileName, error);
    std::filesystem::remove(StatePath(), error);
    m_State = TToDoState{};
    MakeOutbox();
    m_LastSync.reset();
    return removed;
}

TToDoStatus TToDoBridge::Status() const
{
    TToDoStatus status;
    status.LastSync = m_LastSync;
    for (const auto& [id, task] : m_State.Tasks) {
        status.TasksKept += !task.ExternalId.empty() && IsOpen(task);
    }
    status.WaitingWrites = m_Outbox->Count();
    const std::vector<TOutboxMessage> messages = m_Outbox->Messages();
    if (!messages.empty()) {
        status.LastRefusal = messages.back();
    }
    return status;
}

} // namespace rz
