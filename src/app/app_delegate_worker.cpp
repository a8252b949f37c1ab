// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's wiring of the sign-in window, the reminder engine and the mirror worker.
#include "account/endpoints.h"
#include "alerts/pending_reminders.h"
#include "app/app_delegate.h"
#include "mirror/thread_one_note_restdb.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_handle.h"
#include "state/account_loader.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "status/worker_callbacks.h"
#include "todo/todo_runner.h"
#include "ui/locale_text.h"

#include <algorithm>
#include <utility>

namespace rz {

void AppDelegate::ReminderEngineInit()
{
    TReminderHandle(m_State, nullptr).Init();
}

void AppDelegate::ReminderEngineAdoptAccount(bool justSignedIn)
{
    if (TReminderHandle(m_State, nullptr).AdoptAccount(m_State.UserId.Get(), justSignedIn) && m_Pending) {
        m_Pending->Forget();
    }
}

void AppDelegate::LoadHierarchyFromFile()
{
    TReminderHandle(m_State, nullptr).LoadHierarchyFromFile();
}

void AppDelegate::ShowSignInWindow(int logInOrOut)
{
    // One window at a time; the menu stays usable while it is open. An account still to come from
    // the keyring is not taken over before it came: the window follows the keyring's answer.
    if (m_SignInShown) {
        return;
    }
    if (m_State.WaitingForKeyring) {
        m_SignInAfterKeyring = logInOrOut;
        return;
    }
    m_SignInShown = true;
    // Until the window reports back the worker must not act on, or save, the old account.
    MGlobalsOnline::BeginSignIn(m_State, logInOrOut != 0);
    // An application id changed in Preferences takes effect now, in the window and in the tokens
    // the agent refreshes afterwards alike.
    m_State.ClientId.Set(LoadEndpoints(m_State.Paths.SettingsFilePath).ClientId);
    const SignInResult result = m_SignInRunner ? m_SignInRunner(logInOrOut)
                                               : RunSignInWindowProcess(logInOrOut, m_SupportFolderInUse);
    StartKeyringStep(
        MGlobalsOnline::EndSignInFromFile(m_State, result.AuthorizationCode, result.CodeVerifier), false);
    if (result.JustLoggedIn) {
        m_State.JustLoggedIn = true;
    }
    m_SignInShown = false;
}

bool AppDelegate::StartKeyringStep(const TKeyringStep& step, bool atLaunch)
{
    if (!m_AccountLoader) {
        m_AccountLoader = std::make_unique<TAccountLoader>(m_State);
    }
    const bool started = m_AccountLoader->Start(step, [this, atLaunch] {
        QMetaObject::invokeMethod(
            this, [this, atLaunch] { KeyringAnswered(atLaunch); }, Qt::QueuedConnection);
    });
    UpdateKeyringMenu();
    return started;
}

void AppDelegate::KeyringAnswered(bool atLaunch)
{
    UpdateKeyringMenu();
    if (atLaunch) {
        SignInAtLaunch();
    }
    const int asked = std::exchange(m_SignInAfterKeyring, -1);
    if (asked >= 0) {
        ShowSignInWindow(asked);
    }
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
        std::make_unique<TWorkerCallbacks>(m_State, m_CheckKnownPagesTick, LocaleMonitorTexts());
    m_WorkerCallbacks->Bind(*m_MirrorWorker);
    // To-dos marked done go out on the worker's passes, through its tokens and request budget; while
    // any waits, the passes follow each other a second apart, and a new one wakes the worker. The
    // bridge to To Do runs on the same passes, under its own budget and with the same tokens.
    if (m_Outbox) {
        m_MirrorWorker->FOnExecute = [execute = m_MirrorWorker->FOnExecute, queue = m_Outbox.get(),
                                      phone = m_Phone.get()](MThreadOneNoteRESTDB& worker) {
            if (execute) {
                execute(worker);
            }
            queue->SendPending(worker);
            if (phone != nullptr) {
                phone->Pass(
                    worker.GraphBase(),
                    [&worker] {
                        worker.RefreshTokens();
                        return !worker.State().AccessToken.Empty();
                    },
                    [&worker] { return worker.Stopping(); });
            }
        };
        m_MirrorWorker->FOnExecuteDueIn = [dueIn = m_MirrorWorker->FOnExecuteDueIn, queue = m_Outbox.get(),
                                           phone = m_Phone.get()](MThreadOneNoteRESTDB& worker) {
            if (queue->Count() > 0 || !dueIn) {
                return 0.0;
            }
            return phone != nullptr ? std::min(dueIn(worker), phone->DueIn()) : dueIn(worker);
        };
        m_Outbox->SetOnQueued([this] {
            if (m_MirrorWorker) {
                m_MirrorWorker->Wake();
            }
        });
    }
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

} // namespace rz
