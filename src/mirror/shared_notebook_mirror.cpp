// SPDX-License-Identifier: GPL-3.0-or-later
// Notebooks shared with the user (found among the recent notebooks or added by their address) and
// the user's choice of the notebooks to watch.
#include "mirror/shared_notebook_mirror.h"

#include "core/preferences.h"
#include "mirror/mirror_json.h"
#include "mirror/shared_notebooks.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/clock.h"
#include "util/files.h"
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

std::string MSharedNotebookMirror::BaseFor(const std::string& itemId)
{
    // Before the account's hierarchy is known any item may be a shared one: the user's own base
    // would answer 404 for it and the write would end as for a deleted page.
    if (!SourcesKnown()) {
        return {};
    }
    const auto base = m_Sources.BaseOf(itemId);
    if (!base) {
        return m_Worker.GraphBase();
    }
    // Checked again at every use: the token goes to the configured Graph host only. A base the
    // check refuses (the endpoints changed since it was stored) gives none, never the user's own.
    return OneNoteBaseOf(*base + "/onenote/", GraphServiceRoot()) == base ? *base : std::string();
}

std::string MSharedNotebookMirror::ReadBaseFor(const std::string& itemId)
{
    std::string base = BaseFor(itemId);
    return base.empty() ? m_Worker.GraphBase() : base;
}

void MSharedNotebookMirror::SetHierarchy(const Json& hierarchy, const std::filesystem::path& root)
{
    m_Sources.SetHierarchy(hierarchy, root);
    std::lock_guard lock(m_Mutex);
    m_SourcesFor = root;
}

bool MSharedNotebookMirror::SourcesKnown()
{
    // Before the first cycle set the account folder, the one it will set.
    std::filesystem::path root = m_Worker.StoreRoot();
    if (root.empty() && !m_Worker.State().Paths.StoreRootPath.empty() && !m_Worker.State().UserId.Empty()) {
        root = AccountStorePath(m_Worker.State().Paths.StoreRootPath, m_Worker.State().UserId.Get());
    }
    {
        std::lock_guard lock(m_Mutex);
        if (root.empty()) {
            return false;
        }
        if (m_SourcesFor == root) {
            return true;
        }
    }
    // Read once per account folder and run, so that a start whose download fails or is put off
    // still sends the shared notebooks' writes to their owners.
    const std::filesystem::path file = root / "notebookssections.json";
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        if (error) {
            return false;
        }
        SetHierarchy(Json::object(), root); // nothing mirrored yet, so nothing shared either
        return true;
    }
    const Json stored = ReadJsonFile(file.string(), kMaxReadBytes);
    if (JsonArray(stored, "value") == nullptr) {
        return false;
    }
    SetHierarchy(stored, root);
    return true;
}

std::string MSharedNotebookMirror::BaseForAddress(const std::string& relative)
{
    for (const char* collection : {"pages", "sections"}) {
        if (const std::string id = IdAfter(relative, collection); !id.empty()) {
            return BaseFor(id);
        }
    }
    return m_Worker.GraphBase();
}

std::string MSharedNotebookMirror::NotebooksPath() const
{
    return (m_Worker.StoreRoot() / kSharedNotebooksFile).string();
}

void MSharedNotebookMirror::Store(const std::vector<TSharedNotebook>& notebooks)
{
    // Entries of another Graph root stay in the file: the user's list outlives a change of endpoints.
    m_Worker.StoreWrite(
        NotebooksPath(),
        SharedNotebooksText(notebooks, SharedEntriesOffRoot(NotebooksPath(), GraphServiceRoot())));
    std::lock_guard lock(m_Mutex);
    m_Known = notebooks;
}

std::vector<TSharedNotebook> MSharedNotebookMirror::Notebooks() const
{
    std::lock_guard lock(m_Mutex);
    return m_Known;
}

std::vector<std::string> MSharedNotebookMirror::Refused() const
{
    std::lock_guard lock(m_Mutex);
    return m_RefusedNames;
}

void MSharedNotebookMirror::AskResolve(const std::string& webAddress)
{
    {
        std::lock_guard lock(m_Mutex);
        m_ResolveAsked = webAddress;
        m_Resolve = {TSharedResolveStatus::Pending, {}};
    }
    m_Worker.Wake();
}

bool MSharedNotebookMirror::HasRequests() const
{
    std::lock_guard lock(m_Mutex);
    return !m_ResolveAsked.empty() || !m_ToAdd.empty();
}

TSharedResolve MSharedNotebookMirror::ResolveResult() const
{
    std::lock_guard lock(m_Mutex);
    return m_Resolve;
}

void MSharedNotebookMirror::Add(const TSharedNotebook& notebook)
{
    {
        std::lock_guard lock(m_Mutex);
        m_ToAdd.push_back(notebook);
    }
    m_Worker.Refresh();
}

TSharedResolve MSharedNotebookMirror::Resolve(const std::string& webAddress, const std::string& knownName)
{
    const auto web = NotebookWebAddress(webAddress);
    if (!web) {
        return {TSharedResolveStatus::Malformed, {}};
    }
    const std::string base = m_Worker.GraphBase().empty()
                                 ? GraphBaseAddress(m_Worker.State().UserId.Get(), false)
                                 : m_Worker.GraphBase();
    if (!m_Worker.HasAccount()) {
        return {TSharedResolveStatus::Failed, {}};
    }
    const auto response =
        m_Worker.OneNoteRequest({"POST", base + "/onenote/notebooks/GetNotebookFromWebUrl",
                                 "application/json", JsonObjectToText(Json{{"webUrl", *web}}), true});
    if (!response || response->IsHttpError()) {
        if (response) {
            m_Worker.RefreshTokensAfter(response);
        }
        return {TSharedResolveStatus::Failed, {}};
    }
    // Whatever its status, a refusal for now says nothing of the notebook.
    if (IsTemporaryRefusal(response->Status, response->Body)) {
        return {TSharedResolveStatus::Failed, {}};
    }
    if (response->Status == 403) {
        return {TSharedResolveStatus::NotShared, {}};
    }
    if (response->Status == 404) {
        return {TSharedResolveStatus::NotFound, {}};
    }
    auto notebook = response->Status == 200
                        ? SharedNotebookFromAnswer(response->Body, GraphServiceRoot(), *web, knownName)
                        : std::nullopt;
    if (!notebook) {
        return {TSharedResolveStatus::Failed, {}};
    }
    if (notebook->WebUrl.empty()) {
        notebook->WebUrl = *web;
    }
    return {TSharedResolveStatus::Found, *notebook};
}

void MSharedNotebookMirror::ServeRequests()
{
    std::string asked;
    std::vector<TSharedNotebook> toAdd;
    {
        std::lock_guard lock(m_Mutex);
        asked = std::exchange(m_ResolveAsked, {});
        toAdd = std::exchange(m_ToAdd, {});
    }
    if (!asked.empty()) {
        const TSharedResolve result = Resolve(asked);
        std::lock_guard lock(m_Mutex);
        if (m_ResolveAsked.empty()) {
            m_Resolve = result;
        }
    }
    if (toAdd.empty() || m_Worker.State().UserId.Empty() || !m_Worker.Init()) {
        return;
    }
    std::vector<TSharedNotebook> notebooks = ReadSharedNotebooks(NotebooksPath(), GraphServiceRoot());
    for (TSharedNotebook& notebook : toAdd) {
        const std::string own = m_Worker.State().UserId.Get();
        if (notebook.OwnerId == own ||
            OneNoteBaseOf(notebook.SectionsUrl, GraphServiceRoot()) != notebook.Base) {
            continue; // the user's own notebook is mirrored already
        }
        std::erase_if(notebooks, [&](const TSharedNotebook& known) { return known.Id == notebook.Id; });
        notebook.State = TSharedState::Open;
        m_TreeAt.erase(notebook.Id);
        if (notebooks.size() < kMaxSharedNotebooks) {
            notebooks.push_back(notebook);
        }
    }
    Store(notebooks);
}

void MSharedNotebookMirror::Discover(std::vector<TSharedNotebook>& notebooks)
{
    const double now = MonotonicSecondsNow();
    if (!IsWorkAccount(m_Worker.State().UserId.Get()) ||
        (m_DiscoveredAt >= 0 && now - m_DiscoveredAt < kSharedDiscoverySeconds && !m_Force)) {
        return;
    }
    const auto response = m_Worker.OneNoteGet(
        m_Worker.GraphBase() + "/onenote/notebooks/getRecentNotebooks(includePersonalNotebooks=false)", true,
        false);
    if (!response || response->IsHttpError() || !IsGraphListResponse(response->Body)) {
        return;
    }
    m_DiscoveredAt = now;
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
        TSharedResolve found = Resolve(address, JsonText(entry, "displayName"));
        if (found.Status == TSharedResolveStatus::Found &&
            found.Notebook.OwnerId != m_Worker.State().UserId.Get()) {
            found.Notebook.WebUrl = address;
            notebooks.push_back(found.Notebook);
        }
    }
}

std::optional<Json> MSharedNotebookMirror::Tree(TSharedNotebook& notebook)
{
    const std::string root = GraphServiceRoot();
    if (OneNoteBaseOf(notebook.SectionsUrl, root) != notebook.Base ||
        OneNoteBaseOf(notebook.SectionGroupsUrl, root) != notebook.Base) {
        return std::nullopt;
    }
    Json lists[2];
    const std::string addresses[2] = {notebook.SectionsUrl, notebook.SectionGroupsUrl + kGroupExpand};
    for (int i = 0; i < 2; ++i) {
        const auto response = m_Worker.OneNoteGet(addresses[i], true, false);
        if (!response || response->IsHttpError()) {
            if (response && response->IsHttpError()) {
                m_Worker.RefreshTokensAfter(response);
            }
            return std::nullopt;
        }
        if (IsTemporaryRefusal(response->Status, response->Body)) {
            return std::nullopt; // asked again at the next look
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
        if (!m_Worker.FollowNextLinks(lists[i], notebook.Base)) {
            return std::nullopt; // a list cut short would take sections away
        }
    }
    notebook.State = TSharedState::Open;
    return SharedHierarchyNotebook(notebook, *JsonArray(lists[0], "value"), *JsonArray(lists[1], "value"));
}

bool MSharedNotebookMirror::MergeChosenNotebooks(Json& hierarchy, const Json& oldHierarchy)
{
    const std::string userId = m_Worker.State().UserId.Get();
    const std::set<std::string> unwatched =
        LoadUnwatchedNotebooks(m_Worker.State().Paths.SettingsFilePath, userId);
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

    std::vector<TSharedNotebook> notebooks = ReadSharedNotebooks(NotebooksPath(), GraphServiceRoot());
    const std::vector<TSharedNotebook> stored = notebooks;
    Discover(notebooks);
    const bool force = m_Force.exchange(false);
    const double now = MonotonicSecondsNow();
    for (TSharedNotebook& notebook : notebooks) {
        if (unwatched.contains(notebook.Id) || m_Worker.Stopping()) {
            continue;
        }
        const Json* old = nullptr;
        if (const Json* oldList = JsonArray(oldHierarchy, "value")) {
            old = MThreadOneNoteRESTDB::GetSObjById(notebook.Id, oldList);
            old = old != nullptr && !SharedOwnerOf(*old).empty() ? old : nullptr;
        }
        const auto at = m_TreeAt.find(notebook.Id);
        const bool due =
            force || old == nullptr || at == m_TreeAt.end() || now - at->second >= kSharedTreeSeconds;
        // A notebook refused before is asked again only when due: it may have been shared again.
        if (!due && notebook.State == TSharedState::Open) {
            value->push_back(*old);
            changed = true;
            continue;
        }
        if (!due) {
            continue;
        }
        if (auto tree = Tree(notebook)) {
            m_TreeAt[notebook.Id] = now;
            value->push_back(std::move(*tree));
            changed = true;
        } else if (notebook.State == TSharedState::Open && old != nullptr) {
            // Not answered this time: what was stored stays, nothing is removed for a failure.
            value->push_back(*old);
            changed = true;
        } else if (notebook.State != TSharedState::Open) {
            // Refused: its sections leave the store with this hierarchy, and their reminders with them.
            m_TreeAt[notebook.Id] = now;
        }
    }
    if (notebooks != stored || Notebooks() != notebooks) {
        Store(notebooks);
    }
    std::vector<std::string> refused;
    for (const TSharedNotebook& notebook : notebooks) {
        if (notebook.State != TSharedState::Open && !unwatched.contains(notebook.Id)) {
            refused.push_back(notebook.Name);
        }
    }
    {
        std::lock_guard lock(m_Mutex);
        m_RefusedNames = std::move(refused);
    }
    return changed;
}

} // namespace rz
