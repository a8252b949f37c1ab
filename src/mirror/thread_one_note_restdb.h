// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/graph_tokens.h"
#include "mirror/mirror_counters.h"
#include "mirror/mirror_limits.h"
#include "mirror/one_note_channel.h"
#include "mirror/request_budget.h"
#include "mirror/section_fetch.h"
#include "mirror/section_table.h"
#include "mirror/shared_notebook_mirror.h"
#include "mirror/title_search.h"
#include "reminders/online_source.h"
#include "state/app_state.h"
#include "util/dates.h"
#include "util/json.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace rz {

// Every id of a hierarchy's notebooks, section groups and sections; none for a hierarchy without them.
THierarchyIds HierarchyIds(const Json& hierarchy);

// The notebook mirror worker: one thread that, every two minutes, keeps the account's tokens and
// identity usable, mirrors the notebook hierarchy and the page list of every new or changed section
// into the account's store folder, retries failed sections and calls the application back.
//
// Threads: Run starts the worker thread, which runs every cycle, every OneNote request and the
// callbacks. The main thread reads the counters, flags and texts (numbers and flags are atomic,
// texts and dates are read as copies) and calls Refresh and Stop. Callbacks and the wait function
// are set before Run and owned by the worker.
//
// Store: "<StoreRootPath>/<UserId>/" with "notebooks.json", "notebookssections.json",
// "errorsections.json", "mirrorprogress.json", "requestbudget.json" and a folder per notebook,
// section group and section (StoreFolderName), each section's holding "pages.json". Every change is
// checked with IsInsideStore first (a path outside is skipped and counted in StoreErrorCount) and
// replaces its file atomically, so a process killed mid-cycle leaves each file old or new.
//
// Requests: every OneNote request goes through m_Budget; mirror requests wait for a slot, any other
// without one is held back (not sent, no token refresh). The probe, tokens and "/me" are not budgeted.
class MThreadOneNoteRESTDB : public MGraphTokens, public TOneNoteChannel
{
public:
    using TCallback = std::function<void(MThreadOneNoteRESTDB&)>;
    // Waits up to `seconds`. The default waits real time and returns early on Stop or Refresh; tests
    // install one that advances a ScopedFakeClock, so that pauses and budget waits pass at once.
    using TWaitFunction = std::function<void(double seconds)>;

    explicit MThreadOneNoteRESTDB(AppState& state);
    // Stops and joins the thread.
    ~MThreadOneNoteRESTDB();

    // Starts the thread (once): m_InitEnd and m_Monitoring false, the section table read again.
    void Run();
    // Ends the thread, cancelling a request in flight, within about a second; safe to call again.
    void Stop();
    // The next pass starts a cycle, and that cycle downloads the whole hierarchy.
    void Refresh();
    // Ends the pause between passes now, so that work handed over from another thread is not left
    // waiting for the rest to end.
    void Wake();
    bool Stopping() const override { return m_Stop.load(); }
    // Replaces the wait between passes and for slots (before Run).
    void SetWaitFunction(TWaitFunction wait) { m_WaitFunction = std::move(wait); }

    // One pass of the loop: a cycle when one is due, then the execute callback. The thread calls
    // this after each pause; tests call it directly.
    void Pass();
    // The pause after a pass: kPassSeconds while anything is in hand (a cycle to resume, put-off
    // sections, shared-notebook requests, no FOnExecuteDueIn, or the sign-in window or keyring
    // holding the pass), else until the next cycle or execute is due, within kRestSeconds.
    double PauseSeconds();
    // One cycle: tokens, user lookup, start callback, title search after a sign-in, Init, monitor,
    // retry of failed sections, end callback.
    void RunCycle();
    // The account folder; loads the account's section table when it holds another account's (or
    // none). False (and nothing mirrored) when the store has no safe folder for this account.
    bool Init();

    // Downloads the hierarchy when it may have changed and mirrors what changed.
    void MonitorNotebooks();
    // Downloads, compares and stores the hierarchy; false when it was not (no account, no answer,
    // an answer naming no notebook, or the walk stopped), and the stored one stays.
    bool GetAllNotebooksSections();
    // The walk over the stored and the new hierarchy (each parsed once per download) that fetches new
    // and changed sections; false when it stopped before its end.
    bool CheckNotebooksSections(const Json& oldObject, const Json& newObject,
                                const std::filesystem::path& folder);
    bool CheckNotebooksSectionsSGs(const Json* oldArray, const Json* newArray,
                                   const std::filesystem::path& folder);
    bool CheckNotebooksSectionsSections(const Json* oldArray, const Json* newArray,
                                        const std::filesystem::path& folder);
    // The first item of the array whose "id" is the same text; null when none or no array.
    static const Json* GetSObjById(const std::string& id, const Json* array);
    // A renamed or moved section's page list is written into its new folder before the walk, so that it
    // counts as mirrored; once the new hierarchy is stored, the old folders that no item of it names go
    // (section folders, then the emptied folders of moved containers). Pairs are old folder, new folder.
    void CarryMovedSections(const std::vector<std::array<std::filesystem::path, 2>>& moved);
    void RemoveMovedFolders(const std::vector<std::array<std::filesystem::path, 2>>& movedSections,
                            const std::vector<std::array<std::filesystem::path, 2>>& movedContainers,
                            const std::set<std::filesystem::path>& inUse);
    // Removal goes by whole ids: an item is present only when the new hierarchy holds its very id.
    void RemoveDeletedNotebooksSections(const Json& oldObject, const THierarchyIds& newIds,
                                        const std::filesystem::path& folder);
    void RemoveDeletedSGs(const Json* oldArray, const THierarchyIds& newIds,
                          const std::filesystem::path& folder);
    void RemoveDeletedSections(const Json* oldArray, const THierarchyIds& newIds,
                               const std::filesystem::path& folder);

    // Reads the section's page list (section_fetch.h says how) and says what became of it.
    TSectionFetch GetSectionAllPages(const std::string& sectionId, const std::string& displayName,
                                     const std::filesystem::path& folder);
    // Fetches the sections on the error list that are neither put off nor backing off.
    void RedoErrorSections();
    // Fetches, while slots of the Deferred share are free now, sections put off for the budget or
    // not mirrored yet, newest first; `limit` sections at most, within one stretch.
    void ResumeDeferredSections(int limit = kResumeSectionsPerPass);
    // Which sections wait, and why.
    const TSectionTable& Sections() const { return m_Sections; }

    // Progress kept beside the store so that a restart goes on where the last run stopped: read once
    // per account and run before the first request, written atomically at the end of each pass
    // when it changed. The search's stand-in and the request budget are part of it.
    void LoadProgress();
    void SaveProgress();
    // The progress's and the budget's files in the account folder; empty before Init.
    std::string ProgressPath() const;
    std::string BudgetPath() const;

    // Reminder pages. FilterReminderPages sets ReminderPagesJson from the title search (every "!"
    // page, a hundred per request) and then calls FOnReminderPagesFound. GetPageContent returns the page's
    // HTML or the empty text, with m_LastCheckPageResult as its code (0 also when held back by the budget).
    bool FilterReminderPages();
    std::string GetPageContent(const std::string& pageId);
    // The store query's result joined with the pages the title search found, for as long as the
    // first mirror after it is not complete, so that a reminder the search found stays until its
    // section is mirrored. Pages of the store come first; each id once.
    std::string WithSearchPages(const std::string& storeResult) const;
    // The same, with what became of the request (the reminder engine's form).
    TOnlineAnswer PageContentAnswer(const std::string& pageId);
    // A budgeted OneNote list GET below m_GraphBase, or of an absolute link on the Graph host.
    TOnlineAnswer OneNoteListAnswer(const std::string& relativeOrNextLink);

    // The notebooks shared with the user: their bases, requests and state.
    MSharedNotebookMirror& Shared() { return m_Shared; }
    const MSharedNotebookMirror& Shared() const { return m_Shared; }

    // The channel the writes go through (TOneNoteChannel): the item's base from Shared(), no request
    // while the sign-in window is open or no token is held, and Exchange as OneNoteRequest followed
    // by RefreshTokensAfter.
    std::string BaseForAddress(const std::string& relative) override
    {
        return m_Shared.BaseForAddress(relative);
    }
    bool SignedIn() const override;
    std::optional<HttpResponse> Exchange(const TOneNoteRequest& request,
                                         const std::function<bool()>& beforeSend) override;

    // The account folder and the failing sections' file in it; empty before Init.
    std::string RESTDBPath() const { return m_RESTDBPath.Get(); }
    std::string ErrorSectionsPath() const;
    // The last notebooks answer and cycle result, and the account's Graph bases; empty until set.
    std::string JsonNotebooks() const { return m_JsonNotebooks.Get(); }
    std::string Result() const { return m_Result.Get(); }
    std::string GraphBase() const { return m_GraphBase.Get(); }
    void SetGraphBase(std::string base) { m_GraphBase.Set(std::move(base)); }
    std::string GraphBaseUser() const { return m_GraphBaseUser.Get(); }
    void SetGraphBaseUser(std::string base) { m_GraphBaseUser.Set(std::move(base)); }
    // When and which page content was last asked for; none or empty before the first.
    std::optional<Date> LastCheckPageTime() const;
    std::string LastCheckPageId() const { return m_LastCheckPageId.Get(); }
    TRequestBudget& Budget() { return m_Budget; } // every OneNote request's slots

    // The one way a request reaches OneNote (worker thread only, so one request at a time, well within
    // the five in flight the service allows an application per user): never while the sign-in window is open,
    // only with a slot, its answer told to the budget, a 401 answered by refreshing the tokens and sending
    // once more; `beforeSend` runs before each attempt and stops it by answering false. None: nothing went
    // out.
    TOneNoteAnswer OneNoteRequest(const TOneNoteRequest& request,
                                  const std::function<bool()>& beforeSend = {});
    // Tokens are refreshed after an HTTP-layer error, but not while the worker is being stopped, nor
    // a second time when the request's own 401 refreshed them already.
    void RefreshTokensAfter(const TOneNoteAnswer& answer);

    // Callbacks, set before Run. A callback that throws is caught and counted.
    TCallback FOnDoStart;            // each cycle, after the token upkeep; must set m_GraphBase
    TCallback FOnDoEnd;              // each cycle, at its end
    TCallback FOnExecute;            // every pass while m_CreateRESTDBComplete
    TCallback FOnReminderPagesFound; // after the title search set ReminderPagesJson
    // Seconds until FOnExecute has work again (0: at the next pass); unset keeps passes a second apart.
    std::function<double(MThreadOneNoteRESTDB&)> FOnExecuteDueIn;

    std::atomic<std::int64_t> m_Tick{0};
    std::atomic<bool> m_CreateRESTDBComplete{true};
    std::atomic<std::int64_t> m_MonitorNotebooksNoChangeCount{0};
    std::atomic<bool> m_InitEnd{false};
    std::atomic<bool> m_Monitoring{false};
    std::atomic<bool> m_JustLoginAccount{false};
    std::atomic<std::int64_t> m_FilterPagesResult{0};
    // What the worker counted, for the status window.
    TMirrorCounters m_Counts;
    std::atomic<std::int64_t> m_LastCheckPageResult{0};
    // True while this cycle has yielded for the budget: its requests take a slot only when one is free now.
    std::atomic<bool> m_Yielding{false};
    // The notebook check yielded; the next pass with a free slot runs a cycle.
    std::atomic<bool> m_ResumeCycle{false};
    // The title search's pages still stand in for sections not mirrored yet.
    std::atomic<bool> m_SearchCovering{false};
    // Until then (monotonic) the account-wide page list is not asked for: refused for too many sections.
    std::atomic<double> m_ListRefusedUntil{0};

private:
    friend class MSharedNotebookMirror; // sends and stores through the worker
    MSharedNotebookMirror m_Shared{*this};
    // Appends the rest of a list answer's "value" by its "@odata.nextLink"s (below `base` only, at
    // most kMaxSharedListPages answers); false when one fails or leads elsewhere.
    bool FollowNextLinks(Json& list, const std::string& base);

    std::thread m_Thread;
    std::atomic<bool> m_Stop{false};
    std::mutex m_WaitMutex;
    std::condition_variable m_WaitCondition;
    bool m_Wake = false; // guarded by m_WaitMutex
    TWaitFunction m_WaitFunction;
    TRequestBudget m_Budget;

    SharedString m_RESTDBPath;
    SharedString m_JsonNotebooks;
    SharedString m_Result;
    SharedString m_GraphBase;
    SharedString m_GraphBaseUser;
    SharedString m_LastCheckPageId;
    SharedString m_SearchPages;
    TTitleSearch m_Search; // worker thread only
    std::atomic<bool> m_HierarchyStoredSinceSearch{false};
    // The kind of slot WaitForSlot takes (worker thread only).
    TRequestKind m_SlotKind = TRequestKind::Mirror;
    mutable std::mutex m_FieldMutex;
    std::optional<Date> m_LastCheckPageTime; // guarded by m_FieldMutex
    TSectionTable m_Sections;
    double m_ListRefusedWait = kListRefusedFirstSeconds;
    // The search's sections (empty for a page without one), for the stand-in's end.
    std::set<std::string> m_SearchSections; // guarded by m_FieldMutex
    // Grows with every change of the progress (the section table's generation added), so that a pass
    // writes it only when it changed; likewise the search's pages and their file.
    std::atomic<std::uint64_t> m_ProgressGeneration{1};
    std::uint64_t m_ProgressSavedGeneration = 0; // worker thread only
    std::atomic<std::uint64_t> m_SearchGeneration{0};
    std::uint64_t m_SearchSavedGeneration = 0; // worker thread only
    std::string m_ProgressUser;                // worker thread only
    std::uint64_t m_BudgetSaved = 0;           // worker thread only
    double m_BudgetSavedAt = 0;                // worker thread only
    // The stored hierarchy's sections and their last change while the walk compares: a moved one keeps its
    // list.
    std::map<std::string, std::string> m_MovedSectionTimes;
    // The current stretch of mirror requests (worker thread only).
    int m_StretchRequests = 0;
    double m_StretchEnd = 0;

    void ThreadRun();
    void Wait(double seconds);
    // A slot for a mirror request: waits up to kYieldSeconds, else yields; false when yielding or stopping.
    bool WaitForSlot();
    // The notebook check could not be sent or finished for the budget: the next pass with a free
    // slot runs a cycle, and it downloads the hierarchy.
    void ResumeLater();
    // Puts a section off (not while stopping); a section put off before keeps its last change.
    void DeferSection(const std::string& sectionId, const std::string& lastModified = {});
    // Fetches one section and books the outcome in the table: listed, put off, or failed (back-off).
    TSectionFetch FetchSection(const TErrorSection& entry);
    // Loads the account's section table unless it holds that account's already.
    void LoadSections(const std::filesystem::path& account);
    void StartStretch();
    bool StretchOver() const;
    // The search's pages whose sections lie in the hierarchy (a deleted section has none).
    void KeepSearchPagesOf(const THierarchyIds& ids);
    // Sets the search's pages and their sections.
    void SetSearchPages(const std::string& text);
    // The account-wide list was refused for the account's many sections: back off.
    void NoteListRefused();
    // The account-wide list (or the title search) was answered: the refusal's back-off ends.
    void NoteListAnswered();
    // Ends the search's stand-in once a hierarchy was stored after it and nothing is put off.
    void UpdateSearchCovering();
    void SaveErrorSections();
    void Call(const TCallback& callback);
    void ResetCycleCounters();
    bool HasAccount() const;
    // A OneNote GET through OneNoteRequest; `escape` false keeps the "%XX" of a service's address.
    TOneNoteAnswer OneNoteGet(const std::string& address, bool waitForSlot, bool escape = true,
                              const std::function<bool()>& beforeSend = {});
    // Tells the budget how the service took a request that had a slot.
    void ReportToBudget(const HttpResponse& response);
    // True for an answer that refuses for now what it was asked (IsTemporaryRefusal): the budget
    // backs off for it, so the mirror yields, and what was refused is asked again after the wait.
    bool RefusedForNow(const HttpResponse& response);
    // Writes the budget's file: `whenChanged` at once on any change (the end of a pass), else only
    // every kBudgetSaveEverySends changes or kBudgetSaveSeconds.
    void SaveBudget(bool whenChanged);
    // Store guards: the path lies inside the account folder (not the folder itself for a delete); false,
    // counted in StoreErrorCount, on a refusal or failure.
    bool StoreCreateFolder(const std::filesystem::path& path);
    bool StoreWrite(const std::filesystem::path& path, const std::string& text);
    bool StoreDeleteFolder(const std::filesystem::path& path);
    bool StoreHasFolder(const std::filesystem::path& path) const;
    std::filesystem::path StoreRoot() const { return std::filesystem::path(m_RESTDBPath.Get()); }
    // Asks for the pages from `firstSkip` on until an answer holds fewer; `answer` comes in as the
    // pages read so far and leaves as one list of every page, each id once. Cut off by the end of
    // the stretch, it keeps the pages read and the next "$skip" in the section's folder, and the
    // table notes where paging stopped.
    TSendOutcome MorePages(const std::string& sectionId, const std::string& address, std::string& answer,
                           int firstSkip, const std::filesystem::path& folder);
    void SavePaging(const std::filesystem::path& folder, int skip, const Json& answer);
    // One page-list request; Ok leaves the answer, which holds a "value" array, in `answer`.
    TSendOutcome GetPageList(const std::string& address, Json& answer);
    // Books a page-list outcome: stores the list, fails, or puts the section off.
    TSectionFetch StorePages(const std::string& sectionId, const std::filesystem::path& folder,
                             TSendOutcome outcome, const std::string& text, TListRead read);
    // A big section's stored list with the pages changed since its newest change merged in (replaced
    // by id, new ones added) into `text`; none when the section is to be read whole: its paging file
    // (`paging`) dates no recent whole read, or the changes are not usable.
    std::optional<TSendOutcome> ChangedPages(const std::string& sectionId,
                                             const std::filesystem::path& folder, const Json& paging,
                                             std::string& text);
    // Counts an unusable page-list answer and notes the section's folder.
    TSectionFetch FailSection(const std::filesystem::path& folder);
    // An outcome when the section is not asked now: no account, yielded, no network, an id unfit for an
    // address.
    std::optional<TSectionFetch> SectionNotAsked(const std::string& sectionId,
                                                 const std::filesystem::path& folder);
    // The list read from its first hundred on, paged through when that hundred is full.
    TSectionFetch ReadWholeList(const std::string& sectionId, const std::string& address,
                                const std::filesystem::path& folder);
    // The first hundred into `text` (empty after two throws); an outcome when the fetch ends here.
    std::optional<TSectionFetch> FirstPages(const std::string& sectionId, const std::string& address,
                                            std::string& text);

    // The title search's steps (worker thread only); m_Search carries its progress between passes.
    // Pages through the search from where it stopped; true when it is complete.
    bool PageThroughSearch();
    // Asks for the next hundred; a refusal sets m_FilterPagesResult to its code.
    TSearchStep SearchNextHundred(const std::string& address);
    TSearchStep AddSearchAnswer(const std::string& body, const Json& answer, const Json& value);
    // A refused search starts over next time; `result` tells the status why.
    void DropSearch(std::int64_t result);
    // The complete search as one answer (consumes its pages).
    std::string SearchAnswerText();
    // Hands the complete search on: the search's pages, ReminderPagesJson and the callback.
    void PublishSearch(const std::string& text);
};

} // namespace rz
