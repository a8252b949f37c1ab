// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

namespace rz {
namespace {

constexpr const char* kProgram = "redozevuviva";

// Qt's own options, which the application object takes out of the arguments itself.
struct QtOption
{
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"name", true},
    {"visual", true},          {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"reverse", false},        {"widgetcount", false},
    {"testability", false},    {"dograb", false},
    {"nograb", false},
};

QCommandLineOption Hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The option as the user typed it, dashes included.
QString AsTyped(const QStringList& arguments, const QString& name)
{
    for (const QString& argument : arguments) {
        QString bare = argument;
        while (bare.startsWith(QLatin1Char('-'))) {
            bare.remove(0, 1);
        }
        if (argument.startsWith(QLatin1Char('-')) && bare.section(QLatin1Char('='), 0, 0) == name) {
            return argument.section(QLatin1Char('='), 0, 0);
        }
    }
    return QStringLiteral("--") + name;
}

QString UsageError(const QString& message)
{
    return QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
        .arg(QLatin1String(kProgram), message);
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Qt's options come with one dash (-platform), so words after one dash are long options too.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Reminders from the page titles and tags of your OneNote notebooks.\n"
                       "Runs in the system tray, or as a window where the desktop has no tray.\n"
                       "A second start brings the running one forward."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption dataHome(
        QStringLiteral("data-home"),
        QStringLiteral("Keeps the settings and reminders in <folder>/Tidewell/RedoZevuviva and the "
                       "notebooks in <folder>/Tidewell/RESTDB, instead of $XDG_DATA_HOME (default "
                       "~/.local/share). One agent runs per folder."),
        QStringLiteral("folder"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Writes debug messages to standard error."));
    const QCommandLineOption add(
        QStringLiteral("add"),
        QStringLiteral("Hands a reminder written as a page title, e.g. \"Call Bob !2026-12-10 09:00\" or "
                       "\"Standup !! 09:15 [1,2,3,4,5]\", to the running agent (starting it when none runs), "
                       "which creates its page in the section chosen for new reminders. Prints what was "
                       "queued, or why not, and exits with status 0 or 1."),
        QStringLiteral("text"));
    parser.addOptions({help, version, dataHome, verbose, add});
    for (const QtOption& qt : kQtOptions) {
        parser.addOption(Hidden(
            qt.takesValue ? QCommandLineOption(QLatin1String(qt.name), QString(), QStringLiteral("value"))
                          : QCommandLineOption(QLatin1String(qt.name))));
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        const QStringList unknown = parser.unknownOptionNames();
        result.text =
            unknown.isEmpty()
                ? UsageError(parser.errorText())
                : UsageError(QStringLiteral("unknown option '%1'").arg(AsTyped(arguments, unknown.first())));
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::PrintHelp;
        // Qt's usage line names the program by its path, or not at all before the application object
        // exists; the installed name is what a user types.
        const QString text = parser.helpText();
        result.text = QStringLiteral("Usage: %1 [options]").arg(QLatin1String(kProgram)) +
                      text.mid(text.indexOf(QLatin1Char('\n')));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::PrintVersion;
        result.text = QStringLiteral("RedoZevuviva %1\n").arg(QStringLiteral(RZ_VERSION));
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.text =
            UsageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
        return result;
    }
    if (parser.isSet(dataHome)) {
        const QString folder = parser.value(dataHome);
        if (folder.isEmpty()) {
            result.action = CommandLine::Action::UsageError;
            result.text = UsageError(QStringLiteral("--data-home needs a folder"));
            return result;
        }
        result.dataHome = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    }
    result.verbose = parser.isSet(verbose);
    if (parser.isSet(add)) {
        result.addText = parser.value(add);
        if (result.addText.isNull()) {
            result.addText = QStringLiteral("");
        }
    }
    return result;
}

int FinishCommandLine(const CommandLine& commandLine)
{
    const QByteArray text = commandLine.text.toLocal8Bit();
    switch (commandLine.action) {
    case CommandLine::Action::PrintHelp:
    case CommandLine::Action::PrintVersion:
        std::fputs(text.constData(), stdout);
        return 0;
    case CommandLine::Action::UsageError:
        std::fputs(text.constData(), stderr);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}

} // namespace rz
