// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "ui/reminder_table_model.h"
#include "ui_MainWindow.h"

#include <QCloseEvent>

namespace rz {

MainWindow::MainWindow(ReminderTableModel* model, QWidget* parent)
    : QMainWindow(parent), m_Ui(std::make_unique<Ui::MainWindow>())
{
    m_Ui->setupUi(this);
    m_Ui->tableView->setModel(model);
    ConfigureReminderColumns(m_Ui->tableView);
    connect(m_Ui->tableView, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit RowClicked(index.row()); });
}

MainWindow::~MainWindow() = default;

QTableView* MainWindow::tableView() const
{
    return m_Ui->tableView;
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
