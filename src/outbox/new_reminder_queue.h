// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/new_reminder.h"
#include "util/dates.h"

#include <string>
#include <string_view>

namespace rz {

class TOutbox;

// What became of a new reminder handed to the agent (the New Reminder dialog, another start's --add).
struct TNewReminderQueueResult
{
    enum TResult {
        Queued,       // its page waits in the outbox
        NoAccount,    // nobody is signed in
        NotAReminder, // the text reads as no page-title reminder
        BadTitle,     // the title is refused for TitleProblem
        NoSection,    // no section given, and none remembered
        TooLarge,     // the outbox would pass its file's bound
        NotSaved,     // the outbox's file could not be written
    };
    TResult Result = NotSaved;
    TNewReminderProblem TitleProblem = TNewReminderProblem::None;
    std::string Title;     // the title checked (one line, trimmed)
    std::string SectionId; // the section it goes to
};

// Checks the typed title, takes the section (one given is remembered in the settings file as the
// next default; without one, the remembered one) and queues the page in the outbox.
TNewReminderQueueResult QueueNewReminder(TOutbox& outbox, const std::string& settingsFilePath,
                                         std::string_view typed, std::string sectionId, Date now);

} // namespace rz
