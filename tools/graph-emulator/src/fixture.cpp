// SPDX-License-Identifier: GPL-3.0-or-later
#include "fixture.h"

#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace emu {
namespace {

constexpr size_t kMaxFixtureBytes = 64u << 20;
constexpr size_t kMaxNameBytes = 1024;
constexpr size_t kMaxContentBytes = 1u << 20;
constexpr size_t kMaxIdBytes = 200;
constexpr int kMaxDepth = 32;
constexpr long kDefaultAgeSeconds = 30L * 24 * 3600;

bool ReadTime(const Json& spec, const char* key, std::time_t now, std::time_t fallback,
              const std::string& where, std::time_t& out, std::string& error)
{
    if (!spec.contains(key)) {
        out = fallback;
        return true;
    }
    if (!spec[key].is_string()) {
        error = where + "." + key + " must be a string";
        return false;
    }
    std::string why;
    const auto t = ReadFixtureTime(spec[key].get<std::string>(), now, why);
    if (!t) {
        error = where + "." + key + ": " + why;
        return false;
    }
    out = *t;
    return true;
}

bool ReadId(const Json& spec, const std::string& where, std::string& out, std::string& error)
{
    if (!spec.contains("id")) {
        return true;
    }
    if (!spec["id"].is_string()) {
        error = where + ".id must be a string";
        return false;
    }
    out = spec["id"].get<std::string>();
    const bool bad = std::any_of(out.begin(), out.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '?' || c == '#' || c == '%' ||
               c == ' ';
    });
    if (out.empty() || out.size() > kMaxIdBytes || bad) {
        error = where + ".id must be 1 to 200 characters without blanks, control characters, / ? # or %";
        return false;
    }
    return true;
}

bool ReadChildren(const Json& spec, const char* key, Kind kind, const std::string& parentId, std::time_t now,
                  Account& account, const std::string& where, int depth, std::string& error);

bool ReadItemAt(const Json& spec, Kind kind, const std::string& parentId, std::time_t now, Account& account,
                const std::string& where, int depth, std::string& error, std::string& id)
{
    if (depth > kMaxDepth) {
        error = where + ": section groups nested deeper than 32 levels";
        return false;
    }
    if (!spec.is_object()) {
        error = where + " must be an object";
        return false;
    }
    Item item;
    item.kind = kind;
    item.parentId = parentId;
    if (!ReadId(spec, where, item.id, error)) {
        return false;
    }
    const char* nameKey = kind == Kind::Page ? "title" : "displayName";
    if (!spec.contains(nameKey) || !spec[nameKey].is_string()) {
        error = where + "." + nameKey + " must be a string";
        return false;
    }
    if (!ReadText(spec[nameKey], now, where + "." + nameKey, kMaxNameBytes, item.name, error)) {
        return false;
    }
    if (!ReadTime(spec, "createdDateTime", now, now - kDefaultAgeSeconds, where, item.created, error) ||
        !ReadTime(spec, "lastModifiedDateTime", now, item.created, where, item.modified, error)) {
        return false;
    }
    if (kind == Kind::Section && spec.contains("errorCode")) {
        if (!spec["errorCode"].is_string() || spec["errorCode"].get<std::string>().empty()) {
            error = where + ".errorCode must be a non-empty string such as \"20185\"";
            return false;
        }
        item.errorCode = spec["errorCode"].get<std::string>();
        if (spec.contains("errorStatus")) {
            item.errorStatus = spec["errorStatus"].is_number_integer() ? spec["errorStatus"].get<int>() : -1;
        }
        if (item.errorStatus != 0 && (item.errorStatus < 400 || item.errorStatus > 599)) {
            error = where + ".errorStatus must lie in 400..599";
            return false;
        }
    }
    if (kind == Kind::Page) {
        if (spec.contains("paragraphs") &&
            !ReadParagraphs(spec["paragraphs"], now, where, item.paragraphs, error)) {
            return false;
        }
        if (spec.contains("content") &&
            !ReadText(spec["content"], now, where + ".content", kMaxContentBytes, item.rawContent, error)) {
            return false;
        }
    }
    if (!account.Insert(std::move(item), error, id)) {
        error = where + ": " + error;
        return false;
    }
    switch (kind) {
    case Kind::Notebook:
    case Kind::SectionGroup:
        if (!ReadChildren(spec, "sectionGroups", Kind::SectionGroup, id, now, account, where, depth + 1,
                          error) ||
            !ReadChildren(spec, "sections", Kind::Section, id, now, account, where, depth, error)) {
            return false;
        }
        break;
    case Kind::Section:
        if (!ReadChildren(spec, "pages", Kind::Page, id, now, account, where, depth, error)) {
            return false;
        }
        break;
    case Kind::Page:
        break;
    }
    // A container shows the latest change below it, as the service does.
    Item* self = account.Find(id);
    for (const auto* list : {&self->groups, &self->sections, &self->pages}) {
        for (const auto& child : *list) {
            self->modified = std::max(self->modified, account.Find(child)->modified);
        }
    }
    return true;
}

bool ReadChildren(const Json& spec, const char* key, Kind kind, const std::string& parentId, std::time_t now,
                  Account& account, const std::string& where, int depth, std::string& error)
{
    if (!spec.contains(key)) {
        return true;
    }
    const Json& list = spec[key];
    if (!list.is_array()) {
        error = where + "." + key + " must be an array";
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        std::string id;
        const std::string at = where + "." + key + "[" + std::to_string(i) + "]";
        if (!ReadItemAt(list[i], kind, parentId, now, account, at, depth, error, id)) {
            return false;
        }
    }
    return true;
}

// An optional top-level switch: true or false.
bool ReadFlag(const Json& doc, const char* key, bool& out, std::string& error)
{
    if (!doc.contains(key)) {
        return true;
    }
    if (!doc[key].is_boolean()) {
        error = std::string("\"") + key + "\" must be true or false";
        return false;
    }
    out = doc[key].get<bool>();
    return true;
}

// An optional top-level count in 0..most.
bool ReadCount(const Json& doc, const char* key, long most, long& out, std::string& error)
{
    if (!doc.contains(key)) {
        return true;
    }
    const Json& value = doc[key];
    if (!value.is_number_integer() || value.get<long>() < 0 || value.get<long>() > most) {
        error = std::string("\"") + key + "\" must be an integer in 0.." + std::to_string(most);
        return false;
    }
    out = value.get<long>();
    return true;
}

bool ReadString(const Json& spec, const char* key, const std::string& where, std::string& out,
                std::string& error)
{
    if (!spec.contains(key)) {
        return true;
    }
    if (!spec[key].is_string() || spec[key].get<std::string>().size() > kMaxNameBytes) {
        error = where + "." + key + " must be a string of at most 1024 bytes";
        return false;
    }
    out = spec[key].get<std::string>();
    return true;
}

} // namespace

bool ReadText(const Json& value, std::time_t now, const std::string& where, size_t maxSize, std::string& out,
              std::string& error)
{
    if (!value.is_string()) {
        error = where + " must be a string";
        return false;
    }
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() > maxSize) {
        error = where + " is longer than " + std::to_string(maxSize) + " bytes";
        return false;
    }
    std::string why;
    const auto expanded = ExpandTemplates(text, now, why);
    if (!expanded) {
        error = where + ": " + why;
        return false;
    }
    out = *expanded;
    return true;
}

bool ReadParagraphs(const Json& spec, std::time_t now, const std::string& where, std::vector<Paragraph>& out,
                    std::string& error)
{
    if (!spec.is_array()) {
        error = where + ".paragraphs must be an array";
        return false;
    }
    out.clear();
    for (size_t i = 0; i < spec.size(); ++i) {
        const std::string at = where + ".paragraphs[" + std::to_string(i) + "]";
        const Json& p = spec[i];
        Paragraph para;
        if (p.is_string()) {
            if (!ReadText(p, now, at, kMaxContentBytes, para.text, error)) {
                return false;
            }
        } else if (p.is_object()) {
            if (p.contains("text") &&
                !ReadText(p["text"], now, at + ".text", kMaxContentBytes, para.text, error)) {
                return false;
            }
            if (p.contains("html") &&
                !ReadText(p["html"], now, at + ".html", kMaxContentBytes, para.html, error)) {
                return false;
            }
            if (p.contains("tags")) {
                const Json& tags = p["tags"];
                if (tags.is_string()) {
                    para.tags = tags.get<std::string>();
                } else if (tags.is_array() && std::all_of(tags.begin(), tags.end(),
                                                          [](const Json& t) { return t.is_string(); })) {
                    for (const auto& t : tags) {
                        para.tags += (para.tags.empty() ? "" : ",") + t.get<std::string>();
                    }
                } else {
                    error = at + ".tags must be a string or an array of strings";
                    return false;
                }
                if (para.tags.empty() || para.tags.size() > kMaxNameBytes) {
                    error = at + ".tags must not be empty";
                    return false;
                }
            }
            if (p.contains("list")) {
                const Json& list = p["list"];
                if (!list.is_string() ||
                    (list.get<std::string>() != "ul" && list.get<std::string>() != "ol")) {
                    error = at + ".list must be \"ul\" or \"ol\"";
                    return false;
                }
                para.list = list.get<std::string>();
            }
            if (p.contains("heading")) {
                const Json& heading = p["heading"];
                const std::string name = heading.is_string() ? heading.get<std::string>() : "";
                if (name.size() != 2 || name[0] != 'h' || name[1] < '1' || name[1] > '6' ||
                    !para.list.empty()) {
                    error = at + ".heading must be \"h1\" to \"h6\", on a paragraph that is not a list item";
                    return false;
                }
                para.heading = name;
            }
            if (p.contains("level")) {
                // A nested item follows its parent item: one level deeper at most.
                const int before = out.empty() || out.back().list.empty() ? -1 : out.back().level;
                if (!p["level"].is_number_integer() || para.list.empty() || p["level"].get<int>() < 0 ||
                    p["level"].get<int>() > before + 1 || p["level"].get<int>() > 8) {
                    error = at + ".level must be a list item's depth, at most one below the item before it";
                    return false;
                }
                para.level = p["level"].get<int>();
            }
            if (p.contains("number")) {
                if (!p["number"].is_number_integer() || p["number"].get<long>() <= 0 ||
                    p["number"].get<long>() > 1000000000L) {
                    error = at + ".number must be a positive integer";
                    return false;
                }
                para.number = p["number"].get<long>();
            }
        } else {
            error = at + " must be a string or an object";
            return false;
        }
        out.push_back(std::move(para));
    }
    if (out.size() > 10000) {
        error = where + ".paragraphs holds more than 10000 entries";
        return false;
    }
    return true;
}

bool ReadItem(const Json& spec, Kind kind, const std::string& parentId, std::time_t now, Account& account,
              const std::string& where, std::string& error, std::string& id)
{
    int depth = 0;
    if (const Item* parent = account.Find(parentId)) {
        depth = static_cast<int>(account.Ancestors(*parent).size()) + 1;
    }
    return ReadItemAt(spec, kind, parentId, now, account, where, depth, error, id);
}

namespace {

// "sharedNotebooks": notebooks of other users, each with its "owner" and whether it is "shared"
// with the account's user (true by default; false: the service refuses it with 403).
bool ReadSharedNotebooks(const Json& doc, std::time_t now, Account& account, std::string& error)
{
    if (!doc.contains("sharedNotebooks")) {
        return true;
    }
    const Json& list = doc["sharedNotebooks"];
    if (!list.is_array()) {
        error = "\"sharedNotebooks\" must be an array";
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string where = "sharedNotebooks[" + std::to_string(i) + "]";
        const Json& spec = list[i];
        if (!spec.is_object() || !spec.contains("owner") || !spec["owner"].is_object()) {
            error = where + ".owner must be an object with \"id\" and \"userPrincipalName\"";
            return false;
        }
        User owner;
        if (!ReadString(spec["owner"], "id", where + ".owner", owner.id, error) ||
            !ReadString(spec["owner"], "userPrincipalName", where + ".owner", owner.userPrincipalName,
                        error) ||
            !ReadString(spec["owner"], "displayName", where + ".owner", owner.displayName, error)) {
            return false;
        }
        if (owner.id.empty() || owner.userPrincipalName.empty() || owner.id.find('/') != std::string::npos ||
            ToLowerAscii(owner.id) == ToLowerAscii(account.user.id)) {
            error = where + ".owner needs an id (no /) and a principal name, and is not the user";
            return false;
        }
        if (spec.contains("shared") && !spec["shared"].is_boolean()) {
            error = where + ".shared must be true or false";
            return false;
        }
        if (!account.Owner(owner.id)) {
            account.owners.push_back(owner);
        }
        Json notebook = spec;
        notebook.erase("owner");
        notebook.erase("shared");
        std::string id;
        if (!ReadItem(notebook, Kind::Notebook, "", now, account, where, error, id) ||
            !account.MakeShared(id, owner.id, spec.value("shared", true), error)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool LoadFixture(const Json& doc, std::time_t now, Account& account, TokenStore& tokens, std::string& error)
{
    if (!doc.is_object()) {
        error = "the fixture must be a JSON object";
        return false;
    }
    if (!doc.contains("user") || !doc["user"].is_object()) {
        error = "\"user\" must be an object with \"id\" and \"userPrincipalName\"";
        return false;
    }
    const Json& u = doc["user"];
    User& user = account.user;
    if (!ReadString(u, "id", "user", user.id, error) ||
        !ReadString(u, "userPrincipalName", "user", user.userPrincipalName, error) ||
        !ReadString(u, "displayName", "user", user.displayName, error) ||
        !ReadString(u, "givenName", "user", user.givenName, error) ||
        !ReadString(u, "surname", "user", user.surname, error) ||
        !ReadString(u, "mail", "user", user.mail, error)) {
        return false;
    }
    if (user.id.empty() || user.userPrincipalName.empty() || user.id.find('/') != std::string::npos) {
        error = "user.id and user.userPrincipalName must be non-empty strings (no / in the id)";
        return false;
    }
    const std::string lowerId = ToLowerAscii(user.id);
    account.cid = lowerId.size() == 16 && lowerId.find_first_not_of("0123456789abcdef") == std::string::npos
                      ? std::string(user.id)
                      : StableHex16(user.id);
    for (char& c : account.cid) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (!tokens.Load(doc.contains("tokens") ? doc["tokens"] : Json(), now, error)) {
        return false;
    }
    const bool flagsRead =
        ReadFlag(doc, "keepIdsOnUpdate", account.keepIdsOnUpdate, error) &&
        ReadFlag(doc, "notebookFromWebUrlAsNotebook", account.notebookFromWebUrlAsNotebook, error);
    if (!flagsRead || !ReadCount(doc, "sharedListPageSize", 1000, account.sharedListPageSize, error) ||
        !ReadCount(doc, "createdPagesListedAfterSeconds", 86400, account.createdListLagSeconds, error)) {
        return false;
    }
    if (doc.contains("notebooks")) {
        const Json& list = doc["notebooks"];
        if (!list.is_array()) {
            error = "\"notebooks\" must be an array";
            return false;
        }
        for (size_t i = 0; i < list.size(); ++i) {
            std::string id;
            if (!ReadItem(list[i], Kind::Notebook, "", now, account, "notebooks[" + std::to_string(i) + "]",
                          error, id)) {
                return false;
            }
        }
    }
    if (!account.todo.Load(doc.contains("todoLists") ? doc["todoLists"] : Json(), now, error)) {
        return false;
    }
    return ReadSharedNotebooks(doc, now, account, error);
}

bool LoadFixtureFile(const std::string& path, std::time_t now, Account& account, TokenStore& tokens,
                     std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open fixture \"" + path + "\"";
        return false;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    const std::string text = buf.str();
    if (text.size() > kMaxFixtureBytes) {
        error = "fixture \"" + path + "\" is larger than 64 MiB";
        return false;
    }
    Json doc;
    try {
        doc = Json::parse(text);
    } catch (const std::exception& e) {
        error = "fixture \"" + path + "\" is not valid JSON: " + e.what();
        return false;
    }
    if (!LoadFixture(doc, now, account, tokens, error)) {
        error = "fixture \"" + path + "\": " + error;
        return false;
    }
    return true;
}

} // namespace emu
