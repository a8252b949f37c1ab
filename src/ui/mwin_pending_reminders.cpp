// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mwin_pending_reminders.h"

#include "alerts/pending_reminders.h"
#include "alerts/snooze.h"
#include "ui/locale_text.h"
#include "ui/outbox_status.h"
#include "ui/reminder_table_model.h"
#include "ui/snooze_choices.h"
#include "ui/strings_table.h"
#include "ui/warning_text.h"
#include "ui_MWinPendingReminders.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace rz {

MWinPendingReminders::MWinPendingReminders(TPendingReminders& pending, QWidget* parent)
    : QDialog(parent), m_Pending(pending)
{
    // Above normal windows, like an alarm.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

MWinPendingReminders::~MWinPendingReminders() = default;

void MWinPendingReminders::windowDidLoad()
{
    m_Ui = std::make_unique<Ui::MWinPendingReminders>();
    m_Ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_Model = new ReminderTableModel(m_Pending.List(), this);
    m_Ui->tableView->setModel(m_Model);
    ConfigureReminderColumns(m_Ui->tableView);
    m_Announcement = NewAnnouncementLine(this);
    m_Announcement->setObjectName(QStringLiteral("announcementLine"));
    m_Ui->mainLayout->insertWidget(m_Ui->mainLayout->indexOf(m_Ui->titleLabel) + 1, m_Announcement);

    // The choices in the user's language; the settings keep their minutes.
    FillSnoozeChoices(m_Ui->snoozeCombo, m_Pending.SnoozeDefaultMinutes());
    m_Ui->snoozeCombo->setToolTip(UiText("strSnoozeChoiceTip"));
    // The typed delay is read out under the box's own name.
    if (QLineEdit* typed = m_Ui->snoozeCombo->lineEdit()) {
        typed->setAccessibleName(m_Ui->snoozeCombo->accessibleName());
    }

    connect(m_Ui->buttonDismiss, &QPushButton::clicked, this, &MWinPendingReminders::buttonDismissClick);
    connect(m_Ui->buttonDismissAll, &QPushButton::clicked, this,
            &MWinPendingReminders::buttonDismissAllClick);
    connect(m_Ui->buttonOpen, &QPushButton::clicked, this, &MWinPendingReminders::buttonOpenClick);
    connect(m_Ui->buttonSnooze, &QPushButton::clicked, this, &MWinPendingReminders::buttonSnoozeClick);
    // Set here rather than in the layout file: there a wrapping label lets adjustSize() squeeze the
    // buttons; the window keeps its layout size, and a long problem shows on two lines.
    m_Ui->toDoStatusLabel->setWordWrap(true);
    connect(m_Ui->buttonDone, &QPushButton::clicked, this, &MWinPendingReminders::buttonDoneClick);
    auto* snoozeOneMenu = new QMenu(m_Ui->buttonSnoozeOne);
    for (const TOneSnooze choice : kOneSnoozeChoices) {
        connect(snoozeOneMenu->addAction(UiText(OneSnoozeTextKey(choice))), &QAction::triggered, this,
                [this, choice] { SnoozeOneClick(static_cast<int>(choice)); });
    }
    m_Ui->buttonSnoozeOne->setMenu(snoozeOneMenu);
    // Snoozed reminders stay within reach: listed under the table until they come back.
    m_SnoozedList = new QListWidget(this);
    m_SnoozedList->setObjectName(QStringLiteral("snoozedList"));
    m_SnoozedList->setMaximumHeight(90);
    m_CancelSnooze = new QPushButton(UiText("strCancelSnooze"), this);
    m_CancelSnooze->setObjectName(QStringLiteral("buttonCancelSnooze"));
    m_CancelSnooze->setAutoDefault(false);
    auto* snoozedRow = new QHBoxLayout();
    snoozedRow->addWidget(m_SnoozedList, 1);
    snoozedRow->addWidget(m_CancelSnooze, 0, Qt::AlignTop);
    m_Ui->mainLayout->insertLayout(m_Ui->mainLayout->indexOf(m_Ui->toDoStatusLabel), snoozedRow);
    connect(m_CancelSnooze, &QPushButton::clicked, this, &MWinPendingReminders::buttonCancelSnoozeClick);
    connect(m_Ui->tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MWinPendingReminders::UpdateActions);
    // The worker ticks to-dos meanwhile; the status follows while the window is shown, and nothing
    // runs while it is hidden.
    m_StatusTimer = new QTimer(this);
    m_StatusTimer->setObjectName(QStringLiteral("statusTimer"));
    m_StatusTimer->setInterval(1000);
    connect(m_StatusTimer, &QTimer::timeout, this, &MWinPendingReminders::UpdateActions);
    connect(m_Ui->tableView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            m_Pending.OpenRow(static_cast<std::size_t>(index.row()));
        }
    });
    m_Loaded = true;
    m_Model->Reload();
    RefreshSnoozed();
}

void MWinPendingReminders::RefreshTableData()
{
    if (m_Loaded) {
        m_Model->Reload();
        RefreshSnoozed();
        UpdateActions();
    }
}

void MWinPendingReminders::RefreshSnoozed()
{
    m_SnoozedList->clear();
    for (const TPendingReminders::Snoozed& snoozed : m_Pending.SnoozedReminders()) {
        m_SnoozedList->addItem(
            UiText("strSnoozedUntil")
                .arg(ShownReminderName(*snoozed.Record), LocaleDateTimeText(snoozed.Until)));
    }
    const bool any = m_SnoozedList->count() > 0;
    m_SnoozedList->setVisible(any);
    m_CancelSnooze->setVisible(any);
}

void MWinPendingReminders::buttonCancelSnoozeClick()
{
    const int row = m_SnoozedList->currentRow();
    if (row >= 0) {
        m_Pending.DismissSnoozed(static_cast<std::size_t>(row));
        RefreshSnoozed();
    }
}

void MWinPendingReminders::UpdateActions()
{
    if (!m_Loaded) {
        return;
    }
    const std::optional<std::size_t> selected = SelectedRow();
    m_Ui->buttonDone->setEnabled(m_Pending.CanMarkDone(selected));
    m_Ui->buttonSnoozeOne->setEnabled(m_Pending.RowToActOn(selected).has_value());
    QString status = OutboxStatusText(m_Pending.Outbox());
    if (!m_Pending.DoneProblem().empty()) {
        status = UiText(m_Pending.DoneProblem().c_str()) +
                 (status.isEmpty() ? QString() : QStringLiteral(" ") + status);
    }
    if (!m_SnoozeProblem.isEmpty()) {
        status = m_SnoozeProblem + (status.isEmpty() ? QString() : QStringLiteral(" ") + status);
    }
    m_Ui->toDoStatusLabel->setText(status);
    m_Ui->toDoStatusLabel->setVisible(!status.isEmpty());
}

void MWinPendingReminders::showWindow()
{
    if (!m_Loaded) {
        windowDidLoad();
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MWinPendingReminders::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_StatusTimer != nullptr) {
        UpdateActions();
        m_StatusTimer->start();
    }
}

void MWinPendingReminders::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_StatusTimer != nullptr) {
        m_StatusTimer->stop();
    }
}

void MWinPendingReminders::AnnounceDue(const QString& text)
{
    if (!m_Loaded) {
        windowDidLoad();
    }
    Announce(m_Announcement, text);
}

QTableView* MWinPendingReminders::tableView() const
{
    return m_Ui ? m_Ui->tableView : nullptr;
}

QComboBox* MWinPendingReminders::snoozeCombo() const
{
    return m_Ui ? m_Ui->snoozeCombo : nullptr;
}

std::optional<std::size_t> MWinPendingReminders::SelectedRow() const
{
    if (!m_Loaded) {
        return std::nullopt;
    }
    const QModelIndexList rows = m_Ui->tableView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(rows.first().row());
}

void MWinPendingReminders::buttonDismissClick()
{
    const bool empty = m_Pending.Dismiss(SelectedRow());
    RefreshTableData();
    if (empty) {
        close();
    }
}

void MWinPendingReminders::buttonDismissAllClick()
{
    m_Pending.DismissAll();
    RefreshTableData();
    close();
}

void MWinPendingReminders::buttonOpenClick()
{
    m_Pending.Open(SelectedRow());
}

void MWinPendingReminders::buttonDoneClick()
{
    const bool empty = m_Pending.MarkDone(SelectedRow());
    RefreshTableData();
    if (empty) {
        close();
    }
}

void MWinPendingReminders::SnoozeOneClick(int choice)
{
    const bool empty = m_Pending.SnoozeOne(SelectedRow(), static_cast<TOneSnooze>(choice));
    RefreshTableData();
    if (empty) {
        close();
    }
}

void MWinPendingReminders::buttonSnoozeClick()
{
    const QString text = m_Ui->snoozeCombo->currentText();
    const int choice = m_Ui->snoozeCombo->findText(text);
    if (choice >= 0) {
        m_Pending.SnoozeForMinutes(m_Ui->snoozeCombo->itemData(choice).toInt());
    } else if (!m_Pending.SnoozeWith(text.toStdString())) {
        // Closing would look like a snooze that never comes back.
        m_SnoozeProblem = UiText("strSnoozeNotRead").arg(text);
        UpdateActions();
        return;
    }
    m_SnoozeProblem.clear();
    UpdateActions();
    close();
}

} // namespace rz
