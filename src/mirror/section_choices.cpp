// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/section_choices.h"

#include "mirror/shared_notebooks.h"
#include "util/files.h"
#include "util/json.h"

namespace rz {

namespace {

// Hierarchies are small; a file beyond this is not ours to read whole.
constexpr std::size_t kMaxHierarchyBytes = 64 * 1024 * 1024;

void CollectSections(const Json& container, const std::string& path, std::vector<TSectionChoice>& out)
{
    if (const Json* groups = JsonArray(container, "sectionGroups")) {
        for (const Json& group : *groups) {
            if (group.is_object()) {
                CollectSections(group, path + " \u203a " + JsonText(group, "displayName"), out);
            }
        }
    }
    if (const Json* sections = JsonArray(container, "sections")) {
        for (const Json& section : *sections) {
            const std::string id = section.is_object() ? JsonText(section, "id") : std::string();
            if (!id.empty()) {
                out.push_back({id, path + " \u203a " + JsonText(section, "displayName")});
            }
        }
    }
}

} // namespace

std::vector<TSectionChoice> MirroredSections(const std::string& accountStorePath)
{
    std::vector<TSectionChoice> choices;
    const std::string path = accountStorePath + "/notebookssections.json";
    // Measured before it is read: a file past the bound is never read whole.
    const std::optional<std::string> text = ReadTextFile(path, kMaxHierarchyBytes);
    if (!text) {
        return choices;
    }
    const Json hierarchy = JsonTextToObject(std::string_view(*text));
    if (const Json* notebooks = JsonArray(hierarchy, "value")) {
        for (const Json& notebook : *notebooks) {
            // A page for a new reminder goes into the user's own notebooks.
            if (notebook.is_object() && SharedOwnerOf(notebook).empty()) {
                CollectSections(notebook, JsonText(notebook, "displayName"), choices);
            }
        }
    }
    return choices;
}

std::vector<TNotebookChoice> NotebookChoices(const std::string& accountStorePath)
{
    std::vector<TNotebookChoice> choices;
    const Json own = ReadJsonFile(accountStorePath + "/notebooks.json", kMaxHierarchyBytes);
    if (const Json* notebooks = JsonArray(own, "value")) {
        for (const Json& notebook : *notebooks) {
            if (const std::string id = JsonText(notebook, "id"); !id.empty()) {
                choices.push_back({id, JsonText(notebook, "displayName"), {}, false, false});
            }
        }
    }
    for (const TSharedNotebook& shared :
         ReadSharedNotebooks(accountStorePath + "/" + kSharedNotebooksFile, GraphServiceRoot())) {
        choices.push_back(
            {shared.Id, shared.Name, shared.OwnerName, true, shared.State != TSharedState::Open});
    }
    return choices;
}

} // namespace rz
