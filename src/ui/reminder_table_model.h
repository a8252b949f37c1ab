// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QTableView;

namespace rz {

class TAReminder;
class TReminderList;

// A reminder's name as the windows and notifications show it: its words without the reminder syntax,
// a late one with the marker before it. Display only; the record keeps the full title.
QString ShownReminderName(const TAReminder& reminder);

// The rows of a reminder list for the main and the pending window. It shows a copy taken at the last
// Reload, so the worker changing the list never changes what a view is drawing. Each row's tooltip
// and its reminder cell's accessible text read it whole ("Call the bank, due 9 December 2026 03:29,
// once"); the icons have accessible texts of their own. The tooltip adds the full title, syntax and
// all, since the rows show the reminder's words only.
class ReminderTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Column identifiers, in column order.
    enum Column { ColumnState = 0, ColumnTask = 1, ColumnTime = 2, ColumnCount = 3 };
    // What a sorting view orders a column by: whether the row repeats, the shown name, or the time
    // as a number (the shown time sorts by its text otherwise: "10.01." before "9.12.").
    static constexpr int SortRole = Qt::UserRole;

    explicit ReminderTableModel(TReminderList& list, QObject* parent = nullptr);

    // Takes a fresh copy of the list.
    void Reload();
    // Titles of new reminders whose page does not exist yet, shown after the list's rows, marked as
    // waiting; read at each Reload.
    void SetWaitingTitles(std::function<std::vector<std::string>()> source) { m_Waiting = std::move(source); }
    // The link of the row as shown; empty for a row out of range.
    std::string LinkAt(int row) const;
    // The page id of the row as shown; empty for a row out of range.
    std::string PageIdAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        bool Repeats = false;
        bool Tag = false;
        QString Name;
        QString Title; // the full title, syntax and all
        QString Time;
        double Seconds = 0;  // the time, for sorting; rows without one first
        QString Description; // the row in words: tooltip and screen reader
        std::string Link;
        std::string PageId;
    };

    TReminderList& m_List;
    std::function<std::vector<std::string>()> m_Waiting;
    std::vector<Row> m_Rows;
    QIcon m_Recurrence;
    QIcon m_Time;
    QIcon m_Tag;
    QIcon m_Page;
};

// Column sizes for a table of this model: the icon column fits its icon, the time column its
// longest text with room to breathe, and the reminder's text takes the rest.
void ConfigureReminderColumns(QTableView* table);

} // namespace rz
