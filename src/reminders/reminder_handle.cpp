// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_handle.h"

#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "reminders/reminder.h"
#include "reminders/tag_reader.h"
#include "util/files.h"
#include "util/text.h"

#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

namespace rz {

namespace {

// "links" → "oneNoteClientUrl" → "href".
std::string ClientLinkOf(const Json& page)
{
    const auto links = page.find("links");
    if (links == page.end() || !links->is_object())
        return {};
    const auto client = links->find("oneNoteClientUrl");
    if (client == links->end())
        return {};
    return JsonText(*client, "href");
}

struct TitleReading
{
    std::int64_t type = kReminderTypeNone;
    std::optional<Date> dt;
    WeekDayFlags weekDay = DefaultWeekDays();
};

TitleReading ReadTitle(const std::string& title)
{
    TitleReading reading;
    std::int64_t start = 0;
    std::int64_t end = 0;
    TAReminder::PageTitleReminder_GetDateTime(title, reading.dt, reading.type, start, end, reading.weekDay);
    return reading;
}

} // namespace

TReminderHandle::TReminderHandle(TEngineState& state, TOnlineSource* online)
    : m_State(state), m_Online(online)
{
}

bool TReminderHandle::Cleared(std::uint64_t generation) const
{
    return m_State.ClearGeneration.load() != generation;
}

void TReminderHandle::Init()
{
    std::lock_guard lock(m_State.ListsMutex);
    m_State.ReminderList.Clear();
    m_State.PendingReminderList.Clear();
    m_State.TagPageList.Clear();
}

void TReminderHandle::Clear()
{
    std::lock_guard lock(m_State.ListsMutex);
    m_State.LoadPageTotal = 0;
    m_State.LoadPageDone = 0;
    m_State.LoadPageErrors = 0;
    m_State.TagPageList.Clear();
    m_State.ReminderList.Clear();
    m_State.ReminderPagesJson.Set({});
    m_State.PreviousReminderPagesJson.Set({});
    m_State.KnownPages.Reset();
    m_State.LoadHeldBack.clear();
    m_State.KnownPagesRestored = true;
    ++m_State.ClearGeneration;
    m_State.ReminderListChanged = true;
}

void TReminderHandle::Run()
{
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = true;
    try {
        const std::string current = m_State.ReminderPagesJson.Get();
        bool heldBack = false;
        {
            std::lock_guard lock(m_State.ListsMutex);
            heldBack = !m_State.LoadHeldBack.empty();
        }
        if (current != m_State.PreviousReminderPagesJson.Get() || heldBack) {
            const std::uint64_t generation = m_State.ClearGeneration;
            // A Clear meanwhile (another account) leaves the files to the next load.
            if (GetPendings() && !Cleared(generation)) {
                SaveRemindersToFile();
                SaveHierarchyToFile();
                SaveTagPagesToFile();
                m_State.PreviousReminderPagesJson.Set(current);
            }
            m_State.ReminderListChanged = true;
        }
    } catch (...) {
        // Contained: the next Run with the same text tries again.
    }
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = false;
}

bool TReminderHandle::GetPendings()
{
    {
        const std::string text = m_State.ReminderPagesJson.Get();
        std::lock_guard lock(m_State.ListsMutex);
        m_State.ReminderList.CheckAndRemoveDeletedPageItem(text);
        // A page gone from the page list (deleted, or another account's) is not read again.
        m_State.TagPageList.CheckAndRemoveDeletedPageItem(text);
    }
    return LoadPengings();
}

bool TReminderHandle::LoadPengings()
{
    const std::string text = m_State.ReminderPagesJson.Get();
    if (text.empty())
        return true;
    const Json current = JsonTextToObject(std::string_view(text));
    m_State.LoadPageTotal = 0;
    m_State.LoadPageDone = 0;
    m_State.LoadPageErrors = 0;
    return LoadPending_Recurse(current, nullptr);
}

bool TReminderHandle::LoadPending_Recurse(const Json& current, const Json* /*previous*/)
{
    const Json* value = JsonArray(current, "value");
    if (value == nullptr)
        return true;
    m_State.LoadPageTotal += value->size();
    const std::uint64_t generation = m_State.ClearGeneration;
    std::set<std::string> heldBack;
    {
        std::lock_guard lock(m_State.ListsMutex);
        heldBack.swap(m_State.LoadHeldBack);
    }
    bool result = true;
    // Pages held back last time first, so a budget that runs short still moves through the list.
    for (const bool first : {true, false}) {
        for (const Json& page : *value) {
            const std::string* id = StringMember(page, "id");
            if ((id != nullptr && heldBack.count(*id) != 0) != first)
                continue;
            if (Cleared(generation))
                return false;
            if (!LoadOnePage(page, generation)) {
                ++m_State.LoadPageErrors;
                result = false;
            }
            ++m_State.LoadPageDone;
        }
    }
    return result;
}

bool TReminderHandle::LoadOnePage(const Json& page, std::uint64_t generation)
{
    // An entry without an id cannot be keyed: every load would add it again.
    const std::string* idText = StringMember(page, "id");
    if (idText == nullptr)
        return true;
    const std::string id = *idText;
    const std::string title = JsonText(page, "title");
    const Date created = GraphTimeToDate(JsonText(page, "createdDateTime"));
    std::optional<Date> lastModified;
    if (const std::string* modified = StringMember(page, "lastModifiedDateTime"))
        lastModified = GraphTimeToDate(*modified);
    const std::string link = ClientLinkOf(page);

    {
        std::lock_guard lock(m_State.ListsMutex);
        if (Cleared(generation))
            return false;
        TReminderList& list = m_State.ReminderList;
        const bool repeating = TAReminder::PageTimeRepeatable_Is(title);
        const TitleReading reading = ReadTitle(title);
        const bool exists = list.GetByID(id) != nullptr;
        if (repeating || created > DateNow()) {
            list.AddUnique(kPageTitleReminder, title, id, id, link, created, repeating ? 1 : 0,
                           reading.weekDay);
        } else if (reading.type == kReminderTypeRepeating) {
            list.AddUnique(kPageTitleReminder, title, id, id, link, reading.dt, 1, reading.weekDay);
        } else if (reading.type == kReminderTypeOneOff && reading.dt && !(*reading.dt < DateNow())) {
            list.AddUnique(kPageTitleReminder, title, id, id, link, reading.dt, 0, reading.weekDay);
        } else if (exists) {
            list.DeleteByID(id);
        }
    }
    return LoadPendingTags(id, link, title, lastModified);
}

bool TReminderHandle::LoadPendingTags(const std::string& pageId, const std::string& pageClientLink,
                                      const std::string& title, std::optional<Date> lastModifyTime)
{
    const std::uint64_t generation = m_State.ClearGeneration;
    bool known = false;
    {
        std::lock_guard lock(m_State.ListsMutex);
        const TagPagePtr record = m_State.TagPageList.GetByID(pageId);
        const bool tagged = TAReminder::PageHasTagReminder(title);
        known = record != nullptr;
        if (known && !tagged) {
            m_State.ReminderList.DeleteAllTagInPage(pageId);
            m_State.TagPageList.DeleteByID(pageId);
            return true;
        }
        if (known && SameInstant(record->lastModifyTime(), lastModifyTime))
            return true;
        if (!known && !tagged)
            return true;
        // Moved before the read: a failed read of a listed page is left to the known-pages check.
        if (known)
            record->setLastModifyTime(lastModifyTime);
    }

    const TOnlineAnswer answer = m_Online ? m_Online->GetPageContent(pageId) : TOnlineAnswer{};
    std::lock_guard lock(m_State.ListsMutex);
    if (answer.status == TOnlineStatus::HeldBack && !known) {
        // Not sent: no failure. The next Run reads it first.
        if (!Cleared(generation))
            m_State.LoadHeldBack.insert(pageId);
        return true;
    }
    if (answer.status != TOnlineStatus::Ok || answer.text.empty()) {
        // A listed page's time has moved already; the known-pages check reads it first next time.
        if (known)
            m_State.KnownPages.MarkWaiting(pageId);
        return answer.status == TOnlineStatus::HeldBack;
    }
    if (Cleared(generation))
        return false;
    m_State.ReminderList.CheckAndRemoveDeletedTagItem(answer.text, pageId);
    ReadTagReminders(m_State.ReminderList, pageId, pageClientLink, answer.text);
    // Listed even when it yielded nothing: a page is read again when its change time moves, not at
    // every load because it holds no reminder.
    if (!known)
        m_State.TagPageList.AddUnique(pageId, pageClientLink, lastModifyTime);
    return true;
}

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
    if (reading.type != kReminderTypeRepeating && !oneOff)
        return 0;
    std::int64_t changes = 0;
    const std::vector<ReminderPtr> records = m_State.ReminderList.list();
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const ReminderPtr& r = *it;
        if (r->objType() != kPageTitleReminder || !SameText(r->pageId(), pageId))
            continue;
        if (!m_State.ReminderList.GetByID(r->pageId()))
            continue;
        changes += m_State.ReminderList.AddUnique(kPageTitleReminder, title, r->Id(), r->pageId(), r->link(),
                                                  reading.dt, reading.type == kReminderTypeRepeating ? 1 : 0,
                                                  reading.weekDay);
    }
    return changes;
}

std::int64_t TReminderHandle::LoadPendingTags_Known(const TagPagePtr& tagPage, const std::string& pageTitle,
                                                    const std::string& html)
{
    const std::string pageId = tagPage->pageId().value_or(std::string());
    if (!TAReminder::PageHasTagReminder(pageTitle)) {
        m_State.ReminderList.DeleteAllTagInPage(pageId);
        m_State.TagPageList.DeleteByID(pageId);
        return 1;
    }
    if (html.empty())
        return 0;
    // Removals count as changes, so that they are saved and shown at once.
    const std::int64_t removed = m_State.ReminderList.CheckAndRemoveDeletedTagItem(html, pageId);
    const std::optional<std::int64_t> changes =
        ReadTagReminders(m_State.ReminderList, pageId, tagPage->link().value_or(std::string()), html);
    return removed + changes.value_or(0);
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
            const std::string title = StrBetween(answer.text, "<title>", "</title>");
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

void TReminderHandle::SaveHierarchyToFile()
{
    if (!m_State.EngineFiles.HierarchyFilePath.empty())
        WriteTextFile(m_State.EngineFiles.HierarchyFilePath, m_State.ReminderPagesJson.Get());
}

void TReminderHandle::LoadHierarchyFromFile()
{
    const std::optional<std::string> text = m_State.EngineFiles.HierarchyFilePath.empty()
                                                ? std::nullopt
                                                : ReadTextFile(m_State.EngineFiles.HierarchyFilePath);
    m_State.ReminderPagesJson.Set(text.value_or(std::string()));
}

void TReminderHandle::SaveRemindersToFile()
{
    if (!m_State.EngineFiles.RemindersFilePath.empty())
        m_State.ReminderList.SaveToFile(m_State.EngineFiles.RemindersFilePath);
}

void TReminderHandle::SaveTagPagesToFile()
{
    if (!m_State.EngineFiles.TagPagesFilePath.empty())
        m_State.TagPageList.SaveToFile(m_State.EngineFiles.TagPagesFilePath);
}

void TReminderHandle::LoadRemindersFromFile()
{
    if (!m_State.EngineFiles.RemindersFilePath.empty())
        m_State.ReminderList.LoadFromFile(m_State.EngineFiles.RemindersFilePath);
}

} // namespace rz
