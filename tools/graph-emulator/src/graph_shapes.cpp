// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph_shapes.h"

#include "clock.h"
#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <map>

namespace emu {
namespace {

std::string NumberOf(const std::string& id)
{
    const size_t bang = id.rfind('!');
    return bang == std::string::npos ? id : id.substr(bang + 1);
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

std::string LocalCreated(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[48];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.0000000", &tm);
    return buf;
}

} // namespace

GraphShapes::GraphShapes(const Account& account, std::string root)
    : m_account(account), m_root(std::move(root))
{
}

std::string GraphShapes::Context(const std::string& tail) const
{
    return m_root + "/v1.0/$metadata#users('" + m_account.user.id + "')/onenote/" + tail;
}

std::string GraphShapes::UserBase() const
{
    return m_root + "/v1.0/users/" + m_account.user.id;
}

std::string GraphShapes::BaseOf(const Item& item) const
{
    return item.owner.empty() ? UserBase() : m_root + "/v1.0/users/" + item.owner;
}

std::string GraphShapes::NotebookWebUrl(const Item& notebook) const
{
    if (notebook.owner.empty()) {
        return WebUrl(notebook);
    }
    // A notebook in another user's OneDrive for Business: "<tenant>-my.sharepoint.com/personal/<upn>".
    const emu::User* owner = m_account.Owner(notebook.owner);
    return PersonalSite(owner ? owner->userPrincipalName : notebook.owner) +
           "/_layouts/15/Doc.aspx?sourcedoc={" + ToLowerAscii(notebook.guid) + "}&action=edit";
}

std::string GraphShapes::PersonalSite(const std::string& userPrincipalName) const
{
    std::string upn = ToLowerAscii(userPrincipalName);
    const size_t at = upn.find('@');
    const std::string domain = at == std::string::npos ? "contoso.com" : upn.substr(at + 1);
    const std::string tenant = domain.substr(0, domain.find('.'));
    std::replace(upn.begin(), upn.end(), '@', '_');
    std::replace(upn.begin(), upn.end(), '.', '_');
    return "https://" + tenant + "-my.sharepoint.com/personal/" + upn;
}

Json GraphShapes::RecentNotebook(const Item& notebook) const
{
    const std::string web = NotebookWebUrl(notebook);
    Json j;
    j["displayName"] = notebook.name;
    j["lastAccessedTime"] = GraphTime(notebook.modified);
    j["links"] = {{"oneNoteClientUrl", {{"href", "onenote:" + web}}}, {"oneNoteWebUrl", {{"href", web}}}};
    // A personal account's notebooks live in OneDrive, a work account's in OneDrive for Business.
    const std::string lowerId = ToLowerAscii(m_account.user.id);
    const bool personal =
        lowerId.size() == 16 && lowerId.find_first_not_of("0123456789abcdef") == std::string::npos;
    j["sourceService"] = personal ? "OneDrive" : "OneDriveForBusiness";
    return j;
}

Json GraphShapes::Head(const Item& item, const std::string& collection) const
{
    Json j;
    j["id"] = item.id;
    j["self"] = BaseOf(item) + "/onenote/" + collection + "/" + item.id;
    j["createdDateTime"] = GraphTime(item.created);
    j["displayName"] = item.name;
    j["lastModifiedDateTime"] = GraphTime(item.modified);
    return j;
}

void GraphShapes::AddContainerUrls(Json& j, const Item& container, const std::string& collection) const
{
    const std::string base = BaseOf(container) + "/onenote/" + collection + "/" + container.id;
    j["sectionsUrl"] = base + "/sections";
    j["sectionGroupsUrl"] = base + "/sectionGroups";
}

void GraphShapes::AddAuthors(Json& j) const
{
    j["createdBy"] = IdentitySet();
    j["lastModifiedBy"] = IdentitySet();
}

Json GraphShapes::Links(const Item& item, const std::string& document) const
{
    if (m_account.Work()) {
        // The list-notebooks reference: both links below the user's "Documents/Notebooks" folder.
        const std::string folder = PersonalSite(m_account.user.userPrincipalName) + "/Documents/Notebooks/";
        return {{"oneNoteClientUrl", {{"href", "onenote:" + folder + document}}},
                {"oneNoteWebUrl", {{"href", WebUrl(item)}}}};
    }
    return {
        {"oneNoteClientUrl",
         {{"href",
           "onenote:https://d.docs.live.net/" + ToLowerAscii(m_account.cid) + "/Documents/" + document}}},
        {"oneNoteWebUrl", {{"href", WebUrl(item)}}},
    };
}

Json GraphShapes::User() const
{
    const auto& u = m_account.user;
    Json j;
    j["@odata.context"] = m_root + "/v1.0/$metadata#users/$entity";
    j["businessPhones"] = Json::array();
    j["displayName"] = u.displayName;
    j["givenName"] = u.givenName.empty() ? Json() : Json(u.givenName);
    j["jobTitle"] = nullptr;
    j["mail"] = u.mail.empty() ? Json() : Json(u.mail);
    j["mobilePhone"] = nullptr;
    j["officeLocation"] = nullptr;
    j["preferredLanguage"] = "en-US";
    j["surname"] = u.surname.empty() ? Json() : Json(u.surname);
    j["userPrincipalName"] = u.userPrincipalName;
    j["id"] = u.id;
    return j;
}

Json GraphShapes::IdentitySet() const
{
    return Json{{"user", Json{{"id", m_account.user.id}, {"displayName", m_account.user.displayName}}}};
}

std::string GraphShapes::DocumentPath(const Item& item) const
{
    auto up = m_account.Ancestors(item);
    std::reverse(up.begin(), up.end());
    std::string path;
    for (const Item* a : up) {
        path += (path.empty() ? "" : "/") + UrlEncode(a->name);
    }
    if (item.kind != Kind::Page) {
        path += (path.empty() ? "" : "/") + UrlEncode(item.name);
    }
    return path;
}

std::string GraphShapes::WebUrl(const Item& item) const
{
    if (m_account.Work()) {
        const std::string site = PersonalSite(m_account.user.userPrincipalName);
        if (item.kind == Kind::Notebook) {
            return site + "/Documents/Notebooks/" + DocumentPath(item);
        }
        return site + "/_layouts/15/Doc.aspx?sourcedoc={" + ToLowerAscii(item.guid) + "}&action=edit";
    }
    std::string lowerCid = ToLowerAscii(m_account.cid);
    std::string url = "https://onedrive.live.com/redir.aspx?cid=" + lowerCid +
                      "&page=edit&resid=" + m_account.cid + "!" + NumberOf(item.id);
    if (const Item* parent = m_account.Find(item.parentId)) {
        url += "&parId=" + m_account.cid + "!" + NumberOf(parent->id);
    }
    return url;
}

void GraphShapes::AddChildren(Json& j, const Item& container, const std::string& contextPath) const
{
    j["sections@odata.context"] = Context(contextPath + "/sections");
    j["sections"] = Json::array();
    for (const auto& id : m_account.ByName(container.sections)) {
        j["sections"].push_back(Section(*m_account.Find(id)));
    }
    j["sectionGroups@odata.context"] = Context(contextPath + "/sectionGroups");
    j["sectionGroups"] = Json::array();
    for (const auto& id : m_account.ByName(container.groups)) {
        const Item& g = *m_account.Find(id);
        j["sectionGroups"].push_back(SectionGroup(g, contextPath + "/sectionGroups('" + g.id + "')"));
    }
}

Json GraphShapes::Notebook(const Item& nb, bool expand) const
{
    Json j = Head(nb, "notebooks");
    j["isDefault"] = !m_account.notebooks.empty() && m_account.notebooks.front() == nb.id;
    j["userRole"] = nb.owner.empty() ? "Owner" : "Contributor";
    j["isShared"] = !nb.owner.empty();
    AddContainerUrls(j, nb, "notebooks");
    AddAuthors(j);
    j["links"] = Links(nb, DocumentPath(nb));
    if (!nb.owner.empty()) {
        const std::string web = NotebookWebUrl(nb);
        j["links"] = {{"oneNoteClientUrl", {{"href", "onenote:" + web}}}, {"oneNoteWebUrl", {{"href", web}}}};
        if (const emu::User* owner = m_account.Owner(nb.owner)) {
            const Json by{{"user", {{"id", owner->id}, {"displayName", owner->displayName}}}};
            j["createdBy"] = by;
            j["lastModifiedBy"] = by;
        }
    }
    if (expand) {
        AddChildren(j, nb, "notebooks('" + nb.id + "')");
    }
    return j;
}

Json GraphShapes::CopyNotebook(const Item& nb) const
{
    const Json notebook = Notebook(nb, false);
    Json j;
    j["id"] = notebook["id"];
    j["self"] = notebook["self"];
    j["name"] = notebook["displayName"];
    // The plain-text members name the person; the identity sets carry id and name.
    j["createdBy"] = notebook["createdBy"]["user"]["displayName"];
    j["createdByIdentity"] = notebook["createdBy"];
    j["createdTime"] = notebook["createdDateTime"];
    j["lastModifiedBy"] = notebook["lastModifiedBy"]["user"]["displayName"];
    j["lastModifiedByIdentity"] = notebook["lastModifiedBy"];
    j["lastModifiedTime"] = notebook["lastModifiedDateTime"];
    for (const char* key :
         {"isDefault", "isShared", "userRole", "sectionsUrl", "sectionGroupsUrl", "links"}) {
        j[key] = notebook[key];
    }
    return j;
}

Json GraphShapes::SectionGroup(const Item& g, const std::string& contextPath) const
{
    Json j = Head(g, "sectionGroups");
    AddContainerUrls(j, g, "sectionGroups");
    AddAuthors(j);
    AddChildren(j, g, contextPath);
    return j;
}

Json GraphShapes::Section(const Item& s) const
{
    Json j = Head(s, "sections");
    j["isDefault"] = false;
    j["pagesUrl"] = BaseOf(s) + "/onenote/sections/" + s.id + "/pages";
    AddAuthors(j);
    j["links"] = Links(s, DocumentPath(s) + ".one#section-id={" + Upper(s.guid) + "}&end");
    return j;
}

Json GraphShapes::Page(const Item& p) const
{
    const Item* section = m_account.Find(p.parentId);
    Json j;
    j["id"] = p.id;
    j["self"] = BaseOf(p) + "/onenote/pages/" + p.id;
    j["createdDateTime"] = GraphTime(p.created);
    j["title"] = p.name;
    j["createdByAppId"] = "";
    j["contentUrl"] = BaseOf(p) + "/onenote/pages/" + p.id + "/content";
    j["lastModifiedDateTime"] = GraphTime(p.modified);
    std::string document;
    if (section) {
        document = DocumentPath(*section) + ".one#" + UrlEncode(p.name) + "&section-id={" +
                   Upper(section->guid) + "}";
    }
    j["links"] = Links(p, document + "&page-id={" + Upper(p.guid) + "}&end");
    if (section) {
        j["parentSection@odata.context"] =
            Context("pages('" + p.id + "')/parentSection(id,displayName,self)/$entity");
        j["parentSection"] = {{"id", section->id},
                              {"displayName", section->name},
                              {"self", BaseOf(*section) + "/onenote/sections/" + section->id}};
    }
    return j;
}

std::string GraphShapes::PageContent(const Item& p, bool includeIds) const
{
    if (!p.rawContent.empty()) {
        return p.rawContent;
    }
    std::string out;
    out += "<html lang=\"en-US\">\n";
    out += "\t<head>\n";
    out += "\t\t<title>" + XmlEscape(p.name) + "</title>\n";
    out += "\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n";
    out += "\t\t<meta name=\"created\" content=\"" + LocalCreated(p.created) + "\" />\n";
    out += "\t</head>\n";
    out += "\t<body data-absolute-enabled=\"true\" style=\"font-family:Calibri;font-size:11pt\">\n";
    if (!p.paragraphs.empty()) {
        out += "\t\t<div";
        if (includeIds) {
            out += " id=\"div:{" + p.elementGuid + "}{1}\"";
        }
        out += " data-id=\"_default\" style=\"position:absolute;left:48px;top:115px;width:624px\">\n";
        // The lists open now, outermost first, and whether each one's last item is still open (a
        // nested list goes inside it).
        struct OpenList
        {
            std::string tag;
            bool itemOpen = false;
            bool itemHoldsList = false;
        };
        std::vector<OpenList> lists;
        // A list's tags stand one tab out from its items.
        const auto listIndent = [&] { return std::string(3 + 2 * lists.size(), '\t'); };
        const auto itemIndent = [&] { return std::string(2 + 2 * lists.size(), '\t'); };
        // Closes the innermost list's open item: on its own line when a nested list stands in it.
        const auto closeItem = [&] {
            OpenList& top = lists.back();
            if (top.itemOpen) {
                out += (top.itemHoldsList ? itemIndent() : std::string()) + "</li>\n";
            }
            top.itemOpen = top.itemHoldsList = false;
        };
        const auto closeTo = [&](size_t depth) {
            while (lists.size() > depth) {
                closeItem();
                const std::string tag = lists.back().tag;
                lists.pop_back();
                out += listIndent() + "</" + tag + ">\n";
            }
        };
        for (const Paragraph& para : p.paragraphs) {
            if (para.list.empty() || !para.html.empty()) {
                closeTo(0);
                if (!para.html.empty()) {
                    out += "\t\t\t" + para.html + "\n";
                    continue;
                }
            } else {
                // The item's own list: deeper ones close, an item of its level closes, and a list of
                // another kind at its level gives way.
                const size_t depth = static_cast<size_t>(para.level) + 1;
                closeTo(depth);
                if (lists.size() == depth && lists.back().tag != para.list) {
                    closeTo(depth - 1);
                }
                if (lists.size() == depth) {
                    closeItem();
                }
                while (lists.size() < depth) {
                    if (!lists.empty() && lists.back().itemOpen) {
                        out += "\n";
                        lists.back().itemHoldsList = true;
                    }
                    out += listIndent() + "<" + para.list + ">\n";
                    lists.push_back({para.list, false, false});
                }
            }
            const bool item = !para.list.empty();
            std::string id;
            if (includeIds) {
                id = " id=\"" + para.ElementName() + ":{" + p.elementGuid + "}{" +
                     std::to_string(para.number) + "}\"";
            }
            if (!para.element.empty()) {
                // A replaced element, as it was stored; its id goes back in after the name. An item
                // stays open for a nested list that may follow.
                std::string element = para.element;
                if (item) {
                    if (element.ends_with("/>")) {
                        element = element.substr(0, element.size() - 2) + ">";
                    } else if (element.ends_with("</li>")) {
                        element.resize(element.size() - 5);
                    }
                }
                const size_t nameEnd = 1 + para.ElementName().size();
                out += (item ? itemIndent() : std::string("\t\t\t")) + element.substr(0, nameEnd) + id +
                       element.substr(nameEnd) + (item ? "" : "\n");
            } else if (item) {
                // The service returns a list item's note tag on a span inside the item.
                out += itemIndent() + "<li" + id + ">";
                if (!para.tags.empty()) {
                    out +=
                        "<span data-tag=\"" + XmlEscape(para.tags) + "\">" + XmlEscape(para.text) + "</span>";
                } else {
                    out += XmlEscape(para.text);
                }
            } else {
                // A heading carries its tag itself, as a paragraph does.
                const std::string name = para.ElementName();
                out += "\t\t\t<" + name + id;
                if (!para.tags.empty()) {
                    out += " data-tag=\"" + XmlEscape(para.tags) + "\"";
                }
                out += " style=\"margin-top:0pt;margin-bottom:0pt\">" + XmlEscape(para.text) + "</" + name +
                       ">\n";
            }
            if (item) {
                lists.back().itemOpen = true;
            }
        }
        closeTo(0);
        out += "\t\t</div>\n";
    }
    out += "\t</body>\n";
    out += "</html>\n";
    return out;
}

Json GraphError(const std::string& code, const std::string& message)
{
    Json inner;
    inner["date"] = GraphTime(Clock::Now());
    inner["request-id"] = RandomGuid();
    inner["client-request-id"] = RandomGuid();
    Json err;
    err["code"] = code;
    err["message"] = message;
    err["innerError"] = inner;
    Json j;
    j["error"] = err;
    return j;
}

int GraphErrorStatus(const std::string& code)
{
    static const std::map<std::string, int> kStatus = {
        {"20166", 429},
        {"20102", 404},
        {"20113", 404},
        {"40002", 403},
        {"40004", 403},
        {"40006", 403},
        {"ResourceNotFound", 404},
        {"InvalidAuthenticationToken", 401},
        {"10001", 500},
        {"generalException", 500},
        // The codes that ask the caller to try again later: no document gives their statuses, so
        // they take those of Graph's general list, 429 for a limit of the user's account and 503
        // for a service too busy.
        {"10002", 503},
        {"10003", 429},
        {"10007", 503},
        {"10014", 503},
        {"10015", 503},
        {"30103", 503},
    };
    const auto it = kStatus.find(code);
    return it == kStatus.end() ? 400 : it->second;
}

std::string GraphErrorMessage(const std::string& code)
{
    static const std::map<std::string, std::string> kMessages = {
        {"20166", "The request limit for this user has been exceeded. Please wait and retry later."},
        {"20185",
         "This section can't be read through the API. It may be stored in an unsupported format or be "
         "damaged."},
        {"20102", "The specified resource ID does not exist."},
        {"20113", "The resource has been deleted from OneNote."},
        {"20112", "The content of this request is not valid for the page."},
        {"40002", "The user does not have permission to write to the requested location."},
        {"40004", "The OAuth token does not have the scopes needed to write."},
        {"40006", "The user does not have permission to write to the requested resource."},
        {"20266", "The number of maximum sections is exceeded for this request."},
        {"20129", "The request contains a 'top' query option whose value is too high. For page queries, "
                  "the maximum value is 100 and the default value is 20."},
        {"10001", "An unexpected error occurred and the request failed."},
        {"10002", "The service is currently unavailable. Please try again later."},
        {"10003", "The user's account has too many active requests. Repeat the request."},
        {"10007", "The server is too busy to handle the request now. Try again later."},
        {"10014", "Azure Key Vault is too busy to handle the request now. Try again later."},
        {"10015", "SharePoint is currently unavailable. Try again later."},
        {"30103", "Resource consumption is too high for the request. Try again later."},
    };
    const auto it = kMessages.find(code);
    return it == kMessages.end() ? "The request failed with error code " + code + "." : it->second;
}

} // namespace emu
