// SPDX-License-Identifier: GPL-3.0-or-later
// The known-pages check: the change listing ahead of the mirror, and the reads it plans.
#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "reminders/reminder.h"
#include "reminders/reminder_handle.h"
#include "reminders/tag_reader.h"
#include "reminders/title_reading.h"
#include "util/files.h"
#include "util/text.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace rz {

using detail::ReadTitle;
using detail::TitleReading;

std::int64_t TReminderHandle::CountPageTitleReminderKnownPage()
{
    std::int64_t count = 0;
    for (const ReminderPtr& r : m_State.ReminderList.list()) {
        if (r->objType() == kPageTitleReminder) {
            ++count;
        }
    }
    return count;
}

std::int64_t TReminderHandle::UpdateTitleReminders(const std::string& pageId, const std::string& title)
{
    // Only ever updates: a title that lost its date, or whose date passed, is left to the next load.
    const TitleReading reading = ReadTitle(title, m_State.ReminderList.DateOnlyTime());
    const bool oneOff = reading.type == kReminderTypeOneOff && reading.dt && !(*reading.dt < DateNow());
    // A title that begins with "!!" rings at the time of day the page was created, as the full load
    // gave it, whatever time the title names.
    const bool createdTime = TAReminder::PageTimeRepeatable_Is(title);
    if (!createdTime && reading.type != kReminderTypeRepeating && !oneOff) {
        return 0;
    }
    std::int64_t changes = 0;
    const std::vector<ReminderPtr> records = m_State.ReminderList.list();
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const ReminderPtr& r = *it;
        if (r->objType() != kPageTitleReminder || !SameText(r->pageId(), pageId)) {
            continue;
        }
        if (!m_State.ReminderList.GetByID(r->pageId())) {
            continue;
        }
        // A record that was no "!!" reminder has no creation time to go by: the next load sets it.
        if (createdTime && r->Repeat() == 0) {
            continue;
        }
        const bool repeat = createdTime || reading.type == kReminderTypeRepeating;
        changes += m_State.ReminderList.AddUnique(kPageTitleReminder, title, r->Id(), r->pageId(), r->link(),
                                                  createdTime ? r->time() : reading.dt, repeat ? 1 : 0,
                                                  reading.weekDay);
    }
    return changes;
}

// What one known-pages check carries from phase to phase.
struct TReminderHandle::TKnownCheck
{
    std::uint64_t generation = 0;
    std::int64_t changes = 0;
    std::unordered_map<std::string, std::size_t> titleCount; // page id → its page-title reminders
    std::vector<std::string> titleOrder;
    std::vector<std::string> tagPageIds;
    std::vector<TKnownPages::Page> known;
    std::vector<std::string> plan;
    std::string listing; // to write, when it moved on
};

namespace {

// Runs one step of the check; a failure ends that step only, and the check reaches its end.
template <class Step> void Contained(Step step) noexcept
{
    try {
        step();
    } catch (...) {
        // Contained by design: nothing escapes the worker's check.
    }
}

} // namespace

void TReminderHandle::KnownCheck_Begin(TKnownCheck& check, bool sinceLastListing)
{
    std::lock_guard lock(m_State.ListsMutex);
    check.generation = m_State.ClearGeneration;
    const std::vector<ReminderPtr> records = m_State.ReminderList.list();
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if ((*it)->objType() != kPageTitleReminder) {
            continue;
        }
        const std::string pageId = (*it)->pageId().value_or(std::string());
        if (check.titleCount[pageId]++ == 0) {
            check.titleOrder.push_back(pageId);
        }
    }
    const std::vector<TagPagePtr> tagPages = m_State.TagPageList.list();
    m_State.KnownTitlePageTotal = CountPageTitleReminderKnownPage();
    m_State.KnownTitlePageDone = 0;
    m_State.KnownTagPageTotal = tagPages.size();
    m_State.KnownTagPageDone = 0;
    for (const std::string& pageId : check.titleOrder) {
        check.known.push_back({pageId, std::nullopt, false});
    }
    for (auto it = tagPages.rbegin(); it != tagPages.rend(); ++it) {
        check.tagPageIds.push_back((*it)->pageId().value_or(std::string()));
        check.known.push_back({check.tagPageIds.back(), (*it)->lastModifyTime(), true});
    }
    if (!m_State.KnownPagesRestored) {
        // The last run's last listing: what changed while the agent was stopped lies before it.
        m_State.KnownPagesRestored = true;
        const std::string path = m_State.EngineFiles.Beside(kKnownPagesFileName);
        if (const std::optional<std::string> text =
                path.empty() ? std::nullopt : ReadTextFile(path, kMaxStateFileBytes)) {
            m_State.KnownPages.RestoreListing(*text);
            m_State.KnownPagesSaved = *text;
        }
    }
    m_State.KnownPages.BeginCheck(DateNow(), check.known, sinceLastListing);
}

void TReminderHandle::KnownCheck_List(const TKnownCheck& check)
{
    if (check.known.empty() || !m_Online) {
        return;
    }
    std::string request = TKnownPages::FirstListRequest();
    for (;;) {
        const TOnlineAnswer answer = m_Online->GetOneNoteList(request);
        std::lock_guard lock(m_State.ListsMutex);
        if (answer.status != TOnlineStatus::HeldBack) {
            ++m_State.KnownListRequests;
        }
        if (answer.status != TOnlineStatus::Ok) {
            m_State.KnownPages.ListingFailed();
            ++m_State.KnownListFailures;
            return;
        }
        const TKnownPages::ListStep step = m_State.KnownPages.TakeListAnswer(answer.text, request);
        if (step == TKnownPages::ListStep::Failed) {
            ++m_State.KnownListFailures;
        }
        if (step != TKnownPages::ListStep::Next) {
            return;
        }
    }
}

void TReminderHandle::KnownCheck_TitlesFromListing(TKnownCheck& check)
{
    if (!m_Online) {
        return;
    }
    std::lock_guard lock(m_State.ListsMutex);
    // Title reminders straight from the listed titles; only tag pages need their content.
    for (const auto& listed : m_State.KnownPages.TitlesFromListing()) {
        if (Cleared(check.generation)) {
            break;
        }
        const auto& [pageId, title] = listed;
        if (const auto it = check.titleCount.find(pageId); it != check.titleCount.end()) {
            m_State.KnownTitlePageDone += it->second;
        }
        // The pair itself, not its bindings: a lambda may not capture those in every compiler.
        Contained([&] { check.changes += UpdateTitleReminders(listed.first, listed.second); });
    }
    check.plan = m_State.KnownPages.PlanReads();
}

void TReminderHandle::KnownCheck_ReadPlanned(TKnownCheck& check)
{
    const std::vector<std::string>& plan = check.plan;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const std::string& pageId = plan[i];
        const TOnlineAnswer answer = m_Online->GetPageContent(pageId);
        std::lock_guard lock(m_State.ListsMutex);
        if (Cleared(check.generation)) {
            break;
        }
        if (answer.status == TOnlineStatus::HeldBack) {
            // No request slot now: these wait for the next check.
            m_State.KnownPages.ReadsHeldBack({plan.begin() + static_cast<std::ptrdiff_t>(i), plan.end()});
            break;
        }
        ++m_State.KnownPageReads;
        const bool ok = answer.status == TOnlineStatus::Ok && !answer.text.empty();
        m_State.KnownPages.ReadAnswered(pageId, ok);
        if (const auto it = check.titleCount.find(pageId); it != check.titleCount.end()) {
            m_State.KnownTitlePageDone += it->second;
        }
        const TagPagePtr tagPage = m_State.TagPageList.GetByID(pageId);
        if (tagPage) {
            ++m_State.KnownTagPageDone;
        }
        if (!ok) {
            continue;
        }
        const std::string title = MarkupText(StrBetween(answer.text, "<title>", "</title>"));
        if (title.empty()) {
            continue;
        }
        // One page's failure ends that page only.
        Contained([&] {
            if (check.titleCount.count(pageId) != 0) {
                check.changes += UpdateTitleReminders(pageId, title);
            }
            if (tagPage) {
                check.changes += LoadPendingTags_Known(tagPage, title, answer.text);
            }
        });
    }
}

void TReminderHandle::KnownCheck_Settle(TKnownCheck& check)
{
    std::lock_guard lock(m_State.ListsMutex);
    if (Cleared(check.generation)) {
        return;
    }
    // Pages the listing showed unchanged count as checked too.
    std::uint64_t titleDone = 0;
    std::uint64_t tagDone = 0;
    for (const std::string& pageId : check.titleOrder) {
        if (m_State.KnownPages.Settled(pageId)) {
            titleDone += check.titleCount[pageId];
        }
    }
    for (const std::string& pageId : check.tagPageIds) {
        if (m_State.KnownPages.Settled(pageId)) {
            ++tagDone;
        }
    }
    m_State.KnownTitlePageDone = titleDone;
    m_State.KnownTagPageDone = tagDone;
    m_State.KnownPages.EndCheck();
    m_State.KnownPagesWaiting = m_State.KnownPages.WaitingCount();
    check.listing = m_State.KnownPages.SavedListing();
    if (check.listing == m_State.KnownPagesSaved || !m_State.KnownPages.HasListing()) {
        check.listing.clear();
    }
}

void TReminderHandle::KnownCheck_Save(const TKnownCheck& check)
{
    if (check.changes > 0 && !Cleared(check.generation)) {
        SaveRemindersToFile();
        SaveTagPagesToFile();
        m_State.ReminderListChanged = true;
    }
    // A paragraph may turn from one near miss into another without any reminder changing.
    if (!Cleared(check.generation)) {
        SaveNearMissesToFile();
    }
    const std::string listingPath = m_State.EngineFiles.Beside(kKnownPagesFileName);
    if (!check.listing.empty() && !listingPath.empty() && !Cleared(check.generation) &&
        WriteTextFile(listingPath, check.listing)) {
        std::lock_guard lock(m_State.ListsMutex);
        m_State.KnownPagesSaved = check.listing;
    }
}

void TReminderHandle::Run_CheckKnowPages(bool sinceLastListing)
{
    m_State.LoadRunning = true;
    m_State.LastLoadTime.Set(DateNow());
    TKnownCheck check;
    Contained([&] {
        KnownCheck_Begin(check, sinceLastListing);
        KnownCheck_List(check);
        KnownCheck_TitlesFromListing(check);
        KnownCheck_ReadPlanned(check);
        KnownCheck_Settle(check);
    });
    KnownCheck_Save(check);
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = false;
}

} // namespace rz
