#pragma once

#include <QMainWindow>
#include <memory>

class QAction;
class QProgressBar;
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
};

// The list of all coming reminders and the progress spinner shown until the first tick.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(ReminderTableModel* model, QWidget* parent = nullptr);
    ~MainWindow() override;

    QTableView* tableView() const;
    MenuActions Actions() const;
    QProgressBar* progressInd() const;
    // Stops the spinner's animation and hides it.
    void StopProgress();
    void StartProgress();

signals:
    // A single click on a row.
    void RowClicked(int row);
    // The user closed the window.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::MainWindow> m_Ui;
};

} // namespace rz
