#include "app/app_delegate.h"

#include "account/endpoints.h"
#include "core/account_settings.h"
#include "core/app_state.h"
#include "core/paths.h"
#include "reminders/reminder_handle.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"
#include "ui/autostart.h"
#include "ui/desktop_notifier.h"
#include "ui/due_check.h"
#include "ui/main_window.h"
#include "mirror/thread_one_note_restdb.h"
#include "ui/mwin_about.h"
#include "ui/mwin_monitor.h"
#include "ui/monitor_lines.h"
#include "ui/worker_callbacks.h"
#include "ui/mwin_pending_reminders.h"
#include "ui/pending_reminders.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "ui/tray_state.h"
#include "util/dates.h"
#include "util/files.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QProgressBar>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QUrl>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace rz {

AppDelegate::AppDelegate(AppState& state, QObject* parent)
    : QObject(parent), m_State(state), m_DueCheck(std::make_unique<TDueCheck>())
{
}

AppDelegate::~AppDelegate()
{
    m_Timer.stop();
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

void AppDelegate::awakeFromNib()
{
    if (m_StatusItem != nullptr) {
        return;
    }
    // The menu's actions come from the main window's layout.
    if (!m_Window) {
        m_MainModel = std::make_unique<ReminderTableModel>(m_State.ReminderList);
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
    };
    for (const auto& [action, slot] : plain) {
        connect(action, &QAction::triggered, this, slot);
    }
    m_StartAtLoginAction = actions.StartAtLogin;
    m_StartAtLoginAction->setCheckable(true);
    m_StartAtLoginAction->setChecked(IsAutostartEnabled());
    connect(m_StartAtLoginAction, &QAction::triggered, this, &AppDelegate::MenuItemStartAtLoginClick);
    connect(actions.Quit, &QAction::triggered, this, &AppDelegate::MenuItemQuitClick);

    m_StatusMenu->addAction(actions.RedoZevuviva);
    m_StatusMenu->addAction(actions.CompleteReminderList);
    m_StatusMenu->addAction(actions.Status);
    m_StatusMenu->addAction(actions.Refresh);
    m_StatusMenu->addSeparator();
    m_StatusMenu->addAction(actions.Login);
    m_StatusMenu->addAction(actions.StartAtLogin);
    m_StatusMenu->addAction(actions.About);
    m_StatusMenu->addSeparator();
    m_StatusMenu->addAction(actions.Quit);
}

void AppDelegate::BuildPaths(const std::string& applicationSupportFolder)
{
    m_State.SetPaths(BuildAppPaths(applicationSupportFolder));
    MGlobalsOnline::LoadConfig(m_State);
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

    // The first tick sorts the loaded list and shows it.
    m_State.ReminderListChanged = true;

    // The pending window is created now and loaded when first shown.
    m_WinPendingReminders = std::make_unique<MWinPendingReminders>(*m_Pending);
    m_WinMonitor = std::make_unique<MWinMonitor>([this] { return TakeMonitorSnapshot(m_State, m_MirrorWorker.get()); });
    m_Notifier = new DesktopNotifier(QDBusConnection::sessionBus(), this);
    connect(m_Notifier, &DesktopNotifier::Activated, this, &AppDelegate::MenuItemCompleteReminderListClick);

    // Sign-in when no account is known; it runs modally and start-up waits for it.
    if (m_State.AccessToken.Empty() || m_State.UserId.Empty()) {
        ShowSignInWindow(0);
        m_Window->StartProgress();
        if (!m_State.AccessToken.Empty()) {
            MenuItemRedoZevuvivaClick();
            MenuItemStatusClick();
        }
    }

    // The mirror worker, which begins its cycles at once.
    m_CheckKnownPagesTick = 0;
    CreateMirrorWorker();
    if (m_State.JustLoggedIn.exchange(false)) {
        SetMirrorWorkerJustLoggedIn();
        ReminderEngineClear();
    }
    BindMirrorWorkerCallbacks();
    StartMirrorWorker();

    // Ticks start last, once everything they read exists.
    CreateTimer();

    // Without a tray the app would be invisible; the main window stands in for the tray icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        MenuItemRedoZevuvivaClick();
    }
    if (m_State.PendingReminderList.Count() > 0) {
        MenuItemCompleteReminderListClick();
    }
    return true;
}

void AppDelegate::CreateTimer()
{
    m_Timer.setInterval(1000);
    m_Timer.setTimerType(Qt::CoarseTimer);
    connect(&m_Timer, &QTimer::timeout, this, &AppDelegate::TimerRun, Qt::UniqueConnection);
    m_Timer.start();
}

void AppDelegate::TimerRun()
{
    // The timer keeps firing inside a modal window's loop; a tick never runs inside another.
    if (m_InTick) {
        return;
    }
    m_InTick = true;

    if (m_State.JustLoggedIn.exchange(false)) {
        SetMirrorWorkerJustLoggedIn();
        ReminderEngineClear();
        MenuItemRefreshClick();
        MenuItemStatusClick();
    }

    CheckAndReminder();

    // Taken and cleared before sorting, so a change the worker makes meanwhile waits for the next tick.
    if (m_State.ReminderListChanged.exchange(false)) {
        m_State.ReminderList.Sort();
        if (m_MainModel) {
            m_MainModel->Reload();
        }
        if (m_Window && !m_Window->progressInd()->isHidden()) {
            m_Window->StopProgress();
        }
    }

    UpdateStatusItem();
    m_InTick = false;
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

void AppDelegate::CheckAndReminder()
{
    if (!m_Pending) {
        return;
    }
    DueCheckResult result;
    {
        // The reminder engine changes the lists page by page on the worker; never across a request.
        std::lock_guard lock(m_State.ListsMutex);
        result = m_DueCheck->CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList,
                                              m_Pending->Snooze());
    }
    if (!result.FiredNames.empty()) {
        m_Pending->Save();
    }
    if (result.Alert) {
        // Fired entries left the list or moved on to their next time; a snooze that fires alone
        // re-sorts and shows the list all the same.
        m_State.ReminderList.Sort();
        if (m_MainModel) {
            m_MainModel->Reload();
        }
        RaiseAlert(result);
    }
}

void AppDelegate::RaiseAlert(const DueCheckResult& fired)
{
    ++m_AlertCount;
    MenuItemCompleteReminderListClick();
    PlayAlertSound();

    // A snooze that fires names every reminder still waiting.
    QStringList names;
    if (!fired.FiredNames.empty()) {
        for (const std::string& name : fired.FiredNames) {
            names << QString::fromStdString(name);
        }
    } else {
        for (const ReminderPtr& r : m_State.PendingReminderList.list()) {
            names << QString::fromStdString(r->name().value_or(std::string()));
        }
    }
    const QString summary = names.size() == 1 ? UiText("strNotificationTitle")
                                              : UiText("strNotificationTitleMany").arg(names.size());
    if (!names.isEmpty()) {
        m_Notifier->Notify(summary, names);
    }
    emit AlertRaised(names);
}

void AppDelegate::PlayAlertSound()
{
    // Made at the first alert, so an idle app keeps no audio stream open. The sample loads
    // asynchronously; the first alert plays once it is ready. No audio device means silence.
    if (m_AlertSoundPlayer) {
        m_AlertSoundPlayer();
        return;
    }
    if (m_Sound == nullptr) {
        m_Sound = new QSoundEffect(this);
        connect(m_Sound, &QSoundEffect::statusChanged, this, [this] {
            if (m_SoundQueued && m_Sound->status() == QSoundEffect::Ready) {
                m_SoundQueued = false;
                m_Sound->play();
            }
        });
        m_Sound->setSource(QUrl(QStringLiteral("qrc:/sounds/default.wav")));
    }
    if (m_Sound->status() == QSoundEffect::Ready) {
        m_Sound->play();
    } else {
        m_SoundQueued = true;
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
    RefreshMirrorWorker();
    m_CheckKnownPagesTick = 0;
    m_State.PreviousReminderPagesJson.Set({});
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
    SetAutostartEnabled(checked, QCoreApplication::applicationFilePath().toStdString());
    m_StartAtLoginAction->setChecked(IsAutostartEnabled());
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

void AppDelegate::ShowAfterAnotherStart()
{
    if (m_State.PendingReminderList.Count() > 0) {
        MenuItemCompleteReminderListClick();
    } else {
        MenuItemRedoZevuvivaClick();
    }
}

void AppDelegate::onActionTableView(int row)
{
    // The row as the table shows it: the worker may have changed the list since the last reload.
    const std::string link = m_MainModel ? m_MainModel->LinkAt(row) : std::string();
    if (!link.empty()) {
        OpenUrl(link);
    }
}

void AppDelegate::ReminderEngineInit()
{
    TReminderHandle(m_State, nullptr).Init();
}

void AppDelegate::ReminderEngineClear()
{
    TReminderHandle(m_State, nullptr).Clear();
}

void AppDelegate::LoadHierarchyFromFile()
{
    TReminderHandle(m_State, nullptr).LoadHierarchyFromFile();
}

void AppDelegate::ShowSignInWindow(int logInOrOut)
{
    // One window at a time; the menu stays usable while it is open.
    if (m_SignInShown) {
        return;
    }
    m_SignInShown = true;
    if (logInOrOut != 0) {
        // The window signs out in the settings file; until it reports back the worker must not
        // act on, or save, the old account.
        for (SharedString* value : {&m_State.AuthorizationCode, &m_State.AccessToken, &m_State.RefreshToken,
                                    &m_State.UserPrincipalName, &m_State.UserId}) {
            value->Set({});
        }
    }
    const SignInResult result = m_SignInRunner ? m_SignInRunner(logInOrOut)
                                               : RunSignInWindowProcess(logInOrOut, m_SupportFolderInUse);
    // The window saved the account it ended with; a window that never ran leaves the stored one.
    MGlobalsOnline::LoadConfig(m_State);
    if (!result.AuthorizationCode.empty()) {
        m_State.AuthorizationCode.Set(result.AuthorizationCode);
    }
    if (result.JustLoggedIn) {
        m_State.JustLoggedIn = true;
    }
    m_SignInShown = false;
}

void AppDelegate::CreateMirrorWorker()
{
    m_MirrorWorker = std::make_unique<MThreadOneNoteRESTDB>(m_State);
}

void AppDelegate::SetMirrorWorkerJustLoggedIn()
{
    if (m_MirrorWorker) {
        m_MirrorWorker->m_JustLoginAccount = true;
    }
}

void AppDelegate::BindMirrorWorkerCallbacks()
{
    m_WorkerCallbacks =
        std::make_unique<TWorkerCallbacks>(m_State, m_CheckKnownPagesTick, UiText("strChecked").toStdString());
    m_WorkerCallbacks->Bind(*m_MirrorWorker);
}

void AppDelegate::StartMirrorWorker()
{
    m_MirrorWorker->Run();
}

void AppDelegate::RefreshMirrorWorker()
{
    if (m_MirrorWorker) {
        m_MirrorWorker->Refresh();
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
