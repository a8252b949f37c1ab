// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/new_reminder_queue.h"

#include "core/preferences.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"

namespace rz {

TNewReminderQueueResult QueueNewReminder(TOutbox& outbox, const std::string& settingsFilePath,
                                         std::string_view typed, std::string sectionId, Date now)
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

} // namespace rz
