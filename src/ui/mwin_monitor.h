// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class MWinMonitor;
}

namespace rz {

// Kept out of this header: moc cannot parse the standard headers the core's date type needs.
struct MonitorSnapshot;
struct MonitorTexts;

// The status window: the account, the mirror worker's cycle, the reminder loaders and the last
// page fetch, redrawn once a second from a snapshot the controller provides. It changes nothing.
// Made once at start-up; its texts and timer come into being when it is first shown. The timer runs
// only while the window shows, so a closed window costs an idle agent nothing; showing it again
// redraws at once.
class MWinMonitor : public QDialog
{
    Q_OBJECT
public:
    using SnapshotSource = std::function<MonitorSnapshot()>;

    explicit MWinMonitor(SnapshotSource source, QWidget* parent = nullptr);
    ~MWinMonitor() override;

    // Redraws the four lines from a fresh snapshot, and the near-miss list when it changed.
    void TimerRun();
    // Returns true once the first showing made the texts and the timer.
    bool TimerStarted() const { return m_Timer != nullptr; }
    // Returns true while the timer redraws the window.
    bool TimerRunning() const { return m_Timer != nullptr && m_Timer->isActive(); }

signals:
    // Enter or a double click on a near miss: open its page.
    void PageOpenRequested(const QString& clientLink, const QString& pageId);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void windowDidLoad();
    void DrawNearMisses(const MonitorSnapshot& snapshot);

    std::unique_ptr<Ui::MWinMonitor> m_Ui;
    SnapshotSource m_Source;
    std::unique_ptr<MonitorTexts> m_Texts;
    // The near-miss list's version last drawn; none drawn yet.
    std::optional<std::uint64_t> m_NearMissVersion;
    QTimer* m_Timer = nullptr;
};

} // namespace rz
