// SPDX-License-Identifier: GPL-3.0-or-later
// The first mirror's progress: the title search's stand-in, the account-wide list's back-off, and
// the file that keeps them (with the section table's members and the request budget) across a
// restart.
#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/clock.h"
#include "util/files.h"

#include <algorithm>
#include <cmath>

namespace rz {

namespace fs = std::filesystem;

namespace {

// The pages of a page array that `keep` keeps, in their order.
template <typename Keep> void KeepPages(Json& pages, Keep keep)
{
    Json kept = Json::array();
    for (Json& page : pages) {
        if (keep(page)) {
            kept.push_back(std::move(page));
        }
    }
    pages = std::move(kept);
}

constexpr const char* kProgressFile = "mirrorprogress.json";
constexpr const char* kBudgetFile = "requestbudget.json";
constexpr const char* kSearchFile = "searchpages.json";
// The title search's pages may be many; the counter only needs to reach the longest back-off.
constexpr std::size_t kMaxSearchFileBytes = std::size_t{64} << 20;

// Monotonic times go to the file as wall-clock times: the next run has its own monotonic clock.
double WallOffset()
{
    return DateNow().seconds - MonotonicSecondsNow();
}

std::string ParentSectionId(const Json& page)
{
    const auto parent = page.find("parentSection");
    return parent != page.end() && parent->is_object() ? JsonText(*parent, "id") : std::string();
}

} // namespace

std::string MThreadOneNoteRESTDB::ProgressPath() const
{
    const std::string folder = m_RESTDBPath.Get();
    return folder.empty() ? std::string() : (fs::path(folder) / kProgressFile).string();
}

std::string MThreadOneNoteRESTDB::BudgetPath() const
{
    const std::string folder = m_RESTDBPath.Get();
    return folder.empty() ? std::string() : (fs::path(folder) / kBudgetFile).string();
}

void MThreadOneNoteRESTDB::LoadProgress()
{
    const std::string user = m_State.UserId.Get();
    const std::string root = m_State.Paths.StoreRootPath;
    if (user.empty() || root.empty() || m_ProgressUser == user) {
        return;
    }
    if (!m_ProgressUser.empty()) {
        // Another account signed in: nothing of the last one's progress or budget is its own.
        SetSearchPages({});
        m_SearchSavedGeneration = m_SearchGeneration;
        m_SearchCovering = false;
        m_HierarchyStoredSinceSearch = false;
        m_Budget.Reset();
        m_Sections.Clear();
        m_ListRefusedUntil = 0;
        m_ListRefusedWait = kListRefusedFirstSeconds;
    }
    m_ProgressUser = user;
    const fs::path account = AccountStorePath(root, user);
    if (!IsInsideStore(root, account)) {
        return;
    }
    LoadSections(account);
    if (const auto budget = ReadTextFile((account / kBudgetFile).string(), kMaxStateFileBytes)) {
        m_Budget.Restore(*budget);
    }
    // Written by this agent, but maybe by an older version or by hand: every member is judged by
    // its kind, and one of another kind counts as missing.
    const Json saved = ReadJsonFile((account / kProgressFile).string(), kMaxStateFileBytes);
    const Json* search = JsonObject(saved, "search");
    if (search != nullptr) {
        const std::optional<std::string> pages =
            ReadTextFile((account / kSearchFile).string(), kMaxSearchFileBytes);
        if (pages && JsonArray(JsonTextToObject(std::string_view(*pages)), "value") != nullptr) {
            SetSearchPages(*pages);
            m_SearchSavedGeneration = m_SearchGeneration;
            m_SearchCovering = true;
            m_HierarchyStoredSinceSearch = JsonBool(*search, "hierarchyStored").value_or(false);
        }
    }
    const double offset = WallOffset();
    const double now = MonotonicSecondsNow();
    m_ListRefusedUntil =
        std::min(JsonNumber(saved, "listRefusedUntil").value_or(0.0) - offset, now + kListRefusedMaxSeconds);
    m_ListRefusedWait = std::clamp(JsonNumber(saved, "listRefusedWait").value_or(kListRefusedFirstSeconds),
                                   kListRefusedFirstSeconds, kListRefusedMaxSeconds);
    // What was just read needs no writing back.
    m_ProgressSavedGeneration = m_ProgressGeneration + m_Sections.Generation();
    // A store without a finished first mirror (a new machine, a cleared or lost store) is as empty
    // as after a sign-in: the title search finds the reminders in minutes, page lists in hours.
    const bool mirrored =
        FileExists((account / "notebookssections.json").string()) && !m_Sections.HasPutOff();
    if (!mirrored && !m_SearchCovering) {
        m_JustLoginAccount = true;
    }
}

void MThreadOneNoteRESTDB::SaveProgress()
{
    if (m_RESTDBPath.Empty()) {
        return;
    }
    // The search's pages in a file of their own: large, and written once per search.
    if (const std::uint64_t generation = m_SearchGeneration; generation != m_SearchSavedGeneration) {
        const std::string pages = m_SearchPages.Get();
        const fs::path searchFile = fs::path(m_RESTDBPath.Get()) / kSearchFile;
        if (StoreWrite(searchFile, pages.empty() ? std::string("{}") : pages)) {
            m_SearchSavedGeneration = generation;
        }
    }
    SaveBudget(true);
    const std::uint64_t generation = m_ProgressGeneration + m_Sections.Generation();
    if (generation == m_ProgressSavedGeneration) {
        return;
    }
    const double offset = WallOffset();
    Json saved = Json::object();
    const bool covering = m_SearchCovering;
    m_Sections.AddProgress(saved, covering);
    if (covering) {
        saved["search"]["hierarchyStored"] = m_HierarchyStoredSinceSearch.load();
    }
    if (m_ListRefusedUntil > 0) {
        saved["listRefusedUntil"] = std::round(m_ListRefusedUntil + offset);
        saved["listRefusedWait"] = m_ListRefusedWait;
    }
    const std::string text = JsonObjectToText(saved);
    if (!text.empty() && StoreWrite(ProgressPath(), text)) {
        m_ProgressSavedGeneration = generation;
    }
}

void MThreadOneNoteRESTDB::SaveBudget(bool whenChanged)
{
    if (m_RESTDBPath.Empty()) {
        return;
    }
    const std::uint64_t generation = m_Budget.Generation();
    const double now = MonotonicSecondsNow();
    // Between passes the file follows the sends in steps, so that a process killed while paging a
    // long list forgets few of them, and writing stays far rarer than sending.
    const bool due = whenChanged
                         ? generation != m_BudgetSaved
                         : generation >= m_BudgetSaved + kBudgetSaveEverySends ||
                               (generation != m_BudgetSaved && now >= m_BudgetSavedAt + kBudgetSaveSeconds);
    if (due && StoreWrite(BudgetPath(), m_Budget.SavedText())) {
        m_BudgetSaved = generation;
        m_BudgetSavedAt = now;
    }
}

void MThreadOneNoteRESTDB::SetSearchPages(const std::string& text)
{
    std::set<std::string> sections;
    const Json found = JsonTextToObject(std::string_view(text));
    if (const Json* pages = JsonArray(found, "value")) {
        for (const Json& page : *pages) {
            sections.insert(ParentSectionId(page));
        }
    }
    m_SearchPages.Set(text);
    ++m_SearchGeneration;
    std::lock_guard lock(m_FieldMutex);
    m_SearchSections = std::move(sections);
    ++m_ProgressGeneration;
}

void MThreadOneNoteRESTDB::KeepSearchPagesOf(const THierarchyIds& ids)
{
    if (!m_SearchCovering) {
        return;
    }
    Json found = JsonTextToObject(std::string_view(m_SearchPages.Get()));
    Json* pages = found.is_object() ? &found["value"] : nullptr;
    if (pages == nullptr || !pages->is_array()) {
        return;
    }
    const std::size_t before = pages->size();
    KeepPages(*pages, [&](const Json& page) {
        const std::string section = ParentSectionId(page);
        return section.empty() || ids.contains(section);
    });
    if (pages->size() != before) {
        SetSearchPages(JsonObjectToText(found));
    }
}

void MThreadOneNoteRESTDB::UpdateSearchCovering()
{
    if (!m_SearchCovering || !m_HierarchyStoredSinceSearch) {
        return;
    }
    if (m_Sections.HasPutOff()) {
        return;
    }
    {
        std::lock_guard lock(m_FieldMutex);
        // A page whose section was never listed (it fails) stays: its section is unknown, not empty.
        for (const std::string& section : m_SearchSections) {
            if (!section.empty() && !m_Sections.IsListed(section)) {
                return;
            }
        }
    }
    m_SearchCovering = false;
    m_Sections.ClearListed();
    SetSearchPages({});
}

std::string MThreadOneNoteRESTDB::WithSearchPages(const std::string& storeResult) const
{
    if (!m_SearchCovering) {
        return storeResult;
    }
    Json found = JsonTextToObject(std::string_view(m_SearchPages.Get()));
    Json* extra = found.is_object() && found.contains("value") ? &found["value"] : nullptr;
    if (extra == nullptr || !extra->is_array() || extra->empty()) {
        return storeResult;
    }
    // A page list stored since the search says what its section holds; a section waiting to be
    // fetched again (failing, put off or backing off) may hold a page list older than the search.
    KeepPages(*extra, [&](const Json& page) { return !m_Sections.IsListed(ParentSectionId(page)); });
    Json merged = JsonTextToObject(std::string_view(storeResult));
    if (JsonArray(merged, "value") == nullptr) {
        merged = Json{{"value", Json::array()}};
    }
    std::set<std::string> seen;
    for (const Json& page : merged["value"]) {
        seen.insert(JsonText(page, "id"));
    }
    AddNewPages(*extra, merged["value"], seen);
    const std::string text = JsonObjectToText(merged);
    return text.empty() ? storeResult : text;
}

TSectionFetch MThreadOneNoteRESTDB::FetchSection(const TErrorSection& entry)
{
    const std::string& id = entry[0];
    const TSectionFetch fetch = GetSectionAllPages(id, entry[1], fs::path(entry[2]));
    if (fetch == TSectionFetch::Listed) {
        m_Sections.MarkListed(id, m_SearchCovering);
    } else if (fetch == TSectionFetch::Failed && !m_Stop) {
        m_Sections.Fail(entry);
    }
    return fetch;
}

void MThreadOneNoteRESTDB::StartStretch()
{
    m_StretchRequests = 0;
    m_StretchEnd = MonotonicSecondsNow() + kStretchSeconds;
}

bool MThreadOneNoteRESTDB::StretchOver() const
{
    // Outside a pass (a test calling one step) there is no stretch to end.
    return m_StretchEnd > 0 &&
           (m_StretchRequests >= kRequestsPerStretch || MonotonicSecondsNow() >= m_StretchEnd);
}

void MThreadOneNoteRESTDB::NoteListAnswered()
{
    // The account has room for the list again (sections went): the back-off and the status line
    // about too many sections end with the first list answered, whoever asked.
    if (m_FilterPagesResult == kFilterPagesTooManySections) {
        m_FilterPagesResult = 0;
    }
    if (m_ListRefusedUntil != 0 || m_ListRefusedWait != kListRefusedFirstSeconds) {
        m_ListRefusedUntil = 0;
        m_ListRefusedWait = kListRefusedFirstSeconds;
        ++m_ProgressGeneration;
    }
}

void MThreadOneNoteRESTDB::NoteListRefused()
{
    m_ListRefusedUntil = MonotonicSecondsNow() + m_ListRefusedWait;
    m_ListRefusedWait = std::min(m_ListRefusedWait * 2, kListRefusedMaxSeconds);
    ++m_ProgressGeneration;
}

} // namespace rz
