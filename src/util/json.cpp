// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/json.h"

#include "util/files.h"
#include "util/log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>

namespace rz {
namespace {

// Deeper input is refused rather than risking the stack in later recursive walks.
constexpr int kMaxJsonDepth = 256;

struct TooDeep
{
};

std::mutex g_RootMutex;
std::string g_ServiceRoot = "https://graph.microsoft.com";

} // namespace

Json JsonTextToObject(std::string_view text)
{
    // No text is not a failure: a missing file or an empty answer reads as nothing.
    if (text.empty()) {
        return Json::object();
    }
    // Failures are warnings, since they mean lost data, but never quote the text: it may hold
    // account data or tokens, and the parser's own message quotes what it last read.
    try {
        Json parsed = Json::parse(text, [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxJsonDepth) {
                throw TooDeep{};
            }
            return true;
        });
        if (parsed.is_object() || parsed.is_array()) {
            return parsed;
        }
        LogWarning("JSON text is a fragment, not an object or array");
    } catch (const Json::parse_error& error) {
        LogWarning("JSON text does not parse (error " + std::to_string(error.id) + " at byte " +
                   std::to_string(error.byte) + " of " + std::to_string(text.size()) + ")");
    } catch (const Json::exception& error) {
        LogWarning("JSON text does not parse (error " + std::to_string(error.id) + ")");
    } catch (const TooDeep&) {
        LogWarning("JSON text nested too deeply");
    }
    return Json::object();
}

Json JsonTextToObject(const std::optional<std::string>& text)
{
    return text ? JsonTextToObject(std::string_view(*text)) : Json::object();
}

Json ReadJsonFile(const std::string& path, std::size_t maxBytes)
{
    return JsonTextToObject(ReadTextFile(path, maxBytes));
}

std::string JsonObjectToText(const Json& value)
{
    if (value.is_null() || value.is_discarded()) {
        return {};
    }
    std::string text;
    try {
        // A text of the service or of a page may hold invalid bytes; one such text must not cost
        // the whole document.
        text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    } catch (const Json::exception& error) {
        LogDebug(error.what());
        text.clear();
    }
    if (LogEnabled(LogLevel::Debug)) {
        LogDebug(text);
    }
    return text;
}

namespace {

// NaN and the infinities are written as null: the only numbers that read back as something else.
bool HoldsNonFiniteNumber(const Json& value)
{
    if (value.is_number_float()) {
        return !std::isfinite(value.get<double>());
    }
    if (value.is_structured()) {
        for (const Json& member : value) {
            if (HoldsNonFiniteNumber(member)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::optional<std::string> JsonTextReadingBack(const Json& value)
{
    // The strict serializer refuses invalid UTF-8; whatever else it writes reads back as it was.
    if (value.is_null() || value.is_discarded() || HoldsNonFiniteNumber(value)) {
        LogWarning("JSON text would not read back as it was meant");
        return std::nullopt;
    }
    try {
        return value.dump();
    } catch (const Json::exception& error) {
        LogWarning("JSON text would not read back as it was meant (error " + std::to_string(error.id) + ")");
        return std::nullopt;
    }
}

void SetGraphServiceRoot(std::string root)
{
    while (!root.empty() && root.back() == '/') {
        root.pop_back();
    }
    std::lock_guard lock(g_RootMutex);
    g_ServiceRoot = std::move(root);
}

std::string GraphServiceRoot()
{
    std::lock_guard lock(g_RootMutex);
    return g_ServiceRoot;
}

std::string GraphBaseAddress(std::string_view identity, bool asUser)
{
    if (asUser || identity.find('-') != std::string_view::npos) {
        return GraphServiceRoot() + "/v1.0/users/" + std::string(identity);
    }
    return GraphServiceRoot() + "/v1.0/me";
}

const std::string* StringMember(const Json& object, const char* name)
{
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
}

std::string JsonText(const Json& object, const char* name)
{
    const std::string* text = StringMember(object, name);
    return text ? *text : std::string();
}

const Json* JsonArray(const Json* object, const char* name)
{
    if (object == nullptr || !object->is_object()) {
        return nullptr;
    }
    const auto it = object->find(name);
    return it != object->end() && it->is_array() ? &*it : nullptr;
}

namespace {

const Json* Member(const Json& object, const char* name)
{
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(name);
    return it != object.end() ? &*it : nullptr;
}

} // namespace

const Json* JsonObject(const Json& object, const char* name)
{
    const Json* member = Member(object, name);
    return member != nullptr && member->is_object() ? member : nullptr;
}

std::optional<double> JsonNumber(const Json& object, const char* name)
{
    const Json* member = Member(object, name);
    if (member == nullptr || !member->is_number()) {
        return std::nullopt;
    }
    const double value = member->get<double>();
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<bool> JsonBool(const Json& object, const char* name)
{
    const Json* member = Member(object, name);
    return member != nullptr && member->is_boolean() ? std::optional(member->get<bool>()) : std::nullopt;
}

std::optional<std::int64_t> JsonCount(const Json& object, const char* name, std::int64_t low,
                                      std::int64_t high)
{
    const Json* member = Member(object, name);
    if (member == nullptr || !member->is_number_integer()) {
        return std::nullopt;
    }
    // Unsigned values past the signed range would wrap in get<std::int64_t>.
    if (member->is_number_unsigned() &&
        member->get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::max(low, high);
    }
    return std::clamp(member->get<std::int64_t>(), low, std::max(low, high));
}

bool IsGraphListResponse(std::string_view text)
{
    return !text.empty() && text.find("\"@odata.context\"") != std::string_view::npos &&
           text.find("\"value\"") != std::string_view::npos;
}

namespace {

// Parses quietly: these read answers that are often no JSON at all (HTML pages, cut-off bodies),
// which is an outcome, not a warning.
Json ParseQuietly(std::string_view text)
{
    if (!text.starts_with("{")) {
        return Json();
    }
    try {
        return Json::parse(text, [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxJsonDepth) {
                throw TooDeep{};
            }
            return true;
        });
    } catch (...) {
        return Json();
    }
}

const Json* ErrorObject(const Json& answer)
{
    if (!answer.is_object()) {
        return nullptr;
    }
    const auto it = answer.find("error");
    return it != answer.end() && it->is_object() ? &*it : nullptr;
}

} // namespace

bool IsGraphErrorResponse(std::string_view text)
{
    return ErrorObject(ParseQuietly(text)) != nullptr;
}

std::string GraphErrorCode(std::string_view text)
{
    const Json answer = ParseQuietly(text);
    const Json* error = ErrorObject(answer);
    return error != nullptr ? JsonText(*error, "code") : std::string();
}

std::string GraphErrorMessage(std::string_view text)
{
    const Json answer = ParseQuietly(text);
    const Json* error = ErrorObject(answer);
    return error != nullptr ? JsonText(*error, "message") : std::string();
}

std::optional<std::string> JsonMemberText(std::string_view text, const char* name)
{
    const Json answer = ParseQuietly(text);
    if (const std::string* value = StringMember(answer, name)) {
        return *value;
    }
    return std::nullopt;
}

bool IsPageContentResponse(std::string_view text)
{
    return text.find("</html>") != std::string_view::npos;
}

} // namespace rz
