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
    // Its own base address: the start callback may not have set m_GraphBase yet after a sign-in.
    // The blank and the quote marks are escaped here, as the service expects them; creation order
    // keeps the pages in place while they are paged through.
    const std::string address =
        GraphBaseAddress(m_State.UserId.Get(), false) +
        "/onenote/pages?top=100&filter=contains(title,%20%27!%27)&$orderby=createdDateTime";
    // Every "!" page, a hundred at a time; a search put off for the budget goes on where it stopped.
    TSearch& search = m_Search;
    if (search.user != m_State.UserId.Get()) {
        search = {};
        search.user = m_State.UserId.Get();
    }
    while (true) {
        const std::string page =
            search.skip == 0 ? address : address + "&$skip=" + std::to_string(search.skip);
        const auto response = OneNoteGet(page, true, false);
        if (!response) {
            return false;
        }
        m_FilterPagesResult = 2;
        const std::string& body = response->Body;
        if (response->IsHttpError()) {
            search = {};
            m_FilterPagesResult = -1;
            RefreshTokensUnlessStopping();
            return false;
        }
        if (GraphErrorCode(body) == "20266") {
            // Accounts with many sections cannot be searched as a whole; the mirror alone finds
            // their reminders.
            search = {};
            m_FilterPagesResult = kFilterPagesTooManySections;
            NoteListRefused();
            return false;
        }
        const Json answer = IsGraphListResponse(body) ? JsonTextToObject(std::string_view(body)) : Json();
        const Json* value = JsonArray(answer, "value");
        if (value == nullptr) {
            search = {};
            m_FilterPagesResult = -2;
            return false;
        }
        if (search.skip == 0) {
            search.first = body;
            search.context = answer.value("@odata.context", Json());
        }
        const std::size_t added = AddNewPages(*value, search.pages, search.seen);
        search.skip += kPagesPerRequest;
        if (value->size() < static_cast<std::size_t>(kPagesPerRequest) || added == 0 ||
            search.skip >= kMaxSectionPages) {
            break;
        }
    }
    // One answer is handed on as received; several become one list.
    std::string text = search.first;
    if (search.skip > kPagesPerRequest) {
        Json all = Json::object();
        if (!search.context.is_null()) {
            all["@odata.context"] = search.context;
        }
        all["value"] = std::move(search.pages);
        text = JsonObjectToText(all);
    }
    search = {};
    m_FilterPagesResult = 3;
    {
        std::lock_guard lock(m_FieldMutex);
        m_ListedSinceSearch.clear();
    }
    SetSearchPages(text);
    m_HierarchyStoredSinceSearch = false;
    m_SearchCovering = true;
    NoteListAnswered();
    m_State.ReminderPagesJson.Set(text);
    Call(FOnReminderPagesFound);
    return true;
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
    const std::string address = m_GraphBase.Get() + "/onenote/pages/" + pageId + "/content?includeIDs=true";
    // The fields change only when the request goes out: a held-back one leaves them as they are.
    bool wentOut = false;
    const auto sent = OneNoteGet(address, false, true, [&] {
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
        RefreshTokensUnlessStopping();
        return {};
    }
    if (IsGraphErrorResponse(TrimBlanksAndTabs(response.Body))) {
        m_LastCheckPageResult = -2;
        return {};
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
        RefreshTokensUnlessStopping();
        return {};
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
