// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The values a To Do task takes, checked as the metadata gives them.

namespace emu {

using Json = nlohmann::ordered_json;

// The longest text a task or linked resource keeps.
inline constexpr std::size_t kMaxTextBytes = 64 * 1024;

// True when `value` is a text among `members`.
bool IsMemberOf(const Json& value, const std::vector<std::string>& members);
// Takes the writable todoTask properties of `body` into `task`: a status of completed sets
// completedDateTime to `now`, another clears it; a recurrence gets the members the service fills.
// False with `error`, and `task` unchanged, when a property is unknown or of the wrong kind.
bool TakeTaskProperties(Json& task, const Json& body, std::time_t now, std::string& error);

} // namespace emu
