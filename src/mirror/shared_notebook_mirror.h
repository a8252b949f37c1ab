// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/shared_notebooks.h"
#include "util/json.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rz {

class MThreadOneNoteRESTDB;

// What became of a notebook address the user gave.
enum class TSharedResolveStatus { Idle, Pending, Found, NotShared, NotFound, Malformed, Failed };
struct TSharedResolve
{
    TSharedResolveStatus Status = TSharedResolveStatus::Idle;
    TSharedNotebook Notebook;
};

// The notebooks shared with the user beside the worker that mirrors them: where their items are
// asked for, their requests (the recent notebooks, an address resolved, each notebook's sections)
// and their state. Requests go out on the worker thread through the worker; the windows read the
// lists and results from any thread.
class MSharedNotebookMirror
{
public:
    explicit MSharedNotebookMirror(MThreadOneNoteRESTDB& worker) : m_Worker(worker) {}

    // The base below which an item (a notebook, section group, section or page id) is asked for: its
    // owner's for an item of a shared notebook, else the account's own. Empty while the account's
    // stored hierarchy was neither read nor downloaded (the item may be shared), or when the stored
    // base no longer lies on the configured Graph host: the request then waits.
    std::string BaseFor(const std::string& itemId);
    // The same for a relative address ("/onenote/pages/{id}/…", "/onenote/sections/{id}/…"); any
    // other address gets the account's own base.
    std::string BaseForAddress(const std::string& relative);
    // The base a read of the item goes to: BaseFor, else the account's own (a read sent to the wrong
    // owner fails and is asked again; only writes must wait).
    std::string ReadBaseFor(const std::string& itemId);
    // The hierarchy just stored below the account folder `root` now tells the shared items' bases.
    void SetHierarchy(const Json& hierarchy, const std::filesystem::path& root);
    // A section's page list was stored: pages are looked up afresh at the next BaseFor.
    void PagesChanged() { m_Sources.PagesChanged(); }
    // The next hierarchy download asks every shared notebook's sections again.
    void ForceTrees() { m_Force = true; }

    // Drops the notebooks the user left unchecked from a hierarchy answer and adds the shared ones the
    // user watches, read below their owners' addresses (each at most every kSharedTreeSeconds; one
    // that fails for a while keeps its stored copy, one refused with 403 or 404 goes). True when the
    // hierarchy is no longer the answer as received.
    bool MergeChosenNotebooks(Json& hierarchy, const Json& oldHierarchy);
    // Serves what the windows asked for (an address to resolve, notebooks to add); each pass.
    void ServeRequests();
    // True while a window's request waits for ServeRequests.
    bool HasRequests() const;

    // Asks for a notebook by its web address (GetNotebookFromWebUrl) from any thread; the next pass
    // resolves it and ResolveResult tells the outcome (Pending until then).
    void AskResolve(const std::string& webAddress);
    // The outcome of the last AskResolve; Idle when none was asked.
    TSharedResolve ResolveResult() const;
    // Resolves at once (worker thread); Failed when no request could go out or the answer is no notebook.
    // `knownName` names the notebook when the answer gives no name (the recent-notebooks list's).
    TSharedResolve Resolve(const std::string& webAddress, const std::string& knownName = {});
    // Watches a resolved notebook: the next pass stores it and the next cycle mirrors it.
    void Add(const TSharedNotebook& notebook);
    // The shared notebooks as last stored; empty before the first store of this run.
    std::vector<TSharedNotebook> Notebooks() const;
    // The names of the watched shared notebooks the service refused at their last look; empty when none.
    std::vector<std::string> Refused() const;

private:
    MThreadOneNoteRESTDB& m_Worker;
    TSharedSources m_Sources;
    // The account folder whose hierarchy m_Sources holds; empty until one was read or downloaded.
    std::filesystem::path m_SourcesFor; // guarded by m_Mutex
    // Worker thread only: when the recent notebooks were last asked for, and each shared notebook's
    // sections (monotonic seconds).
    double m_DiscoveredAt = -1;
    std::map<std::string, double> m_TreeAt;
    std::atomic<bool> m_Force{false};
    mutable std::mutex m_Mutex;
    std::string m_ResolveAsked;              // guarded by m_Mutex
    TSharedResolve m_Resolve;                // guarded by m_Mutex
    std::vector<TSharedNotebook> m_ToAdd;    // guarded by m_Mutex
    std::vector<TSharedNotebook> m_Known;    // guarded by m_Mutex
    std::vector<std::string> m_RefusedNames; // guarded by m_Mutex

    // True when m_Sources holds the hierarchy of the worker's account folder, read from its stored
    // file when it did not yet (a missing file holds no shared notebook; a damaged one tells nothing).
    bool SourcesKnown();
    std::string NotebooksPath() const;
    void Store(const std::vector<TSharedNotebook>& notebooks);
    // Asks getRecentNotebooks and resolves the addresses not known yet (work accounts).
    void Discover(std::vector<TSharedNotebook>& notebooks);
    // A shared notebook's sections and section groups; none when they could not be read, with the
    // notebook's state set when the service refused it.
    std::optional<Json> Tree(TSharedNotebook& notebook);
};

} // namespace rz
