// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace rz {

// Decides which known reminder pages a known-pages check reads, so that an edit reaches its
// reminders within one check at a small, fixed share of the request budget:
// - one listing of the account's most recently changed pages (newest first, with their titles,
//   followed only until it meets an entry the previous listing showed unchanged: whatever follows
//   changed before that) names the known pages that changed. It goes by the service's own entries,
//   not by the clocks, and the last listing is kept across runs, so the first check after a start
//   finds what was edited while the agent was stopped;
// - a changed title page takes its reminder from the listed title, unread; a changed tag page is read;
// - a round-robin safety net reads at most kRoundRobinPerHour known pages an hour, oldest-read first,
//   because the service's change times are not always moved by an edit: tag pages while the listing
//   works, title pages as well while it fails;
// - a page whose read was held back for want of a request slot, or failed, is read first next time.
// Pure bookkeeping: the caller makes the requests. Not synchronised.
class TKnownPages
{
public:
    // Entries asked for per listing request.
    static constexpr int kListPageSize = 20;
    // Listing requests per check at most; what lies further back is left to the round-robin.
    static constexpr int kMaxListRequests = 5;
    // The same after a start or a Refresh, which list everything changed since the last listing.
    static constexpr int kMaxFullListRequests = 50;
    // The round-robin reads each page about this often while there are few...
    static constexpr double kRoundRobinSeconds = 28 * 60;
    // ...and makes this many reads an hour at most, whatever the number of pages...
    static constexpr double kRoundRobinPerHour = 60;
    // ...and in one check at most, after a long pause.
    static constexpr double kRoundRobinBurst = 4;
    // Time assumed since the previous check when there was none.
    static constexpr double kCheckIntervalSeconds = 121;

    // One known page: its id, whether it is a tag page and, for one, the change time at which its
    // content was read.
    struct Page
    {
        std::string pageId;
        std::optional<Date> tagPageTime;
        bool tagPage = false;
    };

    // The first listing request, relative to the account's Graph base address.
    static std::string FirstListRequest();

    // Starts a check at `now` over the pages known now (in the order they are to be read). Forgets
    // what it held about pages no longer known. `sinceLastListing` (after a start or a Refresh)
    // follows the listing back to the previous one however far that lies.
    void BeginCheck(Date now, const std::vector<Page>& known, bool sinceLastListing = false);

    enum class ListStep {
        Next,   // ask `next` and hand its answer in
        Done,   // the listing is over
        Failed, // the answer was no page list: the check goes on with the round-robin alone
    };
    // Takes one listing answer; notes the known pages it shows changed.
    ListStep TakeListAnswer(std::string_view answer, std::string& next);
    // A listing request failed or was held back: changes already seen stand.
    void ListingFailed();

    // Changed title pages that are no tag page, with their listed titles: their reminders follow the
    // listing, no read needed. They count as settled.
    std::vector<std::pair<std::string, std::string>> TitlesFromListing();
    // The pages to read this check, in order: those held back or failed before, those the listing
    // shows changed, then the round-robin's share.
    std::vector<std::string> PlanReads();
    // A read was sent; `ok` when it gave the page's content. A failed read is retried next check.
    void ReadAnswered(const std::string& pageId, bool ok);
    // These planned reads were not sent (no request slot): held-back and changed pages are read
    // first next time, the round-robin's share goes back to it.
    void ReadsHeldBack(const std::vector<std::string>& notRead);
    // A page whose content a load wanted and did not get: read it first next time.
    void MarkWaiting(const std::string& pageId);
    // The page is settled for this check: read, or shown unchanged by a listing that reached back
    // to the previous one.
    bool Settled(const std::string& pageId) const;
    void EndCheck();

    std::size_t WaitingCount() const;
    // Forgets everything (another account).
    void Reset();

    // The last answered listing as text, to keep across runs; and reading it back (a text that is no
    // such listing restores nothing). True when a listing is known now.
    std::string SavedListing() const;
    void RestoreListing(std::string_view text);
    bool HasListing() const { return !m_Seen.empty(); }

private:
    struct PageState
    {
        std::optional<Date> tagPageTime; // from the tag page list, this check
        std::optional<Date> changeSeen;  // listed change time at the last good read
        std::optional<Date> lastRead;
        Date firstKnown;
        std::optional<Date> listedNow; // change time in this check's listing
        std::optional<std::string> listedTitle;
        bool tagPage = false;
        bool waiting = false;
        bool changed = false;
        bool readNow = false;
        bool roundRobin = false;
        std::size_t order = 0;
    };

    std::unordered_map<std::string, PageState> m_Pages;
    std::vector<std::string> m_Order;
    Date m_CheckStart;
    // "id|change time" of every entry the last answered listing showed, and of this check's.
    std::unordered_set<std::string> m_Seen;
    std::vector<std::string> m_SeenNow;
    std::optional<Date> m_PreviousPlan;
    double m_Credit = 0;
    int m_ListRequests = 0;
    int m_MaxListRequests = kMaxListRequests;
    int m_Skip = 0;
    bool m_ListingAnswered = false;
    bool m_ListingCovered = false;
    bool m_ListingFailed = false;
};

} // namespace rz
