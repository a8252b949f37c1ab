// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace rz {

// Answers whether page ids occur in a page list text, fast for thousands of ids: ids normally stand
// in that text as whole quoted strings, so a set of the quoted segments settles them at once; only
// an id not found that way (one whose page has gone, usually) is searched for in the whole text.
// The text must outlive the object.
class TPageIdsInText
{
public:
    explicit TPageIdsInText(std::string_view text);
    // False for the empty id.
    bool Occurs(const std::string& pageId);

private:
    std::string_view m_Text;
    std::unordered_set<std::string_view> m_Quoted;
    std::unordered_map<std::string, bool> m_Searched;
};

} // namespace rz
