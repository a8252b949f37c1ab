// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <cstddef>
#include <map>
#include <string>

namespace rz {

// The bridge's file in the account's store folder.
inline constexpr const char* kToDoStateFileName = "todobridge.json";
// Bounds a stored state is read within: more tasks, or a longer link, were not written by the bridge.
inline constexpr std::size_t kToDoMaxTasks = 5000;
inline constexpr std::size_t kToDoMaxLinkBytes = 8192;

// What the bridge knows of one task of its list, from the list's delta.
struct TToDoTask
{
    std::string ExternalId;       // the bridge's externalId on it; empty for a task the user made there
    std::string Status;           // "notStarted", "completed", …
    std::string Created;          // createdDateTime, for choosing among twins alike on every desktop
    Json Fields = Json::object(); // title, reminderDateTime, dueDateTime as the service has them
    bool Closing = false;         // the bridge completes or deletes it: its completion is not the user's
    bool Handled = false;         // its completion on the phone was taken over to the desktop
};

// A task as the service shows it (a delta entry, a create's answer) over what was known of it:
// the bridge's externalId is kept when the entry names no linked resources, and so are the marks.
TToDoTask TaskFromService(const Json& value, TToDoTask before);

// The bridge's state for one account: its list, the delta link, the tasks, what it last sent for
// each reminder and the occurrences whose task the user deleted.
struct TToDoState
{
    std::string ListId;
    std::string DeltaLink;
    std::map<std::string, TToDoTask> Tasks;     // by task id
    std::map<std::string, Json> Sent;           // externalId -> the fields last sent
    std::map<std::string, std::string> Skipped; // externalId -> the occurrence the user deleted

    // Reads the file; anything missing, damaged, of another kind or past the bounds gives an empty
    // state (the next delta round fills it again). `base` is the account's Graph address: a delta
    // link not below it is dropped.
    static TToDoState Load(const std::string& path, const std::string& base);
    // Replaces the file atomically (0600) and reads it back; false when either failed.
    bool Save(const std::string& path) const;
};

} // namespace rz
