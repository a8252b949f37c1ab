#include "app/app_delegate.h"
#include "app/command_line.h"
#include "app/single_instance.h"
#include "core/app_state.h"
#include "core/paths.h"
#include "util/files.h"
#include "util/log.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QIcon>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const rz::CommandLine commandLine = rz::ParseCommandLine(arguments);
    if (commandLine.action != rz::CommandLine::Action::Run) {
        return rz::FinishCommandLine(commandLine);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RedoZevuviva"));
    QApplication::setApplicationVersion(QStringLiteral(RZ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("redozevuviva"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/redozevuviva.svg")));
    // A tray app lives on when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    if (commandLine.verbose) {
        rz::SetLogLevel(rz::LogLevel::Debug);
    }

    rz::SetUrlOpener([](const std::string& url) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::TolerantMode));
    });

    const std::string supportFolder =
        commandLine.dataHome.isEmpty() ? rz::ApplicationSupportFolder() : commandLine.dataHome.toStdString();
    rz::AppState state;
    rz::AppDelegate controller(state);
    controller.SetApplicationSupportFolder(supportFolder);

    // The sign-in child runs beside the agent, so only the agent itself claims the data folder.
    rz::SingleInstance instance(QDBusConnection::sessionBus());
    if (!commandLine.signInWindow) {
        const std::string dataFolder = rz::BuildAppPaths(supportFolder).DataFolderPath;
        if (instance.Claim(dataFolder) == rz::SingleInstance::Role::Secondary) {
            if (!instance.AskRunningToShow()) {
                std::fprintf(stderr, "redozevuviva: already running for %s (process %lld)\n",
                             dataFolder.c_str(), static_cast<long long>(instance.RunningPid()));
            }
            return 0;
        }
        QObject::connect(&instance, &rz::SingleInstance::ShowRequested, &controller,
                         &rz::AppDelegate::ShowAfterAnotherStart);
    }

    controller.applicationDidFinishLaunching();
    return QApplication::exec();
}
