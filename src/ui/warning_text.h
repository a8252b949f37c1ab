// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLabel;
class QString;
class QWidget;

namespace rz {

// Writes the label in the red that reads on its window's background (light or dark theme), or, with
// `warning` false, in the theme's own text colour. Set again after a theme change.
void SetWarningText(QLabel* label, bool warning);

// A line a screen reader reads out as soon as it appears: it takes the desktop's alert role, hidden
// until the first Announce.
QLabel* NewAnnouncementLine(QWidget* parent);
// Shows the text on the line anew, so the screen reader hears it again.
void Announce(QLabel* line, const QString& text);

} // namespace rz
