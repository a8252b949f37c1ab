// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace rz {

// Members keep their order, so equal input serialises to equal text.
using Json = nlohmann::ordered_json;

// Parses an object or an array; anything else, or no text, gives an empty object.
// A text that fails is logged as a warning, without its content.
Json JsonTextToObject(std::string_view text);
Json JsonTextToObject(const std::optional<std::string>& text);
// The agent's own JSON file at `path`, read with ReadTextFile's checks (a regular file no larger
// than `maxBytes`) and parsed as JsonTextToObject does; any failure gives an empty object.
Json ReadJsonFile(const std::string& path, std::size_t maxBytes);
// Compact text, invalid UTF-8 in strings written as U+FFFD; a null value gives "". Every text
// produced goes to the debug log.
std::string JsonObjectToText(const Json& value);
// JsonObjectToText's text when it reads back as `value` itself, for a file; none otherwise (a string
// that is not valid UTF-8, a number JSON cannot hold).
std::optional<std::string> JsonTextReadingBack(const Json& value);
// Graph answers are judged, never trusted: these read a member only when `object` is an object
// holding it with the expected type.
// The member's string, or nullptr.
const std::string* StringMember(const Json& object, const char* name);
// The member's string, or the empty text.
std::string JsonText(const Json& object, const char* name);
// The member's array, or nullptr.
const Json* JsonArray(const Json* object, const char* name);
inline const Json* JsonArray(const Json& object, const char* name)
{
    return JsonArray(&object, name);
}
// Files written by an older version, or by hand, are judged like answers: a member of another kind
// than the one asked reads as missing.
// The member's object, or nullptr.
const Json* JsonObject(const Json& object, const char* name);
// A finite number.
std::optional<double> JsonNumber(const Json& object, const char* name);
std::optional<bool> JsonBool(const Json& object, const char* name);
// A whole number, clamped into [low, high]; a fraction reads as missing.
std::optional<std::int64_t> JsonCount(const Json& object, const char* name, std::int64_t low,
                                      std::int64_t high);

// The Graph service root (scheme and host, no trailing slash). Set once at start-up from the
// endpoint configuration; defaults to https://graph.microsoft.com.
void SetGraphServiceRoot(std::string root);
std::string GraphServiceRoot();
// "<root>/v1.0/users/<identity>" when asUser is set or the identity holds "-", else "<root>/v1.0/me".
std::string GraphBaseAddress(std::string_view identity, bool asUser);
bool IsGraphListResponse(std::string_view text);
// A text that starts with "{" and parses to an object whose "error" member is an object, however
// the service spaced it.
bool IsGraphErrorResponse(std::string_view text);
// The "code" of a Graph error object ("20185", "20166", ...); empty for any other text.
std::string GraphErrorCode(std::string_view text);
// The "message" of a Graph error object; empty for any other text.
std::string GraphErrorMessage(std::string_view text);
// A top-level string member of a JSON object text, read with the parser, so that indented answers
// read like compact ones; none when the text is no object or the member is no string.
std::optional<std::string> JsonMemberText(std::string_view text, const char* name);
bool IsPageContentResponse(std::string_view text);

} // namespace rz
