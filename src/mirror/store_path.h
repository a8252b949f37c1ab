// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <filesystem>
#include <string_view>

namespace rz {

// The folder below a parent that an item's display name maps to in the local store. A "/" inside
// a name still nests folders; empty components are dropped; "." and ".." become "%2E" and
// "%2E%2E"; the names of the store's own files ("notebooks.json", "notebookssections.json",
// "errorsections.json", "pages.json", "shared.notebooks") become "notebooks%2Ejson" and so on; NUL, other
// control characters and
// "\" become "%XX"; a component longer than 255 bytes is cut at a character boundary and ends in "~" and a
// stable 16-digit hash of the whole component; a name with no component left is "(unnamed)". The result is
// always relative and never climbs out of its parent.
std::filesystem::path StoreFolderName(std::string_view displayName);

// The folder below its parent that a hierarchy item maps to: StoreFolderName of its "displayName",
// but for a shared notebook (one marked with kSharedMember) "shared.notebooks/<owner>/<id>", so that
// it keeps apart from the user's own notebooks and from another owner's of the same name.
std::filesystem::path ItemFolderName(const Json& item);

// True when `path` lies inside `root` (or is `root` itself) once both are resolved, symbolic links
// included: the part of `path` that exists is resolved on disk, the rest lexically. Every create,
// write and delete in the store is checked with this first.
bool IsInsideStore(const std::filesystem::path& root, const std::filesystem::path& path);

} // namespace rz
