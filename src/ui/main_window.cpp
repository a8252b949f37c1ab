// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "ui/mwin_help.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "ui_MainWindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>

namespace rz {

MainWindow::MainWindow(ReminderTableModel* model, QWidget* parent)
    : QMainWindow(parent), m_Ui(std::make_unique<Ui::MainWindow>())
{
    m_Ui->setupUi(this);
    m_PlainTitle = windowTitle();
    m_Proxy = new QSortFilterProxyModel(this);
    m_Proxy->setSourceModel(model);
    m_Proxy->setSortRole(ReminderTableModel::SortRole);
    m_Proxy->setSortLocaleAware(true);
    m_Proxy->setFilterKeyColumn(ReminderTableModel::ColumnTask);
    m_Proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTableView* table = m_Ui->tableView;
    table->setModel(m_Proxy);
    ConfigureReminderColumns(table);
    // Soonest first, as the list keeps them, until the user picks another column.
    table->horizontalHeader()->setSortIndicator(ReminderTableModel::ColumnTime, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    connect(m_Ui->filterEdit, &QLineEdit::textChanged, m_Proxy, &QSortFilterProxyModel::setFilterFixedString);

    connect(table, &QAbstractItemView::clicked, this, &MainWindow::OpenRow);
    // Enter is read before the view's own handling, which only selects; a shortcut would need the
    // window to be active as well.
    table->installEventFilter(this);
    connect(m_Ui->nearMissButton, &QPushButton::clicked, this, &MainWindow::NearMissesRequested);
    connect(m_Ui->actionHelp, &QAction::triggered, this, [this] { ShowHelp(this); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_Ui->filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_Ui->filterEdit->selectAll();
    });
}

MainWindow::~MainWindow() = default;

QTableView* MainWindow::tableView() const
{
    return m_Ui->tableView;
}

QLineEdit* MainWindow::filterEdit() const
{
    return m_Ui->filterEdit;
}

QProgressBar* MainWindow::progressInd() const
{
    return m_Ui->progressInd;
}

MenuActions MainWindow::Actions() const
{
    return {
        m_Ui->actionRedoZevuviva, m_Ui->actionCompleteReminderList, m_Ui->actionStatus, m_Ui->actionRefresh,
        m_Ui->actionLogin,        m_Ui->actionStartAtLogin,         m_Ui->actionAbout,  m_Ui->actionQuit,
        m_Ui->actionNewReminder,  m_Ui->actionPreferences};
}

void MainWindow::AddSettingsSubmenu(QMenu* menu)
{
    m_Ui->menuSettings->addMenu(menu);
}

void MainWindow::StopProgress()
{
    // A busy bar redraws itself continually; a hidden one costs nothing.
    m_Ui->progressInd->setRange(0, 1);
    m_Ui->progressInd->hide();
}

void MainWindow::StartProgress()
{
    m_Ui->progressInd->setRange(0, 0);
    m_Ui->progressInd->show();
}

void MainWindow::SetNearMissCount(int count)
{
    if (count == m_NearMissCount) {
        return;
    }
    m_NearMissCount = count;
    m_Ui->nearMissButton->setText(count == 1 ? UiText("strNearMissCountOne")
                                             : UiText("strNearMissCount").arg(count));
    m_Ui->nearMissButton->setVisible(count > 0);
}

void MainWindow::SetDueCount(int count)
{
    if (count == m_DueCount) {
        return;
    }
    m_DueCount = count;
    setWindowTitle(count > 0 ? UiText("strMainWindowTitleDue").arg(count).arg(m_PlainTitle) : m_PlainTitle);
}

void MainWindow::OpenRow(const QModelIndex& index)
{
    if (index.isValid()) {
        emit RowClicked(m_Proxy->mapToSource(index).row());
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_Ui->tableView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenRow(m_Ui->tableView->currentIndex());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_MinimiseOnClose) {
        event->ignore();
        showMinimized();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace rz
