// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// Notices a change of the system's time zone (a trip, the desktop's settings): the C library reads
// the zone once and keeps it, so a running program goes on in the old zone until told. Each look
// re-reads it (tzset) and compares the zone's offsets and names in winter and in summer.
class TZoneWatch
{
public:
    // True when the zone differs from the one the last look found; the first look only notes it.
    bool Changed();

private:
    std::string m_Seen;
};

} // namespace rz
