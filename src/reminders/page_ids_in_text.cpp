// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/page_ids_in_text.h"

#include "util/text.h"

namespace rz {

TPageIdsInText::TPageIdsInText(std::string_view text) : m_Text(text)
{
    for (std::size_t open = text.find('"'); open != std::string_view::npos;) {
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        m_Quoted.insert(text.substr(open + 1, close - open - 1));
        open = close;
    }
}

bool TPageIdsInText::Occurs(const std::string& pageId)
{
    if (pageId.empty()) {
        return false;
    }
    if (m_Quoted.count(pageId) != 0) {
        return true;
    }
    const auto [it, inserted] = m_Searched.try_emplace(pageId, false);
    if (inserted) {
        it->second = StrContains(pageId, m_Text);
    }
    return it->second;
}

} // namespace rz
