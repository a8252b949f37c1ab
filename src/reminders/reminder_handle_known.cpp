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
        if (r->objType() == kPageTitleReminder)
            ++count;
    }
    return count;
}

std::int64_t TReminderHandle::UpdateTitleReminders(const std::string& pageId, const std::string& title)
{
    // Only ever updates: a title that lost its date, or whose date passed, is left to the next load.
    const TitleReading reading = ReadTitle(title);
    const bool oneOff = reading.type == kReminderTypeOneOff && reading.dt && !(*reading.dt < DateNow());
    // A title that begins with "!!" rings at the time of day the page was created, as the full load
    // gave it, whatever time the title names.
    const bool createdTime = TAReminder::PageTimeRepeatable_Is(title);
    if (!createdTime && reading.type != kReminderTypeRepeating && !oneOff)
        return 0;
    std::int64_t changes = 0;
    const std::vector<ReminderPtr> records = m_State.ReminderList.list();
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const ReminderPtr& r = *it;
        if (r->objType() != kPageTitleReminder || !SameText(r->pageId(), pageId))
            continue;
        if (!m_State.ReminderList.GetByID(r->pageId()))
            continue;
        // A record that was no "!!" reminder has no creation time to go by: the next load sets it.
        if (createdTime && r->Repeat() == 0)
            continue;
        const bool repeat = createdTime || reading.type == kReminderTypeRepeating;
        changes += m_State.ReminderList.AddUnique(kPageTitleReminder, title, r->Id(), r->pageId(), r->link(),
                                                  createdTime ? r->time() : reading.dt, repeat ? 1 : 0,
                                                  reading.weekDay);
    }
    return changes;
}

void TReminderHandle::Run_CheckKnowPages(bool sinceLastListing)
{
    m_State.LoadRunning = true;
    m_State.LastLoadTime.Set(DateNow());
    std::int64_t changes = 0;
    std::uint64_t generation = 0;
    std::unordered_map<std::string, std::size_t> titleCount; // page id → its page-title reminders
    std::vector<std::string> titleOrder;
    std::vector<std::string> tagPageIds;
    std::string listing; // to write, when it moved on
    try {
        std::vector<TKnownPages::Page> known;
        {
            std::lock_guard lock(m_State.ListsMutex);
            generation = m_State.ClearGeneration;
            const std::vector<ReminderPtr> records = m_State.ReminderList.list();
            for (auto it = records.rbegin(); it != records.rend(); ++it) {
                if ((*it)->objType() != kPageTitleReminder)
                    continue;
                const std::string pageId = (*it)->pageId().value_or(std::string());
                if (titleCount[pageId]++ == 0)
                    titleOrder.push_back(pageId);
            }
            const std::vector<TagPagePtr> tagPages = m_State.TagPageList.list();
            m_State.KnownTitlePageTotal = CountPageTitleReminderKnownPage();
            m_State.KnownTitlePageDone = 0;
            m_State.KnownTagPageTotal = tagPages.size();
            m_State.KnownTagPageDone = 0;
            for (const std::string& pageId : titleOrder)
                known.push_back({pageId, std::nullopt, false});
            for (auto it = tagPages.rbegin(); it != tagPages.rend(); ++it) {
                tagPageIds.push_back((*it)->pageId().value_or(std::string()));
                known.push_back({tagPageIds.back(), (*it)->lastModifyTime(), true});
            }
            if (!m_State.KnownPagesRestored) {
                // The last run's last listing: what changed while the agent was stopped lies before it.
                m_State.KnownPagesRestored = true;
                const std::string path = m_State.EngineFiles.Beside(kKnownPagesFileName);
                if (const std::optional<std::string> text =
                        path.empty() ? std::nullopt : ReadTextFile(path)) {
                    m_State.KnownPages.RestoreListing(*text);
                    m_State.KnownPagesSaved = *text;
                }
            }
            m_State.KnownPages.BeginCheck(DateNow(), known, sinceLastListing);
        }

        // The change listing: which known pages changed since the last listing.
        if (!known.empty() && m_Online) {
            std::string request = TKnownPages::FirstListRequest();
            for (;;) {
                const TOnlineAnswer answer = m_Online->GetOneNoteList(request);
                std::lock_guard lock(m_State.ListsMutex);
                if (answer.status != TOnlineStatus::HeldBack)
                    ++m_State.KnownListRequests;
                if (answer.status != TOnlineStatus::Ok) {
                    m_State.KnownPages.ListingFailed();
                    ++m_State.KnownListFailures;
                    break;
                }
                const TKnownPages::ListStep step = m_State.KnownPages.TakeListAnswer(answer.text, request);
                if (step == TKnownPages::ListStep::Failed)
                    ++m_State.KnownListFailures;
                if (step != TKnownPages::ListStep::Next)
                    break;
            }
        }

        std::vector<std::string> plan;
        if (m_Online) {
            std::lock_guard lock(m_State.ListsMutex);
            // Title reminders straight from the listed titles; only tag pages need their content.
            for (const auto& [pageId, title] : m_State.KnownPages.TitlesFromListing()) {
                if (Cleared(generation))
                    break;
                if (const auto it = titleCount.find(pageId); it != titleCount.end())
                    m_State.KnownTitlePageDone += it->second;
                try {
                    changes += UpdateTitleReminders(pageId, title);
                } catch (...) {
                    // One page's failure ends that page only.
                }
            }
            plan = m_State.KnownPages.PlanReads();
        }
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const std::string& pageId = plan[i];
            const TOnlineAnswer answer = m_Online->GetPageContent(pageId);
            std::lock_guard lock(m_State.ListsMutex);
            if (Cleared(generation))
                break;
            if (answer.status == TOnlineStatus::HeldBack) {
                // No request slot now: these wait for the next check.
                m_State.KnownPages.ReadsHeldBack({plan.begin() + static_cast<std::ptrdiff_t>(i), plan.end()});
                break;
            }
            ++m_State.KnownPageReads;
            const bool ok = answer.status == TOnlineStatus::Ok && !answer.text.empty();
            m_State.KnownPages.ReadAnswered(pageId, ok);
            if (const auto it = titleCount.find(pageId); it != titleCount.end())
                m_State.KnownTitlePageDone += it->second;
            const TagPagePtr tagPage = m_State.TagPageList.GetByID(pageId);
            if (tagPage)
                ++m_State.KnownTagPageDone;
            if (!ok)
                continue;
            const std::string title = MarkupText(StrBetween(answer.text, "<title>", "</title>"));
            if (title.empty())
                continue;
            try {
                if (titleCount.count(pageId) != 0)
                    changes += UpdateTitleReminders(pageId, title);
                if (tagPage)
                    changes += LoadPendingTags_Known(tagPage, title, answer.text);
            } catch (...) {
                // One page's failure ends that page only.
            }
        }

        std::lock_guard lock(m_State.ListsMutex);
        // Pages the listing showed unchanged count as checked too.
        if (!Cleared(generation)) {
            std::uint64_t titleDone = 0;
            std::uint64_t tagDone = 0;
            for (const std::string& pageId : titleOrder) {
                if (m_State.KnownPages.Settled(pageId))
                    titleDone += titleCount[pageId];
            }
            for (const std::string& pageId : tagPageIds) {
                if (m_State.KnownPages.Settled(pageId))
                    ++tagDone;
            }
            m_State.KnownTitlePageDone = titleDone;
            m_State.KnownTagPageDone = tagDone;
            m_State.KnownPages.EndCheck();
            m_State.KnownPagesWaiting = m_State.KnownPages.WaitingCount();
            listing = m_State.KnownPages.SavedListing();
            if (listing == m_State.KnownPagesSaved || !m_State.KnownPages.HasListing())
                listing.clear();
        }
    } catch (...) {
        // Contained: the check reaches its end in any case.
    }
    if (changes > 0 && !Cleared(generation)) {
        SaveRemindersToFile();
        SaveTagPagesToFile();
        m_State.ReminderListChanged = true;
    }
    const std::string listingPath = m_State.EngineFiles.Beside(kKnownPagesFileName);
    if (!listing.empty() && !listingPath.empty() && !Cleared(generation) &&
        WriteTextFile(listingPath, listing)) {
        std::lock_guard lock(m_State.ListsMutex);
        m_State.KnownPagesSaved = listing;
    }
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = false;
}

} // namespace rz
