// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace rz {

struct CommandLine;

// --add: hands the reminder text to the agent of the data folder through the session bus, starting
// the agent (detached) when none runs, and prints its answer: what was queued on standard output
// (status 0), or why not on standard error (status 1), a section known as full or found full by the
// page's first attempt included.
int HandReminderToAgent(int argc, char** argv, const CommandLine& commandLine, const std::string& dataFolder);

} // namespace rz
