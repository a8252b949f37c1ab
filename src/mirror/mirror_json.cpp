// SPDX-License-Identifier: GPL-3.0-or-later
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

std::size_t AddNewPages(const Json& from, Json& pages, std::set<std::string>& seen)
{
    std::size_t added = 0;
    for (const Json& page : from) {
        const std::string id = JsonText(page, "id");
        if (id.empty() || seen.insert(id).second) {
            pages.push_back(page);
            ++added;
        }
    }
    return added;
}

} // namespace rz
