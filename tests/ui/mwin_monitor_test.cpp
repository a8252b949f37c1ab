// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "status/monitor_lines.h"
#include "test_support.h"
#include "ui/mwin_monitor.h"
#include "util/clock.h"
#include "util/contrast.h"

#include <QLabel>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace rz {
namespace {

QLabel* Label(const MWinMonitor& window, const char* name)
{
    return window.findChild<QLabel*>(QString::fromLatin1(name));
}

TEST(MonitorWindowTest, RedrawsFromTheSnapshotOnceShownAndKeepsTicking)
{
    test::QtTestApp();
    test::ScopedTimeZone zone("UTC");
    MonitorSnapshot snapshot;
    snapshot.AccessToken = "token";
    snapshot.UserId = "0123456789abcdef";
    snapshot.HasWorker = true;
    snapshot.RefreshTokensErrorCount = 1;
    snapshot.MirrorStatusText = "Check start: 2026-12-08 10:00:00";
    int reads = 0;
    MWinMonitor window([&] {
        ++reads;
        return snapshot;
    });
    const QString layoutText = Label(window, "labelMonitorPagesValue")->text();
    EXPECT_FALSE(window.TimerStarted()) << "texts and timer come with the first showing";
    EXPECT_EQ(reads, 0);

    window.show();
    ASSERT_TRUE(window.TimerStarted());
    EXPECT_EQ(Label(window, "labelLoginValue")->text(), QStringLiteral("Signed in (0123456789abcdef)"));
    const QPalette theme = QApplication::palette(&window);
    const QColor background = theme.color(QPalette::Window);
    const Rgb red = WarningTextColour({background.red(), background.green(), background.blue()});
    EXPECT_EQ(Label(window, "labelLoginValue")->palette().color(QPalette::WindowText),
              QColor(red.Red, red.Green, red.Blue));
    EXPECT_EQ(Label(window, "labelMonitorNotebooksValue")->text(),
              QStringLiteral("Check start: 2026-12-08 10:00:00"));
    EXPECT_EQ(Label(window, "labelMonitorNotebooksValue")->palette().color(QPalette::WindowText),
              theme.color(QPalette::WindowText));
    EXPECT_EQ(Label(window, "labelMonitorPagesValue")->text(), layoutText)
        << "no load yet: the layout's text stays";

    window.close();
    EXPECT_FALSE(window.TimerRunning()) << "a closed window is not redrawn";
    const int closed = reads;
    window.show();
    EXPECT_EQ(reads, closed + 1) << "showing it again redraws at once";
    EXPECT_TRUE(window.TimerRunning());
}

} // namespace
} // namespace rz
