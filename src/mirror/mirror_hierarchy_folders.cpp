// SPDX-License-Identifier: GPL-3.0-or-later
// What a new hierarchy does to the store's folders: a renamed or moved section's page list goes
// with it, and the folders of deleted and moved items go.
#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/files.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <system_error>
#include <vector>

namespace rz {

namespace fs = std::filesystem;

namespace {

// An item whose id is empty cannot be told apart from a deleted one; its folder is kept. Ids are
// compared whole: personal-account ids end in a counter of varying length, so "…!12" lies inside
// "…!123" as text.
bool StillPresent(const std::string& id, const THierarchyIds& newIds)
{
    return id.empty() || newIds.contains(id);
}

// Calls `visit` with each object of `oldArray` and its folder below `folder`. A fault ends this
// array's walk; the next download walks again.
template <typename Visit> void ForEachChildFolder(const Json* oldArray, const fs::path& folder, Visit visit)
{
    if (oldArray == nullptr) {
        return;
    }
    try {
        for (const Json& item : *oldArray) {
            if (!item.is_object()) {
                continue;
            }
            const fs::path itemFolder = folder / ItemFolderName(item);
            visit(item, itemFolder);
        }
    } catch (...) {
    }
}

} // namespace

void MThreadOneNoteRESTDB::CarryMovedSections(const std::vector<std::array<fs::path, 2>>& moved)
{
    // Every list is read before any is written: two sections that swapped names swap lists.
    std::vector<std::pair<fs::path, std::string>> lists;
    for (const auto& [oldFolder, newFolder] : moved) {
        if (auto text = ReadTextFile((oldFolder / "pages.json").string());
            text && IsGraphListResponse(*text)) {
            lists.emplace_back(newFolder, std::move(*text));
        }
    }
    // Both the stored hierarchy and the new one find the list until the new one is stored, so the
    // store reads whole at every moment, after a kill too; the section counts as mirrored.
    for (const auto& [newFolder, text] : lists) {
        if (StoreHasFolder(newFolder) || StoreCreateFolder(newFolder)) {
            StoreWrite(newFolder / "pages.json", text);
        }
    }
}

void MThreadOneNoteRESTDB::RemoveMovedFolders(const std::vector<std::array<fs::path, 2>>& movedSections,
                                              const std::vector<std::array<fs::path, 2>>& movedContainers,
                                              const std::set<fs::path>& inUse)
{
    try {
        for (const auto& moved : movedSections) {
            if (!inUse.contains(moved[0]) && StoreHasFolder(moved[0])) {
                StoreDeleteFolder(moved[0]);
            }
        }
        // Deepest first, so that a group's folder is empty when its notebook's is looked at; a folder
        // that still holds something (the store of a deleted item the removal walk kept) stays.
        std::vector<fs::path> containers;
        for (const auto& moved : movedContainers) {
            containers.push_back(moved[0]);
        }
        std::sort(containers.begin(), containers.end(), [](const fs::path& a, const fs::path& b) {
            return std::distance(a.begin(), a.end()) > std::distance(b.begin(), b.end());
        });
        for (const fs::path& folder : containers) {
            std::error_code error;
            if (!inUse.contains(folder) && fs::is_directory(folder, error) && fs::is_empty(folder, error) &&
                !error) {
                StoreDeleteFolder(folder);
            }
        }
    } catch (...) {
        // An orphan folder left now is looked at again after the next rename.
    }
}

void MThreadOneNoteRESTDB::RemoveDeletedNotebooksSections(const Json& oldObject, const THierarchyIds& newIds,
                                                          const fs::path& folder)
{
    try {
        // Notebook folders are never deleted: a notebook that went keeps its folder.
        ForEachChildFolder(
            JsonArray(oldObject, "value"), folder, [&](const Json& notebook, const fs::path& notebookFolder) {
                if (!StoreHasFolder(notebookFolder)) {
                    StoreCreateFolder(notebookFolder);
                    return;
                }
                RemoveDeletedSGs(JsonArray(&notebook, "sectionGroups"), newIds, notebookFolder);
                RemoveDeletedSections(JsonArray(&notebook, "sections"), newIds, notebookFolder);
            });
    } catch (...) {
        // Ends this walk; the next download walks again.
    }
}

void MThreadOneNoteRESTDB::RemoveDeletedSGs(const Json* oldArray, const THierarchyIds& newIds,
                                            const fs::path& folder)
{
    ForEachChildFolder(oldArray, folder, [&](const Json& group, const fs::path& groupFolder) {
        if (!StoreHasFolder(groupFolder)) {
            return;
        }
        if (StillPresent(JsonText(group, "id"), newIds)) {
            RemoveDeletedSGs(JsonArray(&group, "sectionGroups"), newIds, groupFolder);
            RemoveDeletedSections(JsonArray(&group, "sections"), newIds, groupFolder);
        } else {
            StoreDeleteFolder(groupFolder);
        }
    });
}

void MThreadOneNoteRESTDB::RemoveDeletedSections(const Json* oldArray, const THierarchyIds& newIds,
                                                 const fs::path& folder)
{
    ForEachChildFolder(oldArray, folder, [&](const Json& section, const fs::path& sectionFolder) {
        if (!StillPresent(JsonText(section, "id"), newIds) && StoreHasFolder(sectionFolder)) {
            StoreDeleteFolder(sectionFolder);
        }
    });
}

} // namespace rz
