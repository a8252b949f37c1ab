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
        EXPECT_EQ(model.data(cell(ReminderTableModel::ColumnTime), Qt::ToolTipRole).toString(), expected);
        EXPECT_FALSE(
            model.data(cell(ReminderTableModel::ColumnState), Qt::AccessibleTextRole).toString().isEmpty());
    }
}

} // namespace
} // namespace rz
