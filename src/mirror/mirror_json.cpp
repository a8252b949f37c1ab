#include "mirror/mirror_json.h"

namespace rz {

std::string JsonText(const Json& object, const char* key)
{
    if (!object.is_object()) {
        return {};
    }
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return {};
    }
    return found->get<std::string>();
}

const Json* JsonArray(const Json* object, const char* key)
{
    if (object == nullptr || !object->is_object()) {
        return nullptr;
    }
    const auto found = object->find(key);
    if (found == object->end() || !found->is_array()) {
        return nullptr;
    }
    return &*found;
}

bool IsSafeGraphIdSegment(const std::string& id)
{
    if (id.empty() || id == "." || id == "..") {
        return false;
    }
    for (const char ch : id) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || ch == '/' || ch == '?' || ch == '#' || ch == '\\') {
            return false;
        }
    }
    return true;
}

} // namespace rz
