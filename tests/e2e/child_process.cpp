// SPDX-License-Identifier: GPL-3.0-or-later
#include "child_process.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rz::test {
namespace {

bool Dropped(const char* entry)
{
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=", "HOME=", "XDG_"}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

Environment AppEnvironment(const std::string& home, const std::string& supportFolder,
                           const std::string& busAddress)
{
    Environment env = {
        {"HOME", home},
        {"XDG_DATA_HOME", supportFolder},
        {"XDG_CONFIG_HOME", home + "/config"},
        {"XDG_RUNTIME_DIR", home},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"DBUS_SESSION_BUS_ADDRESS", busAddress.empty() ? "unix:path=" + home + "/no-bus" : busAddress},
    };
    if (::geteuid() == 0) {
        env.emplace_back("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    return env;
}

bool WaitFor(int timeoutMs, const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::pair<std::string, std::string>>& environment)
{
    // Everything the child needs is prepared before fork: only exec follows it.
    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!Dropped(*entry)) {
            env.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : environment) {
        env.push_back(name + "=" + value);
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const int out = ::open(m_Output.File("stdout").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int err = ::open(m_Output.File("stderr").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);

    const pid_t parent = ::getpid();
    m_Pid = ::fork();
    if (m_Pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
}

ChildProcess::~ChildProcess()
{
    if (Running()) {
        Signal(SIGKILL);
        WaitExit(5000);
    }
}

std::optional<int> ChildProcess::WaitExit(int timeoutMs)
{
    WaitFor(timeoutMs, [this] { return !Running(); });
    return m_Status;
}

bool ChildProcess::Running()
{
    if (m_Pid <= 0 || m_Status) {
        return false;
    }
    int status = 0;
    if (::waitpid(m_Pid, &status, WNOHANG) != m_Pid) {
        return true;
    }
    m_Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void ChildProcess::Signal(int signal) const
{
    if (m_Pid > 0 && !m_Status) {
        ::kill(m_Pid, signal);
    }
}

} // namespace rz::test
