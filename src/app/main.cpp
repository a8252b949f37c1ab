#include "app/app_delegate.h"
#include "core/app_state.h"
#include "core/paths.h"
#include "util/files.h"

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RedoZevuviva"));
    QApplication::setApplicationVersion(QStringLiteral(RZ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("redozevuviva"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/redozevuviva.svg")));
    // A tray app lives on when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    rz::SetUrlOpener([](const std::string& url) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::TolerantMode));
    });

    rz::AppState state;
    rz::AppDelegate controller(state);
    if (!controller.applicationDidFinishLaunching()) {
        std::fprintf(stderr, "%s\n", rz::kNoDataFolderMessage);
        return 1;
    }
    return QApplication::exec();
}
