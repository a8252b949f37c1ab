// SPDX-License-Identifier: GPL-3.0-or-later
// The online title search for reminder pages, and page content for the reminder engine.
#include "mirror/mirror_json.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/clock.h"
#include "util/text.h"

namespace rz {

namespace {

// Blanks and tabs only: an error object after a line break is not recognised as one.
std::string_view TrimBlanksAndTabs(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

bool MThreadOneNoteRESTDB::FilterReminderPages()
{
    if (!HasAccount() || !IsGraphReachable()) {
        return false;
    }
    m_FilterPagesResult = 1;
    if (!PageThroughSearch()) {
        return false;
    }
    PublishSearch(SearchAnswerText());
    return true;
}

bool MThreadOneNoteRESTDB::PageThroughSearch()
{
    // Its own base address: the start callback may not have set m_GraphBase yet after a sign-in.
    // The blank and the quote marks are escaped here, as the service expects them; creation order
    // keeps the pages in place while they are paged through.
    const std::string address =
        GraphBaseAddress(m_State.UserId.Get(), false) +
        "/onenote/pages?top=100&filter=contains(title,%20%27!%27)&$orderby=createdDateTime";
    // Progress belongs to one account: another account's search starts over.
    if (m_Search.user != m_State.UserId.Get()) {
        m_Search = {};
        m_Search.user = m_State.UserId.Get();
    }
    TSearchStep step = TSearchStep::More;
    while (step == TSearchStep::More) {
        step = SearchNextHundred(address);
    }
    return step == TSearchStep::Complete;
}

TSearchStep MThreadOneNoteRESTDB::SearchNextHundred(const std::string& address)
{
    const int skip = m_Search.skip;
    const auto response =
        OneNoteGet(skip == 0 ? address : address + "&$skip=" + std::to_string(skip), true, false);
    if (!response) {
        // Put off for the budget (or the worker stops): the next search goes on from here.
        return TSearchStep::Stopped;
    }
    m_FilterPagesResult = 2;
    const std::string& body = response->Body;
    if (response->IsHttpError()) {
        DropSearch(-1);
        RefreshTokensAfter(response);
        return TSearchStep::Stopped;
    }
    if (RefusedForNow(*response)) {
        // As if put off for the budget, which now backs off: the search goes on from here.
        return TSearchStep::Stopped;
    }
    if (GraphErrorCode(body) == "20266") {
        // Accounts with many sections cannot be searched as a whole; the mirror alone finds
        // their reminders.
        DropSearch(kFilterPagesTooManySections);
        NoteListRefused();
        return TSearchStep::Stopped;
    }
    const Json answer = IsGraphListResponse(body) ? JsonTextToObject(std::string_view(body)) : Json();
    const Json* value = JsonArray(answer, "value");
    if (value == nullptr) {
        DropSearch(-2);
        return TSearchStep::Stopped;
    }
    return AddSearchAnswer(body, answer, *value);
}

TSearchStep MThreadOneNoteRESTDB::AddSearchAnswer(const std::string& body, const Json& answer,
                                                  const Json& value)
{
    if (m_Search.skip == 0) {
        m_Search.first = body;
        m_Search.context = answer.value("@odata.context", Json());
    }
    const std::size_t added = AddNewPages(value, m_Search.pages, m_Search.seen);
    m_Search.skip += kPagesPerRequest;
    // A service that ignores "$skip" answers no new page, and would otherwise be asked to the cap.
    const bool more = value.size() >= static_cast<std::size_t>(kPagesPerRequest) && added > 0 &&
                      m_Search.skip < kMaxSectionPages;
    return more ? TSearchStep::More : TSearchStep::Complete;
}

void MThreadOneNoteRESTDB::DropSearch(std::int64_t result)
{
    m_Search = {};
    m_FilterPagesResult = result;
}

std::string MThreadOneNoteRESTDB::SearchAnswerText()
{
    // One answer is handed on as received; several become one list.
    if (m_Search.skip <= kPagesPerRequest) {
        return m_Search.first;
    }
    Json all = Json::object();
    if (!m_Search.context.is_null()) {
        all["@odata.context"] = m_Search.context;
    }
    all["value"] = std::move(m_Search.pages);
    return JsonObjectToText(all);
}

void MThreadOneNoteRESTDB::PublishSearch(const std::string& text)
{
    m_Search = {};
    m_FilterPagesResult = 3;
    m_Sections.ClearListed();
    SetSearchPages(text);
    // The search's pages stand in for the sections until a mirror stored after it covers them.
    m_HierarchyStoredSinceSearch = false;
    m_SearchCovering = true;
    NoteListAnswered();
    m_State.ReminderPagesJson.Set(text);
    Call(FOnReminderPagesFound);
}

TOnlineAnswer MThreadOneNoteRESTDB::PageContentAnswer(const std::string& pageId)
{
    m_LastCheckPageResult = 0;
    if (!HasAccount()) {
        return {};
    }
    if (!IsSafeGraphIdSegment(pageId)) {
        m_LastCheckPageResult = -3;
        return {};
    }
    const std::string address =
        m_Shared.ReadBaseFor(pageId) + "/onenote/pages/" + pageId + "/content?includeIDs=true";
    // The fields change only when the request goes out: a held-back one leaves them as they are.
    bool wentOut = false;
    auto sent = OneNoteGet(address, false, true, [&] {
        wentOut = true;
        {
            std::lock_guard lock(m_FieldMutex);
            m_LastCheckPageTime = DateNow();
        }
        m_LastCheckPageResult = 1;
        m_LastCheckPageId.Set(pageId);
        return true;
    });
    if (!sent) {
        // One that went out and was cut off by a stop is no answer; one held back waits its turn.
        if (wentOut) {
            m_LastCheckPageResult = -1;
            return {};
        }
        return {TOnlineStatus::HeldBack, {}};
    }
    HttpResponse response = std::move(*sent);
    if (response.IsHttpError()) {
        m_LastCheckPageResult = -1;
        RefreshTokensAfter(sent);
        return {};
    }
    if (IsGraphErrorResponse(TrimBlanksAndTabs(response.Body))) {
        m_LastCheckPageResult = -2;
        // Refused for now: read again later, like a request the budget held back.
        return {IsTemporaryRefusal(response.Status, response.Body) ? TOnlineStatus::HeldBack
                                                                   : TOnlineStatus::Failed,
                {}};
    }
    if (IsPageContentResponse(response.Body)) {
        m_LastCheckPageResult = 2;
        return {TOnlineStatus::Ok, std::move(response.Body)};
    }
    m_LastCheckPageResult = -3;
    return {};
}

std::string MThreadOneNoteRESTDB::GetPageContent(const std::string& pageId)
{
    return PageContentAnswer(pageId).text;
}

TOnlineAnswer MThreadOneNoteRESTDB::OneNoteListAnswer(const std::string& relativeOrNextLink)
{
    if (!HasAccount()) {
        return {};
    }
    std::string address;
    if (relativeOrNextLink.starts_with("https://") || relativeOrNextLink.starts_with("http://")) {
        // A link the service handed out; the bearer token goes to the configured Graph host only.
        if (!relativeOrNextLink.starts_with(GraphServiceRoot() + "/")) {
            return {};
        }
        address = relativeOrNextLink;
    } else {
        const std::string base = m_GraphBase.Get();
        if (base.empty() || !relativeOrNextLink.starts_with("/")) {
            return {};
        }
        address = base + relativeOrNextLink;
    }
    // The account-wide list of an account that has too many sections for it is refused every
    // time; until the back-off ends the engine goes round its sections instead.
    const std::string path = address.substr(0, address.find('?'));
    const bool accountWide = path.ends_with("/onenote/pages");
    if (accountWide && MonotonicSecondsNow() < m_ListRefusedUntil) {
        return {};
    }
    const auto response = OneNoteGet(address, false, false);
    if (!response) {
        return {TOnlineStatus::HeldBack, {}};
    }
    if (accountWide && GraphErrorCode(response->Body) == "20266") {
        NoteListRefused();
    }
    if (response->IsHttpError()) {
        RefreshTokensAfter(response);
        return {};
    }
    if (IsTemporaryRefusal(response->Status, response->Body)) {
        return {TOnlineStatus::HeldBack, {}};
    }
    if (!IsGraphListResponse(response->Body)) {
        return {};
    }
    if (accountWide) {
        NoteListAnswered();
    }
    return {TOnlineStatus::Ok, response->Body};
}

} // namespace rz
