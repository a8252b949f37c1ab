// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/add_command.h"

#include "app/command_line.h"
#include "app/single_instance.h"
#include "core/instance_lock.h"
#include "outbox/new_reminder_queue.h"
#include "ui/strings_table.h"
#include "util/files.h"
#include "util/log.h"
#include "util/text.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rz {
namespace {

// A running agent answers at once but for the wait for the page's first attempt; a fresh one first
// builds its windows and reads its lists.
constexpr int kAnswerWaitMs = static_cast<int>(kNewPageAnswerWaitSeconds * 1000);
constexpr int kRunningTimeoutMs = 5000 + kAnswerWaitMs;
constexpr int kStartingTimeoutMs = 30000 + kAnswerWaitMs;

} // namespace

int HandReminderToAgent(int argc, char** argv, const CommandLine& commandLine, const std::string& dataFolder)
{
    QCoreApplication core(argc, argv);
    InstallTranslations(core);
    if (commandLine.verbose) {
        SetLogLevel(LogLevel::Debug);
    }
    int timeoutMs = kRunningTimeoutMs;
    // The very first run has no data folder yet, and the lock file lives in it.
    CreateFolder(dataFolder);
    TInstanceLock probe;
    const TInstanceLock::Outcome lock = probe.Acquire(dataFolder);
    if (lock == TInstanceLock::Outcome::Unavailable) {
        // An agent started now could not take the lock either and would run beside any other,
        // both writing the same data folder.
        const int error = errno;
        const QString path = QString::fromStdString(dataFolder + "/" + kInstanceLockFileName);
        std::fprintf(
            stderr, "redozevuviva: %s\n",
            qPrintable(UiText("strAddNoLock").arg(path, QString::fromLocal8Bit(std::strerror(error)))));
        return 1;
    }
    if (lock == TInstanceLock::Outcome::Acquired) {
        probe.Release();
        QStringList arguments;
        if (!commandLine.dataHome.isEmpty()) {
            arguments << QStringLiteral("--data-home") << commandLine.dataHome;
        }
        if (commandLine.verbose) {
            arguments << QStringLiteral("--verbose");
        }
        QProcess agent;
        agent.setProgram(QCoreApplication::applicationFilePath());
        agent.setArguments(arguments);
        // The agent outlives this command; the terminal is not its place.
        agent.setStandardInputFile(QProcess::nullDevice());
        agent.setStandardOutputFile(QProcess::nullDevice());
        if (!commandLine.verbose) {
            agent.setStandardErrorFile(QProcess::nullDevice());
        }
        if (!agent.startDetached()) {
            std::fprintf(stderr, "redozevuviva: %s\n", qPrintable(UiText("strAddNoAgent")));
            return 1;
        }
        timeoutMs = kStartingTimeoutMs;
    }

    SingleInstance running(QDBusConnection::sessionBus(), dataFolder);
    const SingleInstance::AddAnswer answer = running.HandReminderToRunning(commandLine.addText, timeoutMs);
    if (!answer.Reached) {
        std::fprintf(stderr, "redozevuviva: %s\n", qPrintable(UiText("strAddNoAgent")));
        return 1;
    }
    // The answer quotes the reminder's text and the section's name, which may hold escape sequences.
    const QByteArray text =
        (QString::fromStdString(ControlCharsAsBlanks(answer.Message.toStdString())) + QLatin1Char('\n'))
            .toLocal8Bit();
    std::fputs(text.constData(), answer.Queued ? stdout : stderr);
    return answer.Queued ? 0 : 1;
}

} // namespace rz
