// SPDX-License-Identifier: GPL-3.0-or-later
#include "todo/todo_kinds.h"

#include "account/http_address.h"

#include <memory>
#include <utility>

namespace rz {

namespace {

// Pages of a list's tasks read for one lookup; a list of the bridge's holds a few dozen tasks.
constexpr int kMaxLookupPages = 20;
constexpr const char* kJsonType = "application/json";

std::string TasksPath(const std::string& listId)
{
    return "/todo/lists/" + FormEncode(listId) + "/tasks";
}

std::string TaskPath(const Json& fields)
{
    return TasksPath(JsonText(fields, "listId")) + "/" + FormEncode(JsonText(fields, "taskId"));
}

// The part of a list's next-page link from its "/todo/lists/" on: the link sends it below the
// account's own base, so the bearer never follows an address elsewhere.
std::string ListsPart(const std::string& link)
{
    const std::size_t at = link.find("/todo/lists/");
    return at == std::string::npos ? std::string() : link.substr(at);
}

class TPhoneListKind : public TOutboxKind
{
public:
    explicit TPhoneListKind(TToDoState& state) : m_State(state) {}
    std::string Name() const override { return kPhoneListKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override
    {
        const std::string name = JsonText(item.Fields, "name");
        if (item.Unconfirmed) {
            // The list may have been made by the attempt whose answer was lost.
            const std::optional<HttpResponse> lists = link.Send("GET", "/todo/lists");
            if (!lists) {
                return TOutboxOutcome::NotSent();
            }
            if (lists->Status != 200) {
                return PhoneOutcome(*lists, false);
            }
            const Json all = JsonTextToObject(std::string_view(lists->Body));
            if (const Json* value = JsonArray(all, "value")) {
                for (const Json& list : *value) {
                    if (JsonText(list, "displayName") == name && !JsonText(list, "id").empty()) {
                        m_State.ListId = JsonText(list, "id");
                        return TOutboxOutcome::Finished();
                    }
                }
            }
        }
        const std::optional<HttpResponse> made =
            link.Send("POST", "/todo/lists", kJsonType, JsonObjectToText(Json{{"displayName", name}}));
        if (!made) {
            return TOutboxOutcome::NotSent();
        }
        TOutboxOutcome outcome = PhoneOutcome(*made, false);
        if (outcome.Result == TOutboxOutcome::Done) {
            m_State.ListId = JsonText(JsonTextToObject(std::string_view(made->Body)), "id");
        }
        return outcome;
    }

private:
    TToDoState& m_State;
};

class TPhoneCreateKind : public TOutboxKind
{
public:
    explicit TPhoneCreateKind(TToDoState& state) : m_State(state) {}
    std::string Name() const override { return kPhoneCreateKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override
    {
        const std::string listId = JsonText(item.Fields, "listId");
        if (item.Unconfirmed) {
            const std::optional<Json> found =
                FindTaskByExternalId(link, listId, JsonText(item.Fields, "externalId"));
            if (!found) {
                return link.NotRecorded()
                           ? TOutboxOutcome::NotSent()
                           : TOutboxOutcome::Again("strToDoProblem", "the list could not be read");
            }
            if (!found->is_null()) {
                Keep(*found);
                return TOutboxOutcome::Finished();
            }
        }
        const Json* body = JsonObject(item.Fields, "body");
        if (body == nullptr) {
            return TOutboxOutcome::Refusal("strPhoneRefused");
        }
        const std::optional<HttpResponse> made =
            link.Send("POST", TasksPath(listId), kJsonType, JsonObjectToText(*body));
        if (!made) {
            return TOutboxOutcome::NotSent();
        }
        // A list gone meanwhile: the bridge finds or makes its list again and asks anew.
        const TOutboxOutcome outcome = PhoneOutcome(*made, true);
        if (outcome.Result == TOutboxOutcome::Done && made->Status != 404) {
            Keep(JsonTextToObject(std::string_view(made->Body)));
        }
        return outcome;
    }

private:
    void Keep(const Json& task)
    {
        const std::string id = JsonText(task, "id");
        if (!id.empty()) {
            m_State.Tasks[id] = TaskFromService(task, m_State.Tasks[id]);
        }
    }

    TToDoState& m_State;
};

// PATCH or DELETE of one task; repeating either does no harm, so a lost answer needs no lookup.
class TPhoneTaskKind : public TOutboxKind
{
public:
    TPhoneTaskKind(std::string name, std::string method)
        : m_Name(std::move(name)), m_Method(std::move(method))
    {
    }
    std::string Name() const override { return m_Name; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override
    {
        std::string body;
        if (m_Method == "PATCH") {
            const Json* fields = JsonObject(item.Fields, "body");
            if (fields == nullptr) {
                return TOutboxOutcome::Refusal("strPhoneRefused");
            }
            body = JsonObjectToText(*fields);
        }
        const std::optional<HttpResponse> answer =
            link.Send(m_Method, TaskPath(item.Fields), body.empty() ? std::string() : kJsonType, body);
        return answer ? PhoneOutcome(*answer, true) : TOutboxOutcome::NotSent();
    }

private:
    std::string m_Name;
    std::string m_Method;
};

TOutboxItem TaskItem(const char* kind, const std::string& listId, const std::string& taskId,
                     const std::string& label, Json body)
{
    TOutboxItem item;
    item.Kind = kind;
    item.Key = taskId;
    item.Label = label;
    item.Fields = {{"listId", listId}, {"taskId", taskId}};
    if (!body.is_null()) {
        item.Fields["body"] = std::move(body);
    }
    return item;
}

} // namespace

TOutboxItem PhoneListItem(const std::string& name)
{
    TOutboxItem item;
    item.Kind = kPhoneListKind;
    item.Key = name;
    item.Label = name;
    item.Fields = {{"name", name}};
    return item;
}

TOutboxItem PhoneCreateItem(const std::string& listId, const std::string& externalId, const Json& body)
{
    TOutboxItem item;
    item.Kind = kPhoneCreateKind;
    item.Key = externalId;
    item.Label = JsonText(body, "title");
    item.Fields = {{"listId", listId}, {"externalId", externalId}, {"body", body}};
    return item;
}

TOutboxItem PhoneUpdateItem(const std::string& listId, const std::string& taskId, const Json& fields)
{
    return TaskItem(kPhoneUpdateKind, listId, taskId, JsonText(fields, "title"), fields);
}

TOutboxItem PhoneCompleteItem(const std::string& listId, const std::string& taskId, const std::string& title)
{
    return TaskItem(kPhoneCompleteKind, listId, taskId, title, Json{{"status", "completed"}});
}

TOutboxItem PhoneDeleteItem(const std::string& listId, const std::string& taskId, const std::string& title)
{
    return TaskItem(kPhoneDeleteKind, listId, taskId, title, Json());
}

TOutboxOutcome PhoneOutcome(const HttpResponse& response, bool goneIsDone)
{
    if (goneIsDone && !response.IsHttpError() && response.Status == 404) {
        return TOutboxOutcome::Finished();
    }
    TOutboxOutcome outcome = AnswerOutcome(response);
    if (outcome.MessageKey == "strOutboxUnreachable") {
        outcome.MessageKey = "strPhoneUnreachable";
    } else if (outcome.Result == TOutboxOutcome::Refused) {
        outcome.MessageKey = "strPhoneRefused";
    }
    return outcome;
}

std::optional<Json> FindTaskByExternalId(TOutboxLink& link, const std::string& listId,
                                         const std::string& externalId)
{
    std::string next = TasksPath(listId) + "?$expand=linkedResources";
    for (int page = 0; page < kMaxLookupPages && !next.empty(); ++page) {
        const std::optional<HttpResponse> answer = link.Send("GET", next);
        if (!answer || answer->IsHttpError() || answer->Status != 200) {
            return std::nullopt;
        }
        const Json list = JsonTextToObject(std::string_view(answer->Body));
        const Json* value = JsonArray(list, "value");
        if (value == nullptr) {
            return std::nullopt;
        }
        for (const Json& task : *value) {
            if (const Json* links = JsonArray(task, "linkedResources")) {
                for (const Json& resource : *links) {
                    if (JsonText(resource, "externalId") == externalId) {
                        return task;
                    }
                }
            }
        }
        const std::string more = JsonText(list, "@odata.nextLink");
        if (more.empty()) {
            return Json();
        }
        next = ListsPart(more);
        if (next.empty()) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void AddPhoneKinds(TOutbox& outbox, TToDoState& state)
{
    outbox.AddKind(std::make_unique<TPhoneListKind>(state));
    outbox.AddKind(std::make_unique<TPhoneCreateKind>(state));
    outbox.AddKind(std::make_unique<TPhoneTaskKind>(kPhoneUpdateKind, "PATCH"));
    outbox.AddKind(std::make_unique<TPhoneTaskKind>(kPhoneCompleteKind, "PATCH"));
    outbox.AddKind(std::make_unique<TPhoneTaskKind>(kPhoneDeleteKind, "DELETE"));
}

} // namespace rz
