// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paths.h"
#include "reminders/known_pages.h"
#include "reminders/near_miss.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"
#include "util/dates.h"
#include "util/shared_value.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace rz {

// The engine's files in the data folder.
struct TEngineFilePaths
{
    std::string HierarchyFilePath; // "RedoZevuviva.json": the page list text last turned into reminders
    std::string RemindersFilePath; // "Reminders.plist"
    std::string TagPagesFilePath;  // "TagPages.plist"

    // A file of that name in the reminders file's folder; empty while that has no path.
    std::string Beside(const char* name) const
    {
        if (RemindersFilePath.empty()) {
            return {};
        }
        return (std::filesystem::path(RemindersFilePath).parent_path() / name).string();
    }
};

// Everything the reminder engine works on: its lists, texts, counters and files. One lives in the
// application's state for the whole run; tests make their own.
//
// Threads: the loaders run on the worker, the due check and Clear on the main thread. Each list
// serialises its own operations; ListsMutex serialises the engine's sequences of them (one page's
// title and tags, one known page's update) against the due check and Clear. It is never held
// across a request or a file write. Counters are atomics the monitor window reads at any time.
struct TEngineState
{
    TEngineState() = default;
    TEngineState(const TEngineState&) = delete;
    TEngineState& operator=(const TEngineState&) = delete;

    // Created once and never replaced.
    TReminderList ReminderList;
    TReminderList PendingReminderList;
    TTagPageList TagPageList;
    // Titles and tagged paragraphs that look like reminders but do not read whole.
    TNearMissList NearMisses;

    // The main thread's tick re-sorts and redraws when set, then clears it.
    std::atomic<bool> ReminderListChanged{false};
    // Pages the last store query found, and its page list text; the loader compares that text
    // with the one it last turned into reminders.
    std::atomic<std::int64_t> ReminderPageCount{0};
    SharedString ReminderPagesJson;
    SharedString PreviousReminderPagesJson;
    // The page list text the engine last turned into reminders, in this run or (the hierarchy file)
    // the last one: a page not in it is seen for the first time. Empty before any load of the
    // account, when nothing counts as first seen.
    SharedString SeenReminderPagesJson;

    // Set at start-up before any other thread exists.
    TEngineFilePaths EngineFiles;
    // The late-alarms preference: a one-off first seen after its time rings, late, only while on.
    std::atomic<bool> LateAlarms{true};

    // Held by the engine while it changes the lists for one page, by the due check and by Clear.
    std::mutex ListsMutex;

    // Pending reminder load: pages of the current or last load, done so far, unreadable.
    std::atomic<std::uint64_t> LoadPageTotal{0};
    std::atomic<std::uint64_t> LoadPageDone{0};
    std::atomic<std::uint64_t> LoadPageErrors{0};
    // When the last load or known-pages check started, then when it ended.
    SharedValue<std::optional<Date>> LastLoadTime;
    std::atomic<bool> LoadRunning{false};

    // Known-pages check: page-title reminders and tag pages when the last check began, and how
    // many of them the check has settled (read, or seen unchanged in the change listing).
    std::atomic<std::uint64_t> KnownTitlePageTotal{0};
    std::atomic<std::uint64_t> KnownTitlePageDone{0};
    std::atomic<std::uint64_t> KnownTagPageTotal{0};
    std::atomic<std::uint64_t> KnownTagPageDone{0};
    // Since start: change-listing requests sent, listings that failed, page reads sent by the
    // check. Pages now waiting for a request slot.
    std::atomic<std::uint64_t> KnownListRequests{0};
    std::atomic<std::uint64_t> KnownListFailures{0};
    std::atomic<std::uint64_t> KnownPageReads{0};
    std::atomic<std::uint64_t> KnownPagesWaiting{0};

    // Moved on by Clear, so a load or check that began before it does not save what it built
    // from the former account.
    std::atomic<std::uint64_t> ClearGeneration{0};
    // What the known-pages check remembers between checks; under ListsMutex.
    TKnownPages KnownPages;
    // Pages whose content a load wanted and the request budget held back: the next Run reads them
    // first, even when the page list text has not changed. Under ListsMutex.
    std::set<std::string> LoadHeldBack;
    // The known-pages check has read back its last listing from the last run (or has no need to:
    // another account), and the listing text it last wrote. Under ListsMutex.
    bool KnownPagesRestored = false;
    std::string KnownPagesSaved;
};

} // namespace rz
