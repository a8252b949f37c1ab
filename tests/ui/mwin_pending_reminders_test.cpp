// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "pending_fixture.h"
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "snooze_cases.h"
#include "test_support.h"
#include "ui/mwin_pending_reminders.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

class PendingWindowTest : public test::PendingListFixture
{
protected:
    void Show()
    {
        window.RefreshTableData();
        window.showWindow();
        ASSERT_TRUE(window.isVisible());
    }
    void Click(const char* button)
    {
        auto* b = window.findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void Select(int row) { window.tableView()->selectRow(row); }

    // Before the window below.
    QApplication& qtApp = test::QtTestApp();
    MWinPendingReminders window{controller};
};

TEST_F(PendingWindowTest, ShowsEveryPendingEntry)
{
    AddPending("A", "a");
    AddPending("B", "b");
    Show();
    QAbstractItemModel* model = window.tableView()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("A"));
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("2026-03-04 10:00"));
    EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(PendingWindowTest, StatusTimerRunsOnlyWhileShown)
{
    AddPending("A", "a");
    Show();
    auto* timer = window.findChild<QTimer*>("statusTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    window.hide();
    EXPECT_FALSE(timer->isActive());
    Show();
    EXPECT_TRUE(timer->isActive());
}

TEST_F(PendingWindowTest, DismissWithOneEntryAndNoSelectionRemovesItAndCloses)
{
    AddPending("A", "a");
    Show();
    window.tableView()->clearSelection();
    Click("buttonDismiss");
    EXPECT_EQ(pending.Count(), 0u);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(PendingWindowTest, DismissWithTwoEntriesAndNoSelectionDoesNothing)
{
    AddPending("A", "a");
    AddPending("B", "b");
    Show();
    window.tableView()->clearSelection();
    Click("buttonDismiss");
    EXPECT_EQ(pending.Count(), 2u);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(PendingWindowTest, DismissingTheLastEntryCloses)
{
    AddPending("A", "a");
    AddPending("B", "b");
    Show();
    Select(0);
    Click("buttonDismiss");
    ASSERT_EQ(pending.Count(), 1u);
    EXPECT_EQ(pending.At(0)->Id(), "B");
    EXPECT_TRUE(window.isVisible());
    Select(0);
    Click("buttonDismiss");
    EXPECT_EQ(pending.Count(), 0u);
    EXPECT_FALSE(window.isVisible());

    TReminderList stored;
    TPendingReminders reread(stored, dir.File("PendingReminders.plist"), dir.File("velaapp.plist"));
    reread.Load();
    EXPECT_EQ(stored.Count(), 0u);
}

TEST_F(PendingWindowTest, DismissAllAlwaysCloses)
{
    Show();
    Click("buttonDismissAll");
    EXPECT_FALSE(window.isVisible());

    AddPending("A", "a");
    AddPending("B", "b");
    Show();
    Click("buttonDismissAll");
    EXPECT_EQ(pending.Count(), 0u);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(PendingWindowTest, OpenHandsTheLinkWithoutBracesToTheRegisteredOpener)
{
    AddPending("A", "onenote:https://d/x.one#p&section-id={1-2}&page-id={3-4}&end");
    AddPending("B", "b");
    Show();
    Click("buttonOpen");
    EXPECT_TRUE(opened.empty()) << "two entries, nothing selected";
    Select(0);
    Click("buttonOpen");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "onenote:https://d/x.one#p&section-id=1-2&page-id=3-4&end");
    EXPECT_EQ(pending.Count(), 2u);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(PendingWindowTest, SnoozeFollowsTheTextTable)
{
    AddPending("A", "a");
    for (const test::SnoozeTextCase& c : test::SnoozeTextCases()) {
        controller.Snooze() = InitialSnoozeState(DateNow());
        const Date unset = controller.Snooze().SnoozeRemindedTime;
        Show();
        const int defaultBefore = controller.SnoozeDefaultMinutes();
        window.snoozeCombo()->setCurrentText(QString::fromLatin1(c.text));
        Click("buttonSnooze");
        // A text that does not read keeps the window open and says so.
        EXPECT_EQ(window.isVisible(), !c.until) << c.text;
        EXPECT_EQ(!window.findChild<QLabel*>("toDoStatusLabel")->isHidden(), !c.until) << c.text;
        EXPECT_EQ(controller.Snooze().SnoozeRemindedTime, c.until.value_or(unset)) << c.text;
        // Stored so that it reads back as the same delay whatever the language.
        EXPECT_EQ(controller.SnoozeDefaultMinutes(),
                  c.until ? SnoozeMinutesFromSetting(c.text) : defaultBefore)
            << c.text;
        EXPECT_EQ(pending.Count(), 1u);
    }
}

TEST_F(PendingWindowTest, ComboStartsWithTheStoredChoice)
{
    {
        MConfig settings(dir.File("velaapp.plist"));
        settings.WriteValueValueStr("SnoozeTime_Default", "1 hour");
        settings.Save();
    }
    Show();
    EXPECT_EQ(window.snoozeCombo()->currentText(), QStringLiteral("1 hour"));
    QStringList choices;
    for (int i = 0; i < window.snoozeCombo()->count(); ++i) {
        choices << window.snoozeCombo()->itemText(i);
    }
    EXPECT_EQ(choices, (QStringList{"5 minutes", "10 minutes", "15 minutes", "30 minutes", "1 hour",
                                    "2 hours", "1 day"}));
}

} // namespace
} // namespace rz

namespace rz {
namespace {

TEST_F(PendingWindowTest, SnoozedRemindersAreListedWithTheirTimeAndCanBeCancelled)
{
    AddPending("A", "a");
    AddPending("B", "b");
    Show();
    Select(0);
    window.SnoozeOneClick(static_cast<int>(TOneSnooze::OneHour));
    QListWidget* snoozed = window.snoozedList();
    ASSERT_EQ(snoozed->count(), 1);
    EXPECT_TRUE(snoozed->isVisible());
    EXPECT_TRUE(snoozed->item(0)->text().endsWith(QStringLiteral(": A")));
    EXPECT_TRUE(snoozed->item(0)->text().contains(QStringLiteral("11:00")));
    snoozed->setCurrentRow(0);
    Click("buttonCancelSnooze");
    EXPECT_EQ(snoozed->count(), 0);
    EXPECT_FALSE(snoozed->isVisible());
    EXPECT_TRUE(controller.SnoozedReminders().empty());
}

} // namespace
} // namespace rz
