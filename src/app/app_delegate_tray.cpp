// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's tray icon, its menu and the actions behind it.
#include "account/endpoints.h"
#include "alerts/alarm_pause.h"
#include "alerts/page_opener.h"
#include "alerts/pending_reminders.h"
#include "alerts/snooze.h"
#include "alerts/tray_state.h"
#include "app/app_delegate.h"
#include "core/autostart.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "status/monitor_lines.h"
#include "ui/desktop_notifier.h"
#include "ui/locale_text.h"
#include "ui/main_window.h"
#include "ui/mwin_about.h"
#include "ui/mwin_monitor.h"
#include "ui/mwin_pending_reminders.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "util/dates.h"
#include "util/files.h"
#include "util/log.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <optional>
#include <string>
#include <utility>

namespace rz {

void AppDelegate::awakeFromNib()
{
    if (m_StatusItem != nullptr) {
        return;
    }
    // The menu's actions come from the main window's layout.
    if (!m_Window) {
        m_MainModel = std::make_unique<ReminderTableModel>(m_State.ReminderList);
        m_MainModel->SetWaitingTitles([this] { return WaitingTitles(); });
        m_Window = std::make_unique<MainWindow>(m_MainModel.get());
    }
    CreateStatusMenu();
    m_StatusItem = new QSystemTrayIcon(this);
    m_StatusImage = QIcon(QStringLiteral(":/icons/16.svg"));
    m_StatusHighlightImage = m_StatusImage;
    m_StatusImageError = QIcon(QStringLiteral(":/icons/16err.svg"));
    m_StatusItem->setToolTip(QString::fromLatin1(kToolTipConnected));
    m_StatusItem->setIcon(m_StatusImage);
    m_StatusItem->setContextMenu(m_StatusMenu.get());
    connect(m_StatusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    MenuItemRedoZevuvivaClick();
                }
            });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_StatusItem->show();
    }
}

void AppDelegate::LookForTray()
{
    switch (TrayLookoutFor(QSystemTrayIcon::isSystemTrayAvailable(), TickNow() - m_StartTick)) {
    case TrayLookout::KeepLooking:
        return;
    case TrayLookout::ShowIcon:
        m_StatusItem->show();
        m_Window->SetMinimiseOnClose(false);
        // The window stood in for the icon; one the user is working in stays.
        if (!m_Window->isActiveWindow()) {
            m_Window->hide();
        }
        break;
    case TrayLookout::GiveUp:
        break;
    }
    m_TrayLookout.stop();
}

void AppDelegate::CreateStatusMenu()
{
    const MenuActions actions = m_Window->Actions();
    m_StatusMenu = std::make_unique<QMenu>();
    const std::pair<QAction*, void (AppDelegate::*)()> plain[] = {
        {actions.RedoZevuviva, &AppDelegate::MenuItemRedoZevuvivaClick},
        {actions.CompleteReminderList, &AppDelegate::MenuItemCompleteReminderListClick},
        {actions.Status, &AppDelegate::MenuItemStatusClick},
        {actions.Refresh, &AppDelegate::MenuItemRefreshClick},
        {actions.Login, &AppDelegate::MenuItemLoginClick},
        {actions.About, &AppDelegate::MenuItemAboutClick},
        {actions.Preferences, &AppDelegate::MenuItemPreferencesClick},
        {actions.NewReminder, &AppDelegate::MenuItemNewReminderClick},
    };
    for (const auto& [action, slot] : plain) {
        connect(action, &QAction::triggered, this, slot);
    }
    m_StartAtLoginAction = actions.StartAtLogin;
    m_StartAtLoginAction->setCheckable(true);
    m_StartAtLoginAction->setChecked(IsAutostartEnabled());
    connect(m_StartAtLoginAction, &QAction::triggered, this, &AppDelegate::MenuItemStartAtLoginClick);
    connect(actions.Quit, &QAction::triggered, this, &AppDelegate::MenuItemQuitClick);

    // Status says, while the account waits for the keyring, what it waits for; the tool tip keeps
    // its two texts.
    m_KeyringStateAction = actions.Status;
    m_StatusActionText = actions.Status->text();
    connect(m_StatusMenu.get(), &QMenu::aboutToShow, this, &AppDelegate::UpdateKeyringMenu);
    UpdateKeyringMenu();
    m_StatusMenu->addAction(actions.NewReminder);
    m_StatusMenu->addSeparator();
    m_StatusMenu->addAction(actions.RedoZevuviva);
    m_StatusMenu->addAction(actions.CompleteReminderList);
    m_StatusMenu->addAction(actions.Status);
    m_StatusMenu->addAction(actions.Refresh);
    CreatePauseMenu();
    m_StatusMenu->addMenu(m_PauseMenu.get());
    m_Window->AddSettingsSubmenu(m_PauseMenu.get());
    connect(m_StatusMenu.get(), &QMenu::aboutToShow, this, &AppDelegate::UpdatePauseMenu);
    m_StatusMenu->addSeparator();
    m_StatusMenu->addAction(actions.Login);
    m_StatusMenu->addAction(actions.Preferences);
    m_StatusMenu->addAction(actions.StartAtLogin);
    m_StatusMenu->addAction(actions.About);
    m_StatusMenu->addSeparator();
    m_StatusMenu->addAction(actions.Quit);
}

void AppDelegate::CreatePauseMenu()
{
    m_PauseMenu = std::make_unique<QMenu>(UiText("strMenuPauseAlarms"));
    m_PauseStateAction = m_PauseMenu->addAction(QString());
    m_PauseStateAction->setEnabled(false);
    const std::pair<const char*, PauseLength> lengths[] = {
        {"strPauseOneHour", PauseLength::OneHour},
        {"strPauseUntilTomorrow", PauseLength::UntilTomorrow},
        {"strPauseUntilResumed", PauseLength::UntilResumed},
    };
    for (const auto& [text, length] : lengths) {
        QAction* action = m_PauseMenu->addAction(UiText(text));
        connect(action, &QAction::triggered, this,
                [this, pauseLength = length] { MenuItemPauseAlarmsClick(pauseLength); });
        if (length == PauseLength::UntilTomorrow) {
            m_PauseMorningAction = action;
        }
    }
    m_PauseMenu->addSeparator();
    m_ResumeAction = m_PauseMenu->addAction(UiText("strResumeAlarms"));
    connect(m_ResumeAction, &QAction::triggered, this, &AppDelegate::MenuItemResumeAlarmsClick);
    connect(m_PauseMenu.get(), &QMenu::aboutToShow, this, &AppDelegate::UpdatePauseMenu);
    UpdatePauseMenu();
}

void AppDelegate::UpdatePauseMenu()
{
    if (!m_PauseMenu) {
        return;
    }
    const Date now = DateNow();
    const std::optional<Date> until = m_AlarmPause ? m_AlarmPause->PausedUntil(now) : std::nullopt;
    QString state;
    if (until) {
        state = m_AlarmPause->UntilResumed(now)
                    ? UiText("strAlarmsPausedUntilResumed")
                    : UiText("strAlarmsPausedUntil").arg(LocaleDateTimeText(until));
    } else if (m_Notifier != nullptr && m_Notifier->DoNotDisturb()) {
        state = UiText("strAlarmsHeldDoNotDisturb");
    }
    m_PauseStateAction->setText(state);
    m_PauseStateAction->setVisible(!state.isEmpty());
    m_ResumeAction->setEnabled(until.has_value());
    // After midnight the next morning is this one.
    m_PauseMorningAction->setText(
        UiText(MorningPauseEndsTomorrow(now) ? "strPauseUntilTomorrow" : "strPauseUntilThisMorning")
            .arg(LocaleDateTimeText(PauseEnd(PauseLength::UntilTomorrow, now))));
}

void AppDelegate::UpdateKeyringMenu()
{
    if (m_KeyringStateAction == nullptr) {
        return;
    }
    MonitorSnapshot account;
    account.WaitingForKeyring = m_State.WaitingForKeyring;
    account.KeyringFailed = m_State.SecretsFallbackReported;
    // Only whether there is a token matters here; the token itself is not copied.
    if (!m_State.AccessToken.Empty()) {
        account.AccessToken.assign(1, '-');
    }
    account.UserId = m_State.UserId.Get();
    const QString line = QString::fromStdString(KeyringLine(account, LocaleMonitorTexts()));
    m_KeyringStateAction->setText(line.isEmpty() ? m_StatusActionText
                                                 : m_StatusActionText + QStringLiteral(" \u2014 ") + line);
}

void AppDelegate::MenuItemPauseAlarmsClick(PauseLength length)
{
    if (m_AlarmPause && !m_AlarmPause->Pause(length, DateNow())) {
        LogWarning("the pause could not be stored: it ends with this run");
    }
    UpdatePauseMenu();
}

void AppDelegate::MenuItemResumeAlarmsClick()
{
    if (m_AlarmPause && !m_AlarmPause->Resume()) {
        LogWarning("the end of the pause could not be stored");
    }
    // What came due in the pause rings at the next tick.
    UpdatePauseMenu();
}

void AppDelegate::UpdateStatusItem()
{
    if (m_StatusItem == nullptr) {
        return;
    }
    // Compared in place: converting the tool tip would allocate on every tick.
    const bool connectedShown = m_StatusItem->toolTip() == QLatin1String(kToolTipConnected);
    switch (TrayIconChangeFor(!m_State.AccessToken.Empty(), !m_State.UserId.Empty(),
                              connectedShown ? kToolTipConnected : kToolTipDisconnected)) {
    case TrayIconChange::ShowError:
        m_StatusItem->setIcon(m_StatusImageError);
        m_StatusItem->setToolTip(QString::fromLatin1(kToolTipDisconnected));
        break;
    case TrayIconChange::ShowNormal:
        m_StatusItem->setIcon(m_StatusImage);
        m_StatusItem->setToolTip(QString::fromLatin1(kToolTipConnected));
        break;
    case TrayIconChange::Unchanged:
        break;
    }
}

void AppDelegate::MenuItemRedoZevuvivaClick()
{
    if (!m_Window) {
        return;
    }
    m_Window->setWindowState(m_Window->windowState() & ~Qt::WindowMinimized);
    m_Window->show();
    m_Window->raise();
    m_Window->activateWindow();
}

void AppDelegate::MenuItemLoginClick()
{
    ShowSignInWindow(1);
}

void AppDelegate::MenuItemRefreshClick()
{
    // The engine's turn is marked before the worker wakes, so that the pass it wakes to runs it.
    m_CheckKnownPagesTick = 0;
    m_State.PreviousReminderPagesJson.Set({});
    RefreshMirrorWorker();
}

void AppDelegate::MenuItemStatusClick()
{
    ShowMonitorWindow();
}

void AppDelegate::MenuItemAboutClick()
{
    const Endpoints endpoints = CurrentEndpoints();
    MWinAbout about(QString::fromStdString(endpoints.WebsiteUrl),
                    QString::fromStdString(endpoints.SupportEmail));
    about.exec();
}

void AppDelegate::MenuItemCompleteReminderListClick()
{
    if (!m_WinPendingReminders) {
        return;
    }
    m_WinPendingReminders->RefreshTableData();
    m_WinPendingReminders->showWindow();
}

void AppDelegate::MenuItemStartAtLoginClick(bool checked)
{
    SetAutostartEnabled(checked, QCoreApplication::applicationFilePath().toStdString(), m_DataHomeOption);
    m_StartAtLoginAction->setChecked(IsAutostartEnabled());
}

void AppDelegate::onActionTableView(int row)
{
    // The row as the table shows it: the worker may have changed the list since the last reload.
    if (!m_MainModel) {
        return;
    }
    const std::string link = m_MainModel->LinkAt(row);
    const std::string pageId = m_MainModel->PageIdAt(row);
    if (m_PageOpener) {
        m_PageOpener->Open(link, pageId);
    } else if (!link.empty()) {
        OpenUrl(link);
    }
}

QList<NotificationAction> AppDelegate::NotificationActionsFor(const ReminderPtr& reminder)
{
    // Actions only for a notification that names one reminder: the pending copy it was raised as.
    if (!reminder) {
        m_Notified.Tie(nullptr);
        return {};
    }
    const std::string tie = m_Notified.Tie(reminder);
    const auto key = [&](const char* action) {
        return QString::fromStdString(NotificationActionKey(action, tie));
    };
    QList<NotificationAction> actions{{key("open"), UiText("strNotificationOpenPage")}};
    if (m_Pending && m_Pending->CanMarkRecordDone(reminder)) {
        actions.append({key("done"), UiText("strNotificationDone")});
    }
    actions.append({key("snooze15"), UiText("strNotificationSnooze15")});
    return actions;
}

void AppDelegate::OnNotificationClicked()
{
    // One reminder: its page, as the table opens it; the window is up already.
    if (const ReminderPtr reminder = m_Notified.Latest(); reminder && m_PageOpener) {
        m_PageOpener->Open(*reminder);
        return;
    }
    MenuItemCompleteReminderListClick();
}

void AppDelegate::OnNotificationAction(const QString& key)
{
    // The reminder this very notification was shown for, never a newer one.
    const auto [action, reminder] = m_Notified.Resolve(key.toStdString());
    if (!reminder || !m_Pending) {
        MenuItemCompleteReminderListClick();
        return;
    }
    if (action == "open" && m_PageOpener) {
        m_PageOpener->Open(*reminder);
    } else if (action == "done") {
        PendingListActedOn(m_Pending->MarkRecordDone(reminder));
        if (!m_Pending->DoneProblem().empty()) {
            MenuItemCompleteReminderListClick(); // the reminder stays, and its window says why
        }
    } else if (action == "snooze15") {
        PendingListActedOn(m_Pending->SnoozeRecord(reminder, TOneSnooze::FifteenMinutes));
    }
}

void AppDelegate::PendingListActedOn(bool empty)
{
    if (!m_WinPendingReminders) {
        return;
    }
    m_WinPendingReminders->RefreshTableData();
    if (empty) {
        m_WinPendingReminders->close();
    }
}

void AppDelegate::ShowMonitorWindow()
{
    if (!m_WinMonitor) {
        return;
    }
    m_WinMonitor->show();
    m_WinMonitor->raise();
    m_WinMonitor->activateWindow();
}

} // namespace rz
