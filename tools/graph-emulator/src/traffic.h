// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace emu {

using Json = nlohmann::ordered_json;

// A fault queued for requests of one route: what the next matching requests get
// instead of (or on top of) their normal answer.
struct Fault
{
    std::string route; // route name, "*" for any
    std::string match; // optional: the request target must contain it
    int status = 0;    // with `body`: answer this status
    std::string body;
    std::string contentType;
    std::map<std::string, std::string> headers;
    std::string graphError; // answer a Graph error object with this code (with `status`, that status)
    long delayMs = 0;       // wait this long, then answer as the fault says (or normally)
    bool cutOff = false;    // send half of the normal answer, then close
    bool drop = false;      // close the connection without any answer
    bool applied = false;   // with status or graphError: the request takes effect, then that answer
    long remaining = 1;

    static std::optional<Fault> FromJson(const Json& spec, std::string& error);
    Json ToJson() const;
};

// Request counters, the fault queue and the per-user request limits. Thread-safe.
class Traffic
{
public:
    void Count(const std::string& route);
    // Keeps the method, target and route of the last kLogSize counted requests, oldest first.
    void Log(const std::string& method, const std::string& target, const std::string& route);
    Json Requests() const;
    static constexpr size_t kLogSize = 1000;
    Json Counters() const;
    void ResetCounters();

    void Queue(Fault fault);
    // Takes one firing of the first queued fault that matches.
    std::optional<Fault> Take(const std::string& route, const std::string& target);
    Json Pending() const;
    void ClearFaults();

    // Records one OneNote request; false when it lies beyond the limits
    // (120 a minute, 400 an hour). Refused requests are not recorded.
    bool Admit(std::chrono::steady_clock::time_point now);

    // OneNote allows each application five requests in flight for the user; Enter takes one of the
    // app's places (false, nothing taken, when all five are held) and Leave gives it back.
    static constexpr long kMostInFlight = 5;
    bool Enter(const std::string& app);
    void Leave(const std::string& app);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, long> m_counts;
    long m_total = 0;
    std::deque<Fault> m_faults;
    std::deque<Json> m_log;
    std::deque<std::chrono::steady_clock::time_point> m_recent;
    std::map<std::string, long> m_inFlight; // per application
    long m_mostInFlight = 0;                // the most one application held at once since the reset
};

} // namespace emu
