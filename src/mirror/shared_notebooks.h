// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

// Notebooks of other owners (a colleague, a group, a team site) that the user watches, kept in the
// account's store as "sharednotebooks.json" (the agent's own file, not an answer of the service).
inline constexpr const char* kSharedNotebooksFile = "sharednotebooks.json";
// The folder below the account folder that holds every shared notebook, one folder per owner and
// below it one per notebook id; StoreFolderName never gives an item this name.
inline constexpr const char* kSharedStoreFolder = "shared.notebooks";
// The member that marks a shared notebook in the stored hierarchy: its owner and the base address
// its answer gave.
inline constexpr const char* kSharedMember = "sharedNotebook";
// A shared notebook's sections are asked for again at most this often (and at every Refresh): each
// costs two requests, and a dozen notebooks must leave the engine its share.
inline constexpr double kSharedTreeSeconds = 1800.0;
// The recent-notebooks list is asked for at most this often.
inline constexpr double kSharedDiscoverySeconds = 3600.0;
// Shared notebooks kept at most; the file is read with a bound as well.
inline constexpr std::size_t kMaxSharedNotebooks = 200;

enum class TSharedState {
    Open,    // mirrored
    Refused, // the service answered 403: no longer shared with the user
    Gone,    // the service answered 404: deleted or moved
};

struct TSharedNotebook
{
    std::string Id;
    std::string Name;
    std::string OwnerId;
    std::string OwnerName;
    // "<Graph root>/v1.0/users/<owner>" (or ".../groups/<id>", ".../sites/<id>"): where the
    // notebook's sections, pages and page contents are asked for.
    std::string Base;
    std::string SectionsUrl;
    std::string SectionGroupsUrl;
    std::string WebUrl;
    TSharedState State = TSharedState::Open;
    bool operator==(const TSharedNotebook&) const = default;
};

// Shared notebooks' section and section-group lists are followed through "@odata.nextLink" for at
// most this many answers: the service documents no largest list, and a link that never ends must.
inline constexpr int kMaxSharedListPages = 50;

// The base of a OneNote address the service handed out: the part before "/onenote/", when the address
// lies on the configured Graph root below "/v1.0/" or "/beta/" and "users", "groups" or "sites" and
// one safe id segment, and what follows "/onenote/" is a documented OneNote path (collections and
// ids, a page's "content", a query) without dot segments or encoded characters. None for any other
// host, scheme or shape: the bearer token never goes there.
std::optional<std::string> OneNoteBaseOf(std::string_view address, std::string_view graphRoot);

// Whether `address` lies below `base` (a base OneNoteBaseOf gave, or the user's own) followed by a
// documented OneNote path: where an "@odata.nextLink" may lead.
bool IsOneNoteAddressUnder(std::string_view address, std::string_view base);

// A notebook's web address as the user may paste it: "https://" (or "onenote:https://") with a host,
// no blanks or control characters, at most 2048 bytes. Surrounding blanks are dropped.
std::optional<std::string> NotebookWebAddress(std::string_view text);

// The notebook an answer of GetNotebookFromWebUrl describes, in either published shape (the
// metadata's CopyNotebookModel or a notebook object); none unless it has an id and sections and
// section-group addresses of one base on the Graph root. A missing name becomes `knownName` (what
// the recent-notebooks list called it), else the web address's last segment.
std::optional<TSharedNotebook> SharedNotebookFromAnswer(std::string_view answer, std::string_view graphRoot,
                                                        std::string_view webAddress = {},
                                                        std::string_view knownName = {});

// The stored list; empty when missing or damaged. Entries whose base no longer lies on the Graph
// root are left out (SharedEntriesOffRoot keeps them for the file).
std::vector<TSharedNotebook> ReadSharedNotebooks(const std::string& path, std::string_view graphRoot);
// The stored entries whose addresses lie off the Graph root, as stored: written back with the list
// so that a change of the Graph root and back costs the user none of their notebooks.
Json SharedEntriesOffRoot(const std::string& path, std::string_view graphRoot);
std::string SharedNotebooksText(const std::vector<TSharedNotebook>& notebooks, const Json& offRoot = Json());

// A shared notebook in the form of the stored hierarchy (a notebook with "sections" and
// "sectionGroups"), marked with kSharedMember.
Json SharedHierarchyNotebook(const TSharedNotebook& notebook, Json sections, Json sectionGroups);
// The owner's id of a notebook of the stored hierarchy that is shared; empty for the user's own.
std::string SharedOwnerOf(const Json& notebook);

// Which base address reaches an item of a shared notebook (a section, section group or page), for
// the requests that otherwise go below the user's own base. Thread-safe.
class TSharedSources
{
public:
    // The shared notebooks of a hierarchy and their sections' folders below `root`.
    void SetHierarchy(const Json& hierarchy, const std::filesystem::path& root);
    // A shared section's page list was stored: the page index is read again at the next lookup.
    void PagesChanged();
    // The base of a shared item; none for the user's own.
    std::optional<std::string> BaseOf(const std::string& id);

private:
    std::mutex m_Mutex;
    std::map<std::string, std::string> m_Items; // notebooks, groups, sections
    std::vector<std::pair<std::filesystem::path, std::string>> m_SectionFolders; // folder, base
    std::map<std::string, std::string> m_Pages;
    bool m_PagesStale = true;
};

} // namespace rz
