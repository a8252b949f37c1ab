// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_delegate.h"

#include "account/endpoints.h"
#include "alerts/alarm_pause.h"
#include "alerts/due_check.h"
#include "alerts/page_opener.h"
#include "alerts/pending_reminders.h"
#include "core/paths.h"
#include "core/preferences.h"
#include "mirror/thread_one_note_restdb.h"
#include "outbox/page_create.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"
#include "state/account_loader.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "status/monitor_lines.h"
#include "status/worker_callbacks.h"
#include "todo/todo_runner.h"
#include "ui/desktop_notifier.h"
#include "ui/main_window.h"
#include "ui/mwin_monitor.h"
#include "ui/mwin_pending_reminders.h"
#include "ui/outbox_status.h"
#include "ui/reminder_table_model.h"
#include "ui/scheme_handler.h"
#include "ui/strings_table.h"
#include "ui/theme_sound.h"
#include "util/dates.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QSystemTrayIcon>
#include <string>

namespace rz {

AppDelegate::AppDelegate(AppState& state, QObject* parent)
    : QObject(parent), m_State(state), m_DueCheck(std::make_unique<TDueCheck>())
{
}

AppDelegate::~AppDelegate()
{
    m_Timer.stop();
    // Before the worker: a keyring that keeps the loader waiting is told to stop.
    m_AccountLoader.reset();
    // The worker's thread ends first: its callbacks write into the state the windows read.
    if (m_MirrorWorker) {
        m_MirrorWorker->Stop();
    }
    m_MirrorWorker.reset();
    m_WorkerCallbacks.reset();
    m_WinMonitor.reset();
    // The windows hold references into the pending list's controller; they go first.
    m_WinPendingReminders.reset();
    m_Window.reset();
}

void AppDelegate::BuildPaths(const std::string& applicationSupportFolder)
{
    m_State.SetPaths(BuildAppPaths(applicationSupportFolder));
    TidyDataFolders(m_State.Paths, m_InstanceLockHeld);
    m_AlarmPause = std::make_unique<TAlarmPause>(m_State.Paths.SettingsFilePath);
    m_PausedAtStart = m_AlarmPause->PausedUntil(DateNow()).has_value();
    // The keyring's part waits until the windows exist, and never holds the launch up.
    m_LaunchKeyringStep = std::make_unique<TKeyringStep>(MGlobalsOnline::LoadConfigFromFile(m_State));
    ConfigureEndpoints(m_State);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    const std::string applicationSupportFolder =
        m_SupportFolder.empty() ? ApplicationSupportFolder() : m_SupportFolder;
    if (applicationSupportFolder.empty()) {
        return false;
    }
    awakeFromNib();

    // Data folder, file paths, account and service addresses.
    m_SupportFolderInUse = applicationSupportFolder;
    BuildPaths(applicationSupportFolder);

    LoadPreferences();

    // A click on a row of the main table opens its page.
    connect(m_Window.get(), &MainWindow::RowClicked, this, &AppDelegate::onActionTableView);
    // Closing the window never ends the agent: with a tray it hides behind the icon, without one it
    // stays on the task bar, minimised, so reminders keep coming and the window stays within reach.
    m_Window->SetMinimiseOnClose(!QSystemTrayIcon::isSystemTrayAvailable());

    // The reminder engine's lists and files. Pending reminders follow the reminder list, so a
    // reminder that came due before a quit or a crash is still waiting.
    ReminderEngineInit();
    m_State.TagPageList.LoadFromFile(m_State.Paths.TagPagesFilePath);
    LoadHierarchyFromFile();
    m_State.ReminderList.LoadFromFile(m_State.Paths.RemindersFilePath);
    m_Pending = std::make_unique<TPendingReminders>(
        m_State.PendingReminderList, m_State.Paths.PendingRemindersFilePath, m_State.Paths.SettingsFilePath);
    m_Pending->Load();
    // Pages open in OneNote for the web unless the desktop can open the client's own links.
    m_PageOpener =
        std::make_unique<TPageOpener>([] { return DesktopHasSchemeHandler(QStringLiteral("onenote")); },
                                      [this] { return m_State.ReminderPagesJson.Get(); });
    m_Pending->SetPageOpener(m_PageOpener.get());
    // Writes to OneNote (to-dos marked done, …) wait here until the service took them.
    m_Outbox = std::make_unique<TOutbox>(m_State.Paths.OutboxFilePath, m_State.UserId);
    m_Outbox->AddKind(std::make_unique<TToDoDoneKind>());
    auto pageCreate = std::make_unique<TPageCreateKind>();
    m_PageCreateKind = pageCreate.get();
    m_Outbox->AddKind(std::move(pageCreate));
    m_Outbox->Load();
    m_Pending->SetOutbox(m_Outbox.get());
    m_Phone = std::make_unique<TToDoBridgeRunner>(m_State, *m_Outbox, kBundleName,
                                                  UiText("strPhoneListName").toStdString());

    // The first tick sorts the loaded list and shows it.
    m_State.ReminderListChanged = true;

    // The pending window is created now and loaded when first shown.
    m_WinPendingReminders = std::make_unique<MWinPendingReminders>(*m_Pending);
    m_WinMonitor = std::make_unique<MWinMonitor>([this] {
        MonitorSnapshot snapshot = TakeMonitorSnapshot(m_State, m_MirrorWorker.get());
        snapshot.OutboxStatus = OutboxStatusText(m_Outbox.get()).toStdString();
        if (m_Phone && !m_State.UserId.Empty()) {
            snapshot.PhoneStatus = PhoneStatusText(m_Phone->On(), m_Phone->Status()).toStdString();
        }
        FillNearMisses(snapshot);
        return snapshot;
    });
    CreateGlance();
    m_Notifier = new DesktopNotifier(QDBusConnection::sessionBus(), this);
    connect(m_Notifier, &DesktopNotifier::Activated, this, &AppDelegate::OnNotificationClicked);
    connect(m_Notifier, &DesktopNotifier::ActionChosen, this, &AppDelegate::OnNotificationAction);

    // The keyring answers in its own time, a locked one after its prompt: start-up goes on with the
    // reminders stored, and the sign-in window waits for its answer.
    if (!StartKeyringStep(*m_LaunchKeyringStep, true)) {
        SignInAtLaunch();
    }

    // The lists loaded above may be another account's, when someone else has just signed in.
    ReminderEngineAdoptAccount(m_State.JustLoggedIn.load());

    // Reminders that came due while the agent was not running ring now, late, before any load can
    // move or drop them.
    CheckAndReminder();

    // The mirror worker, which begins its cycles at once.
    m_CheckKnownPagesTick = 0;
    CreateMirrorWorker();
    // The account was adopted above: a list of the same account stays as it is.
    if (m_State.JustLoggedIn.exchange(false)) {
        SetMirrorWorkerJustLoggedIn();
    }
    BindMirrorWorkerCallbacks();
    StartMirrorWorker();

    // Ticks start last, once everything they read exists.
    CreateTimer();

    // Without a tray the app would be invisible; the main window stands in for the tray icon until
    // one comes.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        MenuItemRedoZevuvivaClick();
        m_StartTick = TickNow();
        m_TrayLookout.setInterval(2000);
        connect(&m_TrayLookout, &QTimer::timeout, this, &AppDelegate::LookForTray, Qt::UniqueConnection);
        m_TrayLookout.start();
    }
    if (m_State.PendingReminderList.Count() > 0) {
        MenuItemCompleteReminderListClick();
    }
    return true;
}

void AppDelegate::SignInAtLaunch()
{
    // Sign-in when no account is known; it runs modally and start-up waits for it. A keyring that
    // did not answer leaves the account the file names to the user's choice.
    if ((m_State.AccessToken.Empty() || m_State.UserId.Empty()) &&
        !(m_State.SecretsFallbackReported && !m_State.UserId.Empty())) {
        ShowSignInWindow(0);
        m_Window->StartProgress();
        if (!m_State.AccessToken.Empty()) {
            MenuItemRedoZevuvivaClick();
            MenuItemStatusClick();
        }
    }
}

void AppDelegate::MenuItemQuitClick()
{
    m_QuitRequested = true;
    // Qt asks every window to close before it quits; the main window must agree this time.
    if (m_Window) {
        m_Window->SetMinimiseOnClose(false);
    }
    if (m_SignInShown) {
        // The wait for the sign-in window runs a loop of its own, which quit() leaves running
        // (before the main loop starts it does nothing at all); exit() ends every loop.
        QCoreApplication::exit(0);
        return;
    }
    // Queued, so the menu's own event handling ends before the loop does.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void AppDelegate::ShowAfterAnotherStart(const QString& activationToken)
{
    // Qt's Wayland platform activates the next window it raises with this token, and consumes it;
    // without one the compositor only marks the window as wanting attention.
    if (!activationToken.isEmpty()) {
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    }
    if (m_State.PendingReminderList.Count() > 0) {
        MenuItemCompleteReminderListClick();
    } else {
        MenuItemRedoZevuvivaClick();
    }
}

} // namespace rz
