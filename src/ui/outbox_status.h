// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "todo/todo_bridge.h"

#include <QString>
#include <optional>

namespace rz {

class TOutbox;
struct TOutboxMessage;

// What the windows say about the outbox: how many changes wait, the last transient problem, and
// the newest message of a change that ended unsent (for a day after it ended). Empty when there is
// nothing to say.
QString OutboxStatusText(const TOutbox* outbox);
// The status window's line for the bridge to Microsoft To Do: off, or on with its last sync, the
// tasks it keeps, the writes waiting and the last refusal (for a day after it).
QString PhoneStatusText(bool on, const std::optional<TToDoStatus>& status);
// The message of a change that ended, in the user's language.
QString OutboxMessageText(const TOutboxMessage& message);

} // namespace rz
