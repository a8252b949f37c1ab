// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/page_ids_in_text.h"
#include "reminders/tag_page_list.h"
#include "util/dates.h"
#include "util/json.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rz {

struct TEngineState;
class TOnlineSource;

// The reminder engine's front: turns the reminder page list and page contents into reminders.
// A handle only binds the engine's state to the way online; make one where needed, it holds
// nothing of its own. Run, the tag reader and the known-pages check run on the worker thread;
// Init, Clear and the file loads on the main thread.
class TReminderHandle
{
public:
    // `online` may be null: every page read then gives nothing.
    TReminderHandle(TEngineState& state, TOnlineSource* online);

    // Empties the three lists (start-up, before the stored ones are loaded).
    void Init();
    // After another account signed in: empties the reminder and tag page lists and the page list
    // texts, zeroes the load counters and marks the reminder list changed. Writes no file; a load
    // or check running meanwhile saves nothing.
    void Clear();

    // Makes the engine's lists and files the account's: when they belong to another account (or to
    // an unknown one while `unknownIsAnother`, as right after a sign-in), empties the reminder, tag
    // page and pending lists and the page list texts as Clear does, writes the emptied files and
    // gives true, so that nothing of the former account is ever raised. Main thread; the worker must
    // not be loading meanwhile, or a load of the former account saves nothing (Clear).
    bool AdoptAccount(const std::string& userId, bool unknownIsAnother);

    // Turns ReminderPagesJson into reminders when it differs from the text last turned into
    // reminders, or when reads were held back last time; a completed load saves the reminder list,
    // the page list text and the tag page list.
    void Run();
    // Drops the reminders of pages gone from the page list, then loads it; true when completed.
    bool GetPendings();
    // True when the load completed: an empty or unreadable page list, or every page's tags read.
    bool LoadPengings();
    // One pass over the pages of `current` (the previous list is not consulted); false when some
    // page's tag content could not be read.
    bool LoadPending_Recurse(const Json& current, const Json* previous);

    // Brings the tag reminders of one page in line with its content, read only when the page is
    // new to the tag page list or its change time moved; a page read joins the list even when it
    // holds no reminder. False only when the content was needed and the read failed; a read the
    // request budget held back is no failure: the next Run reads the page first.
    bool LoadPendingTags(const std::string& pageId, const std::string& pageClientLink,
                         const std::string& title, std::optional<Date> lastModifyTime);

    // Updates the known reminder pages' reminders ahead of the mirror: title reminders from the
    // change listing's titles, and reads of the tag pages it shows changed, of the pages held back
    // or failed before, and of a small round-robin share. `sinceLastListing` (at a start, after a
    // Refresh) follows the listing back to the last one, also one from the last run.
    void Run_CheckKnowPages(bool sinceLastListing = false);
    // Page-title reminders in the reminder list.
    std::int64_t CountPageTitleReminderKnownPage();
    // Updates a tag page's reminders from its live title and content; gives the number of changes.
    std::int64_t LoadPendingTags_Known(const TagPagePtr& tagPage, const std::string& pageTitle,
                                       const std::string& html);

    void SaveHierarchyToFile();
    // Also lists the near misses again: the titles' from the page list, the tagged paragraphs'
    // from their own file, as their pages are read again only when they change.
    void LoadHierarchyFromFile();
    void SaveRemindersToFile();
    void LoadRemindersFromFile();
    void SaveTagPagesToFile();
    // The tag near misses, written only when they changed since the last write or read.
    void SaveNearMissesToFile();

private:
    // The known-pages check, phase by phase; Run_CheckKnowPages runs them in order.
    struct TKnownCheck;
    // Under the lists lock: counts the known pages and opens the check on them.
    void KnownCheck_Begin(TKnownCheck& check, bool sinceLastListing);
    // The change listing: which known pages changed since the last listing.
    void KnownCheck_List(const TKnownCheck& check);
    // Title reminders from the listed titles, then the plan of page reads.
    void KnownCheck_TitlesFromListing(TKnownCheck& check);
    // Reads the planned pages until the request budget holds one back.
    void KnownCheck_ReadPlanned(TKnownCheck& check);
    // Closes the check: progress counts and the listing to keep.
    void KnownCheck_Settle(TKnownCheck& check);
    // Writes what changed, after the lock is let go.
    void KnownCheck_Save(const TKnownCheck& check);
    bool LoadOnePage(const Json& page, std::uint64_t generation, TPageIdsInText& seen, bool anySeen);
    std::int64_t UpdateTitleReminders(const std::string& pageId, const std::string& title);
    bool Cleared(std::uint64_t generation) const;

    TEngineState& m_State;
    TOnlineSource* m_Online;
};

} // namespace rz
