// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account/http.h"
#include "mirror/one_note_channel.h"
#include "util/dates.h"
#include "util/json.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The outbox: every write to the user's notebooks (a to-do ticked with Done, …) waits here until
// the service took it. Items are kept in one file of the data folder, each tied to the account that
// queued it, each with its own retry time, so that no item blocks another.
//
// Adding a kind of write:
//   1. Derive from TOutboxKind: Name() gives the item's "kind" text (stored; never change it),
//      Send() does one attempt through the TOutboxLink it gets and says what became of it.
//      Read what you need online first; when item.Unconfirmed is set a write of an earlier attempt
//      may have reached the service although its answer was lost: find out online whether it took
//      effect before writing again, and answer Done when it did.
//   2. Give the kind a function that builds its item (Kind, Key, Label, Fields), as ToDoDoneItem
//      does, and queue it with TOutbox::Add.
//   3. Register one instance with TOutbox::AddKind where the application builds the outbox, before
//      TOutbox::Load; a kind whose writes an earlier version kept in a file of its own names that
//      file in Takeover, and the outbox takes its items over once.
//   4. Every text a user sees is a strings-table key (TOutboxOutcome::MessageKey) with the item's
//      Label as %1 and the detail as %2; add the key with its translations.
// Persistence, the account tie, retry times, the request budget, the sign-in hold and the messages
// are the outbox's; a kind only sends and judges.

namespace rz {

class SharedString;

// Retry pause of an item after a transient failure: 30 s, doubling with each attempt, 15 minutes
// at most (longer when the service asked for it).
inline constexpr double kOutboxRetryFirstSeconds = 30.0;
inline constexpr double kOutboxRetryMaxSeconds = 900.0;
// An item whose page or section has no known base address yet looks again after this long.
inline constexpr double kOutboxBaseUnknownSeconds = 60.0;
// Items tried per worker pass, so that the pass returns to the reminder engine soon.
inline constexpr int kOutboxItemsPerPass = 4;
// Ended items whose message the windows keep showing.
inline constexpr std::size_t kOutboxMaxMessages = 20;
// The outbox file's bound: no save passes it, and a file past it is not ours to read.
inline constexpr std::size_t kMaxOutboxFileBytes = 4 * 1024 * 1024;
// Items are small and few; an Add that would take the file past this is refused, so that the items
// waiting keep room for their retry marks and details below the file's bound.
inline constexpr std::size_t kOutboxAddBoundBytes = kMaxOutboxFileBytes - kMaxOutboxFileBytes / 8;

// One write waiting for the service.
struct TOutboxItem
{
    std::string Kind;             // the TOutboxKind's Name()
    std::string UserId;           // the account that queued it; no other account ever sends it
    std::string Key;              // the same Kind and Key waiting twice is one item
    std::string Label;            // what the user knows it by (a to-do's text), %1 of its messages
    Json Fields = Json::object(); // the kind's own data
    int Attempts = 0;
    std::optional<Date> NextTry; // none: at the next pass
    std::string LastError;       // the last failure's detail; empty until an attempt failed
    bool Unconfirmed = false;    // a write went out and no answer came back
};

// What became of one attempt.
struct TOutboxOutcome
{
    enum TResult {
        Done,    // the service has it (or nothing is left to do): the item leaves
        Retry,   // transient: tried again after its pause
        Refused, // permanent: the item ends with a message
        Held,    // not sent (sign-in window, budget, stopping): tried at a later pass, no attempt counted
        Wait,    // looked, and waits for the service to catch up: tried again after RetryAfterSeconds,
                 // no attempt counted and no problem shown
    };
    TResult Result = Held;
    std::string MessageKey; // strings-table key of the message (Refused, Retry); may be empty
    std::string Detail;     // the service's own message, or what failed
    double RetryAfterSeconds = 0;

    static TOutboxOutcome Finished() { return {Done, {}, {}, 0}; }
    static TOutboxOutcome NotSent() { return {Held, {}, {}, 0}; }
    static TOutboxOutcome Again(std::string key, std::string detail = {})
    {
        return {Retry, std::move(key), std::move(detail), 0};
    }
    static TOutboxOutcome Refusal(std::string key) { return {Refused, std::move(key), {}, 0}; }
    static TOutboxOutcome LookAgainIn(double seconds) { return {Wait, {}, {}, seconds}; }
};

// The one way a kind reaches the service: through the channel (budgeted, with the account's
// bearer, a 401 refreshed and sent once more), never while no account is signed in or the worker
// stops, and only below the base the item's page or section is known to live at. Worker thread only.
class TOutboxLink
{
public:
    // `save` stores the item as it is now and answers false when that failed.
    TOutboxLink(TOneNoteChannel& channel, TOutboxItem& item, std::function<bool()> save);

    // Sends a request to `relative` below the account's Graph base ("/onenote/pages/…"). None when
    // it was not sent (held). A method other than GET is a write: the item is saved Unconfirmed
    // before it goes out, and nothing goes out when that save failed (NotRecorded). It is confirmed
    // again only by a definite answer, a success or a refusal: after a transport failure, a 5xx from
    // a gateway or a throttling answer the write may still have taken effect.
    std::optional<HttpResponse> Send(const std::string& method, const std::string& relative,
                                     const std::string& contentType = {}, const std::string& body = {});
    // True when a write was held back because its Unconfirmed mark could not be saved.
    bool NotRecorded() const { return m_NotRecorded; }
    // True when a request was held back because the item's base address is not known yet.
    bool BaseUnknown() const { return m_BaseUnknown; }

private:
    TOneNoteChannel& m_Channel;
    TOutboxItem& m_Item;
    std::function<bool()> m_Save;
    bool m_NotRecorded = false;
    bool m_BaseUnknown = false;
};

// How the service took a request, as an outcome: 2xx Done; a full section (507, code 30102) Refused
// with strOutboxSectionFull; transport failures, 401, 408, 5xx and the refusals IsTemporaryRefusal
// names (throttling and the codes that ask to try again) Retry; any other status Refused (a gone page, a
// read-only notebook, missing permission, refused content), with the service's message as the detail.
TOutboxOutcome AnswerOutcome(const HttpResponse& response);
// True for a OneNote error code that says a PATCH target could not be located (20120, 20149): its
// generated id went stale with an update of the page.
bool IsStaleTargetCode(std::string_view code);

// A file an earlier version kept a kind's writes in: taken over once, when the outbox has no file
// of its own yet.
struct TOutboxTakeover
{
    std::string FileName; // beside the outbox's file
    // The items the file's JSON holds; the account tie is the outbox's.
    std::function<std::vector<TOutboxItem>(const Json&)> Items;
};

class TOutboxKind
{
public:
    virtual ~TOutboxKind() = default;
    virtual std::string Name() const = 0;
    // One attempt; the item's fields are the kind's to read (and to update: they are saved).
    virtual TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) = 0;
    // The earlier file of this kind's items, if it had one.
    virtual std::optional<TOutboxTakeover> Takeover() const { return std::nullopt; }
};

// An ended item's message, shown in the alert window's status line and in the status window.
struct TOutboxMessage
{
    std::string Key;    // strings-table key
    std::string Label;  // %1
    std::string Detail; // %2
    Date When{};
};

// The items, their file and their sending. The main thread adds and reads; the worker thread
// sends on its passes. No lock is held across a request.
class TOutbox
{
public:
    // `filePath` is the outbox's file; `userId` is the account field read when an item is queued
    // and before each pass.
    TOutbox(std::string filePath, const SharedString& userId);
    ~TOutbox();

    // Registers a kind before Load; its items are sent by it and kept while it is unknown.
    void AddKind(std::unique_ptr<TOutboxKind> kind);
    // Called (before the worker runs) after each Add that queued a new item, outside the lock: the
    // sender's wake-up.
    void SetOnQueued(std::function<void()> onQueued) { m_OnQueued = std::move(onQueued); }
    // Reads the stored items (the kinds are added first); an item of a kind not added ends with a
    // message. When the file is missing, each kind's
    // earlier file beside it (TOutboxKind::Takeover) is taken over, saved here, and removed. Items
    // stored without an account belong to the account signed in now. A file that is damaged or past its
    // bound is moved aside (renamed with a ".damaged" suffix, numbered beside earlier ones) rather
    // than overwritten by the next change, and the outbox starts empty.
    void Load();
    // What became of an Add.
    enum class TAddResult {
        Queued,    // saved (or the same kind and key wait already)
        NoAccount, // nobody is signed in: a change is never left for whoever signs in next
        TooLarge,  // the file would pass the bound kept for new items: the waiting changes stay as they are
        NotSaved,  // the file could not be written: nothing was queued
    };
    // Queues the item for the account signed in now unless the same kind and key wait already, and
    // saves. Only what is saved is queued.
    TAddResult Add(TOutboxItem item);
    // The waiting items, oldest first, and their number; empty and 0 when none waits.
    std::vector<TOutboxItem> Items() const;
    std::size_t Count() const;
    // Items of one kind waiting.
    std::size_t CountOf(std::string_view kind) const;
    // True while an account is signed in, so that an Add can be queued.
    bool HasAccount() const;
    // The last transient failure of a waiting item, as a message; none when there is none.
    std::optional<TOutboxMessage> LastProblem() const;
    // Messages of ended items, newest last.
    std::vector<TOutboxMessage> Messages() const;
    // Messages of items that ended since the last call, oldest first (the main thread tells the user).
    std::vector<TOutboxMessage> TakeNewMessages();

    // Worker thread: tries the items whose time has come, oldest first, each on its own, through
    // `channel`; sends nothing while no account is signed in or the worker stops.
    void SendPending(TOneNoteChannel& channel);

private:
    // FindLocked's answer when no item has the kind and key.
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void TakeOverEarlierFiles(const std::filesystem::path& folder);
    // Items of an account other than `userId` end; items without one take it. Under m_Mutex.
    // Add under the lock; `queued` tells whether a new item now waits.
    TAddResult AddLocked(TOutboxItem item, bool& queued);
    void TieToAccountLocked(const std::string& userId);
    void Finish(const TOutboxItem& tried, const TOutboxOutcome& outcome);
    void EndLocked(std::size_t index, const std::string& key, const std::string& detail);
    // Items of a kind no AddKind registered end with a message. Under m_Mutex.
    void EndUnknownKindsLocked();
    bool SaveLocked() const;
    bool WriteLocked(const std::string& text) const;
    // The file's text for the items and messages held now, but for the oldest `skipMessages`
    // messages (and the items' details unless `withDetails`); none when it would not read back.
    std::optional<std::string> FileTextLocked(std::size_t skipMessages = 0, bool withDetails = true) const;
    std::size_t FindLocked(const std::string& kind, const std::string& key) const;

    std::string m_FilePath;
    const SharedString& m_UserId;
    std::map<std::string, std::unique_ptr<TOutboxKind>> m_Kinds; // set before the worker runs
    std::function<void()> m_OnQueued;                            // set before the worker runs
    mutable std::mutex m_Mutex;
    std::vector<TOutboxItem> m_Items; // oldest first
    std::vector<TOutboxMessage> m_Messages;
    std::vector<TOutboxMessage> m_NewMessages;
    std::optional<TOutboxMessage> m_LastProblem;
};

} // namespace rz
