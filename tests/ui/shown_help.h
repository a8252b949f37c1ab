// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/mwin_help.h"

#include <QApplication>
#include <QString>
#include <QTimer>
#include <utility>

namespace rz::test {

// The text of the help window that `open` shows modally; empty when none came up. The window is
// closed as soon as it shows, so the test never waits on it.
template <class Open> QString ShownHelpText(Open&& open)
{
    QString text;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<MWinHelp*>(widget); help != nullptr && help->isVisible()) {
                text = help->HelpText();
                help->reject();
            }
        }
    });
    closer.start(10);
    std::forward<Open>(open)();
    return text;
}

} // namespace rz::test
