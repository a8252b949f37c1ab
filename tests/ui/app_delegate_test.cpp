// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "app/app_delegate.h"
#include "app_delegate_fixture.h"
#include "core/autostart.h"
#include "core/settings_store.h"
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "test_support.h"
#include "ui/main_window.h"
#include "ui/mwin_pending_reminders.h"
#include "util/clock.h"
#include "util/files.h"

#include <QAbstractItemModel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rz {
namespace {

using test::AppDelegateTest;
using test::At;

TEST_F(AppDelegateTest, LaunchBuildsPathsLoadsTheAccountAndStartsTheTimer)
{
    SignIn();
    Launch();
    EXPECT_TRUE(signInCalls.empty());
    EXPECT_EQ(state->Paths.DataFolderPath, DataFolder());
    EXPECT_EQ(state->AccessToken.Get(), "token");
    EXPECT_EQ(state->UserId.Get(), "user");
    EXPECT_TRUE(state->ReminderListChanged);
    EXPECT_TRUE(app->Timer().isActive());
    EXPECT_EQ(app->Timer().interval(), 1000);
    // The live worker may already have run the engine once, stamping the tick with the fake clock's time.
    const std::int64_t tick = app->CheckKnownPagesTick();
    EXPECT_TRUE(tick == 0 || tick == TickNow()) << tick;
    // Offscreen there is no tray, so the main window is the way in.
    EXPECT_EQ(app->window()->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(AppDelegateTest, FirstTickSortsTheListHidesTheSpinnerAndRowsOpenTheirLinksAsShown)
{
    std::vector<std::string> opened;
    SetUrlOpener([&opened](const std::string& url) { opened.push_back(url); });
    SignIn();
    StoreReminders({{"Late", At(18, 0, 0)}, {"Early", At(11, 0, 0)}});
    Launch();
    app->window()->StartProgress();
    ASSERT_EQ(state->ReminderList.Count(), 2u);
    EXPECT_EQ(state->ReminderList.At(0)->Id(), "Late");
    TickAt(At(9, 0, 1));
    EXPECT_EQ(state->ReminderList.At(0)->Id(), "Early");
    EXPECT_TRUE(app->window()->progressInd()->isHidden());
    EXPECT_FALSE(state->ReminderListChanged);
    EXPECT_EQ(app->window()->tableView()->model()->rowCount(), 2);
    app->onActionTableView(0);
    app->onActionTableView(2);
    app->onActionTableView(-1);
    EXPECT_EQ(opened, std::vector<std::string>{"onenote:Early"});
    SetUrlOpener({});
}

TEST_F(AppDelegateTest, TickFollowsTheIconTable)
{
    Launch();
    QSystemTrayIcon* item = app->statusItem();
    const qint64 normal = item->icon().cacheKey();
    struct Case
    {
        const char* token;
        const char* userId;
        const char* toolTipBefore;
        const char* toolTipAfter;
        bool errorIcon;
    };
    const Case cases[] = {
        {"", "", "Connected", "Disconnected", true},
        {"", "user", "Connected", "Disconnected", true},
        {"", "", "Disconnected", "Disconnected", true},
        {"token", "user", "Disconnected", "Connected", false},
        {"token", "user", "Connected", "Connected", false},
        // Not signed in until the user id arrives; left at "Disconnected" so it does not flicker.
        {"token", "", "Connected", "Disconnected", true},
        {"token", "", "Disconnected", "Disconnected", true},
    };
    for (const Case& c : cases) {
        state->AccessToken.Set(c.token);
        state->UserId.Set(c.userId);
        item->setToolTip(QString::fromLatin1(c.toolTipBefore));
        item->setIcon(QString::fromLatin1(c.toolTipBefore) == QStringLiteral("Connected")
                          ? QIcon(QStringLiteral(":/icons/16.svg"))
                          : QIcon(QStringLiteral(":/icons/16err.svg")));
        if (std::string(c.toolTipBefore) == c.toolTipAfter) {
            const qint64 before = item->icon().cacheKey();
            app->TimerRun();
            EXPECT_EQ(item->icon().cacheKey(), before) << "unchanged row";
        } else {
            app->TimerRun();
            EXPECT_EQ(item->icon().cacheKey() == normal, !c.errorIcon);
        }
        EXPECT_EQ(item->toolTip(), QString::fromLatin1(c.toolTipAfter)) << c.token << "/" << c.userId;
    }
}

TEST_F(AppDelegateTest, DueReminderRaisesThePendingWindowOnce)
{
    SignIn();
    StoreReminders({{"A", At(10, 0, 0)}, {"B", At(10, 0, 0)}, {"C", At(12, 0, 0)}});
    Launch();
    QSignalSpy alerts(app.get(), &AppDelegate::AlertRaised);
    TickAt(At(9, 59, 49));
    EXPECT_EQ(alerts.count(), 0);
    TickAt(At(9, 59, 50));
    ASSERT_EQ(alerts.count(), 1);
    EXPECT_EQ(alerts.at(0).at(0).toStringList().size(), 2);
    EXPECT_EQ(state->PendingReminderList.Count(), 2u);
    EXPECT_EQ(state->ReminderList.Count(), 1u);
    EXPECT_TRUE(app->WinPendingReminders()->isVisible());
    EXPECT_EQ(app->WinPendingReminders()->tableView()->model()->rowCount(), 2);
    EXPECT_EQ(app->window()->tableView()->model()->rowCount(), 1);
    TickAt(At(9, 59, 51));
    EXPECT_EQ(alerts.count(), 1);
    EXPECT_EQ(soundsPlayed, 1);
}

TEST_F(AppDelegateTest, SnoozeFiringAloneSortsAndShowsTheList)
{
    SignIn();
    Launch();
    TickAt(At(9, 0, 1));
    // Changed without the flag, so only the alert can bring the table up to date.
    for (const auto& [id, time] : {std::pair{"Late", At(18, 0, 0)}, std::pair{"Early", At(11, 0, 0)}}) {
        state->ReminderList.AddUnique(kPageTitleReminder, std::string(id) + " !", id, id, "", time, 0,
                                      DefaultWeekDays());
    }
    SnoozeState& snooze = app->PendingReminders().Snooze();
    snooze.PreRemindedTime = At(9, 0, 0);
    snooze.SnoozeRemindedTime = At(9, 30, 0);
    QSignalSpy alerts(app.get(), &AppDelegate::AlertRaised);
    TickAt(At(9, 30, 0));
    ASSERT_EQ(alerts.count(), 1);
    EXPECT_EQ(state->ReminderList.At(0)->Id(), "Early");
    EXPECT_EQ(app->window()->tableView()->model()->rowCount(), 2);
}

TEST_F(AppDelegateTest, ListChangeDuringTheRedrawWaitsForTheNextTick)
{
    SignIn();
    StoreReminders({{"A", At(11, 0, 0)}});
    Launch();
    QAbstractItemModel* model = app->window()->tableView()->model();
    int resets = 0;
    // The worker's loader marking the list changed while the tick redraws the table.
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, [&] {
        if (++resets == 1) {
            state->ReminderListChanged = true;
        }
    });
    TickAt(At(9, 0, 1));
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(state->ReminderListChanged) << "the change made meanwhile was lost";
    TickAt(At(9, 0, 2));
    EXPECT_EQ(resets, 2);
    EXPECT_FALSE(state->ReminderListChanged);
}

TEST_F(AppDelegateTest, RefusesToStartWithoutXdgDataHomeOrHome)
{
    test::ScopedEnv noData("XDG_DATA_HOME", nullptr);
    test::ScopedEnv noHome("HOME", nullptr);
    EXPECT_FALSE(Launch());
    EXPECT_EQ(app->statusItem(), nullptr);
    EXPECT_FALSE(app->Timer().isActive());
    EXPECT_EQ(state->Paths.DataFolderPath, "");
    EXPECT_FALSE(FileExists("/Tidewell"));
    TickAt(At(9, 0, 1)); // a stray tick finds nothing to do
}

TEST_F(AppDelegateTest, TimerKeepsCheckingWhileAModalWindowIsOpen)
{
    SignIn();
    StoreReminders({{"A", At(10, 0, 0)}});
    Launch();
    clock.Set(At(10, 0, 0).seconds);
    // Closes the About window once the one-second timer has had its chance inside the modal loop.
    QTimer closer;
    closer.setInterval(1500);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    closer.start();
    app->MenuItemAboutClick();
    EXPECT_EQ(app->AlertCount(), 1);
    EXPECT_EQ(state->PendingReminderList.Count(), 1u);
}

TEST_F(AppDelegateTest, PendingRemindersSurviveARestartButNotADamagedFile)
{
    SignIn();
    StoreReminders({{"A", At(10, 0, 0)}});
    Launch();
    TickAt(At(10, 0, 0));
    ASSERT_EQ(state->PendingReminderList.Count(), 1u);
    EXPECT_TRUE(FileExists(DataFile("PendingReminders.plist")));
    Quit();

    clock.Set(At(11, 0, 0).seconds);
    Launch();
    ASSERT_EQ(state->PendingReminderList.Count(), 1u);
    EXPECT_EQ(state->PendingReminderList.At(0)->Id(), "A");
    EXPECT_EQ(state->PendingReminderList.At(0)->time(), At(10, 0, 0));
    EXPECT_TRUE(app->WinPendingReminders()->isVisible());

    app->WinPendingReminders()->buttonDismissAllClick();
    Quit();
    Launch();
    EXPECT_EQ(state->PendingReminderList.Count(), 0u);
    EXPECT_FALSE(app->WinPendingReminders()->isVisible());

    // A damaged file loads nothing, and the next tick copes.
    Quit();
    test::WriteFileBytes(DataFile("PendingReminders.plist"), "<?xml version=\"1.0\"?><plist><array><string>");
    Launch();
    EXPECT_EQ(state->PendingReminderList.Count(), 0u);
    EXPECT_FALSE(app->WinPendingReminders()->isVisible());
    TickAt(At(11, 0, 1));
}

TEST_F(AppDelegateTest, NewSignInRestartsTheReminderState)
{
    SignIn();
    Launch();
    state->PreviousReminderPagesJson.Set("{}");
    state->JustLoggedIn = true;
    TickAt(At(9, 0, 1));
    EXPECT_FALSE(state->JustLoggedIn);
    EXPECT_EQ(state->PreviousReminderPagesJson.Get(), "");
    // Refresh zeroes the engine's tick; the live worker may already have run the engine on it, at
    // the tick's own time, but never left the time of a run before it.
    const std::int64_t tick = app->CheckKnownPagesTick();
    EXPECT_TRUE(tick == 0 || tick == TickNow()) << tick;
}

TEST_F(AppDelegateTest, OneStatusItemWhoseMenuActionsAreAllInTheMenuBarAndStartAtLoginWorks)
{
    Launch();
    QSystemTrayIcon* first = app->statusItem();
    app->awakeFromNib();
    EXPECT_EQ(app->statusItem(), first);
    EXPECT_EQ(first->toolTip(), QStringLiteral("Connected"));
    QList<QAction*> inMenuBar;
    for (QAction* menu : app->window()->menuBar()->actions()) {
        ASSERT_NE(menu->menu(), nullptr);
        EXPECT_TRUE(menu->isVisible() && menu->isEnabled());
        inMenuBar += menu->menu()->actions();
    }
    int checked = 0;
    for (QAction* action : app->statusMenu()->actions()) {
        // The first line tells what rings next; it is no action.
        if (action->isSeparator() || action == app->statusMenu()->actions().value(0)) {
            continue;
        }
        ++checked;
        EXPECT_TRUE(inMenuBar.contains(action)) << action->text().toStdString();
        EXPECT_TRUE(action->isVisible() && action->isEnabled()) << action->text().toStdString();
    }
    EXPECT_EQ(checked, 11);

    const std::string entry = home.Path() + "/config/autostart/redozevuviva.desktop";
    app->MenuItemStartAtLoginClick(true);
    EXPECT_TRUE(FileExists(entry));
    app->MenuItemStartAtLoginClick(false);
    EXPECT_FALSE(FileExists(entry));
}

TEST_F(AppDelegateTest, ClosingTheWindowLeavesTheAgentRunningAndAnotherStartBringsForwardWhatWaits)
{
    SignIn();
    StoreReminders({{"A", At(10, 0, 0)}});
    Launch();
    // With a tray the window hides behind the icon instead.
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    app->window()->close();
    QCoreApplication::processEvents();
    if (!tray) {
        EXPECT_TRUE(app->window()->isVisible());
        EXPECT_TRUE(app->window()->isMinimized());
    }
    app->window()->showMinimized();
    app->ShowAfterAnotherStart();
    EXPECT_TRUE(app->window()->isVisible());
    EXPECT_FALSE(app->window()->isMinimized());
    EXPECT_FALSE(app->WinPendingReminders()->isVisible());

    TickAt(At(10, 0, 0));
    EXPECT_EQ(app->AlertCount(), 1);
    app->WinPendingReminders()->hide();
    app->ShowAfterAnotherStart();
    EXPECT_TRUE(app->WinPendingReminders()->isVisible());

    // Only Quit lets it close.
    app->MenuItemQuitClick();
    app->window()->close();
    EXPECT_FALSE(app->window()->isVisible());
}

TEST_F(AppDelegateTest, StartUpWithoutAnAccountSignsInBeforeTheWorkerAndTakesTheAccountOver)
{
    signInWindow = [this](int) { return WindowSignsIn("new-token", "new-user", true); };
    Launch();
    EXPECT_EQ(signInCalls, std::vector<int>{0});
    EXPECT_EQ(state->AccessToken.Get(), "new-token");
    EXPECT_EQ(state->UserId.Get(), "new-user");
    EXPECT_EQ(state->AuthorizationCode.Get(), "captured-code");
    // Start-up consumes the new sign-in itself.
    EXPECT_FALSE(state->JustLoggedIn);
    EXPECT_TRUE(app->window()->isVisible());
}

TEST_F(AppDelegateTest, SignOutAndInForgetsTheOldAccountWhileTheWindowIsOpenUnlessItNeverRan)
{
    SignIn();
    Launch();
    app->MenuItemLoginClick();
    EXPECT_EQ(signInCalls, std::vector<int>{1});
    EXPECT_EQ(state->AccessToken.Get(), "token");
    EXPECT_EQ(state->UserId.Get(), "user");
    EXPECT_FALSE(state->JustLoggedIn);

    signInCalls.clear();
    signInWindow = [this](int) { return WindowSignsIn("other-token", "other-user", true); };
    app->MenuItemLoginClick();
    EXPECT_EQ(signInCalls, std::vector<int>{1});
    EXPECT_EQ(accountAtSignIn, "/");
    EXPECT_EQ(state->AccessToken.Get(), "other-token");
    EXPECT_EQ(state->UserId.Get(), "other-user");
    EXPECT_TRUE(state->JustLoggedIn);
    TickAt(At(9, 0, 1));
    EXPECT_FALSE(state->JustLoggedIn);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// The same account signing in again, from the menu (a sign-out abandoned) or at start-up, keeps its
// reminders; only another account's go.
TEST_F(AppDelegateTest, SameAccountSigningInAgainKeepsTheReminderList)
{
    struct Case
    {
        const char* name;
        bool atStartUp;
        const char* userId;
        std::size_t kept;
    };
    const Case cases[] = {
        {"MenuSameAccount", false, "user", 1},
        {"StartUpSameAccount", true, "user", 1},
    };
    for (const Case& c : cases) {
        signInWindow = nullptr;
        SignIn();
        StoreReminders({{"A", At(10, 0, 0)}});
        Launch(); // the data folder's reminders become "user"'s
        Quit();
        if (c.atStartUp) {
            SignIn("", "");
        }
        signInWindow = [this, &c](int) { return WindowSignsIn("token", c.userId, true); };
        Launch();
        if (!c.atStartUp) {
            app->MenuItemLoginClick();
        }
        TickAt(At(9, 0, 1));
        EXPECT_EQ(state->ReminderList.Count(), c.kept) << c.name;
        Quit();
        std::remove(DataFile("ReminderOwner.json").c_str());
    }
}

} // namespace
} // namespace rz
