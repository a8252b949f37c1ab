// SPDX-License-Identifier: GPL-3.0-or-later
// Microsoft Graph: service root, the user, and the OneNote reads the client makes.
#include "clock.h"
#include "emulator.h"
#include "graph_shapes.h"
#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace emu {
namespace {

long SectionCount(const Account& account)
{
    long count = 0;
    for (const auto& entry : account.Items()) {
        count += entry.second.kind == Kind::Section ? 1 : 0;
    }
    return count;
}

constexpr const char* kHierarchyExpand =
    "sections,sectionGroups(expand=sections,sectionGroups(levels=max;expand=sections))";
constexpr const char* kUserPrefix = R"(/v1\.0/(?:me|users/([^/]+)))";
constexpr const char* kGraphJson =
    "application/json;odata.metadata=minimal;odata.streaming=true;IEEE754Compatible=false;charset=utf-8";

// The paging of a page list. Graph serves 20 pages unless told otherwise, and a
// "top" over 100 is refused with 20129 rather than clamped.
constexpr long kDefaultTop = 20;
constexpr long kMaxTop = 100;

struct Paging
{
    long top = kDefaultTop;
    long skip = 0;
    bool topGiven = false;
};

// Reads $top / $skip; on failure sends the service's answer and returns false.
bool ReadPaging(const std::map<std::string, std::string>& q, Paging& paging, httplib::Response& res)
{
    paging = Paging{};
    for (auto [name, target] : {std::pair{"top", &paging.top}, std::pair{"skip", &paging.skip}}) {
        const std::string text = Param(q, name);
        if (text.empty()) {
            continue;
        }
        long v = 0;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc{} || ptr != text.data() + text.size() || v < 0) {
            SendGraphError(res, "BadRequest",
                           std::string("Invalid value '") + text + "' for query option " + name + ".");
            return false;
        }
        *target = v;
    }
    paging.topGiven = !Param(q, "top").empty();
    if (paging.top > kMaxTop) {
        SendGraphError(res, "20129", GraphErrorMessage("20129"));
        return false;
    }
    return true;
}

// Reads "contains(title,'text')" (blanks allowed, '' for a quote mark).
bool ReadTitleFilter(const std::string& filter, std::string& needle)
{
    std::string f = filter;
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < f.size() && f[i] == ' ') {
            ++i;
        }
    };
    const auto expect = [&](const std::string& word) {
        skipBlanks();
        if (ToLowerAscii(f.substr(i, word.size())) != word) {
            return false;
        }
        i += word.size();
        return true;
    };
    if (!expect("contains") || !expect("(") || !expect("title") || !expect(",") || !expect("'")) {
        return false;
    }
    needle.clear();
    while (i < f.size()) {
        if (f[i] == '\'') {
            if (i + 1 < f.size() && f[i + 1] == '\'') {
                needle += '\'';
                i += 2;
                continue;
            }
            break;
        }
        needle += f[i++];
    }
    if (i >= f.size()) {
        return false;
    }
    ++i;
    if (!expect(")")) {
        return false;
    }
    skipBlanks();
    return i == f.size();
}

// Reads "<property> gt|ge|lt|le <Graph time>" over a page's last change.
bool ReadTimeFilter(const std::string& filter, std::string& op, std::time_t& when)
{
    std::istringstream in(filter);
    std::string property, time, rest;
    in >> property >> op >> time;
    if (in >> rest) {
        return false;
    }
    if (property != "lastModifiedDateTime" && property != "lastModifiedTime") {
        return false;
    }
    if (op != "gt" && op != "ge" && op != "lt" && op != "le") {
        return false;
    }
    if (time.size() >= 2 && time.front() == '\'' && time.back() == '\'') {
        time = time.substr(1, time.size() - 2);
    }
    std::string error;
    const auto t = time.starts_with("{{") ? std::nullopt : ReadFixtureTime(time, 0, error);
    if (!t) {
        return false;
    }
    when = *t;
    return true;
}

// What a request for a page list asks for beyond paging: a filter, an order and
// the properties to answer.
struct PageQuery
{
    Paging paging;
    std::string filter; // as given, for the next link
    std::string needle; // lower case; contains(title,'…')
    std::string timeOp; // gt, ge, lt, le over lastModifiedDateTime
    std::time_t timeValue = 0;
    std::string orderby;               // as given
    std::string orderKey = "modified"; // modified, created or title
    bool descending = true;            // the service's default: lastModifiedTime desc
    std::string select;                // as given
    std::vector<std::string> fields;   // empty: every property

    bool Matches(const Item& page) const
    {
        if (!timeOp.empty()) {
            const std::time_t m = page.modified;
            if (!(timeOp == "gt"   ? m > timeValue
                  : timeOp == "ge" ? m >= timeValue
                  : timeOp == "lt" ? m < timeValue
                                   : m <= timeValue)) {
                return false;
            }
        }
        return needle.empty() || ToLowerAscii(page.name).find(needle) != std::string::npos;
    }

    // The options a next link repeats after its "$skip".
    std::string LinkTail() const
    {
        std::string tail;
        for (const auto& [name, value] : {std::pair{"$filter", &filter}, std::pair{"$orderby", &orderby},
                                          std::pair{"$select", &select}}) {
            if (!value->empty()) {
                tail += std::string("&") + name + "=" + UrlEncode(*value);
            }
        }
        return tail;
    }
};

constexpr const char* kPageProperties[] = {"id",
                                           "self",
                                           "createdDateTime",
                                           "title",
                                           "createdByAppId",
                                           "contentUrl",
                                           "lastModifiedDateTime",
                                           "links",
                                           "parentSection"};

// Reads a page list's query; on failure sends the service's answer and returns false.
bool ReadPageQuery(const std::map<std::string, std::string>& q, PageQuery& query, httplib::Response& res)
{
    if (!ReadPaging(q, query.paging, res)) {
        return false;
    }
    query.filter = Param(q, "filter");
    if (!query.filter.empty() && !ReadTitleFilter(query.filter, query.needle) &&
        !ReadTimeFilter(query.filter, query.timeOp, query.timeValue)) {
        SendGraphError(res, "BadRequest", "Invalid filter clause '" + query.filter + "'.");
        return false;
    }
    query.needle = ToLowerAscii(query.needle);
    query.orderby = Param(q, "orderby");
    if (!query.orderby.empty()) {
        std::istringstream in(query.orderby);
        std::string property, direction, rest;
        in >> property >> direction;
        static const std::map<std::string, std::string> kKeys = {
            {"lastModifiedDateTime", "modified"},
            {"lastModifiedTime", "modified"},
            {"createdDateTime", "created"},
            {"createdTime", "created"},
            {"title", "title"},
        };
        const auto key = kKeys.find(property);
        if (key == kKeys.end() || (in >> rest) ||
            (!direction.empty() && direction != "asc" && direction != "desc")) {
            SendGraphError(res, "BadRequest", "Invalid orderby clause '" + query.orderby + "'.");
            return false;
        }
        query.orderKey = key->second;
        query.descending = direction == "desc";
    }
    query.select = Param(q, "select");
    if (!query.select.empty()) {
        std::istringstream in(query.select);
        for (std::string field; std::getline(in, field, ',');) {
            field.erase(0, field.find_first_not_of(' '));
            field.erase(field.find_last_not_of(' ') + 1);
            if (std::find(std::begin(kPageProperties), std::end(kPageProperties), field) ==
                std::end(kPageProperties)) {
                SendGraphError(res, "BadRequest",
                               "Could not find a property named '" + field +
                                   "' on type 'microsoft.graph.onenotePage'.");
                return false;
            }
            query.fields.push_back(field);
        }
    }
    return true;
}

// Sorts by the query's order; ties keep the order they came in.
void SortPages(const Account& account, const PageQuery& query, std::vector<std::string>& ids)
{
    std::stable_sort(ids.begin(), ids.end(), [&](const std::string& a, const std::string& b) {
        const Item& x = *account.Find(a);
        const Item& y = *account.Find(b);
        const auto before = [&](const Item& l, const Item& r) {
            if (query.orderKey == "created") {
                return l.created < r.created;
            }
            if (query.orderKey == "title") {
                return l.name < r.name;
            }
            return l.modified < r.modified;
        };
        return query.descending ? before(y, x) : before(x, y);
    });
}

// One window of a page list as a Graph collection. The service adds
// "@odata.nextLink" (the list's own address `link`, the next "$skip" and the
// query's other options) only when more remain and the request gave no "top":
// with "top" the client pages by "skip" itself.
Json PageWindow(const Account& account, const GraphShapes& shapes, const std::string& context,
                const std::vector<std::string>& ids, const PageQuery& query, const std::string& link)
{
    Json j;
    std::string fields;
    for (const auto& f : query.fields) {
        fields += (fields.empty() ? "" : ",") + f;
    }
    j["@odata.context"] = shapes.Context(fields.empty() ? context : context + "(" + fields + ")");
    j["value"] = Json::array();
    const Paging& paging = query.paging;
    const size_t begin = std::min(static_cast<size_t>(paging.skip), ids.size());
    const size_t end = std::min(begin + static_cast<size_t>(paging.top), ids.size());
    for (size_t i = begin; i < end; ++i) {
        Json page = shapes.Page(*account.Find(ids[i]));
        if (!query.fields.empty()) {
            Json selected;
            for (auto& [key, value] : page.items()) {
                const std::string base = key.substr(0, key.find('@'));
                if (std::find(query.fields.begin(), query.fields.end(), base) != query.fields.end()) {
                    selected[key] = value;
                }
            }
            page = std::move(selected);
        }
        j["value"].push_back(std::move(page));
    }
    if (!paging.topGiven && end < ids.size()) {
        j["@odata.nextLink"] = link + "?$skip=" + std::to_string(end) + query.LinkTail();
    }
    return j;
}

void SendNotFound(httplib::Response& res)
{
    SendGraphError(res, "20102", GraphErrorMessage("20102"));
}

// A section marked broken answers every request for it, or for its pages, with its error.
bool SendSectionError(httplib::Response& res, const Item* section)
{
    if (!section || section->errorCode.empty()) {
        return false;
    }
    SendGraphError(res, section->errorCode, GraphErrorMessage(section->errorCode), section->errorStatus);
    return true;
}

} // namespace

void Emulator::AddGraphRoutes()
{
    m_server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        SendHtml(res, 200,
                 "<!DOCTYPE html>\n<html><head><title>Microsoft Graph</title></head><body>"
                 "<p>Microsoft Graph (offline emulator). Use /v1.0 with a bearer token.</p></body></html>\n");
    });

    // Checks the token and that /users/{id} names this account's user.
    const auto admit = [this](const httplib::Request& req, httplib::Response& res) {
        if (!Authorize(req, res)) {
            return false;
        }
        if (req.matches.size() > 1 && req.matches[1].matched) {
            const std::string who = ToLowerAscii(req.matches[1].str());
            std::lock_guard lock(m_mutex);
            if (who != ToLowerAscii(m_account.user.id) &&
                who != ToLowerAscii(m_account.user.userPrincipalName)) {
                SendGraphError(
                    res, "Request_ResourceNotFound",
                    "Resource '" + req.matches[1].str() +
                        "' does not exist or one of its queried reference-property objects are not present.",
                    404);
                return false;
            }
        }
        return true;
    };

    m_server.Get(kUserPrefix, [this, admit](const httplib::Request& req, httplib::Response& res) {
        if (!admit(req, res)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, GraphShapes(m_account, Root(req)).User(), kGraphJson);
    });

    m_server.Get(std::string(kUserPrefix) + "/onenote/notebooks", [this, admit](const httplib::Request& req,
                                                                                httplib::Response& res) {
        if (!admit(req, res)) {
            return;
        }
        const auto q = QueryOf(req);
        const std::string expand = Param(q, "expand");
        if (!expand.empty() && expand != kHierarchyExpand) {
            SendGraphError(res, "BadRequest", "The expand clause '" + expand + "' is not supported.");
            return;
        }
        std::lock_guard lock(m_mutex);
        GraphShapes shapes(m_account, Root(req));
        Json j;
        j["@odata.context"] = shapes.Context(
            expand.empty() ? "notebooks"
                           : "notebooks(sections(),sectionGroups(sections(),sectionGroups(sections())))");
        j["value"] = Json::array();
        for (const auto& id : m_account.ByName(m_account.notebooks)) {
            j["value"].push_back(shapes.Notebook(*m_account.Find(id), !expand.empty()));
        }
        SendJson(res, 200, j, kGraphJson);
    });

    m_server.Get(std::string(kUserPrefix) + "/onenote/sections/([^/]+)/pages",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     if (!Authorize(req, res)) {
                         return;
                     }
                     PageQuery query;
                     if (!ReadPageQuery(QueryOf(req), query, res)) {
                         return;
                     }
                     const std::string id = req.matches[2].str();
                     std::lock_guard lock(m_mutex);
                     const auto owner = ScopeOwner(req, res);
                     if (!owner) {
                         return;
                     }
                     const Item* section = m_account.Find(id, Kind::Section);
                     if (!section) {
                         SendNotFound(res);
                         return;
                     }
                     if (!Reachable(*section, *owner, res)) {
                         return;
                     }
                     if (SendSectionError(res, section)) {
                         return;
                     }
                     std::vector<std::string> ids;
                     const std::time_t now = Clock::Now();
                     for (const auto& pageId : section->pages) {
                         const Item& page = *m_account.Find(pageId);
                         if (now >= page.listedFrom && query.Matches(page)) {
                             ids.push_back(pageId);
                         }
                     }
                     SortPages(m_account, query, ids);
                     const GraphShapes shapes(m_account, Root(req));
                     SendJson(res, 200,
                              PageWindow(m_account, shapes, "sections('" + id + "')/pages", ids, query,
                                         Root(req) + req.path),
                              kGraphJson);
                 });

    m_server.Get(std::string(kUserPrefix) + "/onenote/pages", [this, admit](const httplib::Request& req,
                                                                            httplib::Response& res) {
        if (!admit(req, res)) {
            return;
        }
        PageQuery query;
        if (!ReadPageQuery(QueryOf(req), query, res)) {
            return;
        }
        std::lock_guard lock(m_mutex);
        if (m_options.maxSections > 0 && SectionCount(m_account) > m_options.maxSections) {
            SendGraphError(res, "20266", GraphErrorMessage("20266"));
            return;
        }
        std::vector<std::string> ids;
        for (const auto& [id, item] : m_account.Items()) {
            if (item.kind != Kind::Page) {
                continue;
            }
            // Sections the service cannot read add nothing to account-wide lists, nor do other
            // users' notebooks: the list holds the user's own.
            const Item* section = m_account.Find(item.parentId);
            if (!section || !section->errorCode.empty() || !item.owner.empty()) {
                continue;
            }
            if (Clock::Now() >= item.listedFrom && query.Matches(item)) {
                ids.push_back(id);
            }
        }
        SortPages(m_account, query, ids);
        const GraphShapes shapes(m_account, Root(req));
        SendJson(res, 200, PageWindow(m_account, shapes, "pages", ids, query, Root(req) + req.path),
                 kGraphJson);
    });

    m_server.Get(std::string(kUserPrefix) + "/onenote/pages/([^/]+)/content",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     if (!Authorize(req, res)) {
                         return;
                     }
                     const bool includeIds = ToLowerAscii(Param(QueryOf(req), "includeIDs")) == "true";
                     const std::string id = req.matches[2].str();
                     std::lock_guard lock(m_mutex);
                     const auto owner = ScopeOwner(req, res);
                     if (!owner) {
                         return;
                     }
                     const Item* page = m_account.Find(id, Kind::Page);
                     if (!page) {
                         SendNotFound(res);
                         return;
                     }
                     if (!Reachable(*page, *owner, res)) {
                         return;
                     }
                     if (SendSectionError(res, m_account.Find(page->parentId))) {
                         return;
                     }
                     res.status = 200;
                     res.set_content(GraphShapes(m_account, Root(req)).PageContent(*page, includeIds),
                                     "text/html; charset=utf-8");
                 });
}

} // namespace emu
