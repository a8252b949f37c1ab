#include "mirror/mirror_json.h"

namespace rz {

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
