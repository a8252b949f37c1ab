// The online title search for reminder pages, and page content for the reminder engine.
#include "mirror/mirror_json.h"
#include "mirror/thread_one_note_restdb.h"
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
    const std::string address =
        GraphBaseAddress(m_State.UserId.Get(), false) + "/onenote/pages?top=100&filter=contains(title, '!')";
    const auto response = OneNoteGet(address, true);
    if (!response) {
        return false;
    }
    m_FilterPagesResult = 2;
    if (response->IsHttpError()) {
        m_FilterPagesResult = -1;
        RefreshTokensUnlessStopping();
        return false;
    }
    if (!IsGraphListResponse(response->Body)) {
        m_FilterPagesResult = -2;
        return false;
    }
    m_FilterPagesResult = 3;
    m_State.ReminderPagesJson.Set(response->Body);
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
    // Taken before the fields change: a held-back request was not sent and leaves them as they are.
    if (!m_Budget.TryAcquire(TRequestKind::Engine)) {
        ++m_HeldBackCount;
        return {TOnlineStatus::HeldBack, {}};
    }
    {
        std::lock_guard lock(m_FieldMutex);
        m_LastCheckPageTime = DateNow();
    }
    m_LastCheckPageResult = 1;
    m_LastCheckPageId.Set(pageId);
    const std::string address = m_GraphBase.Get() + "/onenote/pages/" + pageId + "/content?includeIDs=true";
    HttpResponse response;
    try {
        response = GraphGet(address);
    } catch (...) {
        response = HttpResponse(); // counts as an empty answer
    }
    ReportToBudget(response);
    if (response.Failure == HttpFailure::Cancelled) {
        m_LastCheckPageResult = -1;
        return {};
    }
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
    const auto response = OneNoteGet(address, false, false);
    if (!response) {
        return {TOnlineStatus::HeldBack, {}};
    }
    if (response->IsHttpError()) {
        RefreshTokensUnlessStopping();
        return {};
    }
    if (!IsGraphListResponse(response->Body)) {
        return {};
    }
    return {TOnlineStatus::Ok, response->Body};
}

} // namespace rz
