// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator.h"

#include "clock.h"
#include "fixture.h"
#include "graph_shapes.h"
#include "text.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace emu {
namespace {

// Set before routing when a cut-off fault fired; the answer is cut after routing.
// Each connection is served start to end on one pool thread.
thread_local bool t_cutOff = false;
// Set before routing when a fault lets the request take effect and then answers as it says.
thread_local std::optional<Fault> t_answerAfter;
// The application whose place among the requests in flight this thread's request holds.
thread_local std::optional<std::string> t_inFlightApp;

constexpr size_t kMaxRequestBody = 1u << 20;

std::atomic<bool> g_pretty{false};

std::string QueryPart(const std::string& target)
{
    const size_t q = target.find('?');
    return q == std::string::npos ? std::string{} : target.substr(q + 1);
}

bool IsOneNoteRoute(const std::string& route)
{
    const auto& names = OneNoteRouteNames();
    return std::find(names.begin(), names.end(), route) != names.end();
}

// The inode of the TCP connection between two local ports, from /proc/net/tcp.
std::string SocketInode(int localPort, int remotePort)
{
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line); // column titles
        while (std::getline(in, line)) {
            // "  0: 0100007F:A1B2 0100007F:C3D4 01 ... uid timeout inode ..."
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >>
                inode;
            const auto port = [](const std::string& address) {
                const size_t colon = address.rfind(':');
                return colon == std::string::npos
                           ? -1
                           : static_cast<int>(std::strtol(address.c_str() + colon + 1, nullptr, 16));
            };
            if (port(local) == localPort && port(remote) == remotePort && inode != "0") {
                return inode;
            }
        }
    }
    return {};
}

} // namespace

const std::vector<std::string>& OneNoteRouteNames()
{
    static const std::vector<std::string> kNames = {"notebooks", "hierarchy",  "pages",    "search",
                                                    "pagelist",  "content",    "patch",    "create",
                                                    "recent",    "fromweburl", "sections", "sectiongroups"};
    return kNames;
}

std::string RouteName(const std::string& path, const std::string& query, const std::string& method)
{
    static const std::map<std::string, std::string> kFixed = {
        {"/", "root"},
        {"/common/oauth2/v2.0/authorize", "authorize"},
        {"/common/oauth2/v2.0/token", "token"},
        {"/oauth20_desktop.srf", "desktop"},
        {"/oauth20_logout.srf", "logout"},
    };
    if (const auto it = kFixed.find(path); it != kFixed.end()) {
        return it->second;
    }
    std::string rest;
    if (path.starts_with("/v1.0/me")) {
        rest = path.substr(8);
    } else if (path.starts_with("/v1.0/users/")) {
        const size_t slash = path.find('/', 12);
        rest = slash == std::string::npos ? std::string{} : path.substr(slash);
    } else {
        return "other";
    }
    if (rest.empty()) {
        return "me";
    }
    if (rest.starts_with("/todo/")) {
        return TodoRouteName(rest, method);
    }
    if (rest == "/onenote/notebooks") {
        return query.find("expand") == std::string::npos ? "notebooks" : "hierarchy";
    }
    if (rest.starts_with("/onenote/notebooks/getRecentNotebooks")) {
        return "recent";
    }
    if (rest == "/onenote/notebooks/GetNotebookFromWebUrl") {
        return "fromweburl";
    }
    if (rest.starts_with("/onenote/notebooks/") &&
        (rest.ends_with("/sections") || rest.ends_with("/sectionGroups"))) {
        return rest.ends_with("/sections") ? "sections" : "sectiongroups";
    }
    if (rest.starts_with("/onenote/sections/") && rest.ends_with("/pages")) {
        return "pages";
    }
    if (rest == "/onenote/pages") {
        // The title search (a contains() filter) and the plain listing are
        // different requests of a client; count them apart.
        const auto q = ParseQuery(query);
        const auto filter = q.count("$filter") ? q.at("$filter") : q.count("filter") ? q.at("filter") : "";
        return ToLowerAscii(filter).find("contains(") != std::string::npos ? "search" : "pagelist";
    }
    if (rest.starts_with("/onenote/pages/") && rest.ends_with("/content")) {
        return "content";
    }
    return "other";
}

void SetPrettyAnswers(bool pretty)
{
    g_pretty = pretty;
}

void SendJson(httplib::Response& res, int status, const Json& body, const char* contentType)
{
    res.status = status;
    // An indent of 2 also puts one blank after every colon.
    res.set_content(body.dump(g_pretty ? 2 : -1, ' ', false, Json::error_handler_t::replace),
                    contentType ? contentType : "application/json; charset=utf-8");
}

void SendGraphError(httplib::Response& res, const std::string& code, const std::string& message, int status)
{
    SendJson(
        res, status ? status : GraphErrorStatus(code), GraphError(code, message),
        "application/json;odata.metadata=minimal;odata.streaming=true;IEEE754Compatible=false;charset=utf-8");
}

void SendHtml(httplib::Response& res, int status, const std::string& html)
{
    res.status = status;
    res.set_content(html, "text/html; charset=utf-8");
}

std::map<std::string, std::string> QueryOf(const httplib::Request& req)
{
    return ParseQuery(QueryPart(req.target));
}

std::string Param(const std::map<std::string, std::string>& q, const std::string& name)
{
    auto it = q.find("$" + name);
    if (it == q.end()) {
        it = q.find(name);
    }
    return it == q.end() ? std::string{} : it->second;
}

void DropConnection(const httplib::Request& req)
{
    // httplib does not hand the socket to handlers. The kernel's connection table
    // names the socket by its two ports; /proc/self/fd then names our descriptor
    // for it, without touching the descriptors other threads are using.
    const std::string inode = SocketInode(req.local_port, req.remote_port);
    if (inode.empty()) {
        return;
    }
    const std::string target = "socket:[" + inode + "]";
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') {
            continue;
        }
        char link[64];
        const std::string path = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
        if (n <= 0 || std::string(link, static_cast<size_t>(n)) != target) {
            continue;
        }
        // Linger 0 makes the close a reset, as a dropped link looks to a client.
        const linger lin{1, 0};
        setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &lin, sizeof lin);
        shutdown(static_cast<int>(fd), SHUT_RDWR);
        break;
    }
    closedir(dir);
}

Emulator::Emulator(Options options) : m_options(std::move(options))
{
    SetPrettyAnswers(m_options.pretty);
    m_server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    m_server.set_payload_max_length(kMaxRequestBody);
    m_server.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return BeforeRoute(req, res); });
    m_server.set_post_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { AfterRoute(req, res); });
    m_server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
            if (!res.body.empty()) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            if (req.path.starts_with("/v1.0/")) {
                SendGraphError(res, res.status == 404 ? "ResourceNotFound" : "BadRequest",
                               "Resource not found for the segment '" + req.path + "'.", res.status);
            } else {
                SendHtml(res, res.status,
                         "<html><head><title>Error</title></head><body><p>HTTP " +
                             std::to_string(res.status) + "</p></body></html>");
            }
            return httplib::Server::HandlerResponse::Handled;
        }));
    m_server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, const std::exception_ptr& ep) {
            std::string what = "unknown exception";
            try {
                if (ep) {
                    std::rethrow_exception(ep);
                }
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            SendGraphError(res, "generalException", "Internal error in the emulator: " + what, 500);
        });
    AddIdentityRoutes();
    AddGraphRoutes();
    AddCreateRoutes();
    AddPatchRoutes();
    AddSharedRoutes();
    AddAdminRoutes();
    AddTodoRoutes();
}

bool Emulator::Load(std::string& error)
{
    std::lock_guard lock(m_mutex);
    try {
        return LoadFixtureFile(m_options.fixture, Clock::Now(), m_account, m_tokens, error);
    } catch (const std::exception& e) {
        error = "fixture \"" + m_options.fixture + "\": " + e.what();
        return false;
    }
}

int Emulator::Bind()
{
    if (m_options.port == 0) {
        m_port = m_server.bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server.bind_to_port("127.0.0.1", m_options.port) ? m_options.port : -1;
    }
    return m_port;
}

bool Emulator::Run()
{
    return m_server.listen_after_bind();
}

void Emulator::Stop()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopCv.notify_all();
    m_server.stop();
}

bool Emulator::Wait(long ms)
{
    std::unique_lock lock(m_stopMutex);
    return !m_stopCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

std::string Emulator::Root(const httplib::Request& req) const
{
    const std::string host = req.get_header_value("Host");
    const bool sane =
        !host.empty() && host.size() < 256 &&
        host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
            std::string::npos;
    return "http://" + (sane ? host : "127.0.0.1:" + std::to_string(m_port));
}

bool Emulator::Authorize(const httplib::Request& req, httplib::Response& res)
{
    const std::string header = req.get_header_value("Authorization");
    std::string token;
    if (header.size() > 7 && ToLowerAscii(header.substr(0, 7)) == "bearer ") {
        token = header.substr(7);
    }
    TokenStore::Check check;
    {
        std::lock_guard lock(m_mutex);
        check = m_tokens.CheckAccess(token, Clock::Now());
    }
    if (check == TokenStore::Check::Valid) {
        return true;
    }
    const char* message = check == TokenStore::Check::Missing ? "Access token is empty."
                          : check == TokenStore::Check::Expired
                              ? "Access token has expired or is not yet valid."
                              : "Access token validation failure.";
    SendGraphError(res, "InvalidAuthenticationToken", message, 401);
    res.set_header("WWW-Authenticate",
                   "Bearer realm=\"\", authorization_uri=\"https://login.microsoftonline.com/common/oauth2/"
                   "authorize\", client_id=\"00000003-0000-0000-c000-000000000000\"");
    return false;
}

bool Emulator::EnterFlight(const httplib::Request& req)
{
    const std::string header = req.get_header_value("Authorization");
    std::string app;
    if (header.size() > 7 && ToLowerAscii(header.substr(0, 7)) == "bearer ") {
        std::lock_guard lock(m_mutex);
        app = m_tokens.AppOf(header.substr(7));
    }
    if (!m_traffic.Enter(app)) {
        return false;
    }
    t_inFlightApp = std::move(app);
    return true;
}

void Emulator::LeaveFlight()
{
    if (t_inFlightApp) {
        m_traffic.Leave(*std::exchange(t_inFlightApp, std::nullopt));
    }
}

httplib::Server::HandlerResponse Emulator::BeforeRoute(const httplib::Request& req, httplib::Response& res)
{
    using HR = httplib::Server::HandlerResponse;
    t_cutOff = false;
    t_answerAfter.reset();
    // A request of this thread that ended without an answer being written still held its place.
    LeaveFlight();
    if (req.path.starts_with("/_emulator/")) {
        return HR::Unhandled;
    }
    std::string route = RouteName(req.path, QueryPart(req.target), req.method);
    // A page update shares its address with the content read; faults and counters tell them apart.
    if (route == "content" && req.method == "PATCH") {
        route = "patch";
    }
    // So does a page creation with its section's page list.
    if (route == "pages" && req.method == "POST") {
        route = "create";
    }
    m_traffic.Count(route);
    m_traffic.Log(req.method, req.target, route);
    if (IsOneNoteRoute(route)) {
        // OneNote's own throttling answer carries no Retry-After. A sixth request of one
        // application in flight is refused at any time; the rates only under --limits.
        if (!EnterFlight(req)) {
            SendGraphError(res, "20166", GraphErrorMessage("20166"), 429);
            return HR::Handled;
        }
        if (m_options.limits && !m_traffic.Admit(Clock::Tick())) {
            SendGraphError(res, "20166", GraphErrorMessage("20166"), 429);
            return HR::Handled;
        }
    }
    const auto fault = m_traffic.Take(route, req.target);
    if (!fault) {
        return HR::Unhandled;
    }
    if (fault->delayMs > 0 && !Wait(fault->delayMs)) {
        DropConnection(req);
        return HR::Handled;
    }
    if (fault->drop) {
        DropConnection(req);
        res.status = 500;
        return HR::Handled;
    }
    if (fault->applied) {
        t_answerAfter = *fault;
        return HR::Unhandled;
    }
    if (!fault->graphError.empty()) {
        SendGraphError(res, fault->graphError, GraphErrorMessage(fault->graphError), fault->status);
    } else if (fault->status) {
        res.status = fault->status;
        res.set_content(fault->body, fault->contentType.empty() ? "application/json; charset=utf-8"
                                                                : fault->contentType.c_str());
    } else {
        t_cutOff = fault->cutOff;
        return HR::Unhandled;
    }
    for (const auto& [name, value] : fault->headers) {
        res.set_header(name, value);
    }
    return HR::Handled;
}

void Emulator::AfterRoute(const httplib::Request& req, httplib::Response& res)
{
    LeaveFlight();
    if (t_answerAfter) {
        // The change is made; the answer that reaches the client says otherwise.
        const Fault fault = *std::exchange(t_answerAfter, std::nullopt);
        res = httplib::Response();
        if (!fault.graphError.empty()) {
            SendGraphError(res, fault.graphError, GraphErrorMessage(fault.graphError), fault.status);
        } else {
            res.status = fault.status;
            res.set_content(fault.body, fault.contentType.empty() ? "application/json; charset=utf-8"
                                                                  : fault.contentType.c_str());
        }
        for (const auto& [name, value] : fault.headers) {
            res.set_header(name, value);
        }
        return;
    }
    if (!t_cutOff) {
        return;
    }
    t_cutOff = false;
    const size_t full = res.body.size();
    if (full == 0) {
        DropConnection(req);
        return;
    }
    std::string half = res.body.substr(0, full / 2);
    const std::string type = res.get_header_value("Content-Type");
    res.body.clear();
    // The headers promise the whole length; the connection ends after half of it.
    res.set_content_provider(full, type.c_str(),
                             [half = std::move(half), &req](size_t, size_t, httplib::DataSink& sink) {
                                 sink.write(half.data(), half.size());
                                 DropConnection(req);
                                 return false;
                             });
}

} // namespace emu
