// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator_process.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace rz::test {
namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr size_t kMaxReplyBytes = 64u << 20;

// Reads the emulator's first output line (its port) within the start time-out.
bool ReadPortLine(int fd, int& port, std::string& error)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = "the emulator did not report its port in time";
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        char buf[64];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = "the emulator ended before reporting its port (see its message above)";
            return false;
        }
        line.append(buf, static_cast<size_t>(n));
        if (line.size() > 32) {
            error = "the emulator's first line is not a port: " + line;
            return false;
        }
    }
    port = std::atoi(line.c_str());
    if (port <= 0 || port > 65535) {
        error = "the emulator's first line is not a port: " + line;
        return false;
    }
    return true;
}

} // namespace

EmulatorProcess::EmulatorProcess(const Options& options)
{
    std::string fixture = options.fixturePath;
    if (!options.fixtureText.empty()) {
        m_FixtureDir = std::make_unique<TempDir>();
        fixture = m_FixtureDir->File("fixture.json");
        WriteFileBytes(fixture, options.fixtureText);
    }

    // Everything the child needs is prepared before fork: only exec follows it.
    std::vector<std::string> args = {BinaryPath(), "--port", std::to_string(options.port), "--fixture",
                                     fixture};
    if (options.autoConsent) {
        args.emplace_back("--auto-consent");
    }
    if (options.limits) {
        args.emplace_back("--limits");
    }
    if (options.pretty) {
        args.emplace_back("--pretty");
    }
    if (options.maxSections > 0) {
        args.emplace_back("--max-sections");
        args.emplace_back(std::to_string(options.maxSections));
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        m_Error = "pipe failed";
        return;
    }
    const pid_t parent = getpid();
    m_Pid = fork();
    if (m_Pid < 0) {
        m_Error = "fork failed";
        close(out[0]);
        close(out[1]);
        return;
    }
    if (m_Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(out[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    if (!ReadPortLine(out[0], m_Port, m_Error)) {
        m_Port = 0;
    }
    close(out[0]);
}

EmulatorProcess::~EmulatorProcess()
{
    Stop();
}

int EmulatorProcess::Stop()
{
    if (m_Pid <= 0) {
        return m_ExitStatus;
    }
    kill(m_Pid, SIGTERM);
    int status = 0;
    bool reaped = false;
    for (int i = 0; i < 100 && !reaped; ++i) {
        reaped = waitpid(m_Pid, &status, WNOHANG) == m_Pid;
        if (!reaped) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!reaped) {
        kill(m_Pid, SIGKILL);
        waitpid(m_Pid, &status, 0);
    }
    m_Pid = -1;
    m_Port = 0;
    m_ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_ExitStatus;
}

std::string EmulatorProcess::BinaryPath()
{
    return RZ_GRAPH_EMULATOR;
}

std::string EmulatorProcess::FixturesDir()
{
    return RZ_EMULATOR_FIXTURES_DIR;
}

std::string EmulatorProcess::SampleFixture()
{
    return FixturesDir() + "/sample.json";
}

std::string EmulatorProcess::WorkFixture()
{
    return FixturesDir() + "/work.json";
}

EmulatorProcess::Options EmulatorProcess::FromFile(const std::string& fixturePath, bool limits)
{
    Options options;
    options.fixturePath = fixturePath;
    options.limits = limits;
    return options;
}

std::string EmulatorProcess::BaseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_Port);
}

std::string EmulatorProcess::Reply::Header(const std::string& name) const
{
    const auto lower = [](std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    };
    const std::string key = lower(name) + ":";
    size_t pos = 0;
    while (pos < headers.size()) {
        size_t end = headers.find("\r\n", pos);
        if (end == std::string::npos) {
            end = headers.size();
        }
        const std::string line = headers.substr(pos, end - pos);
        if (lower(line.substr(0, key.size())) == key) {
            size_t v = key.size();
            while (v < line.size() && line[v] == ' ') {
                ++v;
            }
            return line.substr(v);
        }
        pos = end + 2;
    }
    return {};
}

EmulatorProcess::Reply EmulatorProcess::Send(const std::string& method, const std::string& path,
                                             const std::string& body, const std::string& contentType,
                                             const std::string& bearerToken) const
{
    Reply reply;
    if (!Running()) {
        return reply;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return reply;
    }
    timeval tv{m_CallTimeoutMs / 1000, static_cast<suseconds_t>(m_CallTimeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(m_Port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return reply;
    }
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_Port) +
                          "\r\nConnection: close\r\n";
    if (!bearerToken.empty()) {
        request += "Authorization: Bearer " + bearerToken + "\r\n";
    }
    if (method == "POST") {
        request +=
            "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    }
    request += "\r\n" + body;
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            close(fd);
            return reply;
        }
        sent += static_cast<size_t>(n);
    }
    std::string answer;
    char buf[16384];
    while (answer.size() < kMaxReplyBytes) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        answer.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    // "HTTP/1.1 200 OK\r\n...\r\n\r\nbody"; the emulator sends Content-Length, never chunks.
    const size_t headerEnd = answer.find("\r\n\r\n");
    if (!answer.starts_with("HTTP/1.1 ") || headerEnd == std::string::npos) {
        return reply;
    }
    reply.status = std::atoi(answer.c_str() + 9);
    const size_t firstLineEnd = answer.find("\r\n");
    reply.headers = answer.substr(firstLineEnd + 2, headerEnd + 2 - (firstLineEnd + 2));
    reply.body = answer.substr(headerEnd + 4);
    return reply;
}

EmulatorProcess::Reply EmulatorProcess::Get(const std::string& path, const std::string& bearerToken) const
{
    return Send("GET", path, {}, {}, bearerToken);
}

EmulatorProcess::Reply EmulatorProcess::Post(const std::string& path, const std::string& body,
                                             const std::string& contentType) const
{
    return Send("POST", path, body, contentType, {});
}

bool EmulatorProcess::ExpireTokens() const
{
    return Post("/_emulator/expire-tokens", "{}").status == 200;
}

bool EmulatorProcess::QueueFault(const std::string& faultJson) const
{
    return Post("/_emulator/faults", faultJson).status == 200;
}

bool EmulatorProcess::ClearFaults() const
{
    return Post("/_emulator/clear-faults", "{}").status == 200;
}

bool EmulatorProcess::ResetCounters() const
{
    return Post("/_emulator/reset-counters", "{}").status == 200;
}

long EmulatorProcess::RequestCount(const std::string& route) const
{
    const Reply r = Get("/_emulator/counters");
    if (r.status != 200) {
        return -1;
    }
    const auto j = nlohmann::json::parse(r.body, nullptr, false);
    if (j.is_discarded() || !j.contains("routes") || !j["routes"].is_object()) {
        return -1;
    }
    const auto& routes = j["routes"];
    return routes.contains(route) && routes[route].is_number_integer() ? routes[route].get<long>() : 0;
}

bool EmulatorProcess::AdvanceClock(long seconds) const
{
    return Post("/_emulator/clock", nlohmann::json{{"advanceSeconds", seconds}}.dump()).status == 200;
}

long long EmulatorProcess::ClockField(const char* key) const
{
    const Reply r = Get("/_emulator/clock");
    const auto j = nlohmann::json::parse(r.body, nullptr, false);
    return r.status == 200 && j.is_object() && j.contains(key) && j[key].is_number_integer()
               ? j[key].get<long long>()
               : -1;
}

long long EmulatorProcess::ClockNow() const
{
    return ClockField("epochSeconds");
}

long long EmulatorProcess::ClockOffset() const
{
    return ClockField("offsetSeconds");
}

std::string EmulatorProcess::AccountJson() const
{
    const Reply r = Get("/_emulator/account");
    return r.status == 200 ? r.body : std::string{};
}

} // namespace rz::test
