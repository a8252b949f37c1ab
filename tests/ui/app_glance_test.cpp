// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_delegate_fixture.h"
#include "ui/locale_text.h"
#include "ui/main_window.h"
#include "ui/mwin_monitor.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTreeWidget>

namespace rz {
namespace {

using test::AppDelegateTest;
using test::At;

QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage();
}

TEST_F(AppDelegateTest, DueCountShowsOnTheTrayIconAndWithoutATrayInTheTitle)
{
    SignIn();
    ASSERT_TRUE(Launch());
    TickAt(At(9, 0, 1));
    const QImage plain = IconImage(app->statusItem()->icon());
    const QString title = app->window()->windowTitle();

    for (const char* id : {"A", "B"}) {
        state->PendingReminderList.AddUnique(kPageTitleReminder, std::string(id) + " !", id, id, "",
                                             At(8, 0, 0), 0, DefaultWeekDays());
    }
    TickAt(At(9, 0, 2));
    EXPECT_NE(IconImage(app->statusItem()->icon()), plain);
    // Offscreen there is no tray: the window carries the count.
    EXPECT_EQ(app->window()->windowTitle(), "(2 due) " + title);

    state->PendingReminderList.Clear();
    TickAt(At(9, 0, 3));
    EXPECT_EQ(IconImage(app->statusItem()->icon()), plain);
    EXPECT_EQ(app->window()->windowTitle(), title);
    // The tool tip still records the icon's state.
    EXPECT_EQ(app->statusItem()->toolTip(), "Connected");
}

TEST_F(AppDelegateTest, TrayMenuFirstLineNamesTheNextReminder)
{
    SignIn();
    ASSERT_TRUE(Launch());
    QAction* first = app->statusMenu()->actions().value(0);
    ASSERT_NE(first, nullptr);
    emit app->statusMenu()->aboutToShow();
    EXPECT_EQ(first->text(), "No reminder to come");
    EXPECT_FALSE(first->isEnabled());

    // The soonest still to come: one past its time is no longer next.
    state->ReminderList.AddUnique(kPageTitleReminder, "Past !2026-03-04 08:00", "P", "P", "", At(8, 0, 0), 0,
                                  DefaultWeekDays());
    state->ReminderList.AddUnique(kPageTitleReminder, "Later !2026-03-04 12:00", "L", "L", "", At(12, 0, 0),
                                  0, DefaultWeekDays());
    state->ReminderList.AddUnique(kPageTitleReminder, "Tea & cake !2026-03-04 10:00", "S", "S", "",
                                  At(10, 0, 0), 0, DefaultWeekDays());
    emit app->statusMenu()->aboutToShow();
    EXPECT_EQ(first->text(), "Next: Tea && cake — " + LocaleDateTimeText(At(10, 0, 0)));
}

TEST_F(AppDelegateTest, NearMissLineOpensTheStatusWindowsList)
{
    SignIn();
    ASSERT_TRUE(Launch());
    auto* line = app->window()->findChild<QPushButton*>("nearMissButton");
    ASSERT_NE(line, nullptr);
    TickAt(At(9, 0, 1));
    EXPECT_TRUE(line->isHidden());

    // As the worker's load takes it: the engine follows the same page list text.
    const std::string pages =
        R"({"value":[{"id":"N1","title":"Standup !! 25:00","parentSection":{"id":"S1","displayName":"Work"}},)"
        R"({"id":"N2","title":"Idea !! later"}]})";
    state->ReminderPagesJson.Set(pages);
    state->NearMisses.TakePageList(pages);
    TickAt(At(9, 0, 2));
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(line->text(), "2 titles look like reminders but cannot be read");

    line->click();
    ASSERT_TRUE(app->WinMonitor()->isVisible());
    auto* list = app->WinMonitor()->findChild<QTreeWidget*>("treeNearMisses");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Standup !! 25:00");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Not a reminder: the hour is past 23.");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Work");
    EXPECT_TRUE(
        list->topLevelItem(1)->text(1).startsWith("No time of day follows \"!!\": taken as every day at "));
    app->WinMonitor()->close();
}

} // namespace
} // namespace rz
