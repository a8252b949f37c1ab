// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <set>
#include <string>

namespace rz {

// An id that can stand as one path segment of a Graph address; one that could change the
// address's meaning (a "/", "?", "#", a backslash, a control character, "." or "..") is never sent.
bool IsSafeGraphIdSegment(const std::string& id);

// Appends each page of `from` whose id was not seen yet; pages without an id are kept as they
// come. Returns how many pages were added.
std::size_t AddNewPages(const Json& from, Json& pages, std::set<std::string>& seen);

} // namespace rz
