// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic.h"

#include <algorithm>

namespace emu {
namespace {

constexpr size_t kMaxBodyBytes = 4u << 20;
constexpr long kMaxDelayMs = 600000;
constexpr size_t kMaxQueuedFaults = 10000;

} // namespace

std::optional<Fault> Fault::FromJson(const Json& spec, std::string& error)
{
    if (!spec.is_object()) {
        error = "a fault must be a JSON object";
        return std::nullopt;
    }
    Fault f;
    try {
        f.route = spec.value("route", std::string("*"));
        f.match = spec.value("match", std::string());
        f.status = spec.value("status", 0);
        f.body = spec.value("body", std::string());
        f.contentType = spec.value("contentType", std::string());
        f.graphError = spec.value("graphError", std::string());
        f.delayMs = spec.value("delayMs", 0L);
        f.cutOff = spec.value("cutOff", false);
        f.drop = spec.value("drop", false);
        f.applied = spec.value("applied", false);
        f.remaining = spec.value("count", 1L);
        if (spec.contains("headers")) {
            for (const auto& [name, value] : spec["headers"].items()) {
                f.headers[name] = value.get<std::string>();
            }
        }
    } catch (const std::exception& e) {
        error = std::string("bad fault member: ") + e.what();
        return std::nullopt;
    }
    if (f.route.empty()) {
        f.route = "*";
    }
    if (f.status != 0 && (f.status < 100 || f.status > 599)) {
        error = "fault status must lie in 100..599";
        return std::nullopt;
    }
    if (f.body.size() > kMaxBodyBytes) {
        error = "fault body is larger than 4 MiB";
        return std::nullopt;
    }
    if (f.delayMs < 0 || f.delayMs > kMaxDelayMs) {
        error = "fault delayMs must lie in 0..600000";
        return std::nullopt;
    }
    if (f.remaining < 1 || f.remaining > 1000000) {
        error = "fault count must lie in 1..1000000";
        return std::nullopt;
    }
    // A status beside graphError is the status that error object goes out with.
    const int actions = (f.status != 0 && f.graphError.empty()) + !f.graphError.empty() + f.cutOff + f.drop;
    if (actions > 1) {
        error = "a fault takes one of status, graphError (with or without status), cutOff and drop";
        return std::nullopt;
    }
    if (f.applied && f.status == 0 && f.graphError.empty()) {
        error = "a fault with applied takes status or graphError";
        return std::nullopt;
    }
    if (actions == 0 && f.delayMs == 0) {
        error = "a fault needs status, graphError, cutOff, drop or delayMs";
        return std::nullopt;
    }
    for (const auto& [name, value] : f.headers) {
        const auto bad = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
        if (name.empty() || bad(name) || bad(value)) {
            error = "fault headers must be single-line names and values";
            return std::nullopt;
        }
    }
    return f;
}

Json Fault::ToJson() const
{
    Json j;
    j["route"] = route;
    if (!match.empty()) {
        j["match"] = match;
    }
    if (status) {
        j["status"] = status;
    }
    if (!body.empty()) {
        j["body"] = body;
    }
    if (!graphError.empty()) {
        j["graphError"] = graphError;
    }
    if (delayMs) {
        j["delayMs"] = delayMs;
    }
    if (cutOff) {
        j["cutOff"] = true;
    }
    if (drop) {
        j["drop"] = true;
    }
    if (applied) {
        j["applied"] = true;
    }
    j["count"] = remaining;
    return j;
}

void Traffic::Log(const std::string& method, const std::string& target, const std::string& route)
{
    std::lock_guard lock(m_mutex);
    if (m_log.size() >= kLogSize) {
        m_log.pop_front();
    }
    m_log.push_back(Json{{"method", method}, {"target", target}, {"route", route}});
}

Json Traffic::Requests() const
{
    std::lock_guard lock(m_mutex);
    Json list = Json::array();
    for (const Json& entry : m_log) {
        list.push_back(entry);
    }
    return list;
}

void Traffic::Count(const std::string& route)
{
    std::lock_guard lock(m_mutex);
    ++m_counts[route];
    ++m_total;
}

Json Traffic::Counters() const
{
    std::lock_guard lock(m_mutex);
    Json j;
    j["total"] = m_total;
    j["routes"] = Json::object();
    for (const auto& [route, n] : m_counts) {
        j["routes"][route] = n;
    }
    long inFlight = 0;
    for (const auto& [app, n] : m_inFlight) {
        inFlight += n;
    }
    j["inFlight"] = inFlight;
    j["mostInFlight"] = m_mostInFlight;
    return j;
}

void Traffic::ResetCounters()
{
    std::lock_guard lock(m_mutex);
    m_counts.clear();
    m_total = 0;
    m_mostInFlight = 0;
    for (const auto& [app, n] : m_inFlight) {
        m_mostInFlight = std::max(m_mostInFlight, n);
    }
}

void Traffic::Queue(Fault fault)
{
    std::lock_guard lock(m_mutex);
    if (m_faults.size() < kMaxQueuedFaults) {
        m_faults.push_back(std::move(fault));
    }
}

std::optional<Fault> Traffic::Take(const std::string& route, const std::string& target)
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if ((it->route != "*" && it->route != route) ||
            (!it->match.empty() && target.find(it->match) == std::string::npos)) {
            continue;
        }
        Fault fired = *it;
        fired.remaining = 1;
        if (--it->remaining <= 0) {
            m_faults.erase(it);
        }
        return fired;
    }
    return std::nullopt;
}

Json Traffic::Pending() const
{
    std::lock_guard lock(m_mutex);
    Json j = Json::array();
    for (const auto& f : m_faults) {
        j.push_back(f.ToJson());
    }
    return j;
}

void Traffic::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

bool Traffic::Admit(std::chrono::steady_clock::time_point now)
{
    using std::chrono::hours;
    using std::chrono::minutes;
    std::lock_guard lock(m_mutex);
    while (!m_recent.empty() && now - m_recent.front() >= hours(1)) {
        m_recent.pop_front();
    }
    const auto lastMinute =
        std::count_if(m_recent.begin(), m_recent.end(), [&](const auto& t) { return now - t < minutes(1); });
    if (lastMinute >= 120 || m_recent.size() >= 400) {
        return false;
    }
    m_recent.push_back(now);
    return true;
}

bool Traffic::Enter(const std::string& app)
{
    std::lock_guard lock(m_mutex);
    long& held = m_inFlight[app];
    if (held >= kMostInFlight) {
        return false;
    }
    m_mostInFlight = std::max(m_mostInFlight, ++held);
    return true;
}

void Traffic::Leave(const std::string& app)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inFlight.find(app);
    if (it != m_inFlight.end() && --it->second <= 0) {
        m_inFlight.erase(it);
    }
}

} // namespace emu
