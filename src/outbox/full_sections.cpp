// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/full_sections.h"

#include <cmath>

namespace rz {

void TFullSections::Mark(const std::string& sectionId, const std::string& title)
{
    std::lock_guard lock(m_Mutex);
    TMark& mark = m_Marks[sectionId];
    mark.When = DateNow();
    mark.Titles.insert(title);
    ++m_Changes;
}

void TFullSections::Clear(const std::string& sectionId)
{
    std::lock_guard lock(m_Mutex);
    if (m_Marks.erase(sectionId) > 0) {
        ++m_Changes;
    }
}

bool TFullSections::IsFull(const std::string& sectionId) const
{
    std::lock_guard lock(m_Mutex);
    const auto mark = m_Marks.find(sectionId);
    if (mark == m_Marks.end()) {
        return false;
    }
    // A clock set far back drops the mark rather than keep it for longer than its hold.
    const double age = DateNow().seconds - mark->second.When.seconds;
    return std::abs(age) < kFullSectionHoldSeconds;
}

bool TFullSections::Refused(const std::string& sectionId, const std::string& title) const
{
    std::lock_guard lock(m_Mutex);
    const auto mark = m_Marks.find(sectionId);
    return mark != m_Marks.end() && mark->second.Titles.contains(title);
}

std::uint64_t TFullSections::Changes() const
{
    std::lock_guard lock(m_Mutex);
    return m_Changes;
}

} // namespace rz
