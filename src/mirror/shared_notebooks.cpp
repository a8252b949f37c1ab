// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/shared_notebooks.h"

#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "util/files.h"

#include <algorithm>

namespace rz {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxWebAddressBytes = 2048;
constexpr std::size_t kMaxSharedFileBytes = 4 << 20;

bool HasControlOrBlank(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c <= 0x20 || c == 0x7F;
    });
}

const char* StateName(TSharedState state)
{
    switch (state) {
    case TSharedState::Refused:
        return "refused";
    case TSharedState::Gone:
        return "gone";
    case TSharedState::Open:
        break;
    }
    return "open";
}

TSharedState StateFromName(const std::string& name)
{
    return name == "refused" ? TSharedState::Refused
           : name == "gone"  ? TSharedState::Gone
                             : TSharedState::Open;
}

// Every id below a container, with the container's own.
void CollectIds(const Json& container, const std::string& base, std::map<std::string, std::string>& out)
{
    if (const std::string* id = StringMember(container, "id")) {
        out.emplace(*id, base);
    }
    for (const char* list : {"sections", "sectionGroups"}) {
        if (const Json* items = JsonArray(container, list)) {
            for (const Json& item : *items) {
                CollectIds(item, base, out);
            }
        }
    }
}

void CollectSectionFolders(const Json& container, const fs::path& folder, const std::string& base,
                           std::vector<std::pair<fs::path, std::string>>& out)
{
    if (const Json* groups = JsonArray(container, "sectionGroups")) {
        for (const Json& group : *groups) {
            CollectSectionFolders(group, folder / ItemFolderName(group), base, out);
        }
    }
    if (const Json* sections = JsonArray(container, "sections")) {
        for (const Json& section : *sections) {
            out.emplace_back(folder / ItemFolderName(section), base);
        }
    }
}

} // namespace

std::optional<std::string> OneNoteBaseOf(std::string_view address, std::string_view graphRoot)
{
    if (graphRoot.empty() || address.size() > kMaxWebAddressBytes || HasControlOrBlank(address) ||
        !address.starts_with(graphRoot) ||
        address.substr(graphRoot.size()).find("/onenote/") == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view rest = address.substr(graphRoot.size());
    const std::string_view path = rest.substr(0, rest.find("/onenote/"));
    // "/v1.0/users/<id>": version, kind, one id.
    std::vector<std::string> parts;
    std::size_t start = 1;
    if (!path.starts_with("/")) {
        return std::nullopt;
    }
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        parts.emplace_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    if (parts.size() != 3 || (parts[0] != "v1.0" && parts[0] != "beta") ||
        (parts[1] != "users" && parts[1] != "groups" && parts[1] != "sites") || parts[2].empty() ||
        !IsSafeGraphIdSegment(parts[2]) || parts[2].find_first_of("%?#&") != std::string::npos) {
        return std::nullopt;
    }
    return std::string(graphRoot) + std::string(path);
}

std::optional<std::string> NotebookWebAddress(std::string_view text)
{
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    std::string_view web = text;
    if (web.starts_with("onenote:")) {
        web.remove_prefix(8);
    }
    if (text.size() > kMaxWebAddressBytes || HasControlOrBlank(text) || !web.starts_with("https://")) {
        return std::nullopt;
    }
    const std::string_view host = web.substr(8, web.find_first_of("/?#", 8) - 8);
    if (host.empty() || host.find('@') != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(text);
}

std::optional<TSharedNotebook> SharedNotebookFromAnswer(std::string_view answer, std::string_view graphRoot)
{
    const Json object = JsonTextToObject(answer);
    TSharedNotebook notebook;
    notebook.Id = JsonText(object, "id");
    notebook.Name = JsonText(object, "displayName");
    notebook.SectionsUrl = JsonText(object, "sectionsUrl");
    notebook.SectionGroupsUrl = JsonText(object, "sectionGroupsUrl");
    if (notebook.Id.empty() || notebook.Name.empty() || !IsSafeGraphIdSegment(notebook.Id) ||
        notebook.Name.size() > 1024) {
        return std::nullopt;
    }
    const auto base = OneNoteBaseOf(notebook.SectionsUrl, graphRoot);
    if (!base || OneNoteBaseOf(notebook.SectionGroupsUrl, graphRoot) != base) {
        return std::nullopt;
    }
    notebook.Base = *base;
    // The owner is the base's last segment; the name the answer gives for who made it.
    notebook.OwnerId = base->substr(base->rfind('/') + 1);
    if (const Json* by = JsonObject(object, "createdBy")) {
        if (const Json* user = JsonObject(*by, "user")) {
            notebook.OwnerName = JsonText(*user, "displayName").substr(0, 1024);
        }
    }
    if (const Json* links = JsonObject(object, "links")) {
        if (const Json* web = JsonObject(*links, "oneNoteWebUrl")) {
            notebook.WebUrl = JsonText(*web, "href").substr(0, kMaxWebAddressBytes);
        }
    }
    return notebook;
}

std::vector<TSharedNotebook> ReadSharedNotebooks(const std::string& path, std::string_view graphRoot)
{
    std::vector<TSharedNotebook> out;
    const Json stored = ReadJsonFile(path, kMaxSharedFileBytes);
    const Json* list = JsonArray(stored, "notebooks");
    if (list == nullptr) {
        return out;
    }
    for (const Json& entry : *list) {
        if (out.size() >= kMaxSharedNotebooks) {
            break;
        }
        TSharedNotebook notebook;
        notebook.Id = JsonText(entry, "id");
        notebook.Name = JsonText(entry, "name");
        notebook.OwnerId = JsonText(entry, "ownerId");
        notebook.OwnerName = JsonText(entry, "ownerName");
        notebook.SectionsUrl = JsonText(entry, "sectionsUrl");
        notebook.SectionGroupsUrl = JsonText(entry, "sectionGroupsUrl");
        notebook.WebUrl = JsonText(entry, "webUrl");
        notebook.State = StateFromName(JsonText(entry, "state"));
        // The base is found again from the addresses: a file edited to send the token elsewhere
        // loses the entry.
        const auto base = OneNoteBaseOf(notebook.SectionsUrl, graphRoot);
        if (notebook.Id.empty() || !IsSafeGraphIdSegment(notebook.Id) || !base ||
            OneNoteBaseOf(notebook.SectionGroupsUrl, graphRoot) != base) {
            continue;
        }
        notebook.Base = *base;
        notebook.OwnerId = base->substr(base->rfind('/') + 1);
        out.push_back(std::move(notebook));
    }
    return out;
}

std::string SharedNotebooksText(const std::vector<TSharedNotebook>& notebooks)
{
    Json list = Json::array();
    for (const TSharedNotebook& notebook : notebooks) {
        list.push_back({{"id", notebook.Id},
                        {"name", notebook.Name},
                        {"ownerId", notebook.OwnerId},
                        {"ownerName", notebook.OwnerName},
                        {"sectionsUrl", notebook.SectionsUrl},
                        {"sectionGroupsUrl", notebook.SectionGroupsUrl},
                        {"webUrl", notebook.WebUrl},
                        {"state", StateName(notebook.State)}});
    }
    return JsonObjectToText(Json{{"notebooks", std::move(list)}});
}

Json SharedHierarchyNotebook(const TSharedNotebook& notebook, Json sections, Json sectionGroups)
{
    Json j;
    j["id"] = notebook.Id;
    j["displayName"] = notebook.Name;
    std::string modified;
    for (const Json* list : {&sections, &sectionGroups}) {
        if (list->is_array()) {
            for (const Json& item : *list) {
                modified = std::max(modified, JsonText(item, "lastModifiedDateTime"));
            }
        }
    }
    j["lastModifiedDateTime"] = modified;
    j[kSharedMember] = {
        {"owner", notebook.OwnerId}, {"ownerName", notebook.OwnerName}, {"base", notebook.Base}};
    j["sections"] = sections.is_array() ? std::move(sections) : Json::array();
    j["sectionGroups"] = sectionGroups.is_array() ? std::move(sectionGroups) : Json::array();
    return j;
}

std::string SharedOwnerOf(const Json& notebook)
{
    const Json* shared = JsonObject(notebook, kSharedMember);
    return shared == nullptr ? std::string() : JsonText(*shared, "owner");
}

void TSharedSources::SetHierarchy(const Json& hierarchy, const fs::path& root)
{
    std::map<std::string, std::string> items;
    std::vector<std::pair<fs::path, std::string>> folders;
    if (const Json* notebooks = JsonArray(hierarchy, "value")) {
        for (const Json& notebook : *notebooks) {
            const Json* shared = JsonObject(notebook, kSharedMember);
            if (shared == nullptr) {
                continue;
            }
            const std::string base = JsonText(*shared, "base");
            CollectIds(notebook, base, items);
            CollectSectionFolders(notebook, root / ItemFolderName(notebook), base, folders);
        }
    }
    std::lock_guard lock(m_Mutex);
    m_Items = std::move(items);
    m_SectionFolders = std::move(folders);
    m_PagesStale = true;
}

void TSharedSources::PagesChanged()
{
    std::lock_guard lock(m_Mutex);
    m_PagesStale = true;
}

std::optional<std::string> TSharedSources::BaseOf(const std::string& id)
{
    std::lock_guard lock(m_Mutex);
    if (const auto found = m_Items.find(id); found != m_Items.end()) {
        return found->second;
    }
    if (m_PagesStale) {
        m_PagesStale = false;
        m_Pages.clear();
        for (const auto& [folder, base] : m_SectionFolders) {
            const Json list = ReadJsonFile((folder / "pages.json").string(), kMaxReadBytes);
            if (const Json* pages = JsonArray(list, "value")) {
                for (const Json& page : *pages) {
                    if (const std::string* pageId = StringMember(page, "id")) {
                        m_Pages.emplace(*pageId, base);
                    }
                }
            }
        }
    }
    if (const auto found = m_Pages.find(id); found != m_Pages.end()) {
        return found->second;
    }
    return std::nullopt;
}

} // namespace rz
