// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/new_reminder.h"
#include "util/dates.h"

#include <string>
#include <string_view>

namespace rz {

class TFullSections;
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
        SectionFull,  // the section is known as full (nothing queued)
    };
    TResult Result = NotSaved;
    TNewReminderProblem TitleProblem = TNewReminderProblem::None;
    std::string Title;     // the title checked (one line, trimmed)
    std::string SectionId; // the section it goes to
};

// Checks the typed title, takes the section (one given is remembered in the settings file as the
// next default; without one, the remembered one) and queues the page in the outbox; not when
// `turnAwayFull` is given and knows the section as full.
TNewReminderQueueResult QueueNewReminder(TOutbox& outbox, const std::string& settingsFilePath,
                                         std::string_view typed, std::string sectionId, Date now,
                                         const TFullSections* turnAwayFull = nullptr);

// How long the agent waits for a queued page's first attempt before it answers another start's --add.
inline constexpr double kNewPageAnswerWaitSeconds = 5;

// What became of a page queued for a new reminder, for whoever waits to tell the user.
enum class TNewPageFate {
    Untried,     // waiting, and not tried yet
    Tried,       // waiting after an attempt that did not end it (offline, throttled, an answer lost)
    SectionFull, // ended: OneNote refused it because its section is full
    Ended,       // ended otherwise (created, or with a message of its own)
};
TNewPageFate NewPageFate(const TOutbox& outbox, const TFullSections& full, const std::string& title,
                         const std::string& sectionId);

} // namespace rz
