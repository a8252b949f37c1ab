#pragma once

#include "util/json.h"

#include <string>

namespace rz {

// A member's text, or the empty text when the value is no object, lacks the member or holds no
// string there: Graph answers are judged, never trusted.
std::string JsonText(const Json& object, const char* key);
// A member that is an array, or null.
const Json* JsonArray(const Json* object, const char* key);
inline const Json* JsonArray(const Json& object, const char* key)
{
    return JsonArray(&object, key);
}

// An id that can stand as one path segment of a Graph address; one that could change the
// address's meaning (a "/", "?", "#", a backslash, a control character, "." or "..") is never sent.
bool IsSafeGraphIdSegment(const std::string& id);

} // namespace rz
