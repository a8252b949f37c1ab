// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace rz {

inline constexpr const char* kBundleName = "RedoZevuviva";

// The names of the data folder's files, one place for all of them.
inline constexpr const char* kSettingsFileName = "velaapp.plist";
inline constexpr const char* kHierarchyFileName = "RedoZevuviva.json";
inline constexpr const char* kRemindersFileName = "Reminders.plist";
inline constexpr const char* kTagPagesFileName = "TagPages.plist";
inline constexpr const char* kPendingRemindersFileName = "PendingReminders.plist";
// Every write waiting for OneNote, and the file of its to-dos an earlier version kept.
inline constexpr const char* kOutboxFileName = "Outbox.json";
inline constexpr const char* kEarlierToDoQueueFileName = "ToDoQueue.json";
// The engine's own state, beside the reminders file: the due check's last check time (main thread),
// the known-pages check's last change listing (worker), and whose reminders the files hold.
inline constexpr const char* kDueCheckFileName = "DueCheck.json";
inline constexpr const char* kKnownPagesFileName = "KnownPages.json";
inline constexpr const char* kOwnerFileName = "ReminderOwner.json";
// The tagged paragraphs that look like reminders but do not read whole, kept for a restart.
inline constexpr const char* kNearMissesFileName = "NearMisses.json";

// Where the system keeps its files. Everything it writes lies below DataFolderPath or StoreRootPath.
struct AppPaths
{
    std::string DataFolderPath;
    std::string SettingsFilePath;         // "velaapp.plist"
    std::string HierarchyFilePath;        // "RedoZevuviva.json"
    std::string RemindersFilePath;        // "Reminders.plist"
    std::string TagPagesFilePath;         // "TagPages.plist"
    std::string PendingRemindersFilePath; // "PendingReminders.plist"
    std::string OutboxFilePath;           // "Outbox.json"
    std::string StoreRootPath;            // "<support>/Tidewell/RESTDB"; one folder per account below
};

// $XDG_DATA_HOME when set to an absolute path, else $HOME/.local/share; empty when neither is set
// to an absolute path. The app then refuses to start: its files would otherwise land below "/".
std::string ApplicationSupportFolder();
inline constexpr const char* kNoDataFolderMessage =
    "redozevuviva: cannot place the data folder: neither XDG_DATA_HOME nor HOME is set to an absolute path";
// <support>/Tidewell/<bundle> and the file paths in it. Creates the data folder (0700); a failure
// to create it is not fatal: later reads find nothing and later writes fail.
AppPaths BuildAppPaths(const std::string& applicationSupportFolder,
                       const std::string& bundleName = kBundleName);

// Start-up: narrows the data folder, the store root and each account folder of the store to 0700,
// and, when this process holds the instance lock, removes temporary files a kill left behind in
// the data folder and anywhere in the store (they may hold a copy of the tokens). Without the lock
// another agent may be between a write and its rename, so they stay (said once in the log).
// Returns how many files went.
std::size_t TidyDataFolders(const AppPaths& paths, bool instanceLockHeld);

} // namespace rz
