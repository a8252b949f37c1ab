// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo_store.h"

#include "text.h"
#include "time_templates.h"
#include "todo_values.h"

#include <algorithm>

namespace emu {
namespace {

constexpr std::size_t kMaxTasksPerList = 10000;

std::string Etag(const std::string& id, long changed)
{
    return "W/\"" + StableGuid(id + "#" + std::to_string(changed), false) + "\"";
}

} // namespace

std::string TodoStore::NewId(const char* prefix)
{
    // Shaped like the service's ids: long, base64 with its padding.
    return std::string(prefix) +
           RandomText(40, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") +
           std::to_string(m_nextId++) + "AAA=";
}

bool TodoStore::Load(const Json& spec, std::time_t now, std::string& error)
{
    if (spec.is_null()) {
        return true;
    }
    if (!spec.is_array()) {
        error = "\"todoLists\" must be an array";
        return false;
    }
    for (std::size_t i = 0; i < spec.size(); ++i) {
        const Json& entry = spec[i];
        const std::string at = "todoLists[" + std::to_string(i) + "]";
        if (!entry.is_object() || !entry.contains("displayName") || !entry["displayName"].is_string()) {
            error = at + ".displayName must be a string";
            return false;
        }
        Json list = AddList(entry["displayName"].get<std::string>(), now);
        ListEntry& added = m_lists.back();
        if (entry.contains("id")) {
            if (!entry["id"].is_string() || entry["id"].get<std::string>().empty()) {
                error = at + ".id must be a string";
                return false;
            }
            added.object["id"] = entry["id"];
        }
        if (entry.contains("wellknownListName")) {
            if (!IsMemberOf(entry["wellknownListName"], {"none", "defaultList", "flaggedEmails"})) {
                error = at + ".wellknownListName must be none, defaultList or flaggedEmails";
                return false;
            }
            added.object["wellknownListName"] = entry["wellknownListName"];
        }
        const Json tasks = entry.value("tasks", Json::array());
        for (std::size_t t = 0; t < tasks.size(); ++t) {
            // Times may be templates, as anywhere in a fixture.
            std::string problem;
            const std::optional<std::string> expanded = ExpandTemplates(tasks[t].dump(), now, problem);
            Json body = expanded ? Json::parse(*expanded, nullptr, false) : Json();
            if (!expanded || body.is_discarded()) {
                error = at + ".tasks[" + std::to_string(t) + "]: " + problem;
                return false;
            }
            std::string fixedId;
            if (body.is_object() && body.contains("id") && body["id"].is_string()) {
                fixedId = body["id"].get<std::string>();
                body.erase("id");
            }
            if (!AddTask(added.object["id"].get<std::string>(), body, now, problem)) {
                error = at + ".tasks[" + std::to_string(t) + "]: " + problem;
                return false;
            }
            if (!fixedId.empty()) {
                m_lists.back().tasks.back().object["id"] = fixedId;
            }
        }
    }
    return true;
}

TodoStore::ListEntry* TodoStore::FindList(const std::string& listId)
{
    for (ListEntry& list : m_lists) {
        if (list.object["id"] == listId) {
            return &list;
        }
    }
    return nullptr;
}

const TodoStore::ListEntry* TodoStore::FindList(const std::string& listId) const
{
    return const_cast<TodoStore*>(this)->FindList(listId);
}

TodoStore::TaskEntry* TodoStore::FindTask(ListEntry& list, const std::string& taskId)
{
    for (TaskEntry& task : list.tasks) {
        if (task.object["id"] == taskId) {
            return &task;
        }
    }
    return nullptr;
}

TodoStore::TaskEntry* TodoStore::FindTaskOrSay(const std::string& listId, const std::string& taskId,
                                               ListEntry*& list, std::string& error)
{
    list = FindList(listId);
    TaskEntry* task = list ? FindTask(*list, taskId) : nullptr;
    if (!task) {
        error = "404";
    }
    return task;
}

Json TodoStore::Lists() const
{
    Json out = Json::array();
    for (const ListEntry& list : m_lists) {
        out.push_back(list.object);
    }
    return out;
}

std::optional<Json> TodoStore::List(const std::string& listId) const
{
    const ListEntry* list = FindList(listId);
    return list ? std::optional<Json>(list->object) : std::nullopt;
}

Json TodoStore::AddList(const std::string& displayName, std::time_t)
{
    ListEntry list;
    const std::string id = NewId("AQMkADAwATM0MDAAMS0");
    list.object = {{"@odata.etag", Etag(id, 0)}, {"displayName", displayName},  {"isOwner", true},
                   {"isShared", false},          {"wellknownListName", "none"}, {"id", id}};
    m_lists.push_back(std::move(list));
    return m_lists.back().object;
}

bool TodoStore::DeleteList(const std::string& listId)
{
    const auto it = std::find_if(m_lists.begin(), m_lists.end(),
                                 [&](const ListEntry& list) { return list.object["id"] == listId; });
    if (it == m_lists.end()) {
        return false;
    }
    m_lists.erase(it);
    return true;
}

Json TodoStore::Shown(const TaskEntry& task, bool expand)
{
    Json out = task.object;
    if (expand) {
        out["linkedResources"] = Json::array();
        for (const Json& link : task.links) {
            out["linkedResources"].push_back(link);
        }
    }
    return out;
}

std::optional<Json> TodoStore::Tasks(const std::string& listId, bool expand) const
{
    const ListEntry* list = FindList(listId);
    if (!list) {
        return std::nullopt;
    }
    Json out = Json::array();
    for (const TaskEntry& task : list->tasks) {
        out.push_back(Shown(task, expand));
    }
    return out;
}

std::optional<Json> TodoStore::Task(const std::string& listId, const std::string& taskId, bool expand) const
{
    ListEntry* list = const_cast<TodoStore*>(this)->FindList(listId);
    const TaskEntry* task = list ? FindTask(*list, taskId) : nullptr;
    return task ? std::optional<Json>(Shown(*task, expand)) : std::nullopt;
}

bool TodoStore::TakeLink(TaskEntry& task, const Json& body, std::string& error)
{
    if (!body.is_object()) {
        error = "A linked resource must be an object.";
        return false;
    }
    Json link = Json::object();
    for (const auto& [key, value] : body.items()) {
        if (key == "webUrl" || key == "applicationName" || key == "displayName" || key == "externalId") {
            if (!value.is_string() || value.get_ref<const std::string&>().size() > kMaxTextBytes) {
                error = "Invalid value for property '" + key + "'.";
                return false;
            }
            link[key] = value;
        } else if (!key.starts_with("@odata.")) {
            error = "The property '" + key + "' does not exist on type 'microsoft.graph.linkedResource'.";
            return false;
        }
    }
    link["id"] = RandomGuid();
    task.links.push_back(std::move(link));
    return true;
}

std::optional<Json> TodoStore::AddTask(const std::string& listId, const Json& body, std::time_t now,
                                       std::string& error)
{
    ListEntry* list = FindList(listId);
    if (!list) {
        error = "404";
        return std::nullopt;
    }
    if (list->tasks.size() >= kMaxTasksPerList) {
        error = "The list holds the most tasks the emulator keeps.";
        return std::nullopt;
    }
    TaskEntry task;
    const std::string id = NewId("AAMkADMwNTcyZjQz");
    task.object = {{"@odata.etag", ""},
                   {"importance", "normal"},
                   {"isReminderOn", false},
                   {"status", "notStarted"},
                   {"title", ""},
                   {"createdDateTime", GraphTime(now)},
                   {"lastModifiedDateTime", GraphTime(now)},
                   {"hasAttachments", false},
                   {"categories", Json::array()},
                   {"id", id},
                   {"body", {{"content", ""}, {"contentType", "text"}}},
                   {"bodyLastModifiedDateTime", GraphTime(now)}};
    if (!TakeTaskProperties(task.object, body, now, error)) {
        return std::nullopt;
    }
    if (body.contains("linkedResources")) {
        if (!body["linkedResources"].is_array()) {
            error = "Invalid value for property 'linkedResources'.";
            return std::nullopt;
        }
        for (const Json& link : body["linkedResources"]) {
            if (!TakeLink(task, link, error)) {
                return std::nullopt;
            }
        }
    }
    task.changed = ++list->changes;
    task.object["@odata.etag"] = Etag(id, task.changed);
    list->tasks.push_back(std::move(task));
    return Shown(list->tasks.back(), true);
}

std::optional<Json> TodoStore::UpdateTask(const std::string& listId, const std::string& taskId,
                                          const Json& body, std::time_t now, std::string& error)
{
    ListEntry* list = nullptr;
    TaskEntry* task = FindTaskOrSay(listId, taskId, list, error);
    if (!task) {
        return std::nullopt;
    }
    if (body.is_object() && body.contains("linkedResources")) {
        error = "Linked resources are changed through their own address.";
        return std::nullopt;
    }
    if (!TakeTaskProperties(task->object, body, now, error)) {
        return std::nullopt;
    }
    task->changed = ++list->changes;
    task->object["lastModifiedDateTime"] = GraphTime(now);
    task->object["@odata.etag"] = Etag(taskId, task->changed);
    return Shown(*task, false);
}

bool TodoStore::DeleteTask(const std::string& listId, const std::string& taskId)
{
    ListEntry* list = FindList(listId);
    if (!list) {
        return false;
    }
    const auto it = std::find_if(list->tasks.begin(), list->tasks.end(),
                                 [&](const TaskEntry& task) { return task.object["id"] == taskId; });
    if (it == list->tasks.end()) {
        return false;
    }
    list->tasks.erase(it);
    list->removed[taskId] = ++list->changes;
    return true;
}

std::optional<Json> TodoStore::LinkedResources(const std::string& listId, const std::string& taskId) const
{
    const std::optional<Json> task = Task(listId, taskId, true);
    return task ? std::optional<Json>((*task)["linkedResources"]) : std::nullopt;
}

std::optional<Json> TodoStore::AddLinkedResource(const std::string& listId, const std::string& taskId,
                                                 const Json& body, std::time_t now, std::string& error)
{
    ListEntry* list = nullptr;
    TaskEntry* task = FindTaskOrSay(listId, taskId, list, error);
    if (!task) {
        return std::nullopt;
    }
    if (!TakeLink(*task, body, error)) {
        return std::nullopt;
    }
    task->changed = ++list->changes;
    task->object["lastModifiedDateTime"] = GraphTime(now);
    return task->links.back();
}

std::optional<Json> TodoStore::Delta(const std::string& listId, const std::string& token, bool expand,
                                     std::string& next) const
{
    const ListEntry* list = FindList(listId);
    if (!list) {
        return std::nullopt;
    }
    long since = 0;
    if (!token.empty()) {
        if (token.size() > 12 || token.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        since = std::stol(token);
        if (since > list->changes) {
            return std::nullopt;
        }
    }
    Json out = Json::array();
    for (const TaskEntry& task : list->tasks) {
        if (task.changed > since) {
            out.push_back(Shown(task, expand));
        }
    }
    // A first round holds what is there; later rounds also say what went.
    if (!token.empty()) {
        for (const auto& [id, changed] : list->removed) {
            if (changed > since) {
                out.push_back({{"id", id}, {"@removed", {{"reason", "deleted"}}}});
            }
        }
    }
    next = std::to_string(list->changes);
    return out;
}

std::string TodoStore::ListOfTask(const std::string& taskId) const
{
    for (const ListEntry& list : m_lists) {
        for (const TaskEntry& task : list.tasks) {
            if (task.object["id"] == taskId) {
                return list.object["id"];
            }
        }
    }
    return {};
}

Json TodoStore::Dump() const
{
    Json out = Json::array();
    for (const ListEntry& list : m_lists) {
        Json entry = list.object;
        entry["tasks"] = Json::array();
        for (const TaskEntry& task : list.tasks) {
            entry["tasks"].push_back(Shown(task, true));
        }
        out.push_back(std::move(entry));
    }
    return out;
}

} // namespace emu
