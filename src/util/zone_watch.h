// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// Notices a change of the system's time zone (a trip, the desktop's settings): the C library reads
// the zone once and keeps it, so a running program goes on in the old zone until told. A look costs
// one getenv and a stat or two while the zone's sources (the TZ variable, /etc/localtime, the file
// TZ names, as in "TZ=:/etc/localtime") stay as they were; when any moved, the zone is read again and
// its offsets and names in winter and in summer are compared.
class TZoneWatch
{
public:
    // True when the zone differs from the one the last look found; the first look only notes it.
    bool Changed();
    // The zone the last look found, as comparable text; empty before the first look.
    const std::string& Zone() const { return m_Seen; }

private:
    std::string m_Sources;
    std::string m_Seen;
};

} // namespace rz
