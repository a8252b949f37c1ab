// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QModelIndex;
class QProgressBar;
class QSortFilterProxyModel;
class QTableView;

namespace Ui {
class MainWindow;
}

namespace rz {

class ReminderTableModel;

// The menu actions of the tray, which the layout holds.
struct MenuActions
{
    QAction* RedoZevuviva = nullptr;
    QAction* CompleteReminderList = nullptr;
    QAction* Status = nullptr;
    QAction* Refresh = nullptr;
    QAction* Login = nullptr;
    QAction* StartAtLogin = nullptr;
    QAction* About = nullptr;
    QAction* Quit = nullptr;
    QAction* NewReminder = nullptr;
    QAction* Preferences = nullptr;
};

// The list of all coming reminders and the progress spinner shown until the first tick. The table
// sorts by any column and shows the rows whose reminder text holds the filter box's words.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(ReminderTableModel* model, QWidget* parent = nullptr);
    ~MainWindow() override;

    QTableView* tableView() const;
    QLineEdit* filterEdit() const;
    MenuActions Actions() const;
    // A submenu the tray shares with the menu bar, where a desktop without a tray finds it.
    void AddSettingsSubmenu(QMenu* menu);
    QProgressBar* progressInd() const;
    // Stops the spinner's animation and hides it.
    void StopProgress();
    void StartProgress();

    // Where the desktop has no tray, closing minimises the window instead, so the agent it stands
    // for stays within reach. Off when quitting: Qt asks every window to close first.
    void SetMinimiseOnClose(bool minimise) { m_MinimiseOnClose = minimise; }

    // The line under the table that tells how many texts look like reminders but cannot be read;
    // hidden at 0.
    void SetNearMissCount(int count);
    // The title with the number of due reminders, for a desktop without a tray; 0: the plain title.
    void SetDueCount(int count);

signals:
    // A single click on a row, or Enter on the current one: the model's row, whatever the sorting
    // and the filter show.
    void RowClicked(int row);
    // The near-miss line was chosen: show the list.
    void NearMissesRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenRow(const QModelIndex& index);

    std::unique_ptr<Ui::MainWindow> m_Ui;
    QSortFilterProxyModel* m_Proxy = nullptr;
    bool m_MinimiseOnClose = false;
    int m_NearMissCount = 0;
    int m_DueCount = 0;
    QString m_PlainTitle;
};

} // namespace rz
