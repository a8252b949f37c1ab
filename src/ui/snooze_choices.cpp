// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/snooze_choices.h"

#include "alerts/snooze.h"
#include "ui/strings_table.h"

#include <QComboBox>

namespace rz {
namespace {

QString ChoiceText(int minutes)
{
    const QString text = UiText(SnoozeChoiceTextKey(minutes));
    return text.contains(QLatin1String("%1")) ? text.arg(minutes) : text;
}

} // namespace

void FillSnoozeChoices(QComboBox* combo, int minutes)
{
    combo->clear();
    for (const int choice : kSnoozeChoiceMinutes) {
        combo->addItem(ChoiceText(choice), choice);
    }
    int index = combo->findData(minutes);
    if (index < 0) {
        combo->addItem(ChoiceText(minutes), minutes);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

} // namespace rz
