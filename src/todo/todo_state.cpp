// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_state.h"

#include "todo/task_mapping.h"
#include "util/files.h"
#include "util/log.h"

namespace rz {

namespace {

constexpr int kStateVersion = 1;

Json TaskJson(const TToDoTask& task)
{
    return {{"externalId", task.ExternalId}, {"status", task.Status},   {"created", task.Created},
            {"fields", task.Fields},         {"closing", task.Closing}, {"handled", task.Handled}};
}

std::optional<TToDoTask> TaskOf(const Json& value)
{
    if (!value.is_object()) {
        return std::nullopt;
    }
    TToDoTask task;
    task.ExternalId = JsonText(value, "externalId");
    task.Status = JsonText(value, "status");
    task.Created = JsonText(value, "created");
    if (const Json* fields = JsonObject(value, "fields")) {
        task.Fields = *fields;
    }
    task.Closing = JsonBool(value, "closing").value_or(false);
    task.Handled = JsonBool(value, "handled").value_or(false);
    return task;
}

Json StateJson(const TToDoState& state)
{
    Json tasks = Json::object();
    for (const auto& [id, task] : state.Tasks) {
        tasks[id] = TaskJson(task);
    }
    Json sent = Json::object();
    for (const auto& [id, fields] : state.Sent) {
        sent[id] = fields;
    }
    Json skipped = Json::object();
    for (const auto& [id, occurrence] : state.Skipped) {
        skipped[id] = occurrence;
    }
    return {{"version", kStateVersion}, {"listId", state.ListId}, {"deltaLink", state.DeltaLink},
            {"tasks", tasks},           {"sent", sent},           {"skipped", skipped}};
}

} // namespace

TToDoTask TaskFromService(const Json& value, TToDoTask before)
{
    TToDoTask task = std::move(before);
    if (const Json* links = JsonArray(value, "linkedResources")) {
        for (const Json& link : *links) {
            if (IsBridgeExternalId(JsonText(link, "externalId"))) {
                task.ExternalId = JsonText(link, "externalId");
                break;
            }
        }
    }
    task.Status = JsonText(value, "status");
    if (!JsonText(value, "createdDateTime").empty()) {
        task.Created = JsonText(value, "createdDateTime");
    }
    task.Fields = Json::object();
    for (const char* name : {"title", "reminderDateTime", "dueDateTime", "recurrence"}) {
        if (value.is_object() && value.contains(name) && !value[name].is_null()) {
            task.Fields[name] = value[name];
        }
    }
    return task;
}

TToDoState TToDoState::Load(const std::string& path, const std::string& base)
{
    TToDoState state;
    const Json file = ReadJsonFile(path, kMaxStateFileBytes);
    if (!file.is_object() || file.empty()) {
        return state;
    }
    if (JsonCount(file, "version", 0, 1000) != kStateVersion) {
        LogWarning("To Do: the bridge's file is of another version; it starts afresh");
        return state;
    }
    const Json* tasks = JsonObject(file, "tasks");
    const Json* sent = JsonObject(file, "sent");
    const Json* skipped = JsonObject(file, "skipped");
    if (tasks == nullptr || sent == nullptr || skipped == nullptr || tasks->size() > kToDoMaxTasks ||
        sent->size() > kToDoMaxTasks || skipped->size() > kToDoMaxTasks) {
        LogWarning("To Do: the bridge's file is damaged; it starts afresh");
        return state;
    }
    state.ListId = JsonText(file, "listId");
    state.DeltaLink = JsonText(file, "deltaLink");
    // The link carries the bearer's requests: only one below the account's own address is followed.
    if (state.DeltaLink.size() > kToDoMaxLinkBytes || !state.DeltaLink.starts_with(base + "/todo/lists/")) {
        state.DeltaLink.clear();
    }
    for (const auto& [id, value] : tasks->items()) {
        if (std::optional<TToDoTask> task = TaskOf(value)) {
            state.Tasks[id] = std::move(*task);
        }
    }
    for (const auto& [id, value] : sent->items()) {
        if (value.is_object()) {
            state.Sent[id] = value;
        }
    }
    for (const auto& [id, value] : skipped->items()) {
        if (value.is_string()) {
            state.Skipped[id] = value.get<std::string>();
        }
    }
    if (state.DeltaLink.empty()) {
        // Without the link the next round reads every task again; what was known of them would only
        // hide deletions made meanwhile.
        state.Tasks.clear();
    }
    return state;
}

bool TToDoState::Save(const std::string& path) const
{
    const std::optional<std::string> text = JsonTextReadingBack(StateJson(*this));
    if (!text || text->size() > kMaxStateFileBytes || !WriteTextFile(path, *text)) {
        LogWarning("To Do: the bridge's file could not be written");
        return false;
    }
    if (ReadTextFile(path, kMaxStateFileBytes) != *text) {
        LogWarning("To Do: the bridge's file does not read back");
        return false;
    }
    return true;
}

} // namespace rz
