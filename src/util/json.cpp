// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/json.h"

#include "util/log.h"

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

std::string JsonObjectToText(const Json& value)
{
    if (value.is_null() || value.is_discarded()) {
        return {};
    }
    std::string text;
    try {
        text = value.dump();
    } catch (const Json::exception& error) {
        LogDebug(error.what());
        text.clear();
    }
    if (LogEnabled(LogLevel::Debug)) {
        LogDebug(text);
    }
    return text;
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
