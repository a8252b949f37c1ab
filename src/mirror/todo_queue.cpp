// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/todo_queue.h"

#include "account/graph_tokens.h"
#include "account/http.h"
#include "mirror/mirror_json.h"
#include "mirror/request_budget.h"
#include "mirror/thread_one_note_restdb.h"
#include "reminders/reminder.h"
#include "util/files.h"
#include "util/json.h"
#include "util/log.h"
#include "util/text.h"

#include <algorithm>
#include <pugixml.hpp>
#include <utility>

namespace rz {

namespace {

// Pages are small; a queue file beyond this is not ours.
constexpr std::size_t kMaxQueueFileBytes = 4 * 1024 * 1024;

struct StringWriter : pugi::xml_writer
{
    std::string text;
    void write(const void* data, std::size_t size) override
    {
        text.append(static_cast<const char*>(data), size);
    }
};

std::string ServiceMessage(const HttpResponse& response)
{
    const Json answer = JsonTextToObject(std::string_view(response.Body));
    const auto error = answer.find("error");
    std::string message = error != answer.end() ? JsonText(*error, "message") : std::string();
    if (message.empty())
        message = "the service answered " + std::to_string(response.Status);
    return message;
}

} // namespace

std::string CompletedDataTag(std::string_view dataTag)
{
    std::string result;
    for (const std::string& tag : DataTagList(dataTag)) {
        if (!result.empty())
            result += ", ";
        result += tag == "to-do" ? "to-do:completed" : tag;
    }
    return result;
}

std::optional<std::string> CompletedParagraph(std::string_view content, std::string_view elementId)
{
    const std::string prepared = StrAmpToNbsp(content);
    pugi::xml_document document;
    if (!document.load_buffer(prepared.data(), prepared.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                              pugi::encoding_utf8))
        return std::nullopt;
    pugi::xml_node paragraph;
    for (const pugi::xpath_node& hit : document.select_nodes("//p[@id] | //li[@id]")) {
        if (elementId == hit.node().attribute("id").value()) {
            paragraph = hit.node();
            break;
        }
    }
    if (!paragraph)
        return std::nullopt;

    pugi::xml_document replacement;
    pugi::xml_node copy = replacement.append_copy(paragraph);
    // A list item carries its tag itself or, as the service writes it, on a span inside.
    pugi::xml_node tagged = copy;
    if (!tagged.attribute("data-tag") && std::string_view(copy.name()) == "li")
        tagged = copy.select_node(".//span[@data-tag]").node();
    const std::string dataTag = tagged.attribute("data-tag").value();
    if (!HasOpenToDoTag(dataTag))
        return std::string();
    // The service discards ids sent in content and numbers the element anew.
    copy.remove_attribute("id");
    tagged.attribute("data-tag").set_value(CompletedDataTag(dataTag).c_str());
    StringWriter writer;
    copy.print(writer, "", pugi::format_raw);
    return writer.text;
}

std::string ToDoPatchBody(const std::string& elementId, const std::string& paragraphHtml)
{
    Json command = Json::object();
    command["target"] = elementId;
    command["action"] = "replace";
    command["content"] = paragraphHtml;
    return JsonObjectToText(Json::array({command}));
}

TToDoQueue::TToDoQueue(std::string filePath) : m_FilePath(std::move(filePath)) {}

void TToDoQueue::Load()
{
    const std::optional<std::string> text = ReadTextFile(m_FilePath);
    if (!text || text->size() > kMaxQueueFileBytes)
        return;
    const Json stored = JsonTextToObject(std::string_view(*text));
    const Json* items = JsonArray(stored, "toDos");
    if (!items)
        return;
    std::lock_guard lock(m_Mutex);
    for (const Json& entry : *items) {
        TToDoItem item{JsonText(entry, "pageId"), JsonText(entry, "elementId"), JsonText(entry, "text"), 0,
                       JsonText(entry, "lastError")};
        if (item.PageId.empty() || item.ElementId.empty())
            continue;
        if (const auto attempts = entry.find("attempts");
            attempts != entry.end() && attempts->is_number_integer())
            item.Attempts =
                static_cast<int>(std::clamp<std::int64_t>(attempts->get<std::int64_t>(), 0, 1 << 20));
        m_Items.push_back(std::move(item));
    }
}

bool TToDoQueue::Add(TToDoItem item)
{
    std::lock_guard lock(m_Mutex);
    const bool waiting = std::any_of(m_Items.begin(), m_Items.end(), [&](const TToDoItem& queued) {
        return queued.PageId == item.PageId && queued.ElementId == item.ElementId;
    });
    if (!waiting) {
        m_Items.push_back(std::move(item));
        // A new to-do need not wait for an older one's retry pause to run out.
        m_NextTry.reset();
    }
    return SaveLocked();
}

std::vector<TToDoItem> TToDoQueue::Items() const
{
    std::lock_guard lock(m_Mutex);
    return m_Items;
}

std::size_t TToDoQueue::Count() const
{
    std::lock_guard lock(m_Mutex);
    return m_Items.size();
}

std::string TToDoQueue::LastProblem() const
{
    std::lock_guard lock(m_Mutex);
    return m_LastProblem;
}

bool TToDoQueue::SaveLocked() const
{
    Json items = Json::array();
    for (const TToDoItem& item : m_Items) {
        items.push_back({{"pageId", item.PageId},
                         {"elementId", item.ElementId},
                         {"text", item.Text},
                         {"attempts", item.Attempts},
                         {"lastError", item.LastError}});
    }
    if (WriteTextFile(m_FilePath, JsonObjectToText(Json{{"toDos", items}})))
        return true;
    LogWarning("could not save the to-dos waiting for OneNote");
    return false;
}

void TToDoQueue::SendPending(MThreadOneNoteRESTDB& worker)
{
    TToDoItem item;
    {
        std::lock_guard lock(m_Mutex);
        if (m_Items.empty() || (m_NextTry && DateNow() < *m_NextTry))
            return;
        item = m_Items.front();
    }
    // No lock is held across the requests; the main thread only appends meanwhile.
    std::string error;
    const TStep step = Send(worker, item, error);
    if (step != TStep::NotSent)
        Finish(item, step, error);
}

TToDoQueue::TStep TToDoQueue::Send(MThreadOneNoteRESTDB& worker, const TToDoItem& item, std::string& error)
{
    const std::string graphBase = worker.GraphBase();
    if (graphBase.empty() || worker.State().AccessToken.Empty() || worker.Stopping())
        return TStep::NotSent;
    if (!IsSafeGraphIdSegment(item.PageId)) {
        error = "the page id is not valid";
        return TStep::Done;
    }

    const TOnlineAnswer content = worker.PageContentAnswer(item.PageId);
    if (content.status == TOnlineStatus::HeldBack)
        return TStep::NotSent;
    if (content.status != TOnlineStatus::Ok) {
        error = "the page could not be read";
        return TStep::Failed;
    }
    const std::optional<std::string> paragraph = CompletedParagraph(content.text, item.ElementId);
    if (!paragraph) {
        error = "the paragraph is no longer on its page";
        return TStep::Done;
    }
    if (paragraph->empty())
        return TStep::Done; // ticked already, in OneNote or by an earlier answer that got lost

    TRequestBudget& budget = worker.Budget();
    if (!budget.TryAcquire(TRequestKind::Engine)) {
        ++worker.m_HeldBackCount;
        return TStep::NotSent;
    }
    HttpRequest request;
    request.Method = "PATCH";
    request.Url = graphBase + "/onenote/pages/" + item.PageId + "/content";
    request.Headers = {{"Authorization", "Bearer " + worker.State().AccessToken.Get()},
                       {"Content-Type", "application/json"}};
    request.Body = ToDoPatchBody(item.ElementId, *paragraph);
    request.TimeoutSeconds = kGraphRequestTimeoutSeconds;
    const HttpResponse response = HttpSend(request);

    if (response.Failure == HttpFailure::Cancelled)
        return TStep::NotSent;
    if (response.IsHttpError()) {
        budget.Report(TBudgetOutcome::Other);
        error = response.Failure == HttpFailure::Unauthorized ? "OneNote did not accept the sign-in"
                                                              : "OneNote could not be reached";
        if (!worker.Stopping())
            worker.RefreshTokens();
        return TStep::Failed;
    }
    if (IsThrottledAnswer(response.Status, response.Body)) {
        ++worker.m_ThrottledCount;
        budget.Report(TBudgetOutcome::Refused, response.RetryAfterSeconds);
        error = ServiceMessage(response);
        return TStep::Failed;
    }
    if (response.Status >= 200 && response.Status < 300) {
        budget.Report(TBudgetOutcome::Success);
        ++m_SentCount;
        return TStep::Done;
    }
    budget.Report(TBudgetOutcome::Other);
    error = ServiceMessage(response);
    return TStep::Failed;
}

void TToDoQueue::Finish(const TToDoItem& item, TStep step, const std::string& error)
{
    std::lock_guard lock(m_Mutex);
    const auto it = std::find_if(m_Items.begin(), m_Items.end(), [&](const TToDoItem& queued) {
        return queued.PageId == item.PageId && queued.ElementId == item.ElementId;
    });
    if (step == TStep::Done) {
        m_LastProblem = error.empty() ? std::string() : "\u201c" + item.Text + "\u201d: " + error;
        if (it != m_Items.end())
            m_Items.erase(it);
        m_NextTry.reset();
        m_RetrySeconds = kToDoRetryFirstSeconds;
    } else {
        ++m_FailedCount;
        m_LastProblem = "\u201c" + item.Text + "\u201d: " + error;
        if (it != m_Items.end()) {
            ++it->Attempts;
            it->LastError = error;
        }
        m_NextTry = DateAddSeconds(DateNow(), static_cast<int>(m_RetrySeconds));
        m_RetrySeconds = std::min(m_RetrySeconds * 2, kToDoRetryMaxSeconds);
    }
    SaveLocked();
}

} // namespace rz
