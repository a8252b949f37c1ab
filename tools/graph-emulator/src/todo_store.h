// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace emu {

using Json = nlohmann::ordered_json;

// The account's Microsoft To Do: task lists, their tasks with linked resources, and each list's
// change log for the delta query. Not locked by itself; the emulator serialises access.
class TodoStore
{
public:
    // Reads the fixture's "todoLists" array (may be null): [{"displayName", "wellknownListName"?,
    // "id"?, "tasks"?: [{"title", "status"?, "id"?, ...todoTask fields}]}]. False with `error` on a
    // bad entry.
    bool Load(const Json& spec, std::time_t now, std::string& error);

    // The lists as todoTaskList objects, in creation order.
    Json Lists() const;
    // One list as a todoTaskList object; none when unknown.
    std::optional<Json> List(const std::string& listId) const;
    // Makes a list named `displayName`; its todoTaskList object.
    Json AddList(const std::string& displayName, std::time_t now);
    // Deletes a list with its tasks; false when unknown.
    bool DeleteList(const std::string& listId);

    // A list's tasks as todoTask objects, oldest first, with their linked resources when `expand`.
    std::optional<Json> Tasks(const std::string& listId, bool expand) const;
    // One task; none when the list or the task is unknown.
    std::optional<Json> Task(const std::string& listId, const std::string& taskId, bool expand) const;
    // Makes a task from a todoTask body (linked resources inline allowed); the new object, or none
    // with `error` (an unknown list: error "404").
    std::optional<Json> AddTask(const std::string& listId, const Json& body, std::time_t now,
                                std::string& error);
    // Changes the writable properties a body gives; the task after it, or none with `error`.
    std::optional<Json> UpdateTask(const std::string& listId, const std::string& taskId, const Json& body,
                                   std::time_t now, std::string& error);
    // Deletes a task; false when unknown.
    bool DeleteTask(const std::string& listId, const std::string& taskId);
    // A task's linked resources; adds one.
    std::optional<Json> LinkedResources(const std::string& listId, const std::string& taskId) const;
    std::optional<Json> AddLinkedResource(const std::string& listId, const std::string& taskId,
                                          const Json& body, std::time_t now, std::string& error);

    // The delta of a list since `token` (empty: every task now): changed tasks as objects, deleted
    // ones as {"id", "@removed": {"reason": "deleted"}}; `next` is the token of this round's end.
    // None when the list is unknown or the token is not one this list gave out.
    std::optional<Json> Delta(const std::string& listId, const std::string& token, bool expand,
                              std::string& next) const;

    // Finds a task by id in any list: its list's id, empty when none.
    std::string ListOfTask(const std::string& taskId) const;

    // The whole store, for the administration interface.
    Json Dump() const;

private:
    struct TaskEntry
    {
        Json object; // the todoTask without linked resources
        std::vector<Json> links;
        long changed = 0; // the list's change number of its last change
    };
    struct ListEntry
    {
        Json object; // the todoTaskList
        std::vector<TaskEntry> tasks;
        std::map<std::string, long> removed; // deleted task id -> change number
        long changes = 0;
    };

    std::vector<ListEntry> m_lists;
    long m_nextId = 1;

    ListEntry* FindList(const std::string& listId);
    const ListEntry* FindList(const std::string& listId) const;
    static TaskEntry* FindTask(ListEntry& list, const std::string& taskId);
    // The task and its list; none, with `error` "404", when either is unknown.
    TaskEntry* FindTaskOrSay(const std::string& listId, const std::string& taskId, ListEntry*& list,
                             std::string& error);
    std::string NewId(const char* prefix);
    static Json Shown(const TaskEntry& task, bool expand);
    bool TakeLink(TaskEntry& task, const Json& body, std::string& error);
};

} // namespace emu
