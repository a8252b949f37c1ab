// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "ui/locale_text.h"
#include "ui/reminder_table_model.h"

#include <QLocale>
#include <QScopeGuard>
#include <QString>
#include <gtest/gtest.h>
#include <map>

namespace rz {
namespace {

// The repeat icon marks a repeating row; its time stays the locale's own, and the row's words say
// whether it repeats.
TEST(ReminderTableModelTest, TimeStandsAloneAndTheRowSaysWhetherItRepeats)
{
    test::QtTestApp();
    // The expected words are English month names, whatever LANG the suite runs under.
    const auto restore = qScopeGuard([previous = QLocale()] { QLocale::setDefault(previous); });
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const test::ScopedTimeZone zone("UTC");
    const Date due = DateFromParts(2026, 12, 9, 3, 29, 0);
    TReminderList list;
    list.InsertTop(kPageTitleReminder, "Call the bank", "1", "1", "https://x/1", due, 0, DefaultWeekDays());
    list.InsertTop(kPageTitleReminder, "Water the plants", "2", "2", "https://x/2", due, 1,
                   DefaultWeekDays());
    ReminderTableModel model(list);
    model.Reload();
    ASSERT_EQ(model.rowCount(), 2);
    const std::map<QString, QString> words = {
        {"Call the bank", "Call the bank, due 9 December 2026 03:29, once"},
        {"Water the plants", "Water the plants, due 9 December 2026 03:29, repeats"}};
    for (int row = 0; row < model.rowCount(); ++row) {
        const auto cell = [&](int column) { return model.index(row, column); };
        const QString name = model.data(cell(ReminderTableModel::ColumnTask)).toString();
        ASSERT_EQ(words.count(name), 1U) << name.toStdString();
        const QString& expected = words.at(name);
        EXPECT_EQ(model.data(cell(ReminderTableModel::ColumnTime)).toString(), LocaleDateTimeText(due));
        EXPECT_EQ(model.data(cell(ReminderTableModel::ColumnTask), Qt::AccessibleTextRole).toString(),
                  expected);
        EXPECT_EQ(model.data(cell(ReminderTableModel::ColumnTime), Qt::ToolTipRole).toString(),
                  expected + QLatin1Char('\n') + name);
        EXPECT_FALSE(
            model.data(cell(ReminderTableModel::ColumnState), Qt::AccessibleTextRole).toString().isEmpty());
    }
}

// A row shows the reminder's words and the time to the minute; the tooltip keeps the title as the
// page has it, and the time column sorts by the time itself, not by its text.
TEST(ReminderTableModelTest, RowsShowTheWordsAndKeepTheTitleInTheTooltip)
{
    test::QtTestApp();
    const auto restore = qScopeGuard([previous = QLocale()] { QLocale::setDefault(previous); });
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const test::ScopedTimeZone zone("UTC");
    TReminderList list;
    list.InsertTop(kPageTitleReminder, "Zahnarzt anrufen !2027-01-10 12:34:56", "1", "1", "https://x/1",
                   DateFromParts(2027, 1, 10, 12, 34, 56), 0, DefaultWeekDays());
    list.InsertTop(kPageTitleReminder, "Standup !! 09:05", "2", "2", "https://x/2",
                   DateFromParts(2026, 12, 9, 9, 5, 0), 1, DefaultWeekDays());
    ReminderTableModel model(list);
    model.Reload();
    const auto at = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(row, column), role);
    };
    EXPECT_EQ(at(0, ReminderTableModel::ColumnTask).toString(), QStringLiteral("Zahnarzt anrufen"));
    EXPECT_TRUE(at(0, ReminderTableModel::ColumnTask, Qt::ToolTipRole)
                    .toString()
                    .endsWith(QStringLiteral("\nZahnarzt anrufen !2027-01-10 12:34:56")));
    EXPECT_EQ(at(0, ReminderTableModel::ColumnTime).toString(), QStringLiteral("10.01.2027 12:34"));
    EXPECT_GT(at(0, ReminderTableModel::ColumnTime, ReminderTableModel::SortRole).toDouble(),
              at(1, ReminderTableModel::ColumnTime, ReminderTableModel::SortRole).toDouble());
}

} // namespace
} // namespace rz
