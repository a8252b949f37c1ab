// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/reminder_table_model.h"

#include "reminders/reminder_list.h"
#include "ui/locale_text.h"
#include "ui/strings_table.h"
#include "util/dates.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <cstdint>
#include <memory>
#include <optional>

namespace rz {
namespace {

// Rows are selected whole, so the focus frame of a single cell only adds a stray box beside the
// icons.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

} // namespace

QString ShownReminderName(const TAReminder& reminder)
{
    const QString name =
        QString::fromStdString(TAReminder::TitleDisplayText(reminder.name().value_or(std::string())));
    return reminder.late() ? UiText("strLateMarker") + name : name;
}

ReminderTableModel::ReminderTableModel(TReminderList& list, QObject* parent)
    : QAbstractTableModel(parent), m_List(list), m_Recurrence(QStringLiteral(":/icons/Recurrence.svg")),
      m_Time(QStringLiteral(":/icons/Time.svg")), m_Tag(QStringLiteral(":/icons/Tag.svg")),
      m_Page(QStringLiteral(":/icons/Page.svg"))
{
}

void ReminderTableModel::Reload()
{
    std::vector<Row> rows;
    // The repeat icon marks a repeating reminder; the time stays as the locale writes it.
    const auto timed = [](Row& row, const std::optional<Date>& time) {
        row.Time = LocaleDateTimeText(time);
        row.Seconds = time ? time->seconds : 0;
        row.Description = UiText(row.Repeats ? "strRowRepeats" : "strRowOnce")
                              .arg(row.Name, LocaleSpokenDateTimeText(time));
    };
    for (const ReminderPtr& r : m_List.list()) {
        Row row;
        row.Repeats = r->Repeat() != 0;
        row.Tag = r->objType() != 0;
        row.Name = ShownReminderName(*r);
        row.Title = QString::fromStdString(r->name().value_or(std::string()));
        timed(row, r->time());
        row.Link = r->link().value_or(std::string());
        row.PageId = r->pageId().value_or(std::string());
        rows.push_back(std::move(row));
    }
    for (const std::string& title : m_Waiting ? m_Waiting() : std::vector<std::string>()) {
        Row row;
        std::optional<Date> time;
        std::int64_t type = 0, start = 0, end = 0;
        WeekDayFlags weekDay = DefaultWeekDays();
        TAReminder::PageTitleReminder_GetDateTime(title, time, type, start, end, weekDay,
                                                  m_List.DateOnlyTime());
        row.Repeats = type == kReminderTypeRepeating;
        row.Name =
            UiText("strWaitingForPage").arg(QString::fromStdString(TAReminder::TitleDisplayText(title)));
        row.Title = QString::fromStdString(title);
        timed(row, time);
        rows.push_back(std::move(row));
    }
    beginResetModel();
    m_Rows = std::move(rows);
    endResetModel();
}

std::string ReminderTableModel::LinkAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_Rows.size()) {
        return {};
    }
    return m_Rows[static_cast<std::size_t>(row)].Link;
}

std::string ReminderTableModel::PageIdAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_Rows.size()) {
        return {};
    }
    return m_Rows[static_cast<std::size_t>(row)].PageId;
}

int ReminderTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_Rows.size());
}

int ReminderTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReminderTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || static_cast<std::size_t>(index.row()) >= m_Rows.size()) {
        return {};
    }
    const Row& row = m_Rows[static_cast<std::size_t>(index.row())];
    // Every cell tells the whole row, so a reader that lands on any of them hears what is due when.
    if (role == Qt::ToolTipRole) {
        return row.Description + QLatin1Char('\n') + row.Title;
    }
    switch (index.column()) {
    case ColumnState:
        if (role == SortRole) {
            return row.Repeats;
        }
        if (role == Qt::DecorationRole) {
            return row.Repeats ? m_Recurrence : m_Time;
        }
        if (role == Qt::AccessibleTextRole) {
            return UiText(row.Repeats ? "strStateRepeats" : "strStateOnce");
        }
        break;
    case ColumnTask:
        if (role == Qt::DisplayRole) {
            return row.Name;
        }
        if (role == SortRole) {
            // A locale-aware comparison tells case apart; a list of names does not.
            return row.Name.toCaseFolded();
        }
        if (role == Qt::DecorationRole) {
            return row.Tag ? m_Tag : m_Page;
        }
        if (role == Qt::AccessibleTextRole) {
            return row.Description;
        }
        if (role == Qt::AccessibleDescriptionRole) {
            return UiText(row.Tag ? "strKindTag" : "strKindPage");
        }
        break;
    default:
        if (role == Qt::DisplayRole) {
            return row.Time;
        }
        if (role == SortRole) {
            return row.Seconds;
        }
        break;
    }
    return {};
}

QVariant ReminderTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case ColumnState:
        return UiText("strColumnState");
    case ColumnTask:
        return UiText("strColumnTask");
    default:
        return UiText("strColumnTime");
    }
}

void ConfigureReminderColumns(QTableView* table)
{
    table->setItemDelegate(new RowDelegate(table));
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(ReminderTableModel::ColumnState, QHeaderView::Fixed);
    header->resizeSection(ReminderTableModel::ColumnState, table->iconSize().width() + 16);
    header->setSectionResizeMode(ReminderTableModel::ColumnTask, QHeaderView::Stretch);
    header->setSectionResizeMode(ReminderTableModel::ColumnTime, QHeaderView::Fixed);
    // A wide time of the locale's form: a late month, day and hour, and the longer day-period marker.
    const QString widest = LocaleDateTimeText(DateFromParts(2026, 12, 28, 22, 58, 58));
    const int timeWidth = table->fontMetrics().horizontalAdvance(widest);
    header->resizeSection(ReminderTableModel::ColumnTime, timeWidth + 28);
}

} // namespace rz
