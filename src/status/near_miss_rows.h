// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/section_choices.h"
#include "reminders/near_miss.h"

#include <string>
#include <vector>

namespace rz {

// One row of the status window's near-miss list: the entry and where it is.
struct TNearMissRow
{
    TNearMissEntry Entry;
    // "Notebook › Group › Section" from the mirrored sections, else the section's own name.
    std::string Where;
};

std::vector<TNearMissRow> NearMissRows(const std::vector<TNearMissEntry>& entries,
                                       const std::vector<TSectionChoice>& sections);

// The strings table key of a reason's plain words; those with "%1" take what the text reads as.
const char* NearMissReasonKey(TNearMissReason reason);

} // namespace rz
