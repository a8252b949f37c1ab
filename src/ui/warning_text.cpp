// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/warning_text.h"

#include "util/contrast.h"

#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QPalette>

namespace rz {

void SetWarningText(QLabel* label, bool warning)
{
    // The theme's colours, not the label's: the label's own may hold an earlier warning colour.
    const QPalette theme = QApplication::palette(label);
    QPalette palette = label->palette();
    if (warning) {
        const QColor window = theme.color(QPalette::Window);
        const Rgb red = WarningTextColour({window.red(), window.green(), window.blue()});
        palette.setColor(QPalette::WindowText, QColor(red.Red, red.Green, red.Blue));
    } else {
        palette.setColor(QPalette::WindowText, theme.color(QPalette::WindowText));
    }
    label->setPalette(palette);
}

} // namespace rz
