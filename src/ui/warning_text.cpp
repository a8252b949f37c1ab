// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/warning_text.h"

#include "ui/strings_table.h"
#include "util/contrast.h"

#include <QAccessible>
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

    // Red alone says nothing to a screen reader: the line carries the word, and turning red is
    // announced once.
    const bool was = label->property("rzWarning").toBool();
    label->setProperty("rzWarning", warning);
    if (warning != was) {
        label->setAccessibleDescription(warning ? UiText("strA11yWarning") : QString());
    }
    if (warning && !was) {
        QAccessibleEvent alert(label, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

} // namespace rz
