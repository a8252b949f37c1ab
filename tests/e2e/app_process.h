#pragma once

#include "test_support.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace rz::test {

// A private home for the built program: its data folder, settings file and the account's store.
class AppHome
{
public:
    AppHome();
    const std::string& Home() const { return m_Dir.Path(); }
    std::string DataFolder() const;
    std::string DataFile(const std::string& name) const { return DataFolder() + "/" + name; }
    std::string StoreFolder(const std::string& userId) const;
    // Writes the settings file with these string keys, keeping whatever it holds already.
    bool WriteSettings(const std::map<std::string, std::string>& values) const;
    // A string key of the settings file; empty when absent.
    std::string Setting(const std::string& key) const;
    // Points the three service endpoints at one base address.
    bool UseEndpoints(const std::string& baseUrl) const;

private:
    TempDir m_Dir;
};

// Runs the built redozevuviva offscreen in a private home for one test, with a clean environment
// (no session bus, no display), and stops it at scope end. Its output goes to a log file.
class AppProcess
{
public:
    AppProcess(const AppHome& home, std::vector<std::string> args = {},
               std::map<std::string, std::string> extraEnv = {});
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    pid_t Pid() const { return m_Pid; }
    bool Running();
    void Signal(int signal) const;
    // SIGTERM, then SIGKILL after the grace time; the exit status (128 + signal when killed).
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(10));
    // SIGKILL at once; the exit status.
    int Kill();
    // Waits for the program to end by itself; -1 when it is still running after the time-out.
    int WaitExit(std::chrono::milliseconds timeout);
    std::string Log() const;

    static std::string BinaryPath();

private:
    int Reap(bool block);

    pid_t m_Pid = -1;
    int m_ExitStatus = -1;
    std::string m_LogPath;
};

// Polls the condition every 50 ms until it holds or the time-out passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace rz::test
