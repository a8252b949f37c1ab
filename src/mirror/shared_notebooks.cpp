// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/shared_notebooks.h"

#include "mirror/mirror_json.h"
#include "mirror/store_path.h"
#include "util/files.h"

#include <algorithm>
#include <cctype>
#include <set>

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

// What may follow "<base>/onenote/": collections and ids in turn ("notebooks/<id>/sections"), a
// page's "content" last, then a query. Nothing the server or libcurl could read as another path:
// no dot segment, no "%" (an encoded separator), no backslash, no fragment.
bool IsOneNotePath(std::string_view path)
{
    const std::size_t query = path.find('?');
    std::string_view segments = path.substr(0, query);
    if (segments.find_first_of("%\\") != std::string_view::npos || path.find('#') != std::string_view::npos) {
        return false;
    }
    static const std::set<std::string_view> kCollections = {"notebooks", "sectionGroups", "sections",
                                                            "pages"};
    bool collection = true;
    std::string_view last;
    int count = 0;
    while (!segments.empty()) {
        const std::size_t slash = segments.find('/');
        const std::string_view segment = segments.substr(0, slash);
        segments = slash == std::string_view::npos ? std::string_view() : segments.substr(slash + 1);
        if (++count > 6 || segment.empty() || segment == "." || segment == ".." ||
            (slash != std::string_view::npos && segments.empty())) {
            return false;
        }
        if (collection) {
            const bool content = segment == "content" && last == "pages";
            if (!kCollections.contains(segment) && !content) {
                return false;
            }
            if (content) {
                return segments.empty();
            }
        } else if (!IsSafeGraphIdSegment(std::string(segment))) {
            return false;
        }
        last = collection ? segment : last;
        collection = !collection;
    }
    return true;
}

// The last segment of a web address's path, its %XX escapes decoded: a notebook's name as its
// address gives it.
std::string LastSegmentName(std::string_view web)
{
    web = web.substr(0, web.find_first_of("?#"));
    while (web.ends_with("/")) {
        web.remove_suffix(1);
    }
    const std::string_view segment = web.substr(web.rfind('/') + 1);
    std::string name;
    for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] == '%' && i + 2 < segment.size() &&
            std::isxdigit(static_cast<unsigned char>(segment[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(segment[i + 2]))) {
            name.push_back(static_cast<char>(std::stoi(std::string(segment.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            name.push_back(segment[i]);
        }
    }
    const bool control = std::any_of(name.begin(), name.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F;
    });
    return control || name.find_first_not_of(' ') == std::string::npos ? std::string() : name;
}

// Who made a notebook: the identity set's user (CopyNotebookModel's "createdByIdentity", a
// notebook's "createdBy"), else CopyNotebookModel's plain-text "createdBy".
std::string OwnerNameOf(const Json& object)
{
    for (const char* member : {"createdByIdentity", "createdBy"}) {
        if (const Json* by = JsonObject(object, member)) {
            if (const Json* user = JsonObject(*by, "user")) {
                if (std::string name = JsonText(*user, "displayName"); !name.empty()) {
                    return name;
                }
            }
        }
    }
    return JsonText(object, "createdBy");
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
    const std::size_t onenote = rest.find("/onenote/");
    const std::string_view path = rest.substr(0, onenote);
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
        !IsSafeGraphIdSegment(parts[2]) || parts[2].find_first_of("%?#&") != std::string::npos ||
        !IsOneNotePath(rest.substr(onenote + 9))) {
        return std::nullopt;
    }
    return std::string(graphRoot) + std::string(path);
}

bool IsOneNoteAddressUnder(std::string_view address, std::string_view base)
{
    const std::string prefix = std::string(base) + "/onenote/";
    return !base.empty() && address.size() <= kMaxWebAddressBytes && !HasControlOrBlank(address) &&
           address.starts_with(prefix) && IsOneNotePath(address.substr(prefix.size()));
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

std::optional<TSharedNotebook> SharedNotebookFromAnswer(std::string_view answer, std::string_view graphRoot,
                                                        std::string_view webAddress,
                                                        std::string_view knownName)
{
    const Json object = JsonTextToObject(answer);
    TSharedNotebook notebook;
    notebook.Id = JsonText(object, "id");
    for (const std::string& name : {JsonText(object, "displayName"), JsonText(object, "name"),
                                    std::string(knownName), LastSegmentName(webAddress)}) {
        if (!name.empty()) {
            notebook.Name = name.substr(0, 1024);
            break;
        }
    }
    notebook.SectionsUrl = JsonText(object, "sectionsUrl");
    notebook.SectionGroupsUrl = JsonText(object, "sectionGroupsUrl");
    // Both addresses may be left out: a notebook's own address ("self") leads to them as well.
    if (const std::string self = JsonText(object, "self"); !self.empty()) {
        notebook.SectionsUrl = notebook.SectionsUrl.empty() ? self + "/sections" : notebook.SectionsUrl;
        notebook.SectionGroupsUrl =
            notebook.SectionGroupsUrl.empty() ? self + "/sectionGroups" : notebook.SectionGroupsUrl;
    }
    if (notebook.Id.empty() || !IsSafeGraphIdSegment(notebook.Id)) {
        return std::nullopt;
    }
    const auto base = OneNoteBaseOf(notebook.SectionsUrl, graphRoot);
    if (!base || OneNoteBaseOf(notebook.SectionGroupsUrl, graphRoot) != base) {
        return std::nullopt;
    }
    notebook.Base = *base;
    // The owner is the base's last segment; the name the answer gives for who made it.
    notebook.OwnerId = base->substr(base->rfind('/') + 1);
    notebook.OwnerName = OwnerNameOf(object).substr(0, 1024);
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

Json SharedEntriesOffRoot(const std::string& path, std::string_view graphRoot)
{
    Json kept = Json::array();
    const Json stored = ReadJsonFile(path, kMaxSharedFileBytes);
    if (const Json* list = JsonArray(stored, "notebooks")) {
        for (const Json& entry : *list) {
            const std::string id = JsonText(entry, "id");
            if (kept.size() < kMaxSharedNotebooks && entry.is_object() && !id.empty() &&
                IsSafeGraphIdSegment(id) && !OneNoteBaseOf(JsonText(entry, "sectionsUrl"), graphRoot)) {
                kept.push_back(entry);
            }
        }
    }
    return kept;
}

std::string SharedNotebooksText(const std::vector<TSharedNotebook>& notebooks, const Json& offRoot)
{
    Json list = Json::array();
    if (offRoot.is_array()) {
        for (const Json& entry : offRoot) {
            const std::string id = JsonText(entry, "id");
            if (std::none_of(notebooks.begin(), notebooks.end(),
                             [&](const TSharedNotebook& n) { return n.Id == id; })) {
                list.push_back(entry);
            }
        }
    }
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
