// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's Preferences window and the preferences it applies.
#include "account/endpoints.h"
#include "app/app_delegate.h"
#include "core/autostart.h"
#include "core/preferences.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "reminders/reminder_handle.h"
#include "state/app_state.h"
#include "todo/todo_runner.h"
#include "ui/strings_table.h"
#include "ui/win_preferences.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <mutex>

namespace {

// A lookup waits for the worker's pass and the request's time-out at most.
constexpr qint64 kResolveWaitMs = 45000;

} // namespace

namespace rz {

std::vector<TSectionChoice> AppDelegate::SectionChoices() const
{
    const std::string userId = m_State.UserId.Get();
    if (userId.empty() || m_State.Paths.StoreRootPath.empty()) {
        return {};
    }
    return MirroredSections(AccountStorePath(m_State.Paths.StoreRootPath, userId));
}

void AppDelegate::LoadPreferences()
{
    ApplyPreferences(rz::LoadPreferences(m_State.Paths.SettingsFilePath));
}

void AppDelegate::ApplyPreferences(const TPreferences& preferences)
{
    m_Preferences = std::make_unique<TPreferences>(preferences);
    // The reminders already read keep their day and take the new time at once; none is read again.
    std::int64_t moved = 0;
    {
        std::lock_guard lock(m_State.ListsMutex);
        moved = m_State.ReminderList.UseDateOnlyTime(
            {preferences.DateOnlyMinutes / 60, preferences.DateOnlyMinutes % 60, 0});
    }
    if (moved > 0) {
        TReminderHandle(m_State, nullptr).SaveRemindersToFile();
        m_State.ReminderListChanged = true;
    }
    m_State.LateAlarms = preferences.LateAlarms;
}

void AppDelegate::MenuItemPreferencesClick()
{
    WinPreferences::Hooks hooks;
    hooks.Changed = [this](const TPreferences& preferences) { ApplyPreferences(preferences); };
    hooks.StartAtLogin = [this](bool checked) { MenuItemStartAtLoginClick(checked); };
    hooks.TestSound = [this](const std::string& file, bool theme) {
        if (theme) {
            PlayThemeSound();
        } else {
            PlaySound(file);
        }
    };
    WinPreferences window(m_State.Paths.SettingsFilePath, SectionChoices(), IsAutostartEnabled(),
                          ReadmeStepsAddress(), std::move(hooks));
    const std::string userId = m_State.UserId.Get();
    const std::string settings = m_State.Paths.SettingsFilePath;
    WinPreferences::NotebookHooks notebookHooks;
    notebookHooks.Watch = [this, userId, settings](const std::string& notebookId, bool watched) {
        std::set<std::string> unwatched = LoadUnwatchedNotebooks(settings, userId);
        if (watched) {
            unwatched.erase(notebookId);
        } else {
            unwatched.insert(notebookId);
        }
        // The next cycle reads the whole hierarchy again, with the choice applied.
        if (SaveUnwatchedNotebooks(settings, userId, unwatched) && m_MirrorWorker) {
            m_MirrorWorker->Refresh();
        }
    };
    notebookHooks.Resolve = [this](const std::string& address) {
        if (!m_MirrorWorker) {
            return TSharedResolve{TSharedResolveStatus::Failed, {}};
        }
        // The worker sends the request; the window stays drawn while it waits.
        m_MirrorWorker->Shared().AskResolve(address);
        QElapsedTimer waited;
        waited.start();
        auto result = m_MirrorWorker->Shared().ResolveResult();
        while (result.Status == TSharedResolveStatus::Pending && waited.elapsed() < kResolveWaitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
            result = m_MirrorWorker->Shared().ResolveResult();
        }
        if (result.Status == TSharedResolveStatus::Pending) {
            result.Status = TSharedResolveStatus::Failed;
        }
        return result;
    };
    notebookHooks.Add = [this](const TSharedNotebook& notebook) {
        if (m_MirrorWorker) {
            m_MirrorWorker->Shared().Add(notebook);
        }
    };
    const std::vector<TNotebookChoice> notebooks =
        userId.empty() || m_State.Paths.StoreRootPath.empty()
            ? std::vector<TNotebookChoice>()
            : NotebookChoices(AccountStorePath(m_State.Paths.StoreRootPath, userId));
    window.SetNotebooks(notebooks, LoadUnwatchedNotebooks(settings, userId), std::move(notebookHooks));
    window.SetPhone(!userId.empty() && !m_State.AccessToken.Empty(), m_Phone && m_Phone->On(),
                    [this, &window](bool on) { return SetPhoneReminders(on, &window); });
    window.exec();
}

bool AppDelegate::SetPhoneReminders(bool on, QWidget* parent)
{
    const std::string userId = m_State.UserId.Get();
    if (!m_Phone || userId.empty()) {
        return false;
    }
    bool removeList = false;
    if (!on) {
        QMessageBox ask(QMessageBox::Question, UiText("strPhoneOffTitle"),
                        UiText("strPhoneOffRemoveList").arg(UiText("strPhoneListName")),
                        QMessageBox::NoButton, parent);
        QPushButton* remove = ask.addButton(UiText("strPhoneRemoveList"), QMessageBox::DestructiveRole);
        QPushButton* keep = ask.addButton(UiText("strPhoneKeepList"), QMessageBox::AcceptRole);
        ask.addButton(QMessageBox::Cancel);
        ask.setDefaultButton(keep);
        ask.exec();
        if (ask.clickedButton() != remove && ask.clickedButton() != keep) {
            return false;
        }
        removeList = ask.clickedButton() == remove;
    }
    if (!SavePhoneReminders(m_State.Paths.SettingsFilePath, userId, on)) {
        return false;
    }
    m_Phone->SetOn(on, removeList);
    if (m_MirrorWorker) {
        // A resting worker takes the change at once.
        m_MirrorWorker->Wake();
    }
    if (on) {
        // The tokens held now lack To Do's permission: a new sign-in asks for it, once the window
        // that asked has returned to the event loop.
        QMetaObject::invokeMethod(
            this, [this] { ShowSignInWindow(0); }, Qt::QueuedConnection);
    }
    return true;
}

} // namespace rz
