// SPDX-License-Identifier: GPL-3.0-or-later
// Notebooks other users share with the account's user: the recent-notebooks function, a notebook
// found by its web address, and a notebook's sections and section groups below its owner's address.
#include "clock.h"
#include "emulator.h"
#include "graph_shapes.h"
#include "text.h"

namespace emu {
namespace {

constexpr const char* kUserPrefix = R"(/v1\.0/(?:me|users/([^/]+)))";
constexpr const char* kGroupExpand = "sections,sectionGroups(levels=max;expand=sections)";

bool PersonalAccount(const Account& account)
{
    const std::string id = ToLowerAscii(account.user.id);
    return id.size() == 16 && id.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The items [first, last) one answer of a paged list holds: from "$skip", at most `pageSize`.
std::pair<std::size_t, std::size_t> ListWindow(const httplib::Request& req, std::size_t count, long pageSize)
{
    std::size_t first = 0;
    const std::string skip = Param(QueryOf(req), "skip");
    if (!skip.empty() && skip.size() < 7 && skip.find_first_not_of("0123456789") == std::string::npos) {
        first = std::min<std::size_t>(std::stoul(skip), count);
    }
    const std::size_t last =
        pageSize > 0 ? std::min(count, first + static_cast<std::size_t>(pageSize)) : count;
    return {first, last};
}

// The same address with "$skip" set to `skip`, the other query options kept.
std::string NextListLink(const std::string& root, const httplib::Request& req, std::size_t skip)
{
    std::string query;
    for (const auto& [key, value] : QueryOf(req)) {
        if (key != "$skip" && key != "skip") {
            query += (query.empty() ? "?" : "&") + key + "=" + UrlEncode(value);
        }
    }
    return root + req.path + query + (query.empty() ? "?" : "&") + "$skip=" + std::to_string(skip);
}

void SendAccessDenied(httplib::Response& res)
{
    SendGraphError(res, "accessDenied", "The caller does not have permission to perform the action.", 403);
}

} // namespace

std::optional<std::string> Emulator::ScopeOwner(const httplib::Request& req, httplib::Response& res) const
{
    if (req.matches.size() < 2 || !req.matches[1].matched) {
        return std::string();
    }
    const std::string who = ToLowerAscii(req.matches[1].str());
    if (who == ToLowerAscii(m_account.user.id) || who == ToLowerAscii(m_account.user.userPrincipalName)) {
        return std::string();
    }
    if (const User* owner = m_account.Owner(who)) {
        return owner->id;
    }
    SendGraphError(res, "Request_ResourceNotFound",
                   "Resource '" + req.matches[1].str() +
                       "' does not exist or one of its queried reference-property objects are not present.",
                   404);
    return std::nullopt;
}

bool Emulator::Reachable(const Item& item, const std::string& owner, httplib::Response& res) const
{
    if (ToLowerAscii(item.owner) != ToLowerAscii(owner)) {
        SendGraphError(res, "20102", GraphErrorMessage("20102"));
        return false;
    }
    const Item* notebook = item.kind == Kind::Notebook ? &item : m_account.NotebookOf(item);
    if (!owner.empty() && notebook && !notebook->shared) {
        SendAccessDenied(res);
        return false;
    }
    return true;
}

void Emulator::AddSharedRoutes()
{
    // Recent notebooks of the signed-in user: the user's own (with includePersonalNotebooks=true)
    // and those shared with the user, most recently used first. The parameter is required.
    m_server.Get(
        std::string(kUserPrefix) + R"(/onenote/notebooks/getRecentNotebooks(\(.*\))?)",
        [this](const httplib::Request& req, httplib::Response& res) {
            if (!Authorize(req, res)) {
                return;
            }
            const std::string argument = ToLowerAscii(req.matches[2].str());
            if (argument != "(includepersonalnotebooks=true)" &&
                argument != "(includepersonalnotebooks=false)") {
                SendGraphError(res, "BadRequest",
                               "The parameter 'includePersonalNotebooks' is missing or not a Boolean.");
                return;
            }
            std::lock_guard lock(m_mutex);
            const auto owner = ScopeOwner(req, res);
            if (!owner) {
                return;
            }
            if (!owner->empty()) {
                SendAccessDenied(res); // only the user the token names
                return;
            }
            std::vector<std::string> ids;
            if (argument.find("true") != std::string::npos) {
                ids = m_account.notebooks;
            }
            ids.insert(ids.end(), m_account.sharedNotebooks.begin(), m_account.sharedNotebooks.end());
            std::stable_sort(ids.begin(), ids.end(), [this](const std::string& a, const std::string& b) {
                return m_account.Find(a)->modified > m_account.Find(b)->modified;
            });
            const GraphShapes shapes(m_account, Root(req));
            Json j;
            j["@odata.context"] = Root(req) + "/v1.0/$metadata#Collection(microsoft.graph.recentNotebook)";
            j["value"] = Json::array();
            for (const auto& id : ids) {
                j["value"].push_back(shapes.RecentNotebook(*m_account.Find(id)));
            }
            SendJson(res, 200, j);
        });

    // A notebook from its web address ("onenote:" prefix allowed). Work accounts only.
    m_server.Post(std::string(kUserPrefix) + "/onenote/notebooks/GetNotebookFromWebUrl",
                  [this](const httplib::Request& req, httplib::Response& res) {
                      if (!Authorize(req, res)) {
                          return;
                      }
                      const Json body = Json::parse(req.body, nullptr, false);
                      if (body.is_discarded() || !body.is_object() || !body.contains("webUrl") ||
                          !body["webUrl"].is_string() || body["webUrl"].get<std::string>().empty()) {
                          SendGraphError(res, "BadRequest", "The request body must give a webUrl.");
                          return;
                      }
                      std::string web = body["webUrl"].get<std::string>();
                      if (ToLowerAscii(web.substr(0, 8)) == "onenote:") {
                          web = web.substr(8);
                      }
                      std::lock_guard lock(m_mutex);
                      const auto owner = ScopeOwner(req, res);
                      if (!owner) {
                          return;
                      }
                      if (PersonalAccount(m_account)) {
                          SendAccessDenied(res);
                          return;
                      }
                      const GraphShapes shapes(m_account, Root(req));
                      for (const auto* list : {&m_account.notebooks, &m_account.sharedNotebooks}) {
                          for (const auto& id : *list) {
                              const Item& notebook = *m_account.Find(id);
                              if (shapes.NotebookWebUrl(notebook) != web) {
                                  continue;
                              }
                              if (!notebook.owner.empty() && !notebook.shared) {
                                  SendAccessDenied(res);
                                  return;
                              }
                              Json j;
                              if (m_account.notebookFromWebUrlAsNotebook) {
                                  j["@odata.context"] =
                                      Root(req) + "/v1.0/$metadata#microsoft.graph.notebook";
                                  j.update(shapes.Notebook(notebook, false));
                              } else {
                                  j["@odata.context"] =
                                      Root(req) + "/v1.0/$metadata#microsoft.graph.CopyNotebookModel";
                                  j.update(shapes.CopyNotebook(notebook));
                              }
                              SendJson(res, 200, j);
                              return;
                          }
                      }
                      SendGraphError(res, "20102", GraphErrorMessage("20102"));
                  });

    // A notebook's sections and section groups, as its sectionsUrl and sectionGroupsUrl give them.
    // Section groups take the expand clause that nests every group with its sections.
    m_server.Get(std::string(kUserPrefix) + "/onenote/notebooks/([^/]+)/(sections|sectionGroups)",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     if (!Authorize(req, res)) {
                         return;
                     }
                     const bool groups = req.matches[3].str() == "sectionGroups";
                     const std::string expand = Param(QueryOf(req), "expand");
                     if (!expand.empty() && (!groups || expand != kGroupExpand)) {
                         SendGraphError(res, "BadRequest",
                                        "The expand clause '" + expand + "' is not supported.");
                         return;
                     }
                     std::lock_guard lock(m_mutex);
                     const auto owner = ScopeOwner(req, res);
                     if (!owner) {
                         return;
                     }
                     const Item* notebook = m_account.Find(req.matches[2].str(), Kind::Notebook);
                     if (!notebook) {
                         SendGraphError(res, "20102", GraphErrorMessage("20102"));
                         return;
                     }
                     if (!Reachable(*notebook, *owner, res)) {
                         return;
                     }
                     const GraphShapes shapes(m_account, Root(req));
                     const std::string path = "notebooks('" + notebook->id + "')/" + req.matches[3].str();
                     Json j;
                     j["@odata.context"] = shapes.Context(path);
                     j["value"] = Json::array();
                     const auto ids = m_account.ByName(groups ? notebook->groups : notebook->sections);
                     const auto [first, last] = ListWindow(req, ids.size(), m_account.sharedListPageSize);
                     if (last < ids.size()) {
                         j["@odata.nextLink"] = NextListLink(Root(req), req, last);
                     }
                     for (std::size_t i = first; i < last; ++i) {
                         const Item& item = *m_account.Find(ids[i]);
                         if (!groups) {
                             j["value"].push_back(shapes.Section(item));
                             continue;
                         }
                         Json group = shapes.SectionGroup(item, path + "('" + item.id + "')");
                         if (expand.empty()) {
                             for (const char* key : {"sections@odata.context", "sections",
                                                     "sectionGroups@odata.context", "sectionGroups"}) {
                                 group.erase(key);
                             }
                         }
                         j["value"].push_back(std::move(group));
                     }
                     SendJson(res, 200, j);
                 });
}

} // namespace emu
