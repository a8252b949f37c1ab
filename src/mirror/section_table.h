// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace rz {

// A section whose page list fails is asked again at once the first time, then after 2 minutes,
// doubling up to a day.
inline constexpr double kSectionBackOffFirstSeconds = 120.0;
inline constexpr double kSectionBackOffMaxSeconds = 86400.0;
// Failures in a row are counted up to here: far past the longest back-off.
inline constexpr int kMaxSectionFailures = 1000;

// Every id of a hierarchy's notebooks, section groups and sections.
using THierarchyIds = std::unordered_set<std::string>;
// One section on the error list: section id, display name, section folder path.
using TErrorSection = std::array<std::string, 3>;
// A failing section's back-off: failures in a row and when it may be asked again (monotonic).
struct TSectionBackOff
{
    int failures = 0;
    double retryAt = 0;
    bool operator==(const TSectionBackOff&) const = default;
};

enum class TSectionState {
    Listed,  // its page list is stored; nothing waits
    Waiting, // on the error list: asked again by the cycle's retry
    PutOff,  // put off for the budget: fetched newest first within the mirror's share
    Paging,  // put off while paging: goes on from where it stopped
    Failing, // its page list failed: asked again when its back-off ends
};

// What the mirror knows of one section. A section put off after it failed keeps its failures and
// retry time, so that it still counts as failing.
struct TSectionRecord
{
    std::string id;
    // Empty while only the progress named the section (a kill between the two files): the next
    // hierarchy walk fills them in, and until then the section is not fetched.
    std::string name;
    std::string folder;
    TSectionState state = TSectionState::Listed;
    int failures = 0;
    double retryAt = 0;       // monotonic
    std::string lastModified; // put off: the section's last change, a Graph time
    int pagingSkip = 0;       // paging: the "$skip" it goes on from
    // The page list was stored (or found unchanged) since the title search: the search's pages of
    // the section give way to it.
    bool listedSinceSearch = false;
};

// The one owner of the mirror's per-section state: which sections wait to be fetched and why.
//
// Files (in the account folder): "errorsections.json", the sections on the error list as an XML
// property list of [id, name, folder]; and the members "deferred" (id: last change), "failing"
// (id: failures, retryAt as a wall-clock time) and "search"/"listed" of "mirrorprogress.json",
// whose other members the worker writes. Only the error list names a section's folder: a section
// the progress alone holds (after a kill between the two writes) waits for a walk to name it.
//
// Threads: every member locks the table; the worker changes it, the status window reads it.
class TSectionTable
{
public:
    // Replaces the table with what the account folder's files hold. A missing, damaged, oversized
    // or foreign file, a member of another kind, and an error-list entry that names another section
    // than its key, read as empty; failure counts are clamped into [1, kMaxSectionFailures] and a
    // retry time is cut to the longest back-off from now.
    void Load(const std::filesystem::path& accountFolder);
    // Empties the table; the next Load reads the files again.
    void Clear();
    // The account folder Load last read; empty after Clear.
    std::filesystem::path Folder() const;
    // Writes "errorsections.json" at `path`; false when it could not be written.
    bool SaveErrorList(const std::string& path) const;
    // Sets the table's members of the progress object; "listed" only with `withListed`.
    void AddProgress(Json& progress, bool withListed) const;
    // Grows with every change of what AddProgress writes.
    std::uint64_t Generation() const;

    // Puts the section on the error list under its present name and folder; a section moved or
    // renamed while it waits is fetched into its new folder, and keeps its state.
    void Wait(const std::string& id, const std::string& name, const std::string& folder);
    // Puts the section off; one put off before keeps its last change unless a new one is given.
    void PutOff(const std::string& id, const std::string& lastModified = {});
    // A paging of the section stopped before its end; it is put off and goes on from `skip`.
    void PagingStopped(const std::string& id, int skip);
    // The section failed now: it goes on the error list and backs off.
    void Fail(const TErrorSection& entry);
    // The section's page list was stored: nothing waits any more. `sinceSearch` notes it for the
    // title search's stand-in.
    void MarkListed(const std::string& id, bool sinceSearch);
    // Only sections the hierarchy still holds keep their records.
    void KeepOnly(const THierarchyIds& ids);
    // The title search starts over, or its stand-in ended: no section counts as listed since it.
    void ClearListed();

    // On the error list, or backing off.
    bool Waits(const std::string& id) const;
    bool InBackOff(const std::string& id) const;
    // Listed since the title search and not waiting: its page list says what the section holds.
    bool IsListed(const std::string& id) const;
    bool HasPutOff() const;
    // The ids on the error list, in order.
    std::vector<std::string> ErrorListIds() const;
    // The entry the cycle's retry fetches: on the error list, neither put off nor backing off.
    std::optional<TErrorSection> DueRetry(const std::string& id) const;
    // The put-off section changed last (Graph times compare as text); put-off sections the error
    // list does not name are dropped on the way. None when nothing is put off.
    std::optional<TErrorSection> NextPutOff();
    std::map<std::string, TErrorSection> ErrorList() const;
    std::map<std::string, TSectionBackOff> Failing() const;
    std::optional<TSectionRecord> Record(const std::string& id) const;
    // For the status window: sections on the error list still to come (not failing), and the
    // display names of the failing ones.
    std::size_t ToMirror() const;
    std::vector<std::string> FailingNames() const;

private:
    mutable std::mutex m_Mutex;
    std::map<std::string, TSectionRecord> m_Records;
    std::filesystem::path m_Folder;
    std::uint64_t m_Generation = 0;

    TSectionRecord& At(const std::string& id);
};

} // namespace rz
