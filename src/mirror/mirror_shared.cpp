// SPDX-License-Identifier: GPL-3.0-or-later
// Notebooks shared with the user (found among the recent notebooks or added by their address) and
// the user's choice of the notebooks to watch.
#include "core/preferences.h"
#include "mirror/mirror_json.h"
#include "mirror/shared_notebooks.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/clock.h"
#include "util/log.h"

#include <algorithm>

namespace rz {

namespace {

constexpr const char* kGroupExpand = "?$expand=sections,sectionGroups(levels=max;expand=sections)";
// Addresses resolved per look at the recent notebooks at most, so a long list cannot eat the budget.
constexpr int kMaxResolvesPerDiscovery = 10;

// The id a relative OneNote address names after "/onenote/<collection>/".
std::string IdAfter(const std::string& relative, const std::string& collection)
{
    const std::string prefix = "/onenote/" + collection + "/";
    if (!relative.starts_with(prefix)) {
        return {};
    }
    const std::size_t end = relative.find_first_of("/?", prefix.size());
    return relative.substr(prefix.size(), end == std::string::npos ? std::string::npos : end - prefix.size());
}

bool IsWorkAccount(const std::string& userId)
{
    // A work account's id is a GUID; a personal account's sixteen hexadecimal digits.
    return userId.find('-') != std::string::npos;
}

} // namespace

std::string MThreadOneNoteRESTDB::BaseFor(const std::string& itemId)
{
    const std::string root = GraphServiceRoot();
    // Checked again at every use: the token goes to the configured Graph host only. A base the
    // check refuses (the endpoints changed since it was stored) leaves the user's own, where the
    // item is unknown and the request ends as for a deleted page.
    if (const auto base = m_SharedSources.BaseOf(itemId);
        base && OneNoteBaseOf(*base + "/onenote/", root) == base) {
        return *base;
    }
    return m_GraphBase.Get();
}

std::string MThreadOneNoteRESTDB::BaseForAddress(const std::string& relative)
{
    for (const char* collection : {"pages", "sections"}) {
        if (const std::string id = IdAfter(relative, collection); !id.empty()) {
            return BaseFor(id);
        }
    }
    return m_GraphBase.Get();
}

std::string MThreadOneNoteRESTDB::SharedNotebooksPath() const
{
    return (StoreRoot() / kSharedNotebooksFile).string();
}

void MThreadOneNoteRESTDB::StoreSharedNotebooks(const std::vector<TSharedNotebook>& notebooks)
{
    // Entries of another Graph root stay in the file: the user's list outlives a change of endpoints.
    StoreWrite(
        SharedNotebooksPath(),
        SharedNotebooksText(notebooks, SharedEntriesOffRoot(SharedNotebooksPath(), GraphServiceRoot())));
    std::lock_guard lock(m_SharedMutex);
    m_SharedKnown = notebooks;
}

std::vector<TSharedNotebook> MThreadOneNoteRESTDB::SharedNotebooks() const
{
    std::lock_guard lock(m_SharedMutex);
    return m_SharedKnown;
}

std::vector<std::string> MThreadOneNoteRESTDB::RefusedSharedNotebooks() const
{
    std::lock_guard lock(m_SharedMutex);
    return m_SharedRefused;
}

void MThreadOneNoteRESTDB::AskResolve(const std::string& webAddress)
{
    std::lock_guard lock(m_SharedMutex);
    m_ResolveAsked = webAddress;
    m_Resolve = {TResolveStatus::Pending, {}};
}

MThreadOneNoteRESTDB::TResolve MThreadOneNoteRESTDB::ResolveResult() const
{
    std::lock_guard lock(m_SharedMutex);
    return m_Resolve;
}

void MThreadOneNoteRESTDB::AddSharedNotebook(const TSharedNotebook& notebook)
{
    {
        std::lock_guard lock(m_SharedMutex);
        m_SharedToAdd.push_back(notebook);
    }
    Refresh();
}

MThreadOneNoteRESTDB::TResolve MThreadOneNoteRESTDB::Resolve(const std::string& webAddress,
                                                             const std::string& knownName)
{
    const auto web = NotebookWebAddress(webAddress);
    if (!web) {
        return {TResolveStatus::Malformed, {}};
    }
    const std::string base =
        m_GraphBase.Get().empty() ? GraphBaseAddress(m_State.UserId.Get(), false) : m_GraphBase.Get();
    if (!HasAccount()) {
        return {TResolveStatus::Failed, {}};
    }
    const auto response =
        OneNoteRequest({"POST", base + "/onenote/notebooks/GetNotebookFromWebUrl", "application/json",
                        JsonObjectToText(Json{{"webUrl", *web}}), true});
    if (!response || response->IsHttpError()) {
        if (response) {
            RefreshTokensAfter(response);
        }
        return {TResolveStatus::Failed, {}};
    }
    if (response->Status == 403) {
        return {TResolveStatus::NotShared, {}};
    }
    if (response->Status == 404) {
        return {TResolveStatus::NotFound, {}};
    }
    auto notebook = response->Status == 200
                        ? SharedNotebookFromAnswer(response->Body, GraphServiceRoot(), *web, knownName)
                        : std::nullopt;
    if (!notebook) {
        return {TResolveStatus::Failed, {}};
    }
    if (notebook->WebUrl.empty()) {
        notebook->WebUrl = *web;
    }
    return {TResolveStatus::Found, *notebook};
}

void MThreadOneNoteRESTDB::ServeSharedRequests()
{
    std::string asked;
    std::vector<TSharedNotebook> toAdd;
    {
        std::lock_guard lock(m_SharedMutex);
        asked = std::exchange(m_ResolveAsked, {});
        toAdd = std::exchange(m_SharedToAdd, {});
    }
    if (!asked.empty()) {
        const TResolve result = Resolve(asked);
        std::lock_guard lock(m_SharedMutex);
        if (m_ResolveAsked.empty()) {
            m_Resolve = result;
        }
    }
    if (toAdd.empty() || m_State.UserId.Empty() || !Init()) {
        return;
    }
    std::vector<TSharedNotebook> notebooks = ReadSharedNotebooks(SharedNotebooksPath(), GraphServiceRoot());
    for (TSharedNotebook& notebook : toAdd) {
        const std::string own = m_State.UserId.Get();
        if (notebook.OwnerId == own ||
            OneNoteBaseOf(notebook.SectionsUrl, GraphServiceRoot()) != notebook.Base) {
            continue; // the user's own notebook is mirrored already
        }
        std::erase_if(notebooks, [&](const TSharedNotebook& known) { return known.Id == notebook.Id; });
        notebook.State = TSharedState::Open;
        m_SharedTreeAt.erase(notebook.Id);
        if (notebooks.size() < kMaxSharedNotebooks) {
            notebooks.push_back(notebook);
        }
    }
    StoreSharedNotebooks(notebooks);
}

void MThreadOneNoteRESTDB::DiscoverSharedNotebooks(std::vector<TSharedNotebook>& notebooks)
{
    const double now = MonotonicSecondsNow();
    if (!IsWorkAccount(m_State.UserId.Get()) ||
        (m_SharedDiscoveredAt >= 0 && now - m_SharedDiscoveredAt < kSharedDiscoverySeconds &&
         !m_SharedForce)) {
        return;
    }
    const auto response = OneNoteGet(
        m_GraphBase.Get() + "/onenote/notebooks/getRecentNotebooks(includePersonalNotebooks=false)", true,
        false);
    if (!response || response->IsHttpError() || !IsGraphListResponse(response->Body)) {
        return;
    }
    m_SharedDiscoveredAt = now;
    const Json recent = JsonTextToObject(std::string_view(response->Body));
    int resolved = 0;
    for (const Json& entry : *JsonArray(recent, "value")) {
        const Json* links = JsonObject(entry, "links");
        const Json* web = links ? JsonObject(*links, "oneNoteWebUrl") : nullptr;
        const std::string address = web ? JsonText(*web, "href") : std::string();
        const bool known = std::any_of(notebooks.begin(), notebooks.end(),
                                       [&](const TSharedNotebook& n) { return n.WebUrl == address; });
        if (address.empty() || known || resolved >= kMaxResolvesPerDiscovery ||
            notebooks.size() >= kMaxSharedNotebooks) {
            continue;
        }
        ++resolved;
        TResolve found = Resolve(address, JsonText(entry, "displayName"));
        if (found.Status == TResolveStatus::Found && found.Notebook.OwnerId != m_State.UserId.Get()) {
            found.Notebook.WebUrl = address;
            notebooks.push_back(found.Notebook);
        }
    }
}

std::optional<Json> MThreadOneNoteRESTDB::SharedNotebookTree(TSharedNotebook& notebook)
{
    const std::string root = GraphServiceRoot();
    if (OneNoteBaseOf(notebook.SectionsUrl, root) != notebook.Base ||
        OneNoteBaseOf(notebook.SectionGroupsUrl, root) != notebook.Base) {
        return std::nullopt;
    }
    Json lists[2];
    const std::string addresses[2] = {notebook.SectionsUrl, notebook.SectionGroupsUrl + kGroupExpand};
    for (int i = 0; i < 2; ++i) {
        const auto response = OneNoteGet(addresses[i], true, false);
        if (!response || response->IsHttpError()) {
            if (response && response->IsHttpError()) {
                RefreshTokensAfter(response);
            }
            return std::nullopt;
        }
        if (response->Status == 403 || response->Status == 404) {
            notebook.State = response->Status == 403 ? TSharedState::Refused : TSharedState::Gone;
            LogInfo("A shared notebook can no longer be opened (status " + std::to_string(response->Status) +
                    ")");
            return std::nullopt;
        }
        if (!IsGraphListResponse(response->Body)) {
            return std::nullopt;
        }
        lists[i] = JsonTextToObject(std::string_view(response->Body));
        if (!FollowNextLinks(lists[i], notebook.Base)) {
            return std::nullopt; // a list cut short would take sections away
        }
    }
    notebook.State = TSharedState::Open;
    return SharedHierarchyNotebook(notebook, *JsonArray(lists[0], "value"), *JsonArray(lists[1], "value"));
}

bool MThreadOneNoteRESTDB::MergeChosenNotebooks(Json& hierarchy, const Json& oldHierarchy)
{
    const std::string userId = m_State.UserId.Get();
    const std::set<std::string> unwatched = LoadUnwatchedNotebooks(m_State.Paths.SettingsFilePath, userId);
    auto value = hierarchy.find("value");
    if (value == hierarchy.end() || !value->is_array()) {
        return false;
    }
    bool changed = false;
    const std::size_t before = value->size();
    value->erase(
        std::remove_if(value->begin(), value->end(),
                       [&](const Json& notebook) { return unwatched.contains(JsonText(notebook, "id")); }),
        value->end());
    changed = value->size() != before;

    std::vector<TSharedNotebook> notebooks = ReadSharedNotebooks(SharedNotebooksPath(), GraphServiceRoot());
    const std::vector<TSharedNotebook> stored = notebooks;
    DiscoverSharedNotebooks(notebooks);
    const bool force = m_SharedForce.exchange(false);
    const double now = MonotonicSecondsNow();
    for (TSharedNotebook& notebook : notebooks) {
        if (unwatched.contains(notebook.Id) || m_Stop) {
            continue;
        }
        const Json* old = nullptr;
        if (const Json* oldList = JsonArray(oldHierarchy, "value")) {
            old = GetSObjById(notebook.Id, oldList);
            old = old != nullptr && !SharedOwnerOf(*old).empty() ? old : nullptr;
        }
        const auto at = m_SharedTreeAt.find(notebook.Id);
        const bool due =
            force || old == nullptr || at == m_SharedTreeAt.end() || now - at->second >= kSharedTreeSeconds;
        // A notebook refused before is asked again only when due: it may have been shared again.
        if (!due && notebook.State == TSharedState::Open) {
            value->push_back(*old);
            changed = true;
            continue;
        }
        if (!due) {
            continue;
        }
        if (auto tree = SharedNotebookTree(notebook)) {
            m_SharedTreeAt[notebook.Id] = now;
            value->push_back(std::move(*tree));
            changed = true;
        } else if (notebook.State == TSharedState::Open && old != nullptr) {
            // Not answered this time: what was stored stays, nothing is removed for a failure.
            value->push_back(*old);
            changed = true;
        } else if (notebook.State != TSharedState::Open) {
            // Refused: its sections leave the store with this hierarchy, and their reminders with them.
            m_SharedTreeAt[notebook.Id] = now;
        }
    }
    if (notebooks != stored || SharedNotebooks() != notebooks) {
        StoreSharedNotebooks(notebooks);
    }
    std::vector<std::string> refused;
    for (const TSharedNotebook& notebook : notebooks) {
        if (notebook.State != TSharedState::Open && !unwatched.contains(notebook.Id)) {
            refused.push_back(notebook.Name);
        }
    }
    {
        std::lock_guard lock(m_SharedMutex);
        m_SharedRefused = std::move(refused);
    }
    return changed;
}

} // namespace rz
