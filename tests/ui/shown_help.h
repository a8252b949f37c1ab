// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/mwin_help.h"

#include <QApplication>
#include <QTimer>

namespace rz::test {

// The text of the help window that `open` shows modally, closed as soon as it runs; empty for none.
template <class Open> QString ShownHelpText(Open open)
{
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto* help = qobject_cast<MWinHelp*>(QApplication::activeModalWidget())) {
            text = help->HelpText();
            help->reject();
        }
    });
    open();
    return text;
}

} // namespace rz::test
