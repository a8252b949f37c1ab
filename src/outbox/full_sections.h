// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace rz {

// How long a section stays known as full after OneNote refused a page there for it. The service's
// count drops when the user deletes a page in OneNote, which nothing mirrored tells; past this the
// next create asks the service again (one request, refused again if nothing changed).
inline constexpr double kFullSectionHoldSeconds = 3600;

// The sections OneNote refused a new page in because they hold as many pages as it allows, by id,
// with the titles it refused there. Kept in memory for this run only, for the reason above. The
// worker thread marks and clears; the main thread reads.
class TFullSections
{
public:
    // A create of `title` in the section was refused for a full section (now).
    void Mark(const std::string& sectionId, const std::string& title);
    // A page was created in the section: it has room again.
    void Clear(const std::string& sectionId);
    // True while the section is known as full (marked less than kFullSectionHoldSeconds ago and not
    // cleared since).
    bool IsFull(const std::string& sectionId) const;
    // True when a create of `title` was refused in the section since it was last cleared.
    bool Refused(const std::string& sectionId, const std::string& title) const;
    // Grows with every Mark and Clear, so that a reader redraws only after a change.
    std::uint64_t Changes() const;

private:
    struct TMark
    {
        Date When{};
        std::set<std::string> Titles;
    };
    mutable std::mutex m_Mutex;
    std::map<std::string, TMark> m_Marks;
    std::uint64_t m_Changes = 0;
};

} // namespace rz
