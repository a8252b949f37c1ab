// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "todo_store.h"

#include <ctime>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace emu {

using Json = nlohmann::ordered_json;

enum class Kind { Notebook, SectionGroup, Section, Page };

const char* KindName(Kind kind);
std::optional<Kind> KindFromName(const std::string& name);

// One paragraph of a page body. `html`, when set, is an XHTML fragment served
// verbatim in place of a generated <p>.
struct Paragraph
{
    long number = 0; // N of the element id "p:{GUID}{N}" ("li:…", "h1:…")
    std::string text;
    std::string tags; // data-tag value, comma-separated; empty: untagged
    std::string html;
    std::string list; // "ul" or "ol": a list item (tag on a span inside it); empty: a paragraph
    // A list item's depth: 0 in a list of the page, 1 in a list nested in the item before it, …
    int level = 0;
    // The element as a page update replaced it, in its output form and without its id: served as
    // it is, with the generated id put back. Empty: built from text and tags.
    std::string element;
    // "h1" … "h6": a heading, which takes a tag as a paragraph does; empty: a "p". Not for list items.
    std::string heading;

    // The element's name, which also starts its generated id ("p", "h2", "li").
    std::string ElementName() const { return !list.empty() ? "li" : heading.empty() ? "p" : heading; }
};

// A notebook, section group, section or page. Containers keep their children
// in display order; every item knows its parent.
struct Item
{
    Kind kind = Kind::Page;
    std::string id;
    std::string name; // displayName, or a page's title
    std::string parentId;
    std::time_t created = 0;
    std::time_t modified = 0;
    std::string guid; // stable; used in links
    // The GUID of the page's element ids ("p:{GUID}{N}"); starts as `guid` and
    // changes when the service numbers the page's elements anew.
    std::string elementGuid;
    std::vector<std::string> groups;
    std::vector<std::string> sections;
    std::vector<std::string> pages;
    // Sections: a Graph error code that every request for the section's pages gets.
    std::string errorCode;
    int errorStatus = 0;
    // Pages.
    std::vector<Paragraph> paragraphs;
    std::string rawContent; // when set, served verbatim as the page content
    // A created page shows in page lists only from this time on (the account's list lag).
    std::time_t listedFrom = 0;
    long nextParagraph = 10;
    // Another user's id when the item lies in a notebook that user owns; empty: the account's user.
    std::string owner;
    // Notebooks of another user: shared with the account's user (else answered 403).
    bool shared = true;
};

struct User
{
    std::string id;
    std::string userPrincipalName;
    std::string displayName;
    std::string givenName;
    std::string surname;
    std::string mail;
};

// The account behind the emulator: the user and the notebook tree. Not locked
// by itself; the emulator serialises access.
class Account
{
public:
    User user;
    std::string cid; // 16 hex digits naming the user's drive in ids and links
    // A page update numbers the page's elements anew, as the service may; tests that need fixed
    // ids set the fixture's "keepIdsOnUpdate".
    bool keepIdsOnUpdate = false;
    // Page lists show a page created through the API only this many seconds after its creation, as
    // the service's lists may lag behind a create; its content reads at once.
    long createdListLagSeconds = 0;
    // GetNotebookFromWebUrl answers with the metadata's CopyNotebookModel; set, with a notebook as
    // the API reference page shows it.
    bool notebookFromWebUrlAsNotebook = false;
    // A shared notebook's section and section-group lists answer this many items at most, the rest
    // through "@odata.nextLink"; 0: all at once.
    long sharedListPageSize = 0;
    std::vector<std::string> notebooks;
    // Other users, owners of the notebooks in `sharedNotebooks` (not listed by the user's own
    // notebook routes).
    std::vector<User> owners;
    std::vector<std::string> sharedNotebooks;
    // The user's Microsoft To Do.
    TodoStore todo;

    const User* Owner(const std::string& id) const;
    // A work or school account (its user id a GUID); a personal account's is 16 hexadecimal digits.
    bool Work() const;
    // Hands a notebook the account's user owns (and everything in it) to another user.
    bool MakeShared(const std::string& notebookId, const std::string& ownerId, bool shared,
                    std::string& error);

    const Item* Find(const std::string& id) const;
    Item* Find(const std::string& id);
    // The item only when it is of `kind`.
    const Item* Find(const std::string& id, Kind kind) const;
    Item* Find(const std::string& id, Kind kind);
    size_t Count(Kind kind) const;
    const std::map<std::string, Item>& Items() const { return m_items; }

    // `ids` in the service's default order for notebooks, section groups and
    // sections: display name ascending, case ignored (ties by the exact name,
    // then by id, so the order is stable).
    std::vector<std::string> ByName(const std::vector<std::string>& ids) const;

    // Ancestors of an item, nearest first.
    std::vector<const Item*> Ancestors(const Item& item) const;
    const Item* NotebookOf(const Item& item) const;

    // Inserts a new item; its parent must exist and may hold that kind. An empty
    // id is replaced by a generated one. Returns the id or an error message.
    bool Insert(Item item, std::string& error, std::string& id);

    bool Rename(const std::string& id, const std::string& name, std::time_t now, std::string& error);
    bool Move(const std::string& id, const std::string& parentId, std::time_t now, std::string& error);
    bool Remove(const std::string& id, std::time_t now, std::string& error);
    bool SetContent(const std::string& id, std::vector<Paragraph> paragraphs, std::string rawContent,
                    std::time_t now, std::string& error);
    // Marks an item and every container above it as changed at `now`.
    void Touch(const std::string& id, std::time_t now);

    // Ids the emulator generates when a fixture or an admin call gives none.
    std::string NewId(Kind kind, const std::string& parentId);
    // Gives every paragraph without a number the next free one of its page.
    static void NumberParagraphs(Item& page);
    // Numbers every element of the page anew, as OneNote may after an update:
    // a new GUID and new numbers, content unchanged. The caller marks the change.
    static void Renumber(Item& page);

    // The whole account as a fixture-like JSON document, ids included.
    Json Dump() const;

private:
    std::map<std::string, Item> m_items;
    long m_nextNumber = 1;

    std::vector<std::string>* ChildList(Item& parent, Kind kind);
    void Erase(const std::string& id);
};

} // namespace emu
