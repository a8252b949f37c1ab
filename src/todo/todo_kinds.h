// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox/outbox.h"
#include "todo/todo_state.h"

#include <optional>
#include <string>

// The bridge's writes to Microsoft To Do as outbox kinds: each is saved before it goes, looks
// before it repeats a write whose answer was lost, and ends with a message when To Do refuses it.

namespace rz {

inline constexpr const char* kPhoneListKind = "phone-list";
inline constexpr const char* kPhoneCreateKind = "phone-create";
inline constexpr const char* kPhoneUpdateKind = "phone-update";
inline constexpr const char* kPhoneCompleteKind = "phone-complete";
inline constexpr const char* kPhoneDeleteKind = "phone-delete";

// Items: the list named `name` made; a task made from `body` (TaskCreateBody) in the list; the
// fields of task `taskId` changed; the task completed; the task deleted.
TOutboxItem PhoneListItem(const std::string& name);
TOutboxItem PhoneCreateItem(const std::string& listId, const std::string& externalId, const Json& body);
TOutboxItem PhoneUpdateItem(const std::string& listId, const std::string& taskId, const Json& fields);
TOutboxItem PhoneCompleteItem(const std::string& listId, const std::string& taskId, const std::string& title);
TOutboxItem PhoneDeleteItem(const std::string& listId, const std::string& taskId, const std::string& title);

// A To Do answer as an outcome: the outbox's judgement with the bridge's messages; a 404 of an
// update, a completion or a deletion is Done (the task is gone, nothing is left to write).
TOutboxOutcome PhoneOutcome(const HttpResponse& response, bool goneIsDone);

// The list's task whose linked resources hold `externalId`, read through `link` page by page; a
// null value when none has it; none when the list could not be read whole.
std::optional<Json> FindTaskByExternalId(TOutboxLink& link, const std::string& listId,
                                         const std::string& externalId);

// The bridge's kinds; the list kind keeps the made list's id in `state`, the create kind the task
// made (or found made), so that a deletion on the phone before the next delta is known as one.
void AddPhoneKinds(TOutbox& outbox, TToDoState& state);

} // namespace rz
