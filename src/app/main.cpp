// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/add_command.h"
#include "app/app_delegate.h"
#include "app/command_line.h"
#include "app/sign_in_window.h"
#include "app/single_instance.h"
#include "app/unix_signals.h"
#include "core/instance_lock.h"
#include "core/paths.h"
#include "state/app_state.h"
#include "ui/keyring_secret_store.h"
#include "ui/strings_table.h"
#include "util/files.h"
#include "util/log.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QIcon>
#include <QUrl>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // The sign-in window's own process: the same program, started by the agent.
    if (rz::IsSignInWindowCall(argc, argv)) {
        return rz::SignInWindowMain(argc, argv);
    }

    // A refresh request that arrives before its handler exists is dropped, not fatal.
    std::signal(SIGUSR1, SIG_IGN);

    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const rz::CommandLine commandLine = rz::ParseCommandLine(arguments);
    if (commandLine.action != rz::CommandLine::Action::Run) {
        return rz::FinishCommandLine(commandLine);
    }

    const std::string supportFolder =
        commandLine.dataHome.isEmpty() ? rz::ApplicationSupportFolder() : commandLine.dataHome.toStdString();
    if (supportFolder.empty()) {
        std::fprintf(stderr, "%s\n", rz::kNoDataFolderMessage);
        return 1;
    }
    const std::string dataFolder = rz::BuildAppPaths(supportFolder).DataFolderPath;

    if (!commandLine.addText.isNull()) {
        return rz::HandReminderToAgent(argc, argv, commandLine, dataFolder);
    }

    // One agent per data folder, decided before anything of the desktop is touched, so a second start
    // is quick and needs no display.
    rz::TInstanceLock lock;
    switch (lock.Acquire(dataFolder)) {
    case rz::TInstanceLock::Outcome::HeldByOther: {
        QCoreApplication core(argc, argv);
        rz::SingleInstance running(QDBusConnection::sessionBus(), dataFolder);
        if (!running.AskRunningToShow()) {
            std::fprintf(stderr, "redozevuviva: already running for %s (process %lld)\n", dataFolder.c_str(),
                         static_cast<long long>(rz::TInstanceLock::HolderPid(dataFolder)));
        }
        return 0;
    }
    case rz::TInstanceLock::Outcome::Unavailable:
        rz::LogWarning("the data folder's lock file cannot be opened; running without it");
        break;
    case rz::TInstanceLock::Outcome::Acquired:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RedoZevuviva"));
    QApplication::setApplicationVersion(QStringLiteral(RZ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("redozevuviva"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/redozevuviva.svg")));
    rz::InstallTranslations(app);
    // A tray app lives on when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    if (commandLine.verbose) {
        rz::SetLogLevel(rz::LogLevel::Debug);
    }

    rz::SetUrlOpener([](const std::string& url) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::TolerantMode));
    });

    // Before the state: the worker saves tokens into it until the controller stops it.
    rz::KeyringSecretStore keyring;
    rz::AppState state;
    state.Secrets = &keyring;
    rz::AppDelegate controller(state);
    controller.SetApplicationSupportFolder(supportFolder);
    controller.SetDataHomeOption(commandLine.dataHome.toStdString());
    controller.SetInstanceLockHeld(lock.Held());
    rz::SingleInstance instance(QDBusConnection::sessionBus(), dataFolder);
    controller.ServeAddRequests(instance);
    if (lock.Held()) {
        instance.Register();
        QObject::connect(&instance, &rz::SingleInstance::ShowRequested, &controller,
                         &rz::AppDelegate::ShowAfterAnotherStart);
    }

    // A desktop session ending, a terminal's ^C or `kill` end the agent cleanly; SIGUSR1 refreshes.
    rz::UnixSignals unixSignals;
    QObject::connect(&unixSignals, &rz::UnixSignals::QuitRequested, &controller,
                     &rz::AppDelegate::MenuItemQuitClick);
    QObject::connect(&unixSignals, &rz::UnixSignals::RefreshRequested, &controller,
                     &rz::AppDelegate::MenuItemRefreshClick);

    if (!controller.applicationDidFinishLaunching()) {
        std::fprintf(stderr, "%s\n", rz::kNoDataFolderMessage);
        return 1;
    }
    // A quit that came while start-up waited for the sign-in window ended that wait's loop only.
    if (controller.QuitRequested()) {
        return 0;
    }
    return QApplication::exec();
}
