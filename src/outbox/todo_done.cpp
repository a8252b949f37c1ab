// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/todo_done.h"

#include "core/paths.h"
#include "mirror/mirror_json.h"
#include "reminders/reminder.h"
#include "reminders/tag_reader.h"
#include "util/json.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace rz {

TOutboxItem ToDoDoneItem(const std::string& pageId, const std::string& elementId, const std::string& text)
{
    TOutboxItem item;
    item.Kind = kToDoDoneKind;
    item.Key = pageId + "\n" + elementId;
    item.Label = text;
    item.Fields = {{"pageId", pageId}, {"elementId", elementId}, {"text", text}};
    return item;
}

std::string ToDoPatchBody(const std::string& elementId, const std::string& elementHtml)
{
    Json command = Json::object();
    command["target"] = elementId;
    command["action"] = "replace";
    command["content"] = elementHtml;
    return JsonObjectToText(Json::array({command}));
}

TToDoTarget FindToDoTarget(std::string_view content, const std::string& elementId, const std::string& text)
{
    const std::optional<std::vector<TTaggedElement>> elements = ReadTaggedElements(content);
    if (!elements) {
        return {TToDoTarget::Missing, {}};
    }
    const auto isTicked = [](const TTaggedElement& element) {
        const std::vector<std::string> tags = DataTagList(element.DataTag);
        return std::find(tags.begin(), tags.end(), "to-do:completed") != tags.end();
    };
    if (std::count_if(elements->begin(), elements->end(),
                      [&](const TTaggedElement& element) { return element.Id == elementId; }) > 1) {
        return {TToDoTarget::SameId, {}};
    }
    // Generated ids may name another element after any update, a ticked twin or an open one: the
    // queued text alone decides, the same whatever the id names now.
    std::vector<std::string> open;
    std::size_t ticked = 0;
    for (const TTaggedElement& element : *elements) {
        if (element.Text != text) {
            continue;
        }
        if (HasOpenToDoTag(element.DataTag)) {
            open.push_back(element.Id);
        } else if (isTicked(element)) {
            ++ticked;
        }
    }
    if (open.empty()) {
        return {ticked > 0 ? TToDoTarget::Ticked : TToDoTarget::Missing, {}};
    }
    if (open.size() == 1 && ticked == 0) {
        return {TToDoTarget::Found, open.front()};
    }
    return {TToDoTarget::Ambiguous, {}};
}

TOutboxOutcome TToDoDoneKind::Send(TOutboxLink& link, TOutboxItem& item)
{
    const std::string pageId = JsonText(item.Fields, "pageId");
    const std::string elementId = JsonText(item.Fields, "elementId");
    const std::string text = JsonText(item.Fields, "text");
    if (!IsSafeGraphIdSegment(pageId) || elementId.empty()) {
        return TOutboxOutcome::Refusal("strOutboxNotFound");
    }

    // Read first: the page as it is now decides what is sent, and whether anything is. Generated ids
    // may change with any update of the page, so a PATCH whose target the service cannot locate
    // reads the page again, a bounded number of times.
    for (int read = 0;; ++read) {
        const std::optional<HttpResponse> page =
            link.Send("GET", "/onenote/pages/" + pageId + "/content?includeIDs=true");
        if (!page) {
            return TOutboxOutcome::NotSent();
        }
        if (TOutboxOutcome outcome = AnswerOutcome(*page); outcome.Result != TOutboxOutcome::Done) {
            return outcome;
        }
        if (!IsPageContentResponse(page->Body)) {
            return TOutboxOutcome::Again("strOutboxUnreachable");
        }
        TOutboxOutcome outcome = TickOn(link, pageId, page->Body, elementId, text);
        if (outcome.Result != TOutboxOutcome::Refused || !m_StaleTarget || read >= kStaleTargetRereads) {
            return outcome;
        }
    }
}

TOutboxOutcome TToDoDoneKind::TickOn(TOutboxLink& link, const std::string& pageId, const std::string& content,
                                     const std::string& elementId, const std::string& text)
{
    m_StaleTarget = false;
    const TToDoTarget target = FindToDoTarget(content, elementId, text);
    switch (target.Result) {
    case TToDoTarget::Ticked:
        return TOutboxOutcome::Finished();
    case TToDoTarget::Missing:
        return TOutboxOutcome::Refusal("strOutboxNotFound");
    case TToDoTarget::Ambiguous:
        return TOutboxOutcome::Refusal("strOutboxAmbiguous");
    case TToDoTarget::SameId:
        return TOutboxOutcome::Refusal("strOutboxSameId");
    case TToDoTarget::Found:
        break;
    }
    const TCompletedElement element = CompleteElement(content, target.ElementId);
    switch (element.Result) {
    case TCompletedElement::Ok:
        break;
    case TCompletedElement::NotOpen:
        return TOutboxOutcome::Finished();
    case TCompletedElement::NotFound:
        return TOutboxOutcome::Refusal("strOutboxNotFound");
    case TCompletedElement::Embedded:
        return TOutboxOutcome::Refusal("strOutboxEmbedded");
    case TCompletedElement::Unsafe:
        return TOutboxOutcome::Refusal("strOutboxUnsafe");
    case TCompletedElement::SameId:
        return TOutboxOutcome::Refusal("strOutboxSameId");
    case TCompletedElement::TaggedSubItems:
        return TOutboxOutcome::Refusal("strOutboxSubItems");
    }
    const std::optional<HttpResponse> answer =
        link.Send("PATCH", "/onenote/pages/" + pageId + "/content", "application/json",
                  ToDoPatchBody(target.ElementId, element.Html));
    if (!answer) {
        return TOutboxOutcome::NotSent();
    }
    m_StaleTarget =
        !answer->IsHttpError() && answer->Status == 400 && IsStaleTargetCode(GraphErrorCode(answer->Body));
    return AnswerOutcome(*answer);
}

namespace {

// The earlier queue file's to-dos: {"toDos":[{"pageId","elementId","text","lastError"}]}.
std::vector<TOutboxItem> EarlierToDos(const Json& stored)
{
    std::vector<TOutboxItem> items;
    const Json* toDos = JsonArray(stored, "toDos");
    for (const Json& entry : toDos ? *toDos : Json::array()) {
        const std::string pageId = JsonText(entry, "pageId");
        const std::string elementId = JsonText(entry, "elementId");
        if (pageId.empty() || elementId.empty()) {
            continue;
        }
        TOutboxItem item = ToDoDoneItem(pageId, elementId, JsonText(entry, "text"));
        item.LastError = JsonText(entry, "lastError");
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace

std::optional<TOutboxTakeover> TToDoDoneKind::Takeover() const
{
    return TOutboxTakeover{kEarlierToDoQueueFileName, EarlierToDos};
}

} // namespace rz
