// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's new reminders: the New Reminder dialog, and the text another start hands over.
#include "alerts/pending_reminders.h"
#include "alerts/phone_reminders.h"
#include "app/app_delegate.h"
#include "app/single_instance.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "mirror/section_choices.h"
#include "outbox/full_sections.h"
#include "outbox/new_reminder_queue.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "reminders/new_reminder.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "todo/todo_runner.h"
#include "ui/desktop_notifier.h"
#include "ui/main_window.h"
#include "ui/outbox_status.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "ui/win_new_reminder.h"

#include <QStatusBar>
#include <algorithm>
#include <mutex>
#include <string>

namespace rz {

namespace {

// How long a notice of the New Reminder dialog stays in the main window's status bar.
constexpr int kNoticeMs = 10000;

AppDelegate::NewReminderAnswer Refused(QString why)
{
    AppDelegate::NewReminderAnswer answer;
    answer.Text = std::move(why);
    return answer;
}

} // namespace

void AppDelegate::TakeCreatedPages()
{
    if (!m_PageCreateKind) {
        return;
    }
    std::vector<std::string> created = m_PageCreateKind->TakeCreated();
    if (created.empty()) {
        return;
    }
    m_CreatedTitles.insert(m_CreatedTitles.end(), created.begin(), created.end());
    // The new pages' reminders come with the next title search: run it now rather than later.
    MenuItemRefreshClick();
    m_State.ReminderListChanged = true;
}

void AppDelegate::NotifyEndedChanges()
{
    if (!m_Outbox) {
        return;
    }
    // A change that ended unsent (a refused tick, a page that could not be made) would otherwise show
    // only in windows the user may never open.
    for (const TOutboxMessage& message : m_Outbox->TakeNewMessages()) {
        if (!m_Preferences || m_Preferences->DesktopNotifications) {
            m_Notifier->NotifyApart(UiText("strOutboxNotSentTitle"), {OutboxMessageText(message)});
        }
    }
}

void AppDelegate::TakePhoneCompletions()
{
    if (!m_Phone || !m_Pending) {
        return;
    }
    // A to-do's tick went into the outbox with the round; the desktop is done with the reminder as
    // a Dismiss, and before it rang as the due check's own raising, would leave it.
    for (const TBridgeReminder& done : m_Phone->TakeCompletedOnPhone()) {
        std::lock_guard lock(m_State.ListsMutex);
        if (TakeDoneOnPhone(done, m_State.ReminderList, *m_Pending)) {
            m_State.ReminderListChanged = true;
        }
    }
    // A snooze, a Dismiss or a ring reaches the tasks with the next round.
    m_Phone->SetHeld(HeldForPhone(*m_Pending, DateNow()));
}

std::vector<std::string> AppDelegate::WaitingTitles()
{
    // A created page waits until the mirror brought it: its reminder listed, already rung (one that
    // reached the agent after its time rings at once), or the page in the page list at all.
    if (!m_CreatedTitles.empty()) {
        std::vector<ReminderPtr> reminders = m_State.ReminderList.list();
        const std::vector<ReminderPtr> pending = m_State.PendingReminderList.list();
        reminders.insert(reminders.end(), pending.begin(), pending.end());
        const std::string pageList = m_State.ReminderPagesJson.Get();
        std::erase_if(m_CreatedTitles, [&](const std::string& title) {
            return PageListHoldsTitle(pageList, title) ||
                   std::any_of(reminders.begin(), reminders.end(), [&](const ReminderPtr& r) {
                       return SameStoredTitle(r->name().value_or(std::string()), title);
                   });
        });
    }
    std::vector<std::string> titles;
    if (m_Outbox) {
        for (const TOutboxItem& item : m_Outbox->Items()) {
            if (item.Kind == kPageCreateKind) {
                titles.push_back(item.Label);
            }
        }
    }
    titles.insert(titles.end(), m_CreatedTitles.begin(), m_CreatedTitles.end());
    return titles;
}

void AppDelegate::MenuItemNewReminderClick()
{
    const std::string remembered = rz::LoadPreferences(m_State.Paths.SettingsFilePath).NewReminderSectionId;
    WinNewReminder dialog(SectionChoices(), remembered);
    if (m_PageCreateKind) {
        const TFullSections& full = m_PageCreateKind->FullSections();
        m_FullSectionsShown = full.Changes();
        dialog.SetFullSectionCheck([&full](const std::string& sectionId) { return full.IsFull(sectionId); });
    }
    // The tick tells the dialog of a section found full while it is shown.
    m_NewReminderDialog = &dialog;
    const int shown = dialog.exec();
    m_NewReminderDialog = nullptr;
    if (shown != QDialog::Accepted) {
        return;
    }
    const NewReminderAnswer answer = QueueNewReminder(dialog.Title(), dialog.SectionId());
    if (!m_Window) {
        return;
    }
    m_Window->statusBar()->showMessage(answer.Text, kNoticeMs);
    if (answer.Queued) {
        // While the notice shows, a refusal for a full section takes its place.
        WatchNewPage(answer, kNoticeMs, [this](const QString& fullText) {
            if (!fullText.isEmpty() && m_Window) {
                m_Window->statusBar()->showMessage(fullText, kNoticeMs);
            }
        });
    }
}

AppDelegate::NewReminderAnswer AppDelegate::QueueNewReminder(const std::string& typed, std::string sectionId,
                                                             bool turnAwayFull)
{
    if (!m_Outbox) {
        return Refused(UiText("strAddNotSaved"));
    }
    using R = TNewReminderQueueResult;
    const TFullSections* full =
        turnAwayFull && m_PageCreateKind ? &m_PageCreateKind->FullSections() : nullptr;
    const R queued = rz::QueueNewReminder(*m_Outbox, m_State.Paths.SettingsFilePath, typed,
                                          std::move(sectionId), DateNow(), full);
    const std::vector<TSectionChoice> sections = SectionChoices();
    const auto section = std::find_if(sections.begin(), sections.end(), [&](const TSectionChoice& choice) {
        return choice.Id == queued.SectionId;
    });
    const QString where =
        QString::fromStdString(section != sections.end() ? section->Path : queued.SectionId);
    switch (queued.Result) {
    case R::Queued:
        break;
    case R::NoAccount:
        return Refused(UiText("strAddNoAccount"));
    case R::NotAReminder:
        return Refused(UiText("strAddNotAReminder"));
    case R::BadTitle:
        return Refused(NewReminderProblemText(queued.TitleProblem));
    case R::NoSection:
        return Refused(UiText("strAddNoSection"));
    case R::TooLarge:
        return Refused(UiText("strAddTooLarge"));
    case R::NotSaved:
        return Refused(UiText("strAddNotSaved"));
    case R::SectionFull:
        return Refused(UiText("strNewReminderSectionFull").arg(where));
    }
    if (m_MainModel) {
        m_MainModel->Reload();
    }
    return {true, UiText("strAddQueued").arg(QString::fromStdString(queued.Title), where), queued.Title,
            queued.SectionId, where};
}

void AppDelegate::WatchNewPage(const NewReminderAnswer& queued, int waitMs,
                               std::function<void(const QString&)> answer)
{
    m_NewPageWatches.push_back(
        {queued.Title, queued.SectionId, queued.Where, QDeadlineTimer(waitMs), std::move(answer)});
}

void AppDelegate::LookAtNewPages()
{
    if (!m_Outbox || !m_PageCreateKind) {
        return;
    }
    const TFullSections& full = m_PageCreateKind->FullSections();
    if (m_NewReminderDialog && full.Changes() != m_FullSectionsShown) {
        m_FullSectionsShown = full.Changes();
        m_NewReminderDialog->FullSectionsChanged();
    }
    std::vector<std::pair<std::function<void(const QString&)>, QString>> answers;
    std::erase_if(m_NewPageWatches, [&](NewPageWatch& watch) {
        const TNewPageFate fate = NewPageFate(*m_Outbox, full, watch.Title, watch.SectionId);
        if (fate == TNewPageFate::Untried && !watch.Deadline.hasExpired()) {
            return false;
        }
        answers.emplace_back(std::move(watch.Answer),
                             fate == TNewPageFate::SectionFull
                                 ? UiText("strNewReminderSectionFull").arg(watch.Where)
                                 : QString());
        return true;
    });
    // Answered once the list is settled: an answer may start another watch.
    for (const auto& [answer, fullText] : answers) {
        answer(fullText);
    }
}

void AppDelegate::ServeAddRequests(SingleInstance& instance)
{
    instance.SetAddHandler([this](const QString& text, const SingleInstance::AddReply& reply) {
        const NewReminderAnswer answer = QueueNewReminder(text.toStdString(), {}, true);
        if (!answer.Queued) {
            reply({true, false, answer.Text});
            return;
        }
        // A refusal for a full section that comes soon is this start's answer, not a later notice.
        WatchNewPage(answer, static_cast<int>(kNewPageAnswerWaitSeconds * 1000),
                     [reply, queuedText = answer.Text](const QString& fullText) {
                         reply(fullText.isEmpty() ? SingleInstance::AddAnswer{true, true, queuedText}
                                                  : SingleInstance::AddAnswer{true, false, fullText});
                     });
    });
}

} // namespace rz
