// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/known_pages.h"

#include "util/json.h"

#include <algorithm>
#include <cmath>

namespace rz {

namespace {

constexpr const char* kListBase =
    "/onenote/pages?$select=id,title,lastModifiedDateTime&$orderby=lastModifiedDateTime%20desc";

std::string ListRequest(int skip)
{
    std::string request = kListBase;
    if (skip > 0) {
        request += "&$skip=" + std::to_string(skip);
    }
    return request + "&$top=" + std::to_string(TKnownPages::kListPageSize);
}

} // namespace

std::string TKnownPages::FirstListRequest()
{
    return ListRequest(0);
}

void TKnownPages::BeginCheck(Date now, const std::vector<Page>& known, bool sinceLastListing)
{
    m_CheckStart = now;
    m_ListRequests = 0;
    m_MaxListRequests = sinceLastListing ? kMaxFullListRequests : kMaxListRequests;
    m_Skip = 0;
    m_ListingAnswered = false;
    m_ListingCovered = false;
    m_ListingFailed = false;
    m_SeenNow.clear();

    std::unordered_map<std::string, PageState> kept;
    m_Order.clear();
    for (const Page& page : known) {
        // A record without a page id names no page to read.
        if (page.pageId.empty()) {
            continue;
        }
        if (const auto twice = kept.find(page.pageId); twice != kept.end()) {
            // Both a title and a tag page: one entry, with the tag page's time.
            if (page.tagPage) {
                twice->second.tagPageTime = page.tagPageTime;
                twice->second.tagPage = true;
            }
            continue;
        }
        PageState state;
        if (const auto it = m_Pages.find(page.pageId); it != m_Pages.end()) {
            state = it->second;
        } else {
            state.firstKnown = now;
        }
        state.tagPageTime = page.tagPageTime;
        state.tagPage = page.tagPage;
        state.listedNow.reset();
        state.listedTitle.reset();
        state.changed = false;
        state.readNow = false;
        state.roundRobin = false;
        state.order = m_Order.size();
        m_Order.push_back(page.pageId);
        kept.emplace(page.pageId, state);
    }
    m_Pages = std::move(kept);
}

TKnownPages::ListStep TKnownPages::TakeListAnswer(std::string_view answer, std::string& next)
{
    next.clear();
    ++m_ListRequests;
    const Json list = JsonTextToObject(answer);
    const Json* value = JsonArray(list, "value");
    if (!IsGraphListResponse(answer) || value == nullptr) {
        ListingFailed();
        return ListStep::Failed;
    }
    m_ListingAnswered = true;

    bool reachedSeen = false;
    for (const Json& entry : *value) {
        if (!entry.is_object()) {
            continue;
        }
        const std::string* id = StringMember(entry, "id");
        const std::string* changed = StringMember(entry, "lastModifiedDateTime");
        if (id == nullptr || changed == nullptr) {
            continue;
        }
        std::string seen = *id + "|" + *changed;
        const bool seenBefore = m_Seen.count(seen) != 0;
        reachedSeen = reachedSeen || seenBefore;
        m_SeenNow.push_back(std::move(seen));
        const auto it = m_Pages.find(*id);
        if (it == m_Pages.end()) {
            continue;
        }
        PageState& page = it->second;
        const Date when = GraphTimeToDate(*changed);
        page.listedNow = when;
        if (const std::string* title = StringMember(entry, "title")) {
            page.listedTitle = *title;
        }
        // The later of the two times the content was read at: the tag reader's, or this check's.
        std::optional<Date> known = page.changeSeen;
        if (page.tagPageTime && (!known || *page.tagPageTime > *known)) {
            known = page.tagPageTime;
        }
        // An entry the previous listing showed alike has not changed since, even when this run has
        // not read the page yet (the listing came from the last run).
        if (seenBefore ? (known && *known != when) : (!known || *known != when)) {
            page.changed = true;
        }
    }

    const std::size_t count = value->size();
    m_Skip += static_cast<int>(count);
    const std::string* nextLink = StringMember(list, "@odata.nextLink");
    if (reachedSeen || count == 0 ||
        (nextLink == nullptr && count < static_cast<std::size_t>(kListPageSize))) {
        // Everything further down was shown unchanged by the previous listing, or there is no more.
        m_ListingCovered = true;
        return ListStep::Done;
    }
    // No earlier listing to reach back to: the newest entries are all this check learns.
    if (m_Seen.empty() || m_ListRequests >= m_MaxListRequests) {
        return ListStep::Done;
    }
    next = nextLink ? *nextLink : ListRequest(m_Skip);
    return ListStep::Next;
}

void TKnownPages::ListingFailed()
{
    // Changes seen on the pages that did answer stand; what lay further down is left to the
    // round-robin, and the next listing reaches back to the last complete one.
    m_ListingCovered = false;
    m_ListingFailed = true;
}

std::vector<std::pair<std::string, std::string>> TKnownPages::TitlesFromListing()
{
    std::vector<std::pair<std::string, std::string>> titles;
    for (const std::string& id : m_Order) {
        PageState& page = m_Pages[id];
        if (page.changed && !page.tagPage && !page.waiting && page.listedTitle) {
            page.readNow = true;
            if (page.listedNow) {
                page.changeSeen = page.listedNow;
            }
            page.lastRead = m_CheckStart;
            titles.emplace_back(id, *page.listedTitle);
        }
    }
    return titles;
}

std::vector<std::string> TKnownPages::PlanReads()
{
    // Pages held back or failed earlier first, then the ones the listing showed changed.
    std::vector<std::string> plan;
    const auto planWhere = [&](bool PageState::*flag) {
        for (const std::string& id : m_Order) {
            PageState& page = m_Pages[id];
            if (page.*flag && !page.readNow) {
                page.readNow = true;
                plan.push_back(id);
            }
        }
    };
    planWhere(&PageState::waiting);
    planWhere(&PageState::changed);

    // Round-robin: a fixed number of reads an hour, the longest unread first; a page never read in
    // this run counts as read when it became known. Title pages only while the listing does not
    // carry their titles.
    const double elapsed = m_PreviousPlan ? std::max(0.0, m_CheckStart.seconds - m_PreviousPlan->seconds)
                                          : kCheckIntervalSeconds;
    m_PreviousPlan = m_CheckStart;
    const bool listingWorks = m_ListingAnswered && !m_ListingFailed;
    std::vector<const std::string*> candidates;
    for (const std::string& id : m_Order) {
        const PageState& page = m_Pages[id];
        if (!page.readNow && (page.tagPage || !listingWorks)) {
            candidates.push_back(&id);
        }
    }
    // Few pages are each read about every kRoundRobinSeconds; many share kRoundRobinPerHour reads.
    const double perHour =
        std::min(kRoundRobinPerHour, static_cast<double>(candidates.size()) * 3600.0 / kRoundRobinSeconds);
    m_Credit = std::min({kRoundRobinBurst, static_cast<double>(candidates.size()),
                         m_Credit + perHour * std::min(elapsed, 3600.0) / 3600.0});

    const auto dueKey = [this](const std::string& id) {
        const PageState& page = m_Pages.at(id);
        return (page.lastRead ? *page.lastRead : page.firstKnown).seconds;
    };
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](const std::string* a, const std::string* b) { return dueKey(*a) < dueKey(*b); });
    for (const std::string* id : candidates) {
        if (m_Credit < 1) {
            break;
        }
        m_Credit -= 1;
        PageState& page = m_Pages[*id];
        page.readNow = true;
        page.roundRobin = true;
        plan.push_back(*id);
    }
    return plan;
}

void TKnownPages::ReadAnswered(const std::string& pageId, bool ok)
{
    const auto it = m_Pages.find(pageId);
    if (it == m_Pages.end()) {
        return;
    }
    PageState& page = it->second;
    page.lastRead = m_CheckStart;
    // A failed read is tried again first thing next check: the round-robin might not come back to
    // the page for hours. The round-robin's own failures just wait their next turn.
    page.waiting = !ok && !page.roundRobin;
    if (ok && page.listedNow) {
        page.changeSeen = page.listedNow;
    }
}

void TKnownPages::ReadsHeldBack(const std::vector<std::string>& notRead)
{
    for (const std::string& id : notRead) {
        const auto it = m_Pages.find(id);
        if (it == m_Pages.end()) {
            continue;
        }
        PageState& page = it->second;
        page.readNow = false;
        if (page.roundRobin) {
            m_Credit += 1;
        } else {
            page.waiting = true;
        }
    }
}

void TKnownPages::MarkWaiting(const std::string& pageId)
{
    auto& page = m_Pages[pageId];
    if (page.firstKnown.seconds == 0) {
        page.firstKnown = m_CheckStart;
    }
    page.waiting = true;
}

bool TKnownPages::Settled(const std::string& pageId) const
{
    const auto it = m_Pages.find(pageId);
    if (it == m_Pages.end()) {
        return false;
    }
    const PageState& page = it->second;
    if (page.readNow) {
        return true;
    }
    return m_ListingCovered && !page.changed && !page.waiting;
}

void TKnownPages::EndCheck()
{
    // A listing cut short by the request cap still moves on: otherwise a burst of edits would
    // cost the full cap at every check.
    if (m_ListingAnswered && !m_ListingFailed && !m_SeenNow.empty()) {
        m_Seen = std::unordered_set<std::string>(m_SeenNow.begin(), m_SeenNow.end());
    }
}

std::size_t TKnownPages::WaitingCount() const
{
    return static_cast<std::size_t>(std::count_if(m_Pages.begin(), m_Pages.end(),
                                                  [](const auto& entry) { return entry.second.waiting; }));
}

void TKnownPages::Reset()
{
    *this = TKnownPages();
}

std::string TKnownPages::SavedListing() const
{
    Json listing = Json::array();
    for (const std::string& seen : m_Seen) {
        listing.push_back(seen);
    }
    std::sort(listing.begin(), listing.end());
    return Json{{"listing", listing}}.dump();
}

void TKnownPages::RestoreListing(std::string_view text)
{
    const Json saved = JsonTextToObject(text);
    const Json* listing = JsonArray(saved, "listing");
    if (listing == nullptr) {
        return;
    }
    m_Seen.clear();
    for (const Json& seen : *listing) {
        if (seen.is_string()) {
            m_Seen.insert(seen.get<std::string>());
        }
    }
}

} // namespace rz
