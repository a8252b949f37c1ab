// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account.h"

#include <string>

namespace emu {

// Builds answers in Microsoft Graph's shapes. `root` is the service root the
// client used ("http://127.0.0.1:PORT"); links and contexts point back at it.
class GraphShapes
{
public:
    GraphShapes(const Account& account, std::string root);

    // "{root}/v1.0/$metadata#users('{id}')/onenote/{tail}"
    std::string Context(const std::string& tail) const;
    std::string UserBase() const; // "{root}/v1.0/users/{id}"
    // The base of the item's owner: UserBase for the user's own items, another user's otherwise.
    std::string BaseOf(const Item& item) const;
    // A notebook as getRecentNotebooks lists it.
    Json RecentNotebook(const Item& notebook) const;
    // The notebook's address in OneNote on the web.
    std::string NotebookWebUrl(const Item& notebook) const;

    Json User() const;
    Json Notebook(const Item& notebook, bool expand) const;
    // A notebook as GetNotebookFromWebUrl returns it in the metadata: a CopyNotebookModel.
    Json CopyNotebook(const Item& notebook) const;
    Json SectionGroup(const Item& group, const std::string& contextPath) const;
    Json Section(const Item& section) const;
    Json Page(const Item& page) const;
    std::string PageContent(const Item& page, bool includeIds) const;

private:
    const Account& m_account;
    std::string m_root;

    Json IdentitySet() const;
    // What notebooks, section groups and sections begin with; `collection` is
    // their segment of the Graph path.
    Json Head(const Item& item, const std::string& collection) const;
    void AddContainerUrls(Json& j, const Item& container, const std::string& collection) const;
    void AddAuthors(Json& j) const;
    // "links": the desktop client's url for `document` (below the drive's
    // Documents folder) and the web url of `item`.
    Json Links(const Item& item, const std::string& document) const;
    std::string DocumentPath(const Item& item) const; // "Notebook/Group/Section" url-encoded
    std::string WebUrl(const Item& item) const;
    // "https://<tenant>-my.sharepoint.com/personal/<upn with _>": a work user's OneDrive.
    std::string PersonalSite(const std::string& userPrincipalName) const;
    void AddChildren(Json& j, const Item& container, const std::string& contextPath) const;
};

// A Graph error object: {"error":{"code":...,"message":...,"innerError":{...}}}.
Json GraphError(const std::string& code, const std::string& message);

// The HTTP status that goes with a Graph error code.
int GraphErrorStatus(const std::string& code);

// Messages of the error codes the emulator produces itself.
std::string GraphErrorMessage(const std::string& code);

} // namespace emu
