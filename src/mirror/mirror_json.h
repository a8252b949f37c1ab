#pragma once

#include "util/json.h"

#include <string>

namespace rz {

// An id that can stand as one path segment of a Graph address; one that could change the
// address's meaning (a "/", "?", "#", a backslash, a control character, "." or "..") is never sent.
bool IsSafeGraphIdSegment(const std::string& id);

} // namespace rz
