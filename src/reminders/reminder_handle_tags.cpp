// SPDX-License-Identifier: GPL-3.0-or-later
// Reads of a tag page's content into its tag reminders.
#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "reminders/reminder.h"
#include "reminders/reminder_handle.h"
#include "reminders/tag_reader.h"

#include <mutex>
#include <string>

namespace rz {

bool TReminderHandle::LoadPendingTags(const std::string& pageId, const std::string& pageClientLink,
                                      const std::string& title, std::optional<Date> lastModifyTime)
{
    const std::uint64_t generation = m_State.ClearGeneration;
    bool known = false;
    {
        std::lock_guard lock(m_State.ListsMutex);
        const TagPagePtr record = m_State.TagPageList.GetByID(pageId);
        const bool tagged = TAReminder::PageHasTagReminder(title);
        known = record != nullptr;
        if (known && !tagged) {
            m_State.NearMisses.DropTags(pageId);
            m_State.ReminderList.DeleteAllTagInPage(pageId);
            m_State.TagPageList.DeleteByID(pageId);
            return true;
        }
        if (known && SameInstant(record->lastModifyTime(), lastModifyTime)) {
            return true;
        }
        if (!known && !tagged) {
            return true;
        }
    }

    const TOnlineAnswer answer = m_Online ? m_Online->GetPageContent(pageId) : TOnlineAnswer{};
    std::lock_guard lock(m_State.ListsMutex);
    if (answer.status == TOnlineStatus::HeldBack && !known) {
        // Not sent: no failure. The next Run reads it first.
        if (!Cleared(generation)) {
            m_State.LoadHeldBack.insert(pageId);
        }
        return true;
    }
    if (answer.status != TOnlineStatus::Ok || answer.text.empty()) {
        // Its change time stays where it was, so the next load (also after a restart) reads it
        // again; meanwhile the known-pages check reads it first.
        if (known) {
            m_State.KnownPages.MarkWaiting(pageId);
        }
        return answer.status == TOnlineStatus::HeldBack;
    }
    if (Cleared(generation)) {
        return false;
    }
    m_State.ReminderList.CheckAndRemoveDeletedTagItem(answer.text, pageId);
    ReadTagReminders(m_State.ReminderList, pageId, pageClientLink, answer.text);
    m_State.NearMisses.TakePageContent(pageId, answer.text, m_State.ReminderList.DateOnlyTime());
    // Listed even when it yielded nothing: a page is read again when its change time moves, not at
    // every load because it holds no reminder. A listed page's change time moves only now that the
    // change has been read.
    if (!known) {
        m_State.TagPageList.AddUnique(pageId, pageClientLink, lastModifyTime);
    } else if (const TagPagePtr read = m_State.TagPageList.GetByID(pageId)) {
        read->setLastModifyTime(lastModifyTime);
    }
    return true;
}

std::int64_t TReminderHandle::LoadPendingTags_Known(const TagPagePtr& tagPage, const std::string& pageTitle,
                                                    const std::string& html)
{
    const std::string pageId = tagPage->pageId().value_or(std::string());
    if (!TAReminder::PageHasTagReminder(pageTitle)) {
        m_State.NearMisses.DropTags(pageId);
        m_State.ReminderList.DeleteAllTagInPage(pageId);
        m_State.TagPageList.DeleteByID(pageId);
        return 1;
    }
    if (html.empty()) {
        return 0;
    }
    // Removals count as changes, so that they are saved and shown at once.
    const std::int64_t removed = m_State.ReminderList.CheckAndRemoveDeletedTagItem(html, pageId);
    const std::optional<std::int64_t> changes =
        ReadTagReminders(m_State.ReminderList, pageId, tagPage->link().value_or(std::string()), html);
    m_State.NearMisses.TakePageContent(pageId, html, m_State.ReminderList.DateOnlyTime());
    return removed + changes.value_or(0);
}

} // namespace rz
