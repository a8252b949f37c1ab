// SPDX-License-Identifier: GPL-3.0-or-later
// The administration interface under /_emulator/: tests change the account
// and the service's behaviour while a client runs against it.
#include "clock.h"
#include "emulator.h"
#include "fixture.h"
#include "time_templates.h"

#include <ctime>
#include <functional>

namespace emu {
namespace {

constexpr size_t kMaxContentBytes = 1u << 20;
constexpr long long kMaxClockStep = 10LL * 365 * 24 * 3600;

// What an administration request came to: success, with members to add to
// {"ok":true}, or an error message and its status.
struct Outcome
{
    bool ok = true;
    int status = 200;
    std::string error;
    Json extra = Json::object();
};

Outcome Done(Json extra = Json::object())
{
    return {true, 200, {}, std::move(extra)};
}

Outcome Failed(int status, std::string error)
{
    return {false, status, std::move(error), Json::object()};
}

// The account's errors say "no ..." or "... does not exist" when an item is
// missing; everything else is a bad request.
Outcome Failed(std::string error)
{
    const bool missing = error.starts_with("no ") || error.find("does not exist") != std::string::npos;
    return Failed(missing ? 404 : 400, std::move(error));
}

Outcome NotAString(const char* key)
{
    return Failed(400, std::string("\"") + key + "\" must be a string");
}

std::optional<std::string> StringMember(const Json& body, const char* key)
{
    if (!body.is_object() || !body.contains(key) || !body[key].is_string()) {
        return std::nullopt;
    }
    return body[key].get<std::string>();
}

void SendOk(httplib::Response& res, Json extra = Json::object())
{
    Json j;
    j["ok"] = true;
    for (auto& [k, v] : extra.items()) {
        j[k] = v;
    }
    SendJson(res, 200, j);
}

void Answer(httplib::Response& res, const Outcome& outcome)
{
    if (outcome.ok) {
        SendOk(res, outcome.extra);
        return;
    }
    Json j;
    j["error"] = {{"code", outcome.status == 404 ? "NotFound" : "BadRequest"}, {"message", outcome.error}};
    SendJson(res, outcome.status, j);
}

// The required string members of a body, in the order asked for.
using Members = std::vector<std::string>;
using AdminOperation = std::function<Outcome(const Json& body, const Members& members)>;

// Serves POST `path` for an operation described by its JSON body: a body that
// does not parse, or lacks one of the `required` string members, is answered
// 400 before `operation` runs.
void PostOperation(httplib::Server& server, const std::string& path, std::vector<const char*> required,
                   AdminOperation operation)
{
    server.Post(path, [required = std::move(required), operation = std::move(operation)](
                          const httplib::Request& req, httplib::Response& res) {
        const Json body = Json::parse(req.body.empty() ? std::string("{}") : req.body, nullptr, false);
        if (body.is_discarded()) {
            Answer(res, Failed(400, "the body is not valid JSON"));
            return;
        }
        Members members;
        for (const char* key : required) {
            auto value = StringMember(body, key);
            if (!value) {
                Answer(res, NotAString(key));
                return;
            }
            members.push_back(std::move(*value));
        }
        Answer(res, operation(body, members));
    });
}

} // namespace

void Emulator::AddAdminRoutes()
{
    m_server.Get("/_emulator/account", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, m_account.Dump());
    });

    m_server.Get("/_emulator/tokens", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, m_tokens.Dump());
    });

    m_server.Post("/_emulator/expire-tokens", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        m_tokens.ExpireAccessTokens();
        SendOk(res);
    });

    // The emulator's clock; it only moves forward, so change stamps stay ordered.
    const auto clockDocument = [] {
        const std::time_t now = Clock::Now();
        return Json{{"now", GraphTime(now)},
                    {"epochSeconds", static_cast<long long>(now)},
                    {"offsetSeconds", Clock::OffsetSeconds()}};
    };
    m_server.Get("/_emulator/clock", [clockDocument](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, clockDocument());
    });
    PostOperation(m_server, "/_emulator/clock", {}, [this, clockDocument](const Json& body, const Members&) {
        const Json step = body.is_object() ? body.value("advanceSeconds", Json()) : Json();
        if (!step.is_number_integer() || step.get<long long>() < 0 || step.get<long long>() > kMaxClockStep) {
            return Failed(400,
                          "\"advanceSeconds\" must be an integer in 0.." + std::to_string(kMaxClockStep));
        }
        // Under the account lock, so no change is stamped half-way through a step.
        std::lock_guard lock(m_mutex);
        Clock::Advance(static_cast<long>(step.get<long long>()));
        return Done(clockDocument());
    });

    m_server.Get("/_emulator/counters", [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, m_traffic.Counters());
    });

    m_server.Get("/_emulator/requests", [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, Json{{"requests", m_traffic.Requests()}});
    });
    m_server.Post("/_emulator/reset-counters", [this](const httplib::Request&, httplib::Response& res) {
        m_traffic.ResetCounters();
        SendOk(res);
    });

    m_server.Get("/_emulator/faults", [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, m_traffic.Pending());
    });

    // All faults of a list are checked before any is queued.
    PostOperation(m_server, "/_emulator/faults", {}, [this](const Json& body, const Members&) {
        const Json list = body.is_array() ? body : Json::array({body});
        std::vector<Fault> faults;
        for (const auto& spec : list) {
            std::string error;
            auto f = Fault::FromJson(spec, error);
            if (!f) {
                return Failed(400, error);
            }
            faults.push_back(std::move(*f));
        }
        const size_t queued = faults.size();
        for (auto& f : faults) {
            m_traffic.Queue(std::move(f));
        }
        return Done({{"queued", queued}});
    });

    m_server.Post("/_emulator/clear-faults", [this](const httplib::Request&, httplib::Response& res) {
        m_traffic.ClearFaults();
        SendOk(res);
    });

    PostOperation(m_server, "/_emulator/add", {"kind"}, [this](const Json& body, const Members& m) {
        const std::string& kindName = m[0];
        const auto kind = KindFromName(kindName);
        if (!kind) {
            return Failed(400, "\"kind\" must be notebook, sectionGroup, section or page");
        }
        std::string parentId;
        if (*kind != Kind::Notebook) {
            const auto p = StringMember(body, "parentId");
            if (!p) {
                return NotAString("parentId");
            }
            parentId = *p;
        }
        std::lock_guard lock(m_mutex);
        const std::time_t now = Clock::Now();
        std::string error, id;
        Json spec = body;
        if (!spec.contains("createdDateTime") && !spec.contains("lastModifiedDateTime")) {
            spec["createdDateTime"] = "{{now}}";
        }
        if (!ReadItem(spec, *kind, parentId, now, m_account, kindName, error, id)) {
            return Failed(error);
        }
        if (*kind != Kind::Notebook) {
            m_account.Touch(parentId, now);
        }
        return Done({{"id", id}});
    });

    PostOperation(m_server, "/_emulator/sign-in-refusal", {"error"},
                  [this](const Json& body, const Members& m) {
                      const Json count = body.value("count", Json(1));
                      if (!count.is_number_integer() || count.get<long>() < 1) {
                          return Failed(400, "\"count\" must be a whole number from 1");
                      }
                      std::string error;
                      return SetRefusal(m[0], count.get<long>(), error) ? Done() : Failed(400, error);
                  });

    PostOperation(m_server, "/_emulator/rename", {"id", "name"}, [this](const Json&, const Members& m) {
        std::lock_guard lock(m_mutex);
        std::string error, expanded;
        const std::time_t now = Clock::Now();
        const bool ok = ReadText(Json(m[1]), now, "name", 1024, expanded, error) &&
                        m_account.Rename(m[0], expanded, now, error);
        return ok ? Done() : Failed(error);
    });

    PostOperation(m_server, "/_emulator/move", {"id", "parentId"}, [this](const Json&, const Members& m) {
        std::lock_guard lock(m_mutex);
        std::string error;
        return m_account.Move(m[0], m[1], Clock::Now(), error) ? Done() : Failed(error);
    });

    PostOperation(m_server, "/_emulator/delete", {"id"}, [this](const Json&, const Members& m) {
        std::lock_guard lock(m_mutex);
        std::string error;
        return m_account.Remove(m[0], Clock::Now(), error) ? Done() : Failed(error);
    });

    PostOperation(m_server, "/_emulator/page", {"id"}, [this](const Json& body, const Members& m) {
        const std::string& id = m[0];
        std::lock_guard lock(m_mutex);
        const std::time_t now = Clock::Now();
        Item* page = m_account.Find(id, Kind::Page);
        if (!page) {
            return Failed(404, "no page \"" + id + "\"");
        }
        std::string error, title;
        if (body.contains("title") && !ReadText(body["title"], now, "title", 1024, title, error)) {
            return Failed(400, error);
        }
        const bool newContent = body.contains("paragraphs") || body.contains("content");
        std::vector<Paragraph> paragraphs;
        std::string raw;
        if (body.contains("paragraphs") &&
            !ReadParagraphs(body["paragraphs"], now, "page", paragraphs, error)) {
            return Failed(400, error);
        }
        if (body.contains("content") &&
            !ReadText(body["content"], now, "content", kMaxContentBytes, raw, error)) {
            return Failed(400, error);
        }
        const Json renumber = body.value("renumber", Json(false));
        if (!renumber.is_boolean()) {
            return Failed(400, "\"renumber\" must be true or false");
        }
        if (renumber.get<bool>() && !(newContent ? raw : page->rawContent).empty()) {
            return Failed(400, "a page with verbatim \"content\" has no elements to renumber");
        }
        if (body.contains("title")) {
            page->name = title;
        }
        if (newContent) {
            m_account.SetContent(id, std::move(paragraphs), std::move(raw), now, error);
        } else {
            m_account.Touch(id, now);
        }
        if (renumber.get<bool>()) {
            Account::Renumber(*page);
        }
        return Done();
    });

    PostOperation(m_server, "/_emulator/section", {"id", "errorCode"},
                  [this](const Json& body, const Members& m) {
                      std::lock_guard lock(m_mutex);
                      Item* section = m_account.Find(m[0], Kind::Section);
                      if (!section) {
                          return Failed(404, "no section \"" + m[0] + "\"");
                      }
                      // Checked before anything changes, so a refused request leaves the section as it was.
                      const Json status = body.value("errorStatus", Json(0));
                      if (!status.is_number_integer() ||
                          (status.get<int>() != 0 && (status.get<int>() < 400 || status.get<int>() > 599))) {
                          return Failed(400, "\"errorStatus\" must be 0 or lie in 400..599");
                      }
                      section->errorCode = m[1];
                      section->errorStatus = status.get<int>();
                      return Done();
                  });

    // Shares another user's notebook with the user again, or stops sharing it (then 403).
    PostOperation(m_server, "/_emulator/share", {"id"}, [this](const Json& body, const Members& m) {
        if (!body.contains("shared") || !body["shared"].is_boolean()) {
            return Failed(400, "\"shared\" must be true or false");
        }
        std::lock_guard lock(m_mutex);
        Item* notebook = m_account.Find(m[0], Kind::Notebook);
        if (!notebook || notebook->owner.empty()) {
            return Failed(404, "no notebook of another user \"" + m[0] + "\"");
        }
        notebook->shared = body["shared"].get<bool>();
        return Done();
    });
}

} // namespace emu
