// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

// "<config>/autostart/redozevuviva.desktop", where <config> is $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config; empty when neither is known.
std::string AutostartFilePath();

// The desktop entry that starts the executable at login, with "--data-home <folder>" when the agent
// runs with one, so the login starts the same agent. Empty when a path cannot be written into an
// entry safely (not absolute, or holding a line break).
std::string AutostartEntryText(const std::string& executablePath, const std::string& dataHome = {});

// Seconds a desktop that honours it waits after login before it starts the agent.
inline constexpr int kAutostartDelaySeconds = 5;

bool IsAutostartEnabled();

// Writes or removes the entry. False when it could not be done; removing a missing entry succeeds.
bool SetAutostartEnabled(bool enabled, const std::string& executablePath, const std::string& dataHome = {});

} // namespace rz
