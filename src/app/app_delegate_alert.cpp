// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's one-second tick: the due check, the alert window, its sound and notification.
#include "alerts/alarm_pause.h"
#include "alerts/alert_sound.h"
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "app/app_delegate.h"
#include "core/preferences.h"
#include "reminders/engine_state.h"
#include "reminders/reminder_handle.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "ui/desktop_notifier.h"
#include "ui/main_window.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "ui/theme_sound.h"

#include <QProgressBar>
#include <QSoundEffect>
#include <QUrl>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace rz {

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
        // Only another account's reminders go: the same account signing in again (a sign-out
        // abandoned) keeps its list, its snoozed copies and what comes due before the search ends.
        ReminderEngineAdoptAccount(true);
        MenuItemRefreshClick();
        MenuItemStatusClick();
    }

    CheckAndReminder();
    WithdrawActedOnNotification();
    TakeCreatedPages();
    NotifyEndedChanges();
    TakePhoneCompletions();
    LookAtNewPages();

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
    UpdateGlance();
    m_InTick = false;
}

void AppDelegate::CheckAndReminder()
{
    if (!m_Pending) {
        return;
    }
    // Resumes from the last run's last check; called first at launch, before the worker starts.
    m_DueCheck->UseStateFile(m_State.EngineFiles.Beside(kDueCheckFileName),
                             !m_Preferences || m_Preferences->LateAlarms || m_PausedAtStart);
    // While alarms wait nothing is checked, so the first check after reaches back over the pause.
    if (AlarmsHeld()) {
        std::lock_guard lock(m_State.ListsMutex);
        if (m_DueCheck->NoteHeld(m_State.ReminderList)) {
            // The zone changed: the times shown moved.
            m_State.ReminderListChanged = true;
        }
        return;
    }
    DueCheckResult result;
    {
        // The reminder engine changes the lists page by page on the worker; never across a request.
        std::lock_guard lock(m_State.ListsMutex);
        result = m_DueCheck->CheckAndReminder(m_State.ReminderList, m_State.PendingReminderList,
                                              m_Pending->Snooze());
    }
    if (result.ZoneChanged) {
        m_State.ReminderListChanged = true;
    }
    // A newer occurrence replaces the snoozed copies of older ones.
    for (const auto& [id, occurrence] : result.FiredOccurrences) {
        m_Pending->DropSnoozedBefore(id, occurrence);
    }
    // Reminders snoozed one by one come back like reminders that came due, unless their page or
    // their time went meanwhile.
    const auto holds = [this](const TAReminder& copy) {
        std::lock_guard lock(m_State.ListsMutex);
        return SnoozedCopyHolds(copy, m_State.ReminderPagesJson.Get(), m_State.ReminderList);
    };
    for (ReminderPtr& woke : m_Pending->WakeSnoozed(DateNow(), holds)) {
        result.Fired.push_back(std::move(woke));
        result.Alert = true;
    }
    if (!result.Fired.empty()) {
        m_Pending->Save();
    }
    if (!result.Fired.empty() || result.Dropped) {
        // Raised one-offs are gone and repeating ones moved on, and one-offs went silently: a restart
        // must not find them as they were.
        TReminderHandle(m_State, nullptr).SaveRemindersToFile();
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

bool AppDelegate::AlarmsHeld() const
{
    return m_AlarmPause &&
           m_AlarmPause->Holds(DateNow(), m_Notifier != nullptr && m_Notifier->DoNotDisturb());
}

void AppDelegate::RaiseAlert(const DueCheckResult& fired)
{
    ++m_AlertCount;
    MenuItemCompleteReminderListClick();
    const bool ownSound = PlayAlertSound();

    // A snooze that fires names every reminder still waiting.
    const std::vector<ReminderPtr> shown =
        fired.Fired.empty() ? m_State.PendingReminderList.list() : fired.Fired;
    QStringList names;
    for (const ReminderPtr& r : shown) {
        names << ShownReminderName(*r);
    }
    const QString summary = names.size() == 1 ? UiText("strNotificationTitle")
                                              : UiText("strNotificationTitleMany").arg(names.size());
    if (!names.isEmpty() && (!m_Preferences || m_Preferences->DesktopNotifications)) {
        m_Notifier->Notify(summary, names,
                           NotificationActionsFor(shown.size() == 1 ? shown.front() : nullptr), ownSound);
        m_Notified.NoteNamed(shown);
    }
    emit AlertRaised(names);
}

bool AppDelegate::PlayAlertSound()
{
    const TPreferences defaults;
    const TPreferences& preferences = m_Preferences ? *m_Preferences : defaults;
    switch (AlertSoundSourceFor(preferences)) {
    case AlertSoundSource::Silent:
        return false;
    case AlertSoundSource::Theme:
        PlayThemeSound();
        break;
    case AlertSoundSource::File:
        PlaySound(preferences.AlertSoundFile);
        break;
    case AlertSoundSource::BuiltIn:
        PlaySound({});
        break;
    }
    return true;
}

void AppDelegate::PlayThemeSound()
{
    if (m_AlertSoundPlayer) {
        m_AlertSoundPlayer();
        return;
    }
    if (!m_ThemeSound) {
        m_ThemeSound = std::make_unique<ThemeSound>();
    }
    if (!m_ThemeSound->Play(kThemeAlarmSoundId, UiText("strNotificationTitle"))) {
        PlaySound({});
    }
}

void AppDelegate::WithdrawActedOnNotification()
{
    if (m_Notifier != nullptr && m_Pending &&
        m_Notified.TakeWithdrawal(m_State.PendingReminderList.list(),
                                  m_Pending->Snooze().SnoozeRemindedTime > DateNow())) {
        m_Notifier->Withdraw();
    }
}

void AppDelegate::PlaySound(const std::string& file)
{
    // Made at the first alert, so an idle app keeps no audio stream open. The sample loads
    // asynchronously; the first alert plays once it is ready. No audio device means silence.
    if (m_AlertSoundPlayer) {
        m_AlertSoundPlayer();
        return;
    }
    const QUrl source = file.empty() ? QUrl(QStringLiteral("qrc:/sounds/default.wav"))
                                     : QUrl::fromLocalFile(QString::fromStdString(file));
    if (m_Sound == nullptr) {
        m_Sound = new QSoundEffect(this);
        connect(m_Sound, &QSoundEffect::statusChanged, this, [this] {
            if (m_SoundQueued && m_Sound->status() == QSoundEffect::Ready) {
                m_SoundQueued = false;
                m_Sound->play();
            }
        });
    }
    if (m_Sound->source() != source) {
        m_Sound->setSource(source);
    }
    if (m_Sound->status() == QSoundEffect::Ready) {
        m_Sound->play();
    } else {
        m_SoundQueued = true;
    }
}

} // namespace rz
