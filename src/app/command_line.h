// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace rz {

// What the command line asks for. Read before the application object exists, so --help, --version
// and a mistyped option work without a display.
struct CommandLine
{
    enum class Action { Run, PrintHelp, PrintVersion, UsageError };
    Action action = Action::Run;
    // The help or version text, or the error message, for the actions that print.
    QString text;
    // --data-home, made absolute; empty: $XDG_DATA_HOME or ~/.local/share.
    QString dataHome;
    bool verbose = false;
    // --add: a reminder written as a page title, handed to the running agent; null when not given.
    QString addText;
};

// Parses the program's arguments (the first is the program). Qt's own options (-platform, -style,
// -session, ...) are accepted and left for the application object.
CommandLine ParseCommandLine(const QStringList& arguments);
// Prints what a non-running action asks for and returns the exit status: 0 after help or version
// (standard output), 2 after a usage error (standard error).
int FinishCommandLine(const CommandLine& commandLine);

} // namespace rz
