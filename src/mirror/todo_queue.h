// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

class MThreadOneNoteRESTDB;

// Retry pause after a failed attempt: 30 s, doubling up to 15 minutes.
inline constexpr double kToDoRetryFirstSeconds = 30.0;
inline constexpr double kToDoRetryMaxSeconds = 900.0;

// One to-do the user marked done, waiting to be ticked in OneNote.
struct TToDoItem
{
    std::string PageId;
    std::string ElementId; // the paragraph's generated id: the only target a paragraph replace takes
    std::string Text;      // shown while it waits
    int Attempts = 0;
    std::string LastError; // empty until an attempt failed
};

// The tag list with every open "to-do" turned into "to-do:completed"; other tags stay as they are.
std::string CompletedDataTag(std::string_view dataTag);
// The paragraph with id `elementId` in page content (ids included), rebuilt with its to-do
// completed and without its id, as the replace command's content. None when the content does not
// parse or holds no such paragraph; the empty text when the paragraph has no open to-do left.
std::optional<std::string> CompletedParagraph(std::string_view content, std::string_view elementId);
// The PATCH body: one replace command on the paragraph's generated id.
std::string ToDoPatchBody(const std::string& elementId, const std::string& paragraphHtml);

// To-dos marked done in the alert, kept in a small file of the data folder until OneNote took the
// change, so that a quit, a crash or a day offline loses none of them. The main thread adds; the
// worker thread sends, one to-do at a time, through the worker's tokens and request budget: it reads
// the page content (to keep the paragraph's text and formatting), then sends one PATCH that
// replaces the paragraph with its completed form. A to-do leaves the queue only when the service
// answered the PATCH with success, or when its paragraph is gone or already ticked, so it is never
// lost and never sent again after success. Failures stay queued with their error and are retried.
class TToDoQueue
{
public:
    explicit TToDoQueue(std::string filePath);

    // Reads the stored queue; a missing or damaged file leaves it empty.
    void Load();
    // Queues the to-do unless the same paragraph waits already, and saves. False when the file
    // could not be written (the to-do still waits in memory and the next change saves it).
    bool Add(TToDoItem item);
    std::vector<TToDoItem> Items() const;
    std::size_t Count() const;
    // What the alert shows about the queue: the last problem, empty when there is none.
    std::string LastProblem() const;

    // Worker thread: sends the oldest to-do when its retry time has come and the budget has a slot.
    void SendPending(MThreadOneNoteRESTDB& worker);

    // PATCH requests answered with success, and failed attempts, since creation.
    std::atomic<std::int64_t> m_SentCount{0};
    std::atomic<std::int64_t> m_FailedCount{0};

private:
    enum class TStep {
        Done,    // ticked, or nothing left to tick: leaves the queue
        Failed,  // stays, retried later
        NotSent, // held back or cancelled: stays, tried again at the next pass
    };
    TStep Send(MThreadOneNoteRESTDB& worker, const TToDoItem& item, std::string& error);
    void Finish(const TToDoItem& item, TStep step, const std::string& error);
    bool SaveLocked() const;

    std::string m_FilePath;
    mutable std::mutex m_Mutex;
    std::vector<TToDoItem> m_Items; // oldest first
    std::string m_LastProblem;
    std::optional<Date> m_NextTry;
    double m_RetrySeconds = kToDoRetryFirstSeconds;
};

} // namespace rz
