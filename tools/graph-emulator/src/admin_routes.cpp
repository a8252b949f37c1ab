// The administration interface under /_emulator/: tests change the account
// and the service's behaviour while a client runs against it.
#include "emulator.h"
#include "fixture.h"

#include <ctime>

namespace emu {
namespace {

constexpr size_t kMaxContentBytes = 1u << 20;

void SendOk(httplib::Response& res, Json extra = Json::object())
{
    Json j;
    j["ok"] = true;
    for (auto& [k, v] : extra.items())
        j[k] = v;
    SendJson(res, 200, j);
}

void SendAdminError(httplib::Response& res, int status, const std::string& message)
{
    Json j;
    j["error"] = {{"code", status == 404 ? "NotFound" : "BadRequest"}, {"message", message}};
    SendJson(res, status, j);
}

// Parses the JSON body; on failure answers 400 and returns nullopt.
std::optional<Json> Body(const httplib::Request& req, httplib::Response& res)
{
    Json j = Json::parse(req.body.empty() ? std::string("{}") : req.body, nullptr, false);
    if (j.is_discarded()) {
        SendAdminError(res, 400, "the body is not valid JSON");
        return std::nullopt;
    }
    return j;
}

std::optional<std::string> StringMember(const Json& body, const char* key, httplib::Response& res)
{
    if (!body.is_object() || !body.contains(key) || !body[key].is_string()) {
        SendAdminError(res, 400, std::string("\"") + key + "\" must be a string");
        return std::nullopt;
    }
    return body[key].get<std::string>();
}

int StatusFor(const std::string& error)
{
    return error.starts_with("no ") || error.find("does not exist") != std::string::npos ? 404 : 400;
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

    m_server.Get("/_emulator/counters", [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, m_traffic.Counters());
    });

    m_server.Post("/_emulator/reset-counters", [this](const httplib::Request&, httplib::Response& res) {
        m_traffic.ResetCounters();
        SendOk(res);
    });

    m_server.Get("/_emulator/faults", [this](const httplib::Request&, httplib::Response& res) {
        SendJson(res, 200, m_traffic.Pending());
    });

    m_server.Post("/_emulator/faults", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const Json list = body->is_array() ? *body : Json::array({*body});
        std::vector<Fault> faults;
        for (const auto& spec : list) {
            std::string error;
            auto f = Fault::FromJson(spec, error);
            if (!f) {
                SendAdminError(res, 400, error);
                return;
            }
            faults.push_back(std::move(*f));
        }
        for (auto& f : faults)
            m_traffic.Queue(std::move(f));
        SendOk(res, {{"queued", faults.size()}});
    });

    m_server.Post("/_emulator/clear-faults", [this](const httplib::Request&, httplib::Response& res) {
        m_traffic.ClearFaults();
        SendOk(res);
    });

    m_server.Post("/_emulator/add", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto kindName = StringMember(*body, "kind", res);
        if (!kindName)
            return;
        const auto kind = KindFromName(*kindName);
        if (!kind) {
            SendAdminError(res, 400, "\"kind\" must be notebook, sectionGroup, section or page");
            return;
        }
        std::string parentId;
        if (*kind != Kind::Notebook) {
            const auto p = StringMember(*body, "parentId", res);
            if (!p)
                return;
            parentId = *p;
        }
        std::lock_guard lock(m_mutex);
        const std::time_t now = std::time(nullptr);
        std::string error, id;
        Json spec = *body;
        if (!spec.contains("createdDateTime") && !spec.contains("lastModifiedDateTime"))
            spec["createdDateTime"] = "{{now}}";
        if (!ReadItem(spec, *kind, parentId, now, m_account, *kindName, error, id)) {
            SendAdminError(res, StatusFor(error), error);
            return;
        }
        if (*kind != Kind::Notebook)
            m_account.Touch(parentId, now);
        SendOk(res, {{"id", id}});
    });

    m_server.Post("/_emulator/rename", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto id = StringMember(*body, "id", res);
        if (!id)
            return;
        const auto name = StringMember(*body, "name", res);
        if (!name)
            return;
        std::lock_guard lock(m_mutex);
        std::string error, expanded;
        const std::time_t now = std::time(nullptr);
        if (!ReadText(Json(*name), now, "name", 1024, expanded, error) ||
            !m_account.Rename(*id, expanded, now, error)) {
            SendAdminError(res, StatusFor(error), error);
            return;
        }
        SendOk(res);
    });

    m_server.Post("/_emulator/move", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto id = StringMember(*body, "id", res);
        if (!id)
            return;
        const auto parentId = StringMember(*body, "parentId", res);
        if (!parentId)
            return;
        std::lock_guard lock(m_mutex);
        std::string error;
        if (!m_account.Move(*id, *parentId, std::time(nullptr), error)) {
            SendAdminError(res, StatusFor(error), error);
            return;
        }
        SendOk(res);
    });

    m_server.Post("/_emulator/delete", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto id = StringMember(*body, "id", res);
        if (!id)
            return;
        std::lock_guard lock(m_mutex);
        std::string error;
        if (!m_account.Remove(*id, std::time(nullptr), error)) {
            SendAdminError(res, StatusFor(error), error);
            return;
        }
        SendOk(res);
    });

    m_server.Post("/_emulator/page", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto id = StringMember(*body, "id", res);
        if (!id)
            return;
        std::lock_guard lock(m_mutex);
        const std::time_t now = std::time(nullptr);
        Item* page = m_account.Find(*id);
        if (!page || page->kind != Kind::Page) {
            SendAdminError(res, 404, "no page \"" + *id + "\"");
            return;
        }
        std::string error, title;
        if (body->contains("title") && !ReadText((*body)["title"], now, "title", 1024, title, error)) {
            SendAdminError(res, 400, error);
            return;
        }
        const bool newContent = body->contains("paragraphs") || body->contains("content");
        std::vector<Paragraph> paragraphs;
        std::string raw;
        if (body->contains("paragraphs") &&
            !ReadParagraphs((*body)["paragraphs"], now, "page", paragraphs, error)) {
            SendAdminError(res, 400, error);
            return;
        }
        if (body->contains("content") &&
            !ReadText((*body)["content"], now, "content", kMaxContentBytes, raw, error)) {
            SendAdminError(res, 400, error);
            return;
        }
        if (body->contains("title"))
            page->name = title;
        if (newContent)
            m_account.SetContent(*id, std::move(paragraphs), std::move(raw), now, error);
        else
            m_account.Touch(*id, now);
        SendOk(res);
    });

    m_server.Post("/_emulator/section", [this](const httplib::Request& req, httplib::Response& res) {
        const auto body = Body(req, res);
        if (!body)
            return;
        const auto id = StringMember(*body, "id", res);
        if (!id)
            return;
        const auto code = StringMember(*body, "errorCode", res);
        if (!code)
            return;
        std::lock_guard lock(m_mutex);
        Item* section = m_account.Find(*id);
        if (!section || section->kind != Kind::Section) {
            SendAdminError(res, 404, "no section \"" + *id + "\"");
            return;
        }
        section->errorCode = *code;
        const Json status = body->value("errorStatus", Json(0));
        if (!status.is_number_integer() ||
            (status.get<int>() != 0 && (status.get<int>() < 400 || status.get<int>() > 599))) {
            SendAdminError(res, 400, "\"errorStatus\" must be 0 or lie in 400..599");
            return;
        }
        section->errorStatus = status.get<int>();
        SendOk(res);
    });
}

} // namespace emu
