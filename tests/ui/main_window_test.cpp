// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "shown_help.h"
#include "ui/main_window.h"
#include "ui/reminder_table_model.h"

#include <QAction>
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
        for (const auto& [name, day] : {std::pair{"beta", 12}, {"Gamma", 11}, {"Alpha", 10}}) {
            list.InsertTop(kPageTitleReminder,
                           std::string(name) + " !2026-12-" + std::to_string(day) + " 10:00", name, name,
                           std::string("https://x/") + name, DateFromParts(2026, 12, day, 10, 0, 0), 0,
                           DefaultWeekDays());
        }
        model.Reload();
        window.show();
    }

    QString NameAt(int row) const
    {
        return table->model()->index(row, ReminderTableModel::ColumnTask).data().toString();
    }

    QApplication& qtApp = test::QtTestApp();
    TReminderList list;
    ReminderTableModel model{list};
    MainWindow window{&model};
    QTableView* table = window.tableView();
};

TEST_F(MainWindowTest, FilterKeepsTheRowsWhoseWordsMatchWhateverTheCase)
{
    window.filterEdit()->setText(QStringLiteral("AMM"));
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(NameAt(0), QStringLiteral("Gamma"));
    // The date of the title is syntax, not words.
    window.filterEdit()->setText(QStringLiteral("2026"));
    EXPECT_EQ(table->model()->rowCount(), 0);
}

// The table sorts by time, or by name on request; Enter names the model's row, so the page opened is
// the one shown, whatever the order and filter.
TEST_F(MainWindowTest, EnterOpensTheCurrentRowOfTheSortedAndFilteredTable)
{
    QSignalSpy opened(&window, &MainWindow::RowClicked);
    window.filterEdit()->setText(QStringLiteral("a"));
    EXPECT_EQ(NameAt(0), QStringLiteral("Alpha")) << "soonest first";
    table->sortByColumn(ReminderTableModel::ColumnTask, Qt::DescendingOrder);
    ASSERT_EQ(NameAt(1), QStringLiteral("beta")) << "names sort apart from their case";
    table->setCurrentIndex(table->model()->index(0, ReminderTableModel::ColumnTask));
    QTest::keyClick(table, Qt::Key_Return);
    QTest::keyClick(table, Qt::Key_Enter);
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(model.LinkAt(opened.at(0).at(0).toInt()), "https://x/Gamma");
    EXPECT_EQ(model.LinkAt(opened.at(1).at(0).toInt()), "https://x/Gamma");
}

TEST_F(MainWindowTest, HelpMenuAndF1OpenTheSetupSteps)
{
    auto* help = window.findChild<QAction*>(QStringLiteral("actionHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->shortcut(), QKeySequence(QKeySequence::HelpContents));
    EXPECT_TRUE(test::ShownHelpText([&] { help->trigger(); }).contains(QStringLiteral("Notes.ReadWrite")));
}

} // namespace
} // namespace rz
