// SPDX-License-Identifier: GPL-3.0-or-later
#include "account.h"

#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>

namespace emu {

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Notebook:
        return "notebook";
    case Kind::SectionGroup:
        return "sectionGroup";
    case Kind::Section:
        return "section";
    case Kind::Page:
        return "page";
    }
    return "";
}

std::optional<Kind> KindFromName(const std::string& name)
{
    for (const Kind k : {Kind::Notebook, Kind::SectionGroup, Kind::Section, Kind::Page}) {
        if (name == KindName(k)) {
            return k;
        }
    }
    return std::nullopt;
}

const Item* Account::Find(const std::string& id) const
{
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : &it->second;
}

Item* Account::Find(const std::string& id)
{
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : &it->second;
}

const Item* Account::Find(const std::string& id, Kind kind) const
{
    const Item* item = Find(id);
    return item && item->kind == kind ? item : nullptr;
}

Item* Account::Find(const std::string& id, Kind kind)
{
    return const_cast<Item*>(std::as_const(*this).Find(id, kind));
}

size_t Account::Count(Kind kind) const
{
    return static_cast<size_t>(std::count_if(m_items.begin(), m_items.end(),
                                             [kind](const auto& e) { return e.second.kind == kind; }));
}

std::vector<std::string> Account::ByName(const std::vector<std::string>& ids) const
{
    // Keys built once rather than in every comparison; ids are unique, so the order is total.
    std::vector<std::tuple<std::string, std::string, std::string>> keyed;
    keyed.reserve(ids.size());
    for (const auto& id : ids) {
        const std::string& name = Find(id)->name;
        keyed.emplace_back(ToLowerAscii(name), name, id);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> out;
    out.reserve(keyed.size());
    for (auto& k : keyed) {
        out.push_back(std::move(std::get<2>(k)));
    }
    return out;
}

std::vector<const Item*> Account::Ancestors(const Item& item) const
{
    std::vector<const Item*> out;
    const Item* cur = Find(item.parentId);
    // The tree is acyclic by construction; the bound only guards against a bug.
    while (cur && out.size() < m_items.size()) {
        out.push_back(cur);
        cur = Find(cur->parentId);
    }
    return out;
}

const Item* Account::NotebookOf(const Item& item) const
{
    if (item.kind == Kind::Notebook) {
        return &item;
    }
    const auto up = Ancestors(item);
    return up.empty() || up.back()->kind != Kind::Notebook ? nullptr : up.back();
}

std::vector<std::string>* Account::ChildList(Item& parent, Kind kind)
{
    switch (kind) {
    case Kind::SectionGroup:
        return parent.kind == Kind::Notebook || parent.kind == Kind::SectionGroup ? &parent.groups : nullptr;
    case Kind::Section:
        return parent.kind == Kind::Notebook || parent.kind == Kind::SectionGroup ? &parent.sections
                                                                                  : nullptr;
    case Kind::Page:
        return parent.kind == Kind::Section ? &parent.pages : nullptr;
    case Kind::Notebook:
        return nullptr;
    }
    return nullptr;
}

bool Account::Work() const
{
    return user.id.find('-') != std::string::npos;
}

std::string Account::NewId(Kind kind, const std::string& parentId)
{
    while (true) {
        const long n = m_nextNumber++;
        std::string id;
        // Work accounts' items as the reference shows them: "1-<guid>", a page's "1-<hex>!<n>-<guid>".
        const std::string prefix = Work() ? "1-" : "0-";
        const std::string drive = Work() ? StableGuid(cid + "/item/" + std::to_string(n), false) : cid;
        if (kind == Kind::Page) {
            std::string hex = StableGuid(cid + "/page/" + parentId + "/" + std::to_string(n), false);
            hex.erase(std::remove(hex.begin(), hex.end(), '-'), hex.end());
            id = prefix + hex + "!" + std::to_string(n) + "-" + drive +
                 (Work() ? "" : "!" + std::to_string(n));
        } else {
            id = prefix + drive + (Work() ? "" : "!" + std::to_string(n));
        }
        if (!Find(id)) {
            return id;
        }
    }
}

void Account::NumberParagraphs(Item& page)
{
    for (const Paragraph& p : page.paragraphs) {
        page.nextParagraph = std::max(page.nextParagraph, p.number + 1);
    }
    for (Paragraph& p : page.paragraphs) {
        if (p.number <= 0) {
            // OneNote numbers the objects of a page sparsely; keep that look.
            p.number = page.nextParagraph;
            page.nextParagraph += 2;
        }
    }
}

void Account::Renumber(Item& page)
{
    page.elementGuid = RandomGuid();
    // Past every number the page has used, so no old id comes back.
    for (Paragraph& p : page.paragraphs) {
        p.number = page.nextParagraph;
        page.nextParagraph += 2;
    }
}

bool Account::Insert(Item item, std::string& error, std::string& id)
{
    if (item.kind == Kind::Notebook) {
        item.parentId.clear();
    } else {
        Item* parent = Find(item.parentId);
        if (!parent) {
            error = "parent \"" + item.parentId + "\" does not exist";
            return false;
        }
        if (!ChildList(*parent, item.kind)) {
            error = std::string("a ") + KindName(parent->kind) + " cannot hold a " + KindName(item.kind);
            return false;
        }
    }
    if (item.id.empty()) {
        item.id = NewId(item.kind, item.parentId);
    }
    if (Find(item.id)) {
        error = "id \"" + item.id + "\" is used twice";
        return false;
    }
    if (item.guid.empty()) {
        item.guid = StableGuid(item.id, false);
    }
    if (item.elementGuid.empty()) {
        item.elementGuid = item.guid;
    }
    if (item.kind == Kind::Page) {
        NumberParagraphs(item);
    }
    id = item.id;
    if (item.kind == Kind::Notebook) {
        notebooks.push_back(id);
    } else {
        Item& parent = *Find(item.parentId);
        item.owner = parent.owner;
        ChildList(parent, item.kind)->push_back(id);
    }
    m_items.emplace(id, std::move(item));
    return true;
}

const User* Account::Owner(const std::string& id) const
{
    for (const User& owner : owners) {
        if (ToLowerAscii(owner.id) == ToLowerAscii(id) ||
            ToLowerAscii(owner.userPrincipalName) == ToLowerAscii(id)) {
            return &owner;
        }
    }
    return nullptr;
}

bool Account::MakeShared(const std::string& notebookId, const std::string& ownerId, bool shared,
                         std::string& error)
{
    Item* notebook = Find(notebookId, Kind::Notebook);
    const User* owner = Owner(ownerId);
    if (!notebook || !owner) {
        error = "unknown notebook or owner";
        return false;
    }
    notebook->shared = shared;
    std::vector<std::string> todo{notebookId};
    while (!todo.empty()) {
        Item* item = Find(todo.back());
        todo.pop_back();
        item->owner = owner->id;
        for (const auto* children : {&item->groups, &item->sections, &item->pages}) {
            todo.insert(todo.end(), children->begin(), children->end());
        }
    }
    std::erase(notebooks, notebookId);
    sharedNotebooks.push_back(notebookId);
    return true;
}

void Account::Touch(const std::string& id, std::time_t now)
{
    Item* item = Find(id);
    size_t guard = 0;
    while (item && guard++ <= m_items.size()) {
        // Strictly later, so two changes within one second still show as two.
        item->modified = std::max(now, item->modified + 1);
        item = Find(item->parentId);
    }
}

bool Account::Rename(const std::string& id, const std::string& name, std::time_t now, std::string& error)
{
    Item* item = Find(id);
    if (!item) {
        error = "no item \"" + id + "\"";
        return false;
    }
    item->name = name;
    Touch(id, now);
    return true;
}

bool Account::Move(const std::string& id, const std::string& parentId, std::time_t now, std::string& error)
{
    Item* item = Find(id);
    Item* parent = Find(parentId);
    if (!item || !parent) {
        error = "no item \"" + (item ? parentId : id) + "\"";
        return false;
    }
    std::vector<std::string>* target = ChildList(*parent, item->kind);
    if (!target) {
        error = std::string("a ") + KindName(parent->kind) + " cannot hold a " + KindName(item->kind);
        return false;
    }
    if (parent->id == id) {
        error = "an item cannot hold itself";
        return false;
    }
    for (const Item* up : Ancestors(*parent)) {
        if (up->id == id) {
            error = "an item cannot move into its own descendant";
            return false;
        }
    }
    Item* oldParent = Find(item->parentId);
    if (oldParent) {
        auto* list = ChildList(*oldParent, item->kind);
        list->erase(std::remove(list->begin(), list->end(), id), list->end());
        Touch(oldParent->id, now);
    }
    // ChildList pointers stay valid: no item was inserted into the map.
    target->push_back(id);
    item->parentId = parentId;
    Touch(id, now);
    return true;
}

void Account::Erase(const std::string& id)
{
    Item* item = Find(id);
    if (!item) {
        return;
    }
    std::vector<std::string> children;
    for (const auto* list : {&item->groups, &item->sections, &item->pages}) {
        children.insert(children.end(), list->begin(), list->end());
    }
    for (const auto& child : children) {
        Erase(child);
    }
    m_items.erase(id);
}

bool Account::Remove(const std::string& id, std::time_t now, std::string& error)
{
    Item* item = Find(id);
    if (!item) {
        error = "no item \"" + id + "\"";
        return false;
    }
    if (item->kind == Kind::Notebook) {
        notebooks.erase(std::remove(notebooks.begin(), notebooks.end(), id), notebooks.end());
        std::erase(sharedNotebooks, id);
    } else if (Item* parent = Find(item->parentId)) {
        auto* list = ChildList(*parent, item->kind);
        list->erase(std::remove(list->begin(), list->end(), id), list->end());
        Touch(parent->id, now);
    }
    Erase(id);
    return true;
}

bool Account::SetContent(const std::string& id, std::vector<Paragraph> paragraphs, std::string rawContent,
                         std::time_t now, std::string& error)
{
    Item* page = Find(id);
    if (!page || page->kind != Kind::Page) {
        error = "no page \"" + id + "\"";
        return false;
    }
    page->paragraphs = std::move(paragraphs);
    page->rawContent = std::move(rawContent);
    NumberParagraphs(*page);
    Touch(id, now);
    return true;
}

Json Account::Dump() const
{
    std::function<Json(const Item&)> dump = [&](const Item& item) {
        Json j;
        j["id"] = item.id;
        j[item.kind == Kind::Page ? "title" : "displayName"] = item.name;
        j["createdDateTime"] = GraphTime(item.created);
        j["lastModifiedDateTime"] = GraphTime(item.modified);
        if (!item.errorCode.empty()) {
            j["errorCode"] = item.errorCode;
        }
        if (item.kind == Kind::Notebook || item.kind == Kind::SectionGroup) {
            j["sectionGroups"] = Json::array();
            for (const auto& g : item.groups) {
                j["sectionGroups"].push_back(dump(*Find(g)));
            }
            j["sections"] = Json::array();
            for (const auto& s : item.sections) {
                j["sections"].push_back(dump(*Find(s)));
            }
        } else if (item.kind == Kind::Section) {
            j["pages"] = Json::array();
            for (const auto& p : item.pages) {
                j["pages"].push_back(dump(*Find(p)));
            }
        } else {
            j["paragraphs"] = Json::array();
            for (const auto& p : item.paragraphs) {
                Json pj;
                pj["id"] = p.ElementName() + ":{" + item.elementGuid + "}{" + std::to_string(p.number) + "}";
                if (!p.html.empty()) {
                    pj["html"] = p.html;
                } else {
                    pj["text"] = p.text;
                }
                if (!p.tags.empty()) {
                    pj["tags"] = p.tags;
                }
                if (!p.list.empty()) {
                    pj["list"] = p.list;
                }
                if (!p.heading.empty()) {
                    pj["heading"] = p.heading;
                }
                j["paragraphs"].push_back(pj);
            }
            if (!item.rawContent.empty()) {
                j["content"] = item.rawContent;
            }
        }
        return j;
    };
    Json out;
    out["user"] = {
        {"id", user.id}, {"userPrincipalName", user.userPrincipalName}, {"displayName", user.displayName}};
    out["notebooks"] = Json::array();
    for (const auto& id : notebooks) {
        out["notebooks"].push_back(dump(*Find(id)));
    }
    if (!sharedNotebooks.empty()) {
        out["sharedNotebooks"] = Json::array();
        for (const auto& id : sharedNotebooks) {
            const Item& notebook = *Find(id);
            Json j = dump(notebook);
            if (const User* owner = Owner(notebook.owner)) {
                j["owner"] = {{"id", owner->id},
                              {"userPrincipalName", owner->userPrincipalName},
                              {"displayName", owner->displayName}};
            }
            j["shared"] = notebook.shared;
            out["sharedNotebooks"].push_back(std::move(j));
        }
    }
    return out;
}

} // namespace emu
