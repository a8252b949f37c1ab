// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's new reminders: the New Reminder dialog, and the text another start hands over.
#include "app/app_delegate.h"
#include "app/single_instance.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "mirror/section_choices.h"
#include "outbox/new_reminder_queue.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "reminders/new_reminder.h"
#include "reminders/reminder_list.h"
#include "state/app_state.h"
#include "ui/desktop_notifier.h"
#include "ui/main_window.h"
#include "ui/outbox_status.h"
#include "ui/reminder_table_model.h"
#include "ui/strings_table.h"
#include "ui/win_new_reminder.h"

#include <QStatusBar>
#include <algorithm>
#include <string>

namespace rz {

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
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const NewReminderAnswer answer = QueueNewReminder(dialog.Title(), dialog.SectionId());
    if (!answer.Queued && m_Window) {
        m_Window->statusBar()->showMessage(answer.Text, 10000);
    }
}

AppDelegate::NewReminderAnswer AppDelegate::QueueNewReminder(const std::string& typed, std::string sectionId)
{
    if (!m_Outbox) {
        return {false, UiText("strAddNotSaved")};
    }
    using R = TNewReminderQueueResult;
    const R queued = rz::QueueNewReminder(*m_Outbox, m_State.Paths.SettingsFilePath, typed,
                                          std::move(sectionId), DateNow());
    switch (queued.Result) {
    case R::Queued:
        break;
    case R::NoAccount:
        return {false, UiText("strAddNoAccount")};
    case R::NotAReminder:
        return {false, UiText("strAddNotAReminder")};
    case R::BadTitle:
        return {false, NewReminderProblemText(queued.TitleProblem)};
    case R::NoSection:
        return {false, UiText("strAddNoSection")};
    case R::TooLarge:
        return {false, UiText("strAddTooLarge")};
    case R::NotSaved:
        return {false, UiText("strAddNotSaved")};
    }
    if (m_MainModel) {
        m_MainModel->Reload();
    }
    const std::vector<TSectionChoice> sections = SectionChoices();
    const auto section = std::find_if(sections.begin(), sections.end(), [&](const TSectionChoice& choice) {
        return choice.Id == queued.SectionId;
    });
    const std::string where = section != sections.end() ? section->Path : queued.SectionId;
    return {true,
            UiText("strAddQueued").arg(QString::fromStdString(queued.Title), QString::fromStdString(where))};
}

void AppDelegate::ServeAddRequests(SingleInstance& instance)
{
    instance.SetAddHandler([this](const QString& text) {
        const NewReminderAnswer answer = QueueNewReminder(text.toStdString(), {});
        return SingleInstance::AddAnswer{true, answer.Queued, answer.Text};
    });
}

} // namespace rz
