// SPDX-License-Identifier: GPL-3.0-or-later
// Microsoft To Do: task lists, their tasks and linked resources, the tasks' delta query, and the
// administration calls with which a test plays the user's phone.
#include "clock.h"
#include "emulator.h"
#include "text.h"

#include <functional>

namespace emu {
namespace {

constexpr const char* kUserPrefix = R"(/v1\.0/(?:me|users/([^/]+)))";
constexpr const char* kJson =
    "application/json;odata.metadata=minimal;odata.streaming=true;IEEE754Compatible=false;charset=utf-8";

void SendNotFound(httplib::Response& res)
{
    SendGraphError(res, "ErrorItemNotFound", "The specified object was not found in the store.", 404);
}

void SendBadRequest(httplib::Response& res, const std::string& message)
{
    SendGraphError(res, "invalidRequest", message, 400);
}

// "$expand=linkedResources" is the one expansion served; none is fine as well.
bool ReadExpand(const httplib::Request& req, httplib::Response& res, bool& expand)
{
    const std::string value = Param(QueryOf(req), "expand");
    if (!value.empty() && value != "linkedResources") {
        SendBadRequest(res, "The expand clause '" + value + "' is not supported.");
        return false;
    }
    expand = !value.empty();
    return true;
}

// The error of a store call: "404" names an unknown list or task, anything else a bad request.
void SendStoreError(httplib::Response& res, const std::string& error)
{
    if (error == "404") {
        SendNotFound(res);
    } else {
        SendBadRequest(res, error);
    }
}

// An entity's answer: its "@odata.context" first, then its members.
void SendEntity(httplib::Response& res, int status, const std::string& context, const Json& entity)
{
    Json answer = {{"@odata.context", context}};
    answer.update(entity);
    SendJson(res, status, answer, kJson);
}

} // namespace

const std::vector<std::string>& TodoRouteNames()
{
    static const std::vector<std::string> kNames = {
        "todolists", "todolistcreate", "todolist",   "todolistdelete", "todotasks", "todocreate",
        "todotask",  "todoupdate",     "tododelete", "tododelta",      "todolinks", "todolinkcreate"};
    return kNames;
}

std::string TodoRouteName(const std::string& rest, const std::string& method)
{
    // rest: "/todo/lists…" below the user's address.
    std::vector<std::string> parts;
    for (std::size_t at = 1; at <= rest.size();) {
        const std::size_t slash = rest.find('/', at);
        const std::size_t end = slash == std::string::npos ? rest.size() : slash;
        parts.push_back(rest.substr(at, end - at));
        at = end + 1;
    }
    if (parts.size() < 2 || parts[0] != "todo" || parts[1] != "lists") {
        return "other";
    }
    switch (parts.size()) {
    case 2:
        return method == "POST" ? "todolistcreate" : "todolists";
    case 3:
        return method == "DELETE" ? "todolistdelete" : "todolist";
    case 4:
        return parts[3] != "tasks" ? "other" : method == "POST" ? "todocreate" : "todotasks";
    case 5:
        return parts[3] != "tasks"   ? "other"
               : parts[4] == "delta" ? "tododelta"
               : method == "PATCH"   ? "todoupdate"
               : method == "DELETE"  ? "tododelete"
                                     : "todotask";
    case 6:
        return parts[3] == "tasks" && parts[5] == "linkedResources"
                   ? (method == "POST" ? "todolinkcreate" : "todolinks")
                   : "other";
    default:
        return "other";
    }
}

bool Emulator::AdmitTodo(const httplib::Request& req, httplib::Response& res, bool write)
{
    if (!Authorize(req, res)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (req.matches.size() > 1 && req.matches[1].matched) {
        const std::string who = ToLowerAscii(req.matches[1].str());
        if (who != ToLowerAscii(m_account.user.id) && who != ToLowerAscii(m_account.user.userPrincipalName)) {
            SendGraphError(res, "ErrorAccessDenied", "Access is denied. Check credentials and try again.",
                           403);
            return false;
        }
    }
    const std::string header = req.get_header_value("Authorization");
    const std::string token = header.size() > 7 ? header.substr(7) : std::string();
    // Reads need Tasks.Read or Tasks.ReadWrite, writes Tasks.ReadWrite.
    if (m_tokens.Grants(token, "Tasks.ReadWrite") || (!write && m_tokens.Grants(token, "Tasks.Read"))) {
        return true;
    }
    SendGraphError(res, "ErrorAccessDenied", "Access is denied. Check credentials and try again.", 403);
    return false;
}

std::string Emulator::TodoContext(const httplib::Request& req, const std::string& suffix) const
{
    return Root(req) + "/v1.0/$metadata#users('" + m_account.user.id + "')/todo/" + suffix;
}

void Emulator::AddTodoRoutes()
{
    const std::string lists = std::string(kUserPrefix) + "/todo/lists";
    const std::string tasks = lists + "/([^/]+)/tasks";
    // A write to the store: the body read, the store's answer sent as an entity, or its error.
    using Change = std::function<std::optional<Json>(TodoStore&, const Json&, std::string&)>;
    const auto write = [this](const httplib::Request& req, httplib::Response& res, int status,
                              const std::string& contextSuffix, const Change& change) {
        if (!AdmitTodo(req, res, true)) {
            return;
        }
        const Json body = Json::parse(req.body, nullptr, false);
        std::lock_guard lock(m_mutex);
        std::string error;
        const std::optional<Json> entity = change(m_account.todo, body, error);
        if (!entity) {
            SendStoreError(res, error);
            return;
        }
        SendEntity(res, status, TodoContext(req, contextSuffix), *entity);
    };

    m_server.Get(lists, [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, false)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, {{"@odata.context", TodoContext(req, "lists")}, {"value", m_account.todo.Lists()}},
                 kJson);
    });
    m_server.Post(lists, [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, true)) {
            return;
        }
        const Json body = Json::parse(req.body, nullptr, false);
        if (!body.is_object() || !body.contains("displayName") || !body["displayName"].is_string() ||
            body["displayName"].get_ref<const std::string&>().empty()) {
            SendBadRequest(res, "A list needs a displayName.");
            return;
        }
        std::lock_guard lock(m_mutex);
        Json list = m_account.todo.AddList(body["displayName"].get<std::string>(), Clock::Now());
        SendEntity(res, 201, TodoContext(req, "lists/$entity"), list);
    });
    m_server.Get(lists + "/([^/]+)", [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, false)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        const std::optional<Json> list = m_account.todo.List(req.matches[2].str());
        if (!list) {
            SendNotFound(res);
            return;
        }
        SendEntity(res, 200, TodoContext(req, "lists/$entity"), *list);
    });
    m_server.Delete(lists + "/([^/]+)", [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, true)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        if (!m_account.todo.DeleteList(req.matches[2].str())) {
            SendNotFound(res);
            return;
        }
        res.status = 204;
    });

    m_server.Get(tasks, [this](const httplib::Request& req, httplib::Response& res) {
        bool expand = false;
        if (!AdmitTodo(req, res, false) || !ReadExpand(req, res, expand)) {
            return;
        }
        if (!Param(QueryOf(req), "filter").empty()) {
            SendBadRequest(res, "The emulator serves no $filter on tasks.");
            return;
        }
        std::lock_guard lock(m_mutex);
        const std::string listId = req.matches[2].str();
        const std::optional<Json> found = m_account.todo.Tasks(listId, expand);
        if (!found) {
            SendNotFound(res);
            return;
        }
        SendJson(res, 200,
                 {{"@odata.context", TodoContext(req, "lists('" + listId + "')/tasks")}, {"value", *found}},
                 kJson);
    });
    m_server.Post(tasks, [write](const httplib::Request& req, httplib::Response& res) {
        const std::string listId = req.matches[2].str();
        write(req, res, 201, "lists('" + listId + "')/tasks/$entity",
              [&](TodoStore& store, const Json& body, std::string& error) {
                  return store.AddTask(listId, body, Clock::Now(), error);
              });
    });
    m_server.Get(tasks + "/delta", [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, false)) {
            return;
        }
        // The state token carries the round's options, as the service encodes them into its links.
        const auto q = QueryOf(req);
        std::string token = Param(q, "deltatoken");
        bool expand = false;
        if (token.empty()) {
            if (!ReadExpand(req, res, expand)) {
                return;
            }
        } else if (token.back() == 'L') {
            expand = true;
            token.pop_back();
        }
        std::lock_guard lock(m_mutex);
        const std::string listId = req.matches[2].str();
        std::string next;
        const std::optional<Json> changes = m_account.todo.Delta(listId, token, expand, next);
        if (!changes) {
            if (m_account.todo.List(listId)) {
                SendGraphError(res, "syncStateNotFound", "The sync state is not valid; start a new round.",
                               410);
            } else {
                SendNotFound(res);
            }
            return;
        }
        const std::string base = req.matches[1].matched ? "users/" + req.matches[1].str() : std::string("me");
        SendJson(res, 200,
                 {{"@odata.context", Root(req) + "/v1.0/$metadata#Collection(todoTask)"},
                  {"@odata.deltaLink", Root(req) + "/v1.0/" + base + "/todo/lists/" + listId +
                                           "/tasks/delta?$deltatoken=" + next + (expand ? "L" : "")},
                  {"value", *changes}},
                 kJson);
    });
    m_server.Get(tasks + "/([^/]+)", [this](const httplib::Request& req, httplib::Response& res) {
        bool expand = false;
        if (!AdmitTodo(req, res, false) || !ReadExpand(req, res, expand)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        const std::string listId = req.matches[2].str();
        const std::optional<Json> task = m_account.todo.Task(listId, req.matches[3].str(), expand);
        if (!task) {
            SendNotFound(res);
            return;
        }
        SendEntity(res, 200, TodoContext(req, "lists('" + listId + "')/tasks/$entity"), *task);
    });
    m_server.Patch(tasks + "/([^/]+)", [write](const httplib::Request& req, httplib::Response& res) {
        const std::string listId = req.matches[2].str();
        write(req, res, 200, "lists('" + listId + "')/tasks/$entity",
              [&](TodoStore& store, const Json& body, std::string& error) {
                  return store.UpdateTask(listId, req.matches[3].str(), body, Clock::Now(), error);
              });
    });
    m_server.Delete(tasks + "/([^/]+)", [this](const httplib::Request& req, httplib::Response& res) {
        if (!AdmitTodo(req, res, true)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        if (!m_account.todo.DeleteTask(req.matches[2].str(), req.matches[3].str())) {
            SendNotFound(res);
            return;
        }
        res.status = 204;
    });
    m_server.Get(
        tasks + "/([^/]+)/linkedResources", [this](const httplib::Request& req, httplib::Response& res) {
            if (!AdmitTodo(req, res, false)) {
                return;
            }
            std::lock_guard lock(m_mutex);
            const std::string listId = req.matches[2].str();
            const std::string taskId = req.matches[3].str();
            const std::optional<Json> links = m_account.todo.LinkedResources(listId, taskId);
            if (!links) {
                SendNotFound(res);
                return;
            }
            SendJson(res, 200,
                     {{"@odata.context",
                       TodoContext(req, "lists('" + listId + "')/tasks('" + taskId + "')/linkedResources")},
                      {"value", *links}},
                     kJson);
        });
    m_server.Post(
        tasks + "/([^/]+)/linkedResources", [write](const httplib::Request& req, httplib::Response& res) {
            const std::string listId = req.matches[2].str();
            const std::string taskId = req.matches[3].str();
            write(req, res, 201, "lists('" + listId + "')/tasks('" + taskId + "')/linkedResources/$entity",
                  [&](TodoStore& store, const Json& body, std::string& error) {
                      return store.AddLinkedResource(listId, taskId, body, Clock::Now(), error);
                  });
        });

    // The user's phone: the whole To Do, and a change made there.
    m_server.Get("/_emulator/todo", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, {{"lists", m_account.todo.Dump()}});
    });
    m_server.Post("/_emulator/todo/task", [this](const httplib::Request& req, httplib::Response& res) {
        const Json body = Json::parse(req.body.empty() ? std::string("{}") : req.body, nullptr, false);
        if (!body.is_object() || !body.contains("id") || !body["id"].is_string()) {
            SendJson(res, 400, {{"error", {{"code", "BadRequest"}, {"message", "\"id\" must be a string"}}}});
            return;
        }
        std::lock_guard lock(m_mutex);
        const std::string taskId = body["id"].get<std::string>();
        const std::string listId = m_account.todo.ListOfTask(taskId);
        if (listId.empty()) {
            SendJson(res, 404, {{"error", {{"code", "NotFound"}, {"message", "no task " + taskId}}}});
            return;
        }
        if (body.value("delete", false)) {
            m_account.todo.DeleteTask(listId, taskId);
            SendJson(res, 200, {{"ok", true}});
            return;
        }
        Json change = body;
        change.erase("id");
        std::string error;
        if (!m_account.todo.UpdateTask(listId, taskId, change, Clock::Now(), error)) {
            SendJson(res, 400, {{"error", {{"code", "BadRequest"}, {"message", error}}}});
            return;
        }
        SendJson(res, 200, {{"ok", true}});
    });
}

} // namespace emu
