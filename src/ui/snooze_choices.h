// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QComboBox;

namespace rz {

// Fills a combo box with the window-wide snooze choices in the user's language, each item's data
// its minutes, and selects `minutes` (added as an item of its own when it is not a choice).
void FillSnoozeChoices(QComboBox* combo, int minutes);

} // namespace rz
