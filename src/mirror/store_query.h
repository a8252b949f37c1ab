// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace rz {

struct AppState;

// Query numbers of MOneNoteRESTDB::Run.
inline constexpr std::int64_t kQueryPagesByTitle = 4;

// The account's folder in the local store: the store root and the user id, mapped like every other
// store folder name so that an odd id cannot point elsewhere.
std::string AccountStorePath(const std::string& storeRootPath, std::string_view userId);

// False only when no page title in a page-list text can contain the keyword, so the text need not
// be parsed. Exact for texts without JSON escapes: every title value is compared as the query
// compares it (the Unicode lower-case mapping when ignoreCase is set). A text holding a "\" always
// gives true, as does a cut-off title; an empty keyword matches nothing and gives false.
bool PageListMayMatch(std::string_view text, std::string_view keyword, bool ignoreCase);

// What earlier queries found, kept for the next one. Each page list is remembered with its stamp
// (inode, size, modification and change times to the nanosecond): the store replaces a file by
// renaming a new one over it, so a list whose stamp has not moved is not read again, its matches
// are taken as they were. A stamp younger than kSettleSeconds when it was taken is not trusted
// (a write within the same clock tick may not move it), and such a list is read again. The
// hierarchy document and each page list that held a possible match are kept with their exact
// text, so a file read again but unchanged is neither parsed nor searched again. Results are the
// same as without it. The caller keeps one across queries and lends it to one query at a time;
// page lists a query did not use are dropped when it ends, and texts beyond a total of
// kMaxTextBytes are not kept.
class TStoreQueryMemo
{
public:
    static constexpr std::size_t kMaxTextBytes = 64 * 1024 * 1024;
    static constexpr double kSettleSeconds = 2.0;
    // Page lists whose text is held now.
    std::size_t PageListCount() const;
    // Page lists the last query read from disk.
    std::size_t PageListsRead() const { return m_PageListsRead; }

    // What tells one version of a file from the next without reading it.
    struct Stamp
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    friend class MOneNoteRESTDB;
    struct PageList
    {
        Stamp stamp;
        bool settled = false; // the stamp alone tells whether the list changed
        bool textKept = false;
        std::string text;
        std::string keyword;
        bool ignoreCase = false;
        std::string matches; // the matching pages' compact JSON, joined by ","
        std::int64_t count = 0;
        std::uint64_t run = 0;
    };
    std::string m_HierarchyText;
    Json m_Hierarchy;
    std::unordered_map<std::string, PageList> m_PageLists; // by the page list's path
    std::size_t m_TextBytes = 0;
    std::uint64_t m_Run = 0;
    std::size_t m_PageListsRead = 0;
};

// Queries over the local notebook store that the mirror worker keeps; reads only, never the
// network. Query 4 gathers every page whose title contains a keyword, walking the hierarchy
// document depth-first in document order (a notebook's section groups, each group's nested groups
// before its own sections, then the notebook's sections) and each section's "pages.json" in order.
// One object runs one query at a time on one thread; every Run starts from cleared results.
class MOneNoteRESTDB
{
public:
    // The store root and the user id are read from `state` by Init, at every Run. With a memo,
    // unchanged page lists cost a stat instead of a read (see TStoreQueryMemo).
    explicit MOneNoteRESTDB(const AppState& state, TStoreQueryMemo* memo = nullptr);

    // m_RESTDBPath := the signed-in account's store folder. Creates nothing.
    void Init();

    // Runs one query. Query 4: `paramInt1` 1 ignores case (any other value compares bytes),
    // `paramStr3` is the keyword; `paramInt2` and `paramStr4` are kept but unused. Afterwards
    // m_Count holds the number of matching pages and m_ResultStr either «{"value": [p1,p2,…]}»,
    // the pages' compact JSON in walk order («{"value": []}» when none matched), or the empty text
    // when the store holds no valid hierarchy document (missing, not a list answer, cut off, or
    // without a "value" array). Callers tell "nothing matched" from "nothing known" by that.
    void Run(std::int64_t command, std::int64_t paramInt1, std::int64_t paramInt2, std::string paramStr3,
             std::string paramStr4);

    // Appends every page of the list's "value" array whose "title" contains the keyword to
    // m_ResultStr and counts it; true when one matched. A page that is not an object ends the scan;
    // a page without a text title matches nothing.
    bool FindPageByTitle(const Json& pageList, std::string_view keyword, bool ignoreCase);

    std::string m_RESTDBPath;
    std::int64_t m_Count = 0;
    std::int64_t m_ResultInt = 0;
    std::string m_ResultStr;
    // Page lists whose raw text shows no possible match are not parsed (PageListMayMatch). The
    // results are the same either way; tests and the benchmark turn it off to compare.
    bool m_SkipUnmatchedPageLists = true;
    // With a memo, page lists whose stamp has not moved are not read. The results are the same
    // either way; the benchmark turns it off to compare.
    bool m_SkipUnchangedPageLists = true;

private:
    // Notebooks and section groups alike: each one's groups, then its sections. An item without a
    // text name or a folder ends the list it is in.
    void Run_Containers(const Json& containers, const std::string& path);
    void Run_Sections(const Json& sections, const std::string& path);
    // Searches the section's page list, whose stamp was taken before it is read.
    void Run_Pages(const std::string& sectionPath, const TStoreQueryMemo::Stamp& stamp);
    // Searches a page list that may match, through the memo when there is one.
    void SearchPageList(const std::string& path, std::string&& text, bool ignoreCase,
                        const TStoreQueryMemo::Stamp& stamp);
    // Adds a remembered list's matches when its stamp shows it unchanged; false when it must be read.
    bool TakeUnchanged(const std::string& path, const TStoreQueryMemo::Stamp& stamp, bool ignoreCase);
    // Adds a remembered list's matches and count to this run's result, and marks it used.
    void AddRemembered(TStoreQueryMemo::PageList& entry);
    // Remembers a list that was read and added these matches (none: `matches` empty, `count` 0).
    TStoreQueryMemo::PageList& Remember(const std::string& path, const TStoreQueryMemo::Stamp& stamp,
                                        bool ignoreCase, std::string matches, std::int64_t count);

    const AppState& m_State;
    TStoreQueryMemo* m_Memo = nullptr;
    std::int64_t m_Command = 0;
    std::int64_t m_ParamInt1 = 0;
    std::int64_t m_ParamInt2 = 0;
    std::string m_ParamStr3;
    std::string m_ParamStr4;
};

} // namespace rz
