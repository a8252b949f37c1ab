// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "test_support.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace rz::test {

// A program run by a test: its own environment, its output in files, ended at scope end.
class ChildProcess
{
public:
    // Starts the program with the arguments after it. The environment is the test's, less the
    // display and session bus variables, plus the given assignments.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_Pid; }
    // The exit status once it ended (128 + signal when killed), else none after the wait.
    std::optional<int> WaitExit(int timeoutMs);
    // Non-blocking: whether it is still running.
    bool Running();
    void Signal(int signal) const;
    std::string Stdout() const { return ReadFileBytes(m_Output.File("stdout")); }
    std::string Stderr() const { return ReadFileBytes(m_Output.File("stderr")); }

private:
    TempDir m_Output;
    pid_t m_Pid = -1;
    std::optional<int> m_Status;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// What the built program runs with under a temporary home: its data below `supportFolder`, offscreen,
// the session bus at `busAddress` (one nobody answers when empty), the sign-in window allowed as root.
Environment AppEnvironment(const std::string& home, const std::string& supportFolder,
                           const std::string& busAddress = {});

// Polls a condition, sleeping briefly between tries; true once it holds within the time.
bool WaitFor(int timeoutMs, const std::function<bool()>& condition);

} // namespace rz::test
