// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alerts/notification_targets.h"
#include "app/sign_in_window.h"
#include "mirror/section_choices.h"

#include <QDeadlineTimer>
#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QSoundEffect;
class QSystemTrayIcon;

class QWidget;

namespace rz {

class SingleInstance;
class TAccountLoader;
class TAlarmPause;
enum class PauseLength;
struct TKeyringStep;
struct AppState;
struct DueCheckResult;
struct NotificationAction;
struct TPreferences;
class TAReminder;
class DesktopNotifier;
class MainWindow;
class MThreadOneNoteRESTDB;
class MWinMonitor;
struct MonitorSnapshot;
class MWinPendingReminders;
class ReminderTableModel;
class TDueCheck;
class TPageOpener;
class TPendingReminders;
class TOutbox;
class TPageCreateKind;
class TToDoBridgeRunner;
class TWorkerCallbacks;
class ThemeSound;
class WinNewReminder;

// The application controller: the tray icon and its menu, the launch sequence, the one-second
// tick with the due check and the alert. The logic it drives lives in the core; this class only
// shows and passes on.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // Holds the state, which must outlive the controller; nothing is read or shown before
    // applicationDidFinishLaunching, which builds the state's paths.
    explicit AppDelegate(AppState& state, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Sets the support folder the data folder is built in; empty or unset: $XDG_DATA_HOME, else
    // ~/.local/share.
    void SetApplicationSupportFolder(std::string folder) { m_SupportFolder = std::move(folder); }
    // Sets the --data-home written into the autostart entry; empty: the entry names none.
    void SetDataHomeOption(std::string folder) { m_DataHomeOption = std::move(folder); }
    // Says whether this process holds the data folder's instance lock; only then does launch remove
    // the temporary files a kill left. False until set.
    void SetInstanceLockHeld(bool held) { m_InstanceLockHeld = held; }

    // Makes the tray icon, its menu and the main window; a second call changes nothing.
    void awakeFromNib();
    // Runs the launch sequence, ending with the start of the one-second timer. False, with nothing
    // shown or written, when no data folder can be placed (kNoDataFolderMessage says why).
    bool applicationDidFinishLaunching();

    // Runs one tick (sign-in follow-up, due check, table refresh, tray icon); a call made inside a
    // running tick returns at once.
    void TimerRun();
    // Runs the due check and raises the alert when anything fired; does nothing while alarms are held
    // or before launch made the pending list.
    void CheckAndReminder();

    // Shows, restores and raises the main window.
    void MenuItemRedoZevuvivaClick();
    // Shows the sign-in window to sign out or switch accounts; does nothing while it is open.
    void MenuItemLoginClick();
    // Starts a mirror cycle and a full reminder search at once.
    void MenuItemRefreshClick();
    // Shows the status window.
    void MenuItemStatusClick();
    // Shows the About window, modally.
    void MenuItemAboutClick();
    // Shows the pending reminders window with the list as it is now.
    void MenuItemCompleteReminderListClick();
    // Writes (checked) or removes the autostart entry; the menu then shows whether one exists.
    void MenuItemStartAtLoginClick(bool checked);
    // Shows the Preferences window, modally; what it stores applies at once.
    void MenuItemPreferencesClick();
    // Asks for a new reminder and queues its page; a refusal shows in the main window's status bar.
    void MenuItemNewReminderClick();
    // Holds alarms for the length chosen in the tray's "Pause Alarms", or until resumed; a pause that
    // cannot be stored holds for this run only.
    void MenuItemPauseAlarmsClick(PauseLength length);
    // Ends a pause; what came due in it rings, marked late, at the next tick.
    void MenuItemResumeAlarmsClick();
    // True while the due check waits: a pause, or the desktop's do-not-disturb.
    bool AlarmsHeld() const;
    // Queues the page of a new reminder for the section (empty: the one chosen last), as the dialog
    // and another start's --add hand it over. Queued: false with the reason, else what was queued.
    // `turnAwayFull` refuses a section known as full, naming it and asking for another.
    struct NewReminderAnswer
    {
        bool Queued = false;
        QString Text;
        std::string Title;     // the page's title, once checked
        std::string SectionId; // the section it goes to
        QString Where;         // the section as the user knows it
    };
    NewReminderAnswer QueueNewReminder(const std::string& typed, std::string sectionId,
                                       bool turnAwayFull = false);
    // Makes the instance answer another start's --add through QueueNewReminder.
    void ServeAddRequests(SingleInstance& instance);
    // Returns the titles the main table shows as waiting: new reminders queued, or created and not
    // mirrored yet; empty when none wait.
    std::vector<std::string> WaitingTitles();
    // Returns the sections of the mirrored hierarchy a new reminder's page can go to; empty before
    // the first mirror.
    std::vector<TSectionChoice> SectionChoices() const;
    // Makes the preferences the window stored (sound, notifications, default snooze) the ones in use.
    void ApplyPreferences(const TPreferences& preferences);
    // Lets the main window close and ends every event loop, the sign-in window's wait included.
    void MenuItemQuitClick();
    // Returns true once Quit was chosen, also while start-up still waited for the sign-in window.
    bool QuitRequested() const { return m_QuitRequested; }

    // Brings this start forward for another one: the pending window when reminders wait, else the
    // main window, activated with the token the other start was launched with (empty: none).
    void ShowAfterAnotherStart(const QString& activationToken = {});

    // Opens the page of the main table's row as the table shows it; a row out of range does nothing.
    void onActionTableView(int row);

    // Shows the sign-in window with LogInOrOut and waits for it. The default runs it in a child
    // process (RunSignInWindowProcess); tests put a stand-in here.
    using SignInRunner = std::function<SignInResult(int logInOrOut)>;
    void SetSignInRunner(SignInRunner runner) { m_SignInRunner = std::move(runner); }

    // Replaces the alert sound, e.g. in tests that must not open an audio stream; empty: the sound the
    // preferences choose.
    void SetAlertSoundPlayer(std::function<void()> player) { m_AlertSoundPlayer = std::move(player); }

    // The parts below are null until awakeFromNib (the tray and the main window) or launch (the
    // others) made them; the tray icon stays null without a tray.
    QSystemTrayIcon* statusItem() const { return m_StatusItem; }
    // The tray menu's Status, which names what the account waits for from the keyring.
    QAction* KeyringStateAction() const { return m_KeyringStateAction; }
    QMenu* statusMenu() const { return m_StatusMenu.get(); }
    MainWindow* window() const { return m_Window.get(); }
    MWinPendingReminders* WinPendingReminders() const { return m_WinPendingReminders.get(); }
    // Only after launch.
    TPendingReminders& PendingReminders() { return *m_Pending; }
    TOutbox* Outbox() const { return m_Outbox.get(); }
    // The one-second tick; it runs from the end of launch.
    QTimer& Timer() { return m_Timer; }
    // Returns the worker's tick of the last known-pages check; 0 asks for one at its next pass.
    std::int64_t CheckKnownPagesTick() const { return m_CheckKnownPagesTick; }
    MThreadOneNoteRESTDB* MirrorWorker() const { return m_MirrorWorker.get(); }
    MWinMonitor* WinMonitor() const { return m_WinMonitor.get(); }
    // Returns how many alerts were raised so far.
    int AlertCount() const { return m_AlertCount; }

signals:
    // Raised once per check that fired anything, with the names the notification shows.
    void AlertRaised(const QStringList& names);

private:
    void BuildPaths(const std::string& applicationSupportFolder);
    void CreateStatusMenu();
    // Where the tray was missing at start: looks for it every few seconds for a minute.
    void LookForTray();
    // The "Pause Alarms" submenu, and its state line brought up to date before it shows.
    void CreatePauseMenu();
    void UpdatePauseMenu();
    void UpdateStatusItem();
    void RaiseAlert(const DueCheckResult& fired);
    // The actions the alert's notification offers: for one reminder Open, Done (an open to-do) and
    // Snooze 15 min, acting on that very reminder; for several, none beyond showing the window.
    QList<NotificationAction> NotificationActionsFor(const ReminderPtr& reminder);
    void OnNotificationClicked();
    void OnNotificationAction(const QString& key);
    // After an action on the pending list: redraw the window, close it when nothing waits.
    void PendingListActedOn(bool empty);
    // False when the preferences keep the alert silent.
    bool PlayAlertSound();
    // Takes the alert's notification back once nothing it named waits any longer.
    void WithdrawActedOnNotification();
    // The alert sound from `file` (empty: the built-in one), made when first needed or changed.
    void PlaySound(const std::string& file);
    // The sound theme's alarm sound; the built-in sound where the theme cannot give it.
    void PlayThemeSound();
    void CreateTimer();
    // Reads what the Preferences window stored; at launch, before the first check.
    void LoadPreferences();
    // Pages the outbox created since the last tick: shown as waiting until mirrored, which a
    // refresh brings about at once.
    void TakeCreatedPages();
    // Tells the user, by a desktop notification, of each change that ended unsent.
    void NotifyEndedChanges();
    // Dismisses on the desktop the reminders whose task was completed on the phone.
    void TakePhoneCompletions();
    // The Preferences checkbox: on asks for To Do's permission through a new sign-in; off asks
    // whether the list goes too.
    bool SetPhoneReminders(bool on, QWidget* parent);
    // Calls `answer` with the full-section text once the queued page was refused for a full section,
    // with an empty text once it was tried otherwise or `waitMs` passed; each tick looks.
    void WatchNewPage(const NewReminderAnswer& queued, int waitMs,
                      std::function<void(const QString&)> answer);
    // Each tick: the watched pages' answers, and the open New Reminder dialog's full-section line.
    void LookAtNewPages();

    // The launch sequence's steps, in their order. Makes the engine's lists and reads its files.
    void ReminderEngineInit();
    // Empties the engine's and the pending lists when they hold another account's reminders.
    void ReminderEngineAdoptAccount(bool justSignedIn);
    // Reads the mirrored hierarchy the last run stored; a missing or damaged file leaves it empty.
    void LoadHierarchyFromFile();
    // Shows the sign-in window (0: sign in, 1: sign out or switch) and waits for it; one at a time.
    void ShowSignInWindow(int logInOrOut);
    // Runs the keyring's part of loading the account off the event loop; KeyringAnswered follows
    // on it. False when the step leaves the keyring nothing to do.
    bool StartKeyringStep(const TKeyringStep& step, bool atLaunch);
    void KeyringAnswered(bool atLaunch);
    // The sign-in window at launch when no account is known, and what follows it.
    void SignInAtLaunch();
    // The tray menu's keyring line, from the state the status window reads too.
    void UpdateKeyringMenu();
    void CreateMirrorWorker();
    // Makes the worker's next cycle the first of a newly signed-in account; no worker: nothing.
    void SetMirrorWorkerJustLoggedIn();
    // Binds the status callbacks and the outbox's sending to the worker's passes.
    void BindMirrorWorkerCallbacks();
    void StartMirrorWorker();
    // Starts a cycle now; no worker: nothing.
    void RefreshMirrorWorker();
    void ShowMonitorWindow();
    // The glance: the next-reminder line atop the tray menu, the near-miss line, the status window's
    // page opening and the announcements; made once the windows exist.
    void CreateGlance();
    // Each tick: the tray badge (or the window title's count) and the near-miss line.
    void UpdateGlance();
    void UpdateNextReminderLine();
    // The near-miss rows for the status window's snapshot.
    void FillNearMisses(MonitorSnapshot& snapshot);

    AppState& m_State;
    std::string m_SupportFolder;
    std::string m_DataHomeOption;
    bool m_InstanceLockHeld = false;
    // The folder the data folder was built in; the sign-in window's process is given the same.
    std::string m_SupportFolderInUse;
    QSystemTrayIcon* m_StatusItem = nullptr;
    std::unique_ptr<QMenu> m_StatusMenu;
    QAction* m_StartAtLoginAction = nullptr;
    std::unique_ptr<QMenu> m_PauseMenu;
    QAction* m_PauseStateAction = nullptr;
    QAction* m_KeyringStateAction = nullptr;
    QString m_StatusActionText;
    QAction* m_ResumeAction = nullptr;
    // "Until … Morning", which names the morning it means.
    QAction* m_PauseMorningAction = nullptr;
    // Made with the paths; a pause that held at start lets the first check reach back to the last run
    // even without late alarms, so what came due in the pause still rings.
    std::unique_ptr<TAlarmPause> m_AlarmPause;
    bool m_PausedAtStart = false;
    QTimer m_TrayLookout;
    std::int64_t m_StartTick = 0;
    QIcon m_StatusImage;
    QIcon m_StatusHighlightImage;
    QIcon m_StatusImageError;
    QTimer m_Timer;
    // Read by the worker's execute callback.
    std::atomic<std::int64_t> m_CheckKnownPagesTick{0};

    // Before m_Pending, which refers to both.
    std::unique_ptr<TPageOpener> m_PageOpener;
    std::unique_ptr<TOutbox> m_Outbox;
    // The bridge to Microsoft To Do; runs on the worker's passes.
    std::unique_ptr<TToDoBridgeRunner> m_Phone;
    // Owned by the outbox; tells which pages it created.
    TPageCreateKind* m_PageCreateKind = nullptr;
    // Titles of pages created whose reminder the mirror has not brought yet.
    std::vector<std::string> m_CreatedTitles;
    // A queued new reminder's page someone waits to hear of (another start's --add, the status bar).
    struct NewPageWatch
    {
        std::string Title;
        std::string SectionId;
        QString Where;
        QDeadlineTimer Deadline;
        std::function<void(const QString& fullText)> Answer;
    };
    std::vector<NewPageWatch> m_NewPageWatches;
    // The New Reminder dialog while it is shown, and the full sections' change count it shows.
    WinNewReminder* m_NewReminderDialog = nullptr;
    std::uint64_t m_FullSectionsShown = 0;
    std::unique_ptr<TPendingReminders> m_Pending;
    // Kept out of this header's includes: moc reads it and stumbles over the core's C++20 headers.
    std::unique_ptr<TDueCheck> m_DueCheck;
    std::unique_ptr<ReminderTableModel> m_MainModel;
    std::unique_ptr<MainWindow> m_Window;
    std::unique_ptr<MWinPendingReminders> m_WinPendingReminders;
    std::unique_ptr<MWinMonitor> m_WinMonitor;
    // The callbacks outlive the worker's thread: the worker is stopped first.
    std::unique_ptr<TWorkerCallbacks> m_WorkerCallbacks;
    std::unique_ptr<MThreadOneNoteRESTDB> m_MirrorWorker;
    DesktopNotifier* m_Notifier = nullptr;
    // The reminder each recent notification named, for its buttons.
    TNotificationTargets m_Notified;
    std::function<void()> m_AlertSoundPlayer;
    // Empty: the real window process.
    SignInRunner m_SignInRunner;
    bool m_SignInShown = false;
    // The keyring's part of loading the account; the step BuildPaths left for it at launch.
    std::unique_ptr<TAccountLoader> m_AccountLoader;
    std::unique_ptr<TKeyringStep> m_LaunchKeyringStep;
    // A sign-in chosen while the account waited for the keyring (its LogInOrOut; -1: none), shown
    // once the keyring answered.
    int m_SignInAfterKeyring = -1;
    bool m_QuitRequested = false;
    QSoundEffect* m_Sound = nullptr;
    std::unique_ptr<ThemeSound> m_ThemeSound;
    // What the Preferences window stored; read at launch.
    std::unique_ptr<TPreferences> m_Preferences;
    bool m_SoundQueued = false;
    bool m_InTick = false;
    int m_AlertCount = 0;
    struct GlanceState;
    // Shared, not unique: its type is complete only in the glance's own file.
    std::shared_ptr<GlanceState> m_GlanceState;
};

} // namespace rz
