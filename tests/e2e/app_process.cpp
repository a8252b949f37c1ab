#include "app_process.h"

#include "core/settings_store.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace rz::test {
namespace {

// Variables the child inherits from the test's own environment when set: the sanitizers' options,
// the time zone, the search path.
constexpr const char* kPassedOn[] = {"PATH", "TZ", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"};

} // namespace

AppHome::AppHome() = default;

std::string AppHome::DataFolder() const
{
    return Home() + "/.local/share/Tidewell/RedoZevuviva";
}

std::string AppHome::StoreFolder(const std::string& userId) const
{
    return Home() + "/.local/share/Tidewell/RESTDB/" + userId;
}

bool AppHome::WriteSettings(const std::map<std::string, std::string>& values) const
{
    const std::string folder = DataFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return false;
    }
    MConfigTransaction settings(folder + "/velaapp.plist");
    for (const auto& [key, value] : values) {
        settings->WriteValueValueStr(key, value);
    }
    return settings->Save();
}

std::string AppHome::Setting(const std::string& key) const
{
    const MConfig settings(DataFile("velaapp.plist"));
    return settings.ReadValueDefStr(key, "");
}

bool AppHome::UseEndpoints(const std::string& baseUrl) const
{
    return WriteSettings({{"GraphEndpoint", baseUrl}, {"IdentityEndpoint", baseUrl}, {"AccountEndpoint", baseUrl}});
}

AppProcess::AppProcess(const AppHome& home, std::vector<std::string> args, std::map<std::string, std::string> extraEnv)
{
    std::map<std::string, std::string> env = {
        {"HOME", home.Home()},
        {"XDG_CONFIG_HOME", home.Home() + "/.config"},
        {"XDG_RUNTIME_DIR", home.Home() + "/run"},
        {"LANG", "C.UTF-8"},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
    };
    for (const char* name : kPassedOn) {
        if (const char* value = std::getenv(name)) {
            env.emplace(name, value);
        }
    }
    for (auto& [name, value] : extraEnv) {
        env[name] = std::move(value);
    }
    std::error_code error;
    std::filesystem::create_directories(home.Home() + "/run", error);
    std::filesystem::permissions(home.Home() + "/run", std::filesystem::perms::owner_all, error);

    std::vector<std::string> argStrings{BinaryPath()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : env) {
        envStrings.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    m_LogPath = home.Home() + "/app.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_LogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (posix_spawn(&m_Pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        m_Pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

AppProcess::~AppProcess()
{
    Stop();
}

std::string AppProcess::BinaryPath()
{
    return std::string(RZ_BINARY_DIR) + "/src/app/redozevuviva";
}

int AppProcess::Reap(bool block)
{
    if (m_Pid <= 0) {
        return m_ExitStatus;
    }
    int status = 0;
    const pid_t done = waitpid(m_Pid, &status, block ? 0 : WNOHANG);
    if (done != m_Pid) {
        return -1;
    }
    m_Pid = -1;
    m_ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_ExitStatus;
}

bool AppProcess::Running()
{
    Reap(false);
    return m_Pid > 0;
}

void AppProcess::Signal(int signal) const
{
    if (m_Pid > 0) {
        kill(m_Pid, signal);
    }
}

int AppProcess::WaitExit(std::chrono::milliseconds timeout)
{
    WaitFor([this] { return !Running(); }, timeout);
    return m_Pid > 0 ? -1 : m_ExitStatus;
}

int AppProcess::Stop(std::chrono::milliseconds grace)
{
    if (m_Pid <= 0) {
        return m_ExitStatus;
    }
    Signal(SIGTERM);
    if (WaitExit(grace) >= 0) {
        return m_ExitStatus;
    }
    return Kill();
}

int AppProcess::Kill()
{
    if (m_Pid <= 0) {
        return m_ExitStatus;
    }
    Signal(SIGKILL);
    return Reap(true);
}

std::string AppProcess::Log() const
{
    return ReadFileBytes(m_LogPath);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace rz::test
