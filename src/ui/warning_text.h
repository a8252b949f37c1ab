// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLabel;

namespace rz {

// Writes the label in the red that reads on its window's background (light or dark theme), or, with
// `warning` false, in the theme's own text colour. Set again after a theme change.
void SetWarningText(QLabel* label, bool warning);

} // namespace rz
