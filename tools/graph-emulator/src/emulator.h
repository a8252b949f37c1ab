// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account.h"
#include "tokens.h"
#include "traffic.h"

#include <condition_variable>
#include <httplib.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace emu {

struct Options
{
    int port = 0;
    std::string fixture;
    bool autoConsent = false;
    bool limits = false;
    // JSON answers indented, with a blank after every colon, as the service's documentation
    // prints them.
    bool pretty = false;
    // The account-wide page list answers error 20266 when the account has more sections than
    // this; 0: never.
    long maxSections = 0;
};

// Route names used by the request counters and fault matching; `method` tells a To Do write from
// a read of the same address.
std::string RouteName(const std::string& path, const std::string& query, const std::string& method = "GET");
// The names of the To Do routes, and the one of an address below the user's ("/todo/lists/…").
const std::vector<std::string>& TodoRouteNames();
std::string TodoRouteName(const std::string& rest, const std::string& method);
// The names RouteName gives the OneNote routes (those --limits counts).
const std::vector<std::string>& OneNoteRouteNames();

// The server: identity platform, Graph and the administration interface on one
// port of 127.0.0.1.
class Emulator
{
public:
    explicit Emulator(Options options);

    bool Load(std::string& error);
    // Binds 127.0.0.1; returns the port, or -1.
    int Bind();
    // Serves until Stop(); false when the server could not run.
    bool Run();
    void Stop();

private:
    Options m_options;
    httplib::Server m_server;
    int m_port = 0;

    std::mutex m_mutex; // guards m_account, m_tokens and m_patches
    Account m_account;
    TokenStore m_tokens;
    // Every page update that reached the route, oldest first, for /_emulator/patches.
    Json m_patches = Json::array();
    // A sign-in refusal queued by the administration interface, and how many more requests get it.
    std::string m_refusal;
    long m_refusalCount = 0;
    Traffic m_traffic;

    std::mutex m_stopMutex;
    std::condition_variable m_stopCv;
    bool m_stopping = false;

    void AddIdentityRoutes();
    void AddGraphRoutes();
    void AddCreateRoutes();
    void AddPatchRoutes();
    void AddSharedRoutes();
    void AddAdminRoutes();
    void AddTodoRoutes();
    // Checks the bearer, that the address names this account's user, and that the token was
    // granted the To Do permission a read (`write` false) or a write needs; else answers.
    bool AdmitTodo(const httplib::Request& req, httplib::Response& res, bool write);
    // "@odata.context" of a To Do answer. The caller holds m_mutex.
    std::string TodoContext(const httplib::Request& req, const std::string& suffix) const;

    httplib::Server::HandlerResponse BeforeRoute(const httplib::Request& req, httplib::Response& res);
    void AfterRoute(const httplib::Request& req, httplib::Response& res);
    // Takes a place among the requests in flight of the application the bearer token was issued to
    // (from routing until the answer is written); false when that application holds all of them.
    bool EnterFlight(const httplib::Request& req);
    void LeaveFlight();

    // Takes one firing of the queued sign-in refusal when it belongs to the authorize step (false) or
    // the token endpoint (true); its name in `name`.
    bool TakeRefusal(bool atToken, std::string& name);
    // Queues a refusal by name for `count` requests; the empty name clears it.
    bool SetRefusal(const std::string& name, long count, std::string& error);

    // Waits `ms` unless the server stops first; false when stopping.
    bool Wait(long ms);
    // The service root as the client addressed it.
    std::string Root(const httplib::Request& req) const;
    // Checks the bearer header; on failure fills `res` with the 401 answer.
    bool Authorize(const httplib::Request& req, httplib::Response& res);
    // The owner a OneNote route's "/users/{id}" names (match 1): empty for the user and "/me", another
    // user's id for an owner of a notebook shared with the user; none, with 404 sent, for anyone
    // else. The caller holds m_mutex.
    std::optional<std::string> ScopeOwner(const httplib::Request& req, httplib::Response& res) const;
    // The item lies in that owner's notebooks (else 404 20102) and, for another user's, in one still
    // shared with the user (else 403). The caller holds m_mutex.
    bool Reachable(const Item& item, const std::string& owner, httplib::Response& res) const;
};

// Answer helpers shared by the route files. JSON answers are compact unless SetPrettyAnswers.
void SetPrettyAnswers(bool pretty);
void SendJson(httplib::Response& res, int status, const Json& body, const char* contentType = nullptr);
void SendGraphError(httplib::Response& res, const std::string& code, const std::string& message,
                    int status = 0);
void SendHtml(httplib::Response& res, int status, const std::string& html);
// The query of a request, parsed from its raw target (httplib's own parser
// splits at every "=", which breaks Graph's expand clauses).
std::map<std::string, std::string> QueryOf(const httplib::Request& req);
// A query option given with or without its "$"; empty when absent.
std::string Param(const std::map<std::string, std::string>& q, const std::string& name);
// Closes the request's connection at once, without an answer.
void DropConnection(const httplib::Request& req);

} // namespace emu
