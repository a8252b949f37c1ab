// SPDX-License-Identifier: GPL-3.0-or-later
// What the agent shows at a glance: the due count on the tray icon (or in the window title without a
// tray), the next reminder atop the tray menu, the near-miss line and list, and the announcements a
// screen reader hears when reminders come due.
#include "alerts/page_opener.h"
#include "alerts/tray_glance.h"
#include "alerts/tray_state.h"
#include "app/app_delegate.h"
#include "state/app_state.h"
#include "status/monitor_lines.h"
#include "status/near_miss_rows.h"
#include "ui/locale_text.h"
#include "ui/main_window.h"
#include "ui/mwin_monitor.h"
#include "ui/mwin_pending_reminders.h"
#include "ui/strings_table.h"
#include "ui/tray_badge.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace rz {

// What the glance keeps between ticks.
struct AppDelegate::GlanceState
{
    QAction* NextReminder = nullptr;
    QAction* NextSeparator = nullptr;
    // The icon last badged, to notice when the tray's own state put a plain one back.
    qint64 BadgedIconKey = 0;
    QString BadgeText;
    std::size_t DueAnnounced = 0;
    // The near-miss rows as the status window last asked for them.
    std::uint64_t RowsVersion = 0;
    bool RowsMade = false;
    std::vector<TNearMissRow> Rows;
};

void AppDelegate::CreateGlance()
{
    m_GlanceState = std::make_shared<GlanceState>();
    if (m_StatusMenu) {
        // The first line names what rings next; it is information, not a choice.
        QAction* first = m_StatusMenu->actions().value(0);
        m_GlanceState->NextReminder = new QAction(m_StatusMenu.get());
        m_GlanceState->NextReminder->setEnabled(false);
        m_StatusMenu->insertAction(first, m_GlanceState->NextReminder);
        m_GlanceState->NextSeparator = m_StatusMenu->insertSeparator(first);
        connect(m_StatusMenu.get(), &QMenu::aboutToShow, this, &AppDelegate::UpdateNextReminderLine);
        UpdateNextReminderLine();
    }
    if (m_Window) {
        connect(m_Window.get(), &MainWindow::NearMissesRequested, this, &AppDelegate::MenuItemStatusClick);
    }
    if (m_WinMonitor) {
        connect(m_WinMonitor.get(), &MWinMonitor::PageOpenRequested, this,
                [this](const QString& link, const QString& pageId) {
                    if (m_PageOpener) {
                        m_PageOpener->Open(link.toStdString(), pageId.toStdString());
                    }
                });
    }
    // A screen reader hears what came due, whether or not the window takes the focus.
    connect(this, &AppDelegate::AlertRaised, this, [this](const QStringList& names) {
        if (!m_WinPendingReminders || names.isEmpty()) {
            return;
        }
        m_WinPendingReminders->AnnounceDue(UiText("strA11yDueNow").arg(names.join(QStringLiteral(", "))));
    });
}

void AppDelegate::UpdateNextReminderLine()
{
    if (!m_GlanceState || m_GlanceState->NextReminder == nullptr) {
        return;
    }
    const std::optional<TNextReminder> next = NextReminder(m_State.ReminderList, DateNow());
    m_GlanceState->NextReminder->setText(
        next ? UiText("strTrayNextReminder")
                   .arg(QString::fromStdString(next->Name), LocaleDateTimeText(next->Time))
                   // A name with "&" would otherwise underline the letter after it.
                   .replace(QLatin1Char('&'), QLatin1String("&&"))
             : UiText("strTrayNoNextReminder"));
}

void AppDelegate::UpdateGlance()
{
    if (!m_GlanceState) {
        return;
    }
    const std::size_t due = m_State.PendingReminderList.Count();
    const bool trayShown = m_StatusItem != nullptr && m_StatusItem->isVisible();
    if (m_StatusItem != nullptr) {
        // The tool tip records which icon the tray's state chose; the badge goes over that one.
        const QString text = QString::fromStdString(TrayBadgeText(due));
        const bool plainPutBack = m_StatusItem->icon().cacheKey() != m_GlanceState->BadgedIconKey;
        if (text != m_GlanceState->BadgeText || (plainPutBack && !text.isEmpty())) {
            const bool connected = m_StatusItem->toolTip() == QLatin1String(kToolTipConnected);
            m_StatusItem->setIcon(BadgedIcon(connected ? m_StatusImage : m_StatusImageError, text));
            m_GlanceState->BadgedIconKey = m_StatusItem->icon().cacheKey();
            m_GlanceState->BadgeText = text;
        }
    }
    if (m_Window) {
        m_Window->SetDueCount(trayShown ? 0 : static_cast<int>(due));
        m_Window->SetNearMissCount(static_cast<int>(m_State.NearMisses.Count()));
    }
}

void AppDelegate::FillNearMisses(MonitorSnapshot& snapshot)
{
    if (!m_GlanceState) {
        return;
    }
    GlanceState& glance = *m_GlanceState;
    const std::uint64_t version = m_State.NearMisses.Version();
    // Where a page sits is read from the mirrored hierarchy only when the list changed.
    if (!glance.RowsMade || version != glance.RowsVersion) {
        glance.Rows = NearMissRows(m_State.NearMisses.Entries(), SectionChoices());
        glance.RowsVersion = version;
        glance.RowsMade = true;
    }
    snapshot.NearMissVersion = glance.RowsVersion;
    snapshot.NearMisses = glance.Rows;
}

} // namespace rz
