// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rz {

// True when a file or a folder exists at the path.
bool FileExists(const std::string& path);
// The most any file is read at: the store's page lists are the largest files the agent keeps.
inline constexpr std::size_t kMaxReadBytes = std::size_t{256} << 20;
// The bound for the agent's small state files (progress, request budget, due check, owner, change
// listing): anything larger was not written by the agent.
inline constexpr std::size_t kMaxStateFileBytes = std::size_t{4} << 20;

// The whole file; none when it is missing, unreadable, no regular file, larger than `maxBytes` or
// not valid UTF-8.
std::optional<std::string> ReadTextFile(const std::string& path, std::size_t maxBytes = kMaxReadBytes);
// The whole file's bytes, unchecked; none when it is missing, unreadable, no regular file or larger
// than `maxBytes`. The size is judged before anything is read, and a FIFO or a device at the path is
// refused without blocking, so a file put in the agent's way can neither stall nor flood it.
std::optional<std::string> ReadRawFile(const std::string& path, std::size_t maxBytes = kMaxReadBytes);
// Replaces the file atomically: a temporary file in the same folder, fsync, rename. The old content
// stays whole when any step fails. New files are 0600; an existing file keeps a stricter mode.
// The folder must exist already.
bool WriteTextFile(const std::string& path, std::string_view text);
// Creates the folder and its missing parents, each 0700. An existing folder is no error.
bool CreateFolder(const std::string& path);
// Deletes everything below the folder, depth first; the first entry that cannot go ends the walk.
// Works on descriptors (openat/unlinkat, O_NOFOLLOW): a symbolic link is removed as a link, never
// followed, even when it is swapped in for a folder during the walk. A link at `path` itself fails.
bool DeleteFolderContents(const std::string& path);
// Deletes the folder and everything in it, as DeleteFolderContents; nothing at the path is success.
bool DeleteFolder(const std::string& path);
// True for the name of WriteTextFile's temporary file ("<name>.tmp-XXXXXX").
bool IsTemporaryFileName(std::string_view name);
// Removes the temporary files a kill between writing and renaming left in the folder and, with
// `recursive`, below it; links are not followed. Returns how many went.
std::size_t RemoveTemporaryFiles(const std::string& folder, bool recursive);
// Narrows the folder's mode to 0700 when it allows more; a link at the path is left alone.
bool TightenFolderMode(const std::string& path);
// Opens the lock file at `path` (created 0600; a link there is never followed) and takes an
// exclusive flock on it, waiting for another holder when `wait` is set. Returns the close-on-exec
// descriptor that holds the lock until it is closed, or -1 with errno telling why (EWOULDBLOCK: held
// by another descriptor).
int OpenLockedFile(const std::string& path, bool wait);

// The application registers how links reach the desktop; the core never opens them itself.
using UrlOpener = std::function<void(const std::string& url)>;
void SetUrlOpener(UrlOpener opener);
// Removes every "{" and "}" and hands the rest, otherwise unchanged, to the registered opener.
void OpenUrl(std::string_view text);

} // namespace rz
