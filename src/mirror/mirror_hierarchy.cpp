// SPDX-License-Identifier: GPL-3.0-or-later
// The notebook check, the hierarchy download and its comparison with the stored hierarchy; what
// the comparison does to the store's folders is in mirror_hierarchy_folders.cpp.
#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/files.h"
#include "util/text.h"

#include <array>
#include <map>
#include <set>
#include <vector>

namespace rz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHierarchyQuery =
    "/onenote/notebooks?expand=sections,sectionGroups(expand=sections,sectionGroups(levels=max;"
    "expand=sections))";

// The parser's depth limit bounds the recursion.
void CollectIds(const Json* items, THierarchyIds& ids)
{
    if (items == nullptr) {
        return;
    }
    for (const Json& item : *items) {
        if (const std::string* id = StringMember(item, "id")) {
            ids.insert(*id);
        }
        CollectIds(JsonArray(item, "sectionGroups"), ids);
        CollectIds(JsonArray(item, "sections"), ids);
    }
}

// Every item's folder below the account folder, by id, as the store query finds it by names.
struct THierarchyFolders
{
    std::map<std::string, fs::path> sections;
    std::map<std::string, fs::path> containers;
    std::map<std::string, std::string> times; // each section's last change
};

// The parser's depth limit bounds the recursion.
void CollectFolders(const Json* items, const fs::path& folder, bool areSections, THierarchyFolders& out)
{
    if (items == nullptr) {
        return;
    }
    for (const Json& item : *items) {
        const std::string* id = StringMember(item, "id");
        if (!item.is_object() || id == nullptr || id->empty()) {
            continue;
        }
        const fs::path itemFolder = folder / ItemFolderName(item);
        if (areSections) {
            out.sections.emplace(*id, itemFolder);
            out.times.emplace(*id, JsonText(item, "lastModifiedDateTime"));
            continue;
        }
        out.containers.emplace(*id, itemFolder);
        CollectFolders(JsonArray(item, "sectionGroups"), itemFolder, false, out);
        CollectFolders(JsonArray(item, "sections"), itemFolder, true, out);
    }
}

THierarchyFolders HierarchyFolders(const Json& hierarchy, const fs::path& root)
{
    THierarchyFolders folders;
    try {
        CollectFolders(JsonArray(hierarchy, "value"), root, false, folders);
    } catch (...) {
        return {};
    }
    return folders;
}

// Items present in both hierarchies whose folder changed (renamed or moved, or below one that was):
// old folder, new folder.
std::vector<std::array<fs::path, 2>> Moved(const std::map<std::string, fs::path>& before,
                                           const std::map<std::string, fs::path>& after)
{
    std::vector<std::array<fs::path, 2>> moved;
    for (const auto& [id, oldFolder] : before) {
        const auto found = after.find(id);
        if (found != after.end() && found->second != oldFolder) {
            moved.push_back({oldFolder, found->second});
        }
    }
    return moved;
}

} // namespace

THierarchyIds HierarchyIds(const Json& hierarchy)
{
    THierarchyIds ids;
    CollectIds(JsonArray(hierarchy, "value"), ids);
    return ids;
}

void MThreadOneNoteRESTDB::MonitorNotebooks()
{
    try {
        if (!HasAccount() || !IsGraphReachable()) {
            return;
        }
        m_Counts.NotebooksChanged = 1;
        const auto response = OneNoteGet(m_GraphBase.Get() + "/onenote/notebooks", true);
        if (!response) {
            ResumeLater();
            return;
        }
        if (response->IsHttpError()) {
            RefreshTokensAfter(response);
            return;
        }
        if (RefusedForNow(*response)) {
            ResumeLater();
            return;
        }
        m_Counts.NotebooksChanged = 2;
        const std::string& newText = response->Body;
        const fs::path notebooksFile = StoreRoot() / "notebooks.json";
        if (!m_JsonNotebooks.Empty()) {
            if (const auto stored = ReadTextFile(notebooksFile.string())) {
                m_JsonNotebooks.Set(*stored);
            }
        }
        if (!IsGraphListResponse(newText)) {
            return;
        }
        m_Counts.NotebooksChanged = 3;
        if (newText == m_JsonNotebooks.Get() && m_MonitorNotebooksNoChangeCount < 2) {
            ++m_MonitorNotebooksNoChangeCount;
            return;
        }
        m_MonitorNotebooksNoChangeCount = 0;
        m_Counts.NotebooksChanged = 4;
        if (GetAllNotebooksSections()) {
            m_Counts.NotebooksChanged = 5;
            m_JsonNotebooks.Set(newText);
            StoreWrite(notebooksFile, newText);
        } else if (m_Yielding) {
            ResumeLater();
        }
    } catch (...) {
        // Ends the check quietly; the next cycle starts afresh.
    }
}

bool MThreadOneNoteRESTDB::GetAllNotebooksSections()
{
    try {
        if (!HasAccount() || !IsGraphReachable()) {
            return false;
        }
        m_Counts.NotebooksSectionsChanged = 1;
        const auto response = OneNoteGet(m_GraphBase.Get() + kHierarchyQuery, true);
        if (!response) {
            return false;
        }
        if (response->IsHttpError()) {
            ++m_Counts.GetAllNotebooksSectionsErrorCount;
            RefreshTokensAfter(response);
            return false;
        }
        if (RefusedForNow(*response)) {
            return false;
        }
        m_Counts.NotebooksSectionsChanged = 2;
        std::string newText = response->Body;
        if (newText.find("\"@odata.nextLink\"") != std::string::npos) {
            Json whole = JsonTextToObject(std::string_view(newText));
            if (!IsGraphListResponse(newText) || !FollowNextLinks(whole, m_GraphBase.Get())) {
                ++m_Counts.GetAllNotebooksSectionsErrorCount;
                return false;
            }
            newText = JsonObjectToText(whole);
        }
        const fs::path root = StoreRoot();
        const fs::path hierarchyFile = root / "notebookssections.json";
        const std::optional<std::string> oldText = ReadTextFile(hierarchyFile.string());
        Json newObject = IsGraphListResponse(newText) ? JsonTextToObject(std::string_view(newText)) : Json();
        // An answer without a notebook array names no item: stored, it would make the store
        // query answer nothing and freeze the reminders; taken as evidence, it would delete
        // every section folder.
        if (JsonArray(newObject, "value") == nullptr) {
            ++m_Counts.GetAllNotebooksSectionsErrorCount;
            return false;
        }
        m_Counts.GetAllNotebooksSectionsErrorCount = 0;
        m_Counts.NotebooksSectionsChanged = 3;
        const Json oldObject = JsonTextToObject(oldText);
        // The notebooks the user left out go, the shared ones the user watches join.
        const bool chosen = m_Shared.MergeChosenNotebooks(newObject, oldObject);
        const auto errorsBefore = m_Sections.ErrorList();
        THierarchyFolders oldFolders = HierarchyFolders(oldObject, root);
        const THierarchyFolders newFolders = HierarchyFolders(newObject, root);
        const auto movedSections = Moved(oldFolders.sections, newFolders.sections);
        CarryMovedSections(movedSections);
        m_MovedSectionTimes = std::move(oldFolders.times);
        const bool checked = CheckNotebooksSections(oldObject, newObject, root);
        m_MovedSectionTimes.clear();
        if (!checked) {
            return false;
        }
        m_Counts.NotebooksSectionsChanged = 4;
        const THierarchyIds newIds = HierarchyIds(newObject);
        RemoveDeletedNotebooksSections(oldObject, newIds, root);
        m_Sections.KeepOnly(newIds);
        KeepSearchPagesOf(newIds);
        // Sections that failed are now retried from the list alone (the stored hierarchy will hold
        // their new state), so the list is written first: a process killed between the files
        // leaves work to redo, never a change taken for done.
        if (m_Sections.ErrorList() != errorsBefore) {
            SaveErrorSections();
        }
        StoreWrite(hierarchyFile, chosen ? JsonObjectToText(newObject) : newText);
        m_Shared.SetHierarchy(newObject, root);
        if (!m_HierarchyStoredSinceSearch.exchange(true)) {
            ++m_ProgressGeneration;
        }
        std::set<fs::path> inUse;
        for (const auto* folders : {&newFolders.sections, &newFolders.containers}) {
            for (const auto& entry : *folders) {
                inUse.insert(entry.second);
            }
        }
        RemoveMovedFolders(movedSections, Moved(oldFolders.containers, newFolders.containers), inUse);
        return true;
    } catch (...) {
        return false;
    }
}

bool MThreadOneNoteRESTDB::FollowNextLinks(Json& list, const std::string& base)
{
    for (int answers = 1; list.is_object() && list.contains("@odata.nextLink"); ++answers) {
        const std::string next = JsonText(list, "@odata.nextLink");
        list.erase("@odata.nextLink");
        if (answers >= kMaxSharedListPages || !IsOneNoteAddressUnder(next, base)) {
            return false;
        }
        const auto response = OneNoteGet(next, true, false);
        if (!response || response->IsHttpError() || response->Status != 200 ||
            !IsGraphListResponse(response->Body)) {
            return false;
        }
        const Json more = JsonTextToObject(std::string_view(response->Body));
        for (const Json& item : *JsonArray(more, "value")) {
            list["value"].push_back(item);
        }
        if (const std::string* link = StringMember(more, "@odata.nextLink")) {
            list["@odata.nextLink"] = *link;
        }
    }
    return true;
}

const Json* MThreadOneNoteRESTDB::GetSObjById(const std::string& id, const Json* array)
{
    if (array == nullptr || !array->is_array()) {
        return nullptr;
    }
    for (const Json& item : *array) {
        if (item.is_object() && JsonText(item, "id") == id) {
            return &item;
        }
    }
    return nullptr;
}

bool MThreadOneNoteRESTDB::CheckNotebooksSections(const Json& oldObject, const Json& newObject,
                                                  const fs::path& folder)
{
    try {
        const Json* oldList = JsonArray(oldObject, "value");
        const Json* newList = JsonArray(newObject, "value");
        if (newList == nullptr) {
            return true;
        }
        m_Counts.NotebookTotal = static_cast<std::int64_t>(newList->size());
        for (const Json& notebook : *newList) {
            if (m_Stop) {
                return false;
            }
            ++m_Counts.NotebookDownloading;
            if (!notebook.is_object()) {
                continue;
            }
            const fs::path notebookFolder = folder / ItemFolderName(notebook);
            if (!StoreHasFolder(notebookFolder)) {
                StoreCreateFolder(notebookFolder);
            }
            const Json* old = GetSObjById(JsonText(notebook, "id"), oldList);
            if (old == nullptr) {
                ++m_Counts.NewNotebookCount;
            } else {
                ++m_Counts.ChangedNotebookCount;
            }
            const bool ok =
                CheckNotebooksSectionsSGs(JsonArray(old, "sectionGroups"),
                                          JsonArray(&notebook, "sectionGroups"), notebookFolder) &&
                CheckNotebooksSectionsSections(JsonArray(old, "sections"), JsonArray(&notebook, "sections"),
                                               notebookFolder);
            if (!ok) {
                return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool MThreadOneNoteRESTDB::CheckNotebooksSectionsSGs(const Json* oldArray, const Json* newArray,
                                                     const fs::path& folder)
{
    if (newArray == nullptr) {
        return true;
    }
    for (const Json& group : *newArray) {
        if (m_Stop) {
            return false;
        }
        if (!group.is_object()) {
            continue;
        }
        const fs::path groupFolder = folder / StoreFolderName(JsonText(group, "displayName"));
        if (!StoreHasFolder(groupFolder)) {
            StoreCreateFolder(groupFolder);
        }
        const Json* old = GetSObjById(JsonText(group, "id"), oldArray);
        if (old == nullptr) {
            ++m_Counts.NewSectionGroupCount;
        } else {
            ++m_Counts.ChangedSectionGroupCount;
        }
        const bool ok = CheckNotebooksSectionsSGs(JsonArray(old, "sectionGroups"),
                                                  JsonArray(&group, "sectionGroups"), groupFolder) &&
                        CheckNotebooksSectionsSections(JsonArray(old, "sections"),
                                                       JsonArray(&group, "sections"), groupFolder);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool MThreadOneNoteRESTDB::CheckNotebooksSectionsSections(const Json* oldArray, const Json* newArray,
                                                          const fs::path& folder)
{
    if (newArray == nullptr) {
        return true;
    }
    for (const Json& section : *newArray) {
        if (m_Stop) {
            return false;
        }
        if (!section.is_object()) {
            continue;
        }
        const std::string id = JsonText(section, "id");
        const std::string name = JsonText(section, "displayName");
        const fs::path sectionFolder = folder / StoreFolderName(name);
        if (!StoreHasFolder(sectionFolder)) {
            StoreCreateFolder(sectionFolder);
        }
        const Json* old = GetSObjById(id, oldArray);
        const std::string modified = JsonText(section, "lastModifiedDateTime");
        const bool mirrored = FileExists((sectionFolder / "pages.json").string());
        const auto moved = m_MovedSectionTimes.find(id);
        if (old == nullptr && moved != m_MovedSectionTimes.end() && moved->second == modified && mirrored &&
            !m_Sections.Waits(id)) {
            // Moved unchanged: its list came along.
            m_Sections.MarkListed(id, m_SearchCovering);
            continue;
        }
        if (old == nullptr) {
            ++m_Counts.NewSectionCount;
        } else if (modified == JsonText(*old, "lastModifiedDateTime") && mirrored) {
            // The stored change time of a section still waiting on the error list is newer than its
            // page list: it stays on the list (under its present name and folder), and unlisted.
            if (m_Sections.Waits(id)) {
                m_Sections.Wait(id, name, sectionFolder.string());
            } else {
                m_Sections.MarkListed(id, m_SearchCovering);
            }
            continue;
        } else {
            ++m_Counts.ChangedSectionCount;
        }
        // A section not mirrored yet is fetched after the walk, newest first and within the share
        // that leaves the engine its reserve; a failing one waits for its back-off.
        if (m_Sections.InBackOff(id)) {
            m_Sections.Wait(id, name, sectionFolder.string());
            continue;
        }
        if (!mirrored || m_Yielding) {
            DeferSection(id, modified);
            m_Sections.Wait(id, name, sectionFolder.string());
            continue;
        }
        // One failing section must not hold back the rest of the hierarchy: it goes on the error
        // list, is retried from there, and the walk goes on.
        if (FetchSection({id, name, sectionFolder.string()}) == TSectionFetch::Listed) {
            // fetched here, so not again from the list
        } else if (m_Stop) {
            return false;
        } else {
            m_Sections.Wait(id, name, sectionFolder.string());
        }
    }
    return true;
}

} // namespace rz
