// SPDX-License-Identifier: GPL-3.0-or-later
// Microsoft Graph: the page writes, creation (POST …/sections/{id}/pages) and update
// (PATCH …/pages/{id}/content), and the administration call that shows what was patched.
#include "clock.h"
#include "emulator.h"
#include "graph_shapes.h"
#include "text.h"
#include "time_templates.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <pugixml.hpp>
#include <vector>

namespace emu {
namespace {

constexpr const char* kUserPrefix = R"(/v1\.0/(?:me|users/([^/]+)))";
// Keeps the record of patches bounded in a long demo run.
constexpr size_t kMaxPatchRecords = 1000;

// One command of the request, checked and ready to apply.
struct Change
{
    bool title = false;
    long number = 0; // the paragraph or list item replaced
    std::string text;
    std::string tags;
    std::string element; // the paragraph's new markup, in its output form
    // The items of the lists nested in a replaced list item, in document order, their levels counted
    // from it (1: in a list right inside it): they replace the ones it held.
    std::vector<Paragraph> nested;
};

void BadRequest(httplib::Response& res, const std::string& message)
{
    SendGraphError(res, "BadRequest", message, 400);
}

// The element's text, every text node below it in document order.
std::string TextOf(const pugi::xml_node& element)
{
    std::string text;
    for (const pugi::xpath_node& node : element.select_nodes(".//text()")) {
        text += node.node().value();
    }
    return text;
}

struct StringWriter : pugi::xml_writer
{
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

// The replacing element as the page serves it afterwards. Its text, entities and attributes stay as
// sent (read without resolving entities, written without escaping); ids sent in content are the
// service's to give; a tag on a span is no tag on input and is dropped; a list item's own tag is
// served on a span inside it, as the service writes list items.
std::string OutputForm(const std::string& content, const std::string& tags)
{
    pugi::xml_document fragment;
    fragment.load_buffer(content.data(), content.size(),
                         (pugi::parse_default | pugi::parse_ws_pcdata) & ~pugi::parse_escapes,
                         pugi::encoding_utf8);
    pugi::xml_node root = fragment.first_child();
    root.remove_attribute("id");
    for (const pugi::xpath_node& span : root.select_nodes(".//span[@data-tag]")) {
        span.node().remove_attribute("data-tag");
    }
    if (std::string_view(root.name()) == "li") {
        root.remove_attribute("data-tag");
        if (!tags.empty()) {
            pugi::xml_node span = root.first_child();
            if (!(span.type() == pugi::node_element && std::string_view(span.name()) == "span" &&
                  !span.next_sibling())) {
                span = root.prepend_child("span");
                while (span.next_sibling()) {
                    span.append_move(span.next_sibling());
                }
            }
            span.append_attribute("data-tag").set_value(XmlEscape(tags).c_str());
        }
    }
    StringWriter writer;
    root.print(writer, "", pugi::format_raw | pugi::format_no_escapes);
    return writer.text;
}

// A list item as the page keeps it: its own markup in output form without the lists nested in it,
// then each item of those lists one level deeper, in document order. `item` was read with its
// entities as they came. The item addressed by the command keeps its own tag; the items of a list
// sent in the request take the list's tag, none when the list names none ("Use note tags in OneNote
// pages": the data-tag setting of a ul or ol overrides all settings on child li elements, even when
// the ul or ol specifies none).
void SplitListItem(const pugi::xml_node& item, int level, const std::string& list,
                   const std::optional<std::string>& listTag, std::vector<Paragraph>& out)
{
    pugi::xml_document own;
    pugi::xml_node copy = own.append_copy(item);
    // The lists go, and so does the layout's white space around them: the page keeps no text there.
    const auto blank = [](const pugi::xml_node& node) {
        return node.type() == pugi::node_pcdata &&
               std::string_view(node.value()).find_first_not_of(" \t\r\n") == std::string_view::npos;
    };
    bool hadList = false;
    for (pugi::xml_node child = copy.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (std::string_view(child.name()) == "ul" || std::string_view(child.name()) == "ol") {
            copy.remove_child(child);
            hadList = true;
        }
        child = next;
    }
    while (hadList && copy.last_child() && blank(copy.last_child())) {
        copy.remove_child(copy.last_child());
    }
    StringWriter writer;
    copy.print(writer, "", pugi::format_raw | pugi::format_no_escapes);
    pugi::xml_document read;
    read.load_buffer(writer.text.data(), writer.text.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                     pugi::encoding_utf8);
    Paragraph para;
    para.list = list;
    para.level = level;
    para.text = TextOf(read.first_child());
    para.tags = listTag ? *listTag : read.first_child().attribute("data-tag").value();
    para.element = OutputForm(writer.text, para.tags);
    out.push_back(std::move(para));
    for (const pugi::xml_node& child : item.children()) {
        const std::string name = child.name();
        if (name != "ul" && name != "ol") {
            continue;
        }
        // Read with its entities as they came, like the item; the tag is served escaped again.
        pugi::xml_document tagText;
        const std::string rawTag = child.attribute("data-tag").value();
        const std::string wrapped = "<t>" + rawTag + "</t>";
        const std::string tag =
            tagText.load_buffer(wrapped.data(), wrapped.size()) ? TextOf(tagText.first_child()) : rawTag;
        for (const pugi::xml_node& nested : child.children("li")) {
            SplitListItem(nested, level + 1, name, tag, out);
        }
    }
}

// The paragraph or list item a generated id ("p:{GUID}{N}", "li:{GUID}{N}") names on the page.
Paragraph* ParagraphById(Item& page, const std::string& target)
{
    for (Paragraph& para : page.paragraphs) {
        const std::string prefix = para.ElementName() + ":{";
        if (para.html.empty() &&
            target == prefix + page.elementGuid + "}{" + std::to_string(para.number) + "}") {
            return &para;
        }
    }
    return nullptr;
}

// Reads one command; false with the answer set when the service would refuse it.
bool ReadChange(const Json& command, Item& page, Change& change, httplib::Response& res)
{
    if (!command.is_object() || !command.contains("target") || !command["target"].is_string() ||
        !command.contains("action") || !command["action"].is_string()) {
        BadRequest(res, "Each change needs a string target and action.");
        return false;
    }
    const std::string target = command["target"].get<std::string>();
    const std::string action = command["action"].get<std::string>();
    const std::string content = command.contains("content") && command["content"].is_string()
                                    ? command["content"].get<std::string>()
                                    : "";
    if (action != "replace") {
        BadRequest(res, "The action '" + action + "' is not supported by the emulator.");
        return false;
    }
    if (target == "title") {
        change.title = true;
        change.text = content;
        return true;
    }
    if (target.starts_with("#")) {
        // Paragraphs are replaced by their generated id only.
        BadRequest(res, "The target '" + target + "' cannot be replaced by its data-id.");
        return false;
    }
    const Paragraph* paragraph = ParagraphById(page, target);
    if (!paragraph) {
        BadRequest(res, "The target '" + target + "' does not exist on the page.");
        return false;
    }
    // A paragraph takes a paragraph, a heading a heading of its level, a list item a list item (what
    // the service makes of another element is not documented). Only the element's own tag counts: on
    // input a list item carries its tag itself, a span's tag is none.
    const std::string element = paragraph->ElementName();
    pugi::xml_document fragment;
    if (!fragment.load_buffer(content.data(), content.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                              pugi::encoding_utf8) ||
        std::string_view(fragment.first_child().name()) != element || fragment.first_child().next_sibling()) {
        BadRequest(res, std::string("The content of this replace must be one well-formed ") + element +
                            " element.");
        return false;
    }
    change.number = paragraph->number;
    if (paragraph->list.empty()) {
        const pugi::xml_node replacement = fragment.first_child();
        change.text = TextOf(replacement);
        change.tags = replacement.attribute("data-tag").value();
        change.element = OutputForm(content, change.tags);
        return true;
    }
    // An item is replaced whole, the lists nested in it included.
    pugi::xml_document raw;
    raw.load_buffer(content.data(), content.size(),
                    (pugi::parse_default | pugi::parse_ws_pcdata) & ~pugi::parse_escapes,
                    pugi::encoding_utf8);
    std::vector<Paragraph> items;
    SplitListItem(raw.first_child(), 0, paragraph->list, std::nullopt, items);
    change.text = items.front().text;
    change.tags = items.front().tags;
    change.element = items.front().element;
    change.nested.assign(std::make_move_iterator(items.begin() + 1), std::make_move_iterator(items.end()));
    return true;
}

// The media types the service takes page HTML in, sent directly in the body.
bool IsPageHtmlType(const std::string& contentType)
{
    const std::string type = ToLowerAscii(contentType.substr(0, contentType.find(';')));
    const auto end = type.find_last_not_of(' ');
    const std::string bare = end == std::string::npos ? std::string() : type.substr(0, end + 1);
    return bare == "text/html" || bare == "application/xhtml+xml";
}

// The page a creation's HTML describes: the <title> (optional, as documented) and the body's
// paragraphs with their tags. False when the HTML is not well-formed XHTML.
bool ReadNewPage(const std::string& html, Item& page)
{
    pugi::xml_document document;
    if (!document.load_buffer(html.data(), html.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                              pugi::encoding_utf8) ||
        !document.document_element()) {
        return false;
    }
    page.name = TextOf(document.select_node("/html/head/title").node());
    for (const pugi::xpath_node& hit : document.select_nodes("//body//p")) {
        Paragraph para;
        para.text = TextOf(hit.node());
        para.tags = hit.node().attribute("data-tag").value();
        page.paragraphs.push_back(std::move(para));
    }
    return true;
}

} // namespace

void Emulator::AddCreateRoutes()
{
    m_server.Post(
        std::string(kUserPrefix) + "/onenote/sections/([^/]+)/pages",
        [this](const httplib::Request& req, httplib::Response& res) {
            if (!Authorize(req, res)) {
                return;
            }
            const std::string sectionId = req.matches[2].str();
            std::lock_guard lock(m_mutex);
            if (req.matches[1].matched &&
                ToLowerAscii(req.matches[1].str()) != ToLowerAscii(m_account.user.id) &&
                ToLowerAscii(req.matches[1].str()) != ToLowerAscii(m_account.user.userPrincipalName)) {
                SendGraphError(res, "Request_ResourceNotFound",
                               "Resource '" + req.matches[1].str() + "' does not exist.", 404);
                return;
            }
            const Item* section = m_account.Find(sectionId, Kind::Section);
            if (!section) {
                SendGraphError(res, "20102", GraphErrorMessage("20102"));
                return;
            }
            if (!section->errorCode.empty()) {
                SendGraphError(res, section->errorCode, GraphErrorMessage(section->errorCode),
                               section->errorStatus);
                return;
            }
            if (!IsPageHtmlType(req.get_header_value("Content-Type"))) {
                BadRequest(res, "The page HTML must be sent as text/html or application/xhtml+xml.");
                return;
            }
            Item page;
            page.kind = Kind::Page;
            page.parentId = sectionId;
            if (!ReadNewPage(req.body, page)) {
                BadRequest(res, "The page HTML is not well-formed.");
                return;
            }
            page.created = page.modified = Clock::Now();
            page.listedFrom = page.created + m_account.createdListLagSeconds;
            std::string error, id;
            if (!m_account.Insert(std::move(page), error, id)) {
                BadRequest(res, error);
                return;
            }
            m_account.Touch(id, Clock::Now());
            const GraphShapes shapes(m_account, Root(req));
            Json answer;
            answer["@odata.context"] = shapes.Context("sections('" + sectionId + "')/pages/$entity");
            answer.update(shapes.Page(*m_account.Find(id)));
            SendJson(res, 201, answer);
        });
}

void Emulator::AddPatchRoutes()
{
    m_server.Patch(
        std::string(kUserPrefix) + "/onenote/pages/([^/]+)/content",
        [this](const httplib::Request& req, httplib::Response& res) {
            if (!Authorize(req, res)) {
                return;
            }
            const std::string id = req.matches[2].str();
            const Json commands = Json::parse(req.body, nullptr, false);
            std::lock_guard lock(m_mutex);
            const auto record = [&] {
                if (m_patches.size() >= kMaxPatchRecords) {
                    m_patches.erase(m_patches.begin());
                }
                m_patches.push_back({{"pageId", id},
                                     {"status", res.status},
                                     {"time", GraphTime(Clock::Now())},
                                     {"commands", commands.is_discarded() ? Json(req.body) : commands}});
            };
            const auto owner = ScopeOwner(req, res);
            if (!owner) {
                return record();
            }
            Item* page = m_account.Find(id, Kind::Page);
            if (!page) {
                SendGraphError(res, "20102", GraphErrorMessage("20102"));
                return record();
            }
            if (!Reachable(*page, *owner, res)) {
                return record();
            }
            if (const Item* section = m_account.Find(page->parentId);
                section && !section->errorCode.empty()) {
                SendGraphError(res, section->errorCode, GraphErrorMessage(section->errorCode),
                               section->errorStatus);
                return record();
            }
            if (!ToLowerAscii(req.get_header_value("Content-Type")).starts_with("application/json")) {
                BadRequest(res, "The request must be sent as application/json.");
                return record();
            }
            if (commands.is_discarded() || !commands.is_array() || commands.empty()) {
                BadRequest(res, "The body must be a non-empty array of change objects.");
                return record();
            }
            // Every change is checked before any applies: a refused request changes nothing.
            std::vector<Change> changes(commands.size());
            for (size_t i = 0; i < commands.size(); ++i) {
                if (!ReadChange(commands[i], *page, changes[i], res)) {
                    return record();
                }
            }
            for (const Change& change : changes) {
                if (change.title) {
                    page->name = change.text;
                    continue;
                }
                auto& paragraphs = page->paragraphs;
                const auto at = std::find_if(paragraphs.begin(), paragraphs.end(),
                                             [&](const Paragraph& p) { return p.number == change.number; });
                if (at == paragraphs.end()) {
                    continue; // inside an item an earlier change replaced
                }
                at->text = change.text;
                at->tags = change.tags;
                at->element = change.element;
                if (at->list.empty()) {
                    continue;
                }
                // The items nested in it go, and the ones sent take their place.
                const int level = at->level;
                auto end = at + 1;
                while (end != paragraphs.end() && !end->list.empty() && end->level > level) {
                    ++end;
                }
                std::vector<Paragraph> nested = change.nested;
                for (Paragraph& item : nested) {
                    item.level += level;
                    item.number = page->nextParagraph;
                    page->nextParagraph += 2;
                }
                const auto from = paragraphs.erase(at + 1, end);
                paragraphs.insert(from, nested.begin(), nested.end());
            }
            // Generated ids "might change after a page update": they do here, unless the fixture
            // keeps them.
            if (!m_account.keepIdsOnUpdate) {
                Account::Renumber(*page);
            }
            m_account.Touch(id, Clock::Now());
            res.status = 204;
            record();
        });

    m_server.Get("/_emulator/patches", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m_mutex);
        SendJson(res, 200, Json{{"patches", m_patches}});
    });
}

} // namespace emu
