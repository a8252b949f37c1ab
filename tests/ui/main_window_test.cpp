// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "shown_help.h"
#include "ui/main_window.h"
#include "ui/reminder_table_model.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace rz {
namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest()
    {
        // Added latest first: the time order is neither the list's nor the names'.
        list.InsertTop(kPageTitleReminder, "beta !2026-12-12 10:00", "b", "b", "https://x/b",
                       DateFromParts(2026, 12, 12, 10, 0, 0), 0, DefaultWeekDays());
        list.InsertTop(kPageTitleReminder, "Gamma !2026-12-11 10:00", "g", "g", "https://x/g",
                       DateFromParts(2026, 12, 11, 10, 0, 0), 0, DefaultWeekDays());
        list.InsertTop(kPageTitleReminder, "Alpha !2026-12-10 10:00", "a", "a", "https://x/a",
                       DateFromParts(2026, 12, 10, 10, 0, 0), 0, DefaultWeekDays());
        model.Reload();
        window.show();
    }

    QString NameAt(int row) const
    {
        const QAbstractItemModel* shown = window.tableView()->model();
        return shown->index(row, ReminderTableModel::ColumnTask).data().toString();
    }

    QApplication& qtApp = test::QtTestApp();
    TReminderList list;
    ReminderTableModel model{list};
    MainWindow window{&model};
};

TEST_F(MainWindowTest, FilterKeepsTheRowsWhoseWordsMatchWhateverTheCase)
{
    window.filterEdit()->setText(QStringLiteral("AMM"));
    ASSERT_EQ(window.tableView()->model()->rowCount(), 1);
    EXPECT_EQ(NameAt(0), QStringLiteral("Gamma"));
    // The date of the title is syntax, not words.
    window.filterEdit()->setText(QStringLiteral("2026"));
    EXPECT_EQ(window.tableView()->model()->rowCount(), 0);
    window.filterEdit()->clear();
    EXPECT_EQ(window.tableView()->model()->rowCount(), 3);
}

TEST_F(MainWindowTest, ColumnsSortByTimeFirstAndByNameOnRequest)
{
    EXPECT_EQ(NameAt(0), QStringLiteral("Alpha"));
    EXPECT_EQ(NameAt(2), QStringLiteral("beta"));
    window.tableView()->sortByColumn(ReminderTableModel::ColumnTask, Qt::DescendingOrder);
    EXPECT_EQ(NameAt(0), QStringLiteral("Gamma"));
    EXPECT_EQ(NameAt(1), QStringLiteral("beta"));
    window.tableView()->sortByColumn(ReminderTableModel::ColumnTime, Qt::DescendingOrder);
    EXPECT_EQ(NameAt(0), QStringLiteral("beta"));
}

// Clicks and Enter name the model's row, so the page opened is the one shown, whatever the order.
TEST_F(MainWindowTest, EnterOpensTheCurrentRowOfTheSortedAndFilteredTable)
{
    QSignalSpy opened(&window, &MainWindow::RowClicked);
    QTableView* table = window.tableView();
    window.filterEdit()->setText(QStringLiteral("a"));
    table->sortByColumn(ReminderTableModel::ColumnTask, Qt::DescendingOrder);
    ASSERT_EQ(NameAt(0), QStringLiteral("Gamma"));
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, ReminderTableModel::ColumnTask));
    QTest::keyClick(table, Qt::Key_Return);
    QTest::keyClick(table, Qt::Key_Enter);
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(model.LinkAt(opened.at(0).at(0).toInt()), "https://x/g");
    EXPECT_EQ(model.LinkAt(opened.at(1).at(0).toInt()), "https://x/g");
}

TEST_F(MainWindowTest, HelpMenuAndF1OpenTheSetupSteps)
{
    QAction* help = window.findChild<QAction*>(QStringLiteral("actionHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->shortcut(), QKeySequence(QKeySequence::HelpContents));
    const QString text = test::ShownHelpText([&] { help->trigger(); });
    EXPECT_TRUE(text.contains(QStringLiteral("Notes.ReadWrite"))) << text.toStdString();
}

} // namespace
} // namespace rz
