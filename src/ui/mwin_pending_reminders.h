// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;

namespace Ui {
class MWinPendingReminders;
}

namespace rz {

class ReminderTableModel;
class TPendingReminders;

// The reminders that came due: Open, Done (ticks a to-do in OneNote), Snooze This (one reminder),
// Dismiss, Dismiss all and Snooze (the window); below them the reminders snoozed one by one, with
// the time each comes back, which Cancel Snooze drops. Created once, reused, shown without a modal loop;
// it stays above other windows. A double click on a row opens its page (a
// single click only selects, so choosing a row to dismiss does not open it).
class MWinPendingReminders : public QDialog
{
    Q_OBJECT
public:
    explicit MWinPendingReminders(TPendingReminders& pending, QWidget* parent = nullptr);
    ~MWinPendingReminders() override;

    // Reloads the table from the pending list (nothing before the window was first shown).
    void RefreshTableData();
    // Shows the window (loading it the first time), raises and activates it.
    void showWindow();

    QTableView* tableView() const;
    QComboBox* snoozeCombo() const;
    // The snoozed reminders, each with the time it comes back; hidden while there are none.
    QListWidget* snoozedList() const { return m_SnoozedList; }
    // The selected row, none when nothing is selected.
    std::optional<std::size_t> SelectedRow() const;
    // Says what just came due on a line under the title, which a screen reader reads out at once.
    void AnnounceDue(const QString& text);

public slots:
    void buttonDismissClick();
    void buttonDismissAllClick();
    void buttonOpenClick();
    void buttonSnoozeClick();
    void buttonDoneClick();
    void SnoozeOneClick(int choice);
    // Cancels the selected snoozed reminder.
    void buttonCancelSnoozeClick();
    // Enables Done for an open to-do and shows what waits to be ticked in OneNote.
    void UpdateActions();

protected:
    // The status timer runs only while the window is shown.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void windowDidLoad();
    void RefreshSnoozed();

    TPendingReminders& m_Pending;
    std::unique_ptr<Ui::MWinPendingReminders> m_Ui;
    ReminderTableModel* m_Model = nullptr;
    QListWidget* m_SnoozedList = nullptr;
    QPushButton* m_CancelSnooze = nullptr;
    QLabel* m_Announcement = nullptr;
    // Follows what the worker does to the to-dos while the window is shown.
    QTimer* m_StatusTimer = nullptr;
    // Why the last snooze text typed did not snooze; shown until a snooze succeeds.
    QString m_SnoozeProblem;
    bool m_Loaded = false;
};

} // namespace rz
