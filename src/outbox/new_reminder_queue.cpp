// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/new_reminder_queue.h"

#include "core/preferences.h"
#include "outbox/full_sections.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"

namespace rz {

TNewReminderQueueResult QueueNewReminder(TOutbox& outbox, const std::string& settingsFilePath,
                                         std::string_view typed, std::string sectionId, Date now,
                                         const TFullSections* turnAwayFull)
{
    using R = TNewReminderQueueResult;
    R result;
    if (!outbox.HasAccount()) {
        result.Result = R::NoAccount;
        return result;
    }
    result.TitleProblem = CheckReminderTitle(typed, now, result.Title);
    if (result.TitleProblem == TNewReminderProblem::NotReadBack) {
        result.Result = R::NotAReminder;
        return result;
    }
    if (result.TitleProblem != TNewReminderProblem::None) {
        result.Result = R::BadTitle;
        return result;
    }
    TPreferences preferences = LoadPreferences(settingsFilePath);
    if (sectionId.empty()) {
        sectionId = preferences.NewReminderSectionId;
    } else if (preferences.NewReminderSectionId != sectionId) {
        preferences.NewReminderSectionId = sectionId;
        SavePreferences(settingsFilePath, preferences);
    }
    result.SectionId = sectionId;
    if (sectionId.empty()) {
        result.Result = R::NoSection;
        return result;
    }
    if (turnAwayFull != nullptr && turnAwayFull->IsFull(sectionId)) {
        result.Result = R::SectionFull;
        return result;
    }
    switch (outbox.Add(PageCreateItem(result.Title, sectionId))) {
    case TOutbox::TAddResult::Queued:
        result.Result = R::Queued;
        break;
    case TOutbox::TAddResult::NoAccount:
        result.Result = R::NoAccount;
        break;
    case TOutbox::TAddResult::TooLarge:
        result.Result = R::TooLarge;
        break;
    case TOutbox::TAddResult::NotSaved:
        result.Result = R::NotSaved;
        break;
    }
    return result;
}

TNewPageFate NewPageFate(const TOutbox& outbox, const TFullSections& full, const std::string& title,
                         const std::string& sectionId)
{
    const TOutboxItem queued = PageCreateItem(title, sectionId);
    for (const TOutboxItem& item : outbox.Items()) {
        if (item.Kind == queued.Kind && item.Key == queued.Key) {
            const bool tried = item.Attempts > 0 || item.NextTry || item.Unconfirmed;
            return tried ? TNewPageFate::Tried : TNewPageFate::Untried;
        }
    }
    // A page created there clears the section's refusals, so a refusal still held is this one's.
    return full.Refused(sectionId, title) ? TNewPageFate::SectionFull : TNewPageFate::Ended;
}

} // namespace rz
