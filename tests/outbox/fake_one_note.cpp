// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_one_note.h"

#include "util/xml_nodes.h"

#include <pugixml.hpp>

namespace rz::test {

namespace {

HttpResponse Answer(long status, std::string body = {})
{
    HttpResponse response;
    response.Status = status;
    response.Body = std::move(body);
    return response;
}

HttpResponse Error(long status, const std::string& code, const std::string& message)
{
    return Answer(status, Json{{"error", {{"code", code}, {"message", message}}}}.dump());
}

HttpResponse Broken(bool neverSent)
{
    HttpResponse response;
    response.Failure = neverSent ? HttpFailure::Transport : HttpFailure::Timeout;
    response.Message = neverSent ? "Connection refused" : "Operation timed out";
    response.NeverSent = neverSent;
    return response;
}

// The id after "/onenote/<collection>/" up to the next "/" or "?".
std::string IdIn(const std::string& path, const std::string& collection)
{
    const std::string prefix = "/onenote/" + collection + "/";
    if (!path.starts_with(prefix)) {
        return {};
    }
    return path.substr(prefix.size(), path.find_first_of("/?", prefix.size()) - prefix.size());
}

void AddText(const pugi::xml_node& node, std::string& text)
{
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
        } else {
            AddText(child, text);
        }
    }
}

} // namespace

std::string FakeOneNote::ElementId(const Page& page, std::size_t index) const
{
    const std::string tag = page.Elements.at(index).Tag;
    return tag + ":{6c1f0a2e-0000-4000-8000-" + std::to_string(100000000000 + m_Generation) + "}{" +
           std::to_string(index + 2) + "}";
}

std::string FakeOneNote::Content(const Page& page) const
{
    std::string html = "<html lang=\"en-US\"><head><title>" + XmlEscaped(page.Title) +
                       "</title></head><body data-absolute-enabled=\"true\"><div id=\"div:{6c1f0a2e}{1}\">";
    for (std::size_t i = 0; i < page.Elements.size(); ++i) {
        const Element& element = page.Elements[i];
        const std::string tag =
            element.DataTag.empty() ? std::string() : " data-tag=\"" + XmlEscaped(element.DataTag) + "\"";
        if (element.Tag == "li") {
            // The service puts a list item's tag on a span inside it.
            html += "<ul><li id=\"" + ElementId(page, i) + "\"><span" + tag + ">" + XmlEscaped(element.Text) +
                    "</span></li></ul>";
        } else {
            html += "<" + element.Tag + " id=\"" + ElementId(page, i) + "\"" + tag + ">" +
                    XmlEscaped(element.Text) + "</" + element.Tag + ">";
        }
    }
    return html + "</div></body></html>";
}

std::optional<HttpResponse> FakeOneNote::Exchange(const TOneNoteRequest& request,
                                                  const std::function<bool()>& beforeSend)
{
    if (beforeSend && !beforeSend()) {
        return std::nullopt;
    }
    if (!Faults.empty() && (Faults.front().Method.empty() || Faults.front().Method == request.Method)) {
        const Scripted fault = Faults.front();
        Faults.pop_front();
        switch (fault.Kind) {
        case Fault::Refused:
            return Broken(true);
        case Fault::Lost:
            Sent.push_back(request);
            return Broken(false);
        case Fault::Status:
            Sent.push_back(request);
            return Answer(fault.Status, fault.Body);
        case Fault::AppliedLost:
            Sent.push_back(request);
            Serve(request);
            return Broken(false);
        case Fault::AppliedStatus:
            Sent.push_back(request);
            Serve(request);
            return Answer(fault.Status, fault.Body);
        case Fault::Renumber:
            ++m_Generation;
            break;
        }
    }
    Sent.push_back(request);
    return Serve(request);
}

HttpResponse FakeOneNote::Serve(const TOneNoteRequest& request)
{
    const std::string base = kBase;
    if (!request.Address.starts_with(base)) {
        return Error(404, "20102", "No such address");
    }
    const std::string path = request.Address.substr(base.size());
    if (const std::string pageId = IdIn(path, "pages"); !pageId.empty()) {
        const auto page = Pages.find(pageId);
        if (page == Pages.end()) {
            return Error(404, "20102", "The requested resource does not exist");
        }
        if (request.Method == "GET") {
            return Answer(200, Content(page->second));
        }
        if (request.Method == "PATCH") {
            return Patch(page->second, request.Body);
        }
        return Error(405, "20100", "Method not allowed");
    }
    const std::string sectionId = IdIn(path, "sections");
    const auto name = SectionNames.find(sectionId);
    if (name == SectionNames.end()) {
        return Error(404, "20102", "The requested resource does not exist");
    }
    const bool pages = path.find("/pages") != std::string::npos;
    if (request.Method == "POST" && pages) {
        return Create(sectionId, request.Body);
    }
    if (request.Method != "GET") {
        return Error(405, "20100", "Method not allowed");
    }
    if (!pages) {
        return Answer(200, Json{{"id", sectionId}, {"displayName", name->second}}.dump());
    }
    Json list = Json::array();
    for (const auto& [id, page] : Pages) {
        if (page.SectionId == sectionId) {
            list.push_back({{"id", id}, {"title", page.Title}});
        }
    }
    return Answer(200, Json{{"@odata.context", base + "/$metadata#pages(id,title)"}, {"value", list}}.dump());
}

HttpResponse FakeOneNote::Patch(Page& page, const std::string& body)
{
    const Json commands = Json::parse(body, nullptr, false);
    if (!commands.is_array() || commands.size() != 1 || !commands[0].is_object()) {
        return Error(400, "20109", "The payload in the PATCH request is not constructed correctly.");
    }
    const Json& command = commands[0];
    std::size_t index = page.Elements.size();
    for (std::size_t i = 0; i < page.Elements.size(); ++i) {
        if (ElementId(page, i) == command.value("target", "")) {
            index = i;
        }
    }
    if (index == page.Elements.size()) {
        return Error(400, "20120", "Your request specifies a PATCH target that can't be located.");
    }
    pugi::xml_document content;
    if (command.value("action", "") != "replace" ||
        !content.load_string(command.value("content", "").c_str(),
                             (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata)) {
        return Error(400, "20121", "Your request contains an invalid PATCH argument.");
    }
    const pugi::xml_node root = content.first_child();
    Element& element = page.Elements[index];
    if (root.name() != element.Tag) {
        return Error(400, "20121", "Your request contains an invalid PATCH argument.");
    }
    std::string dataTag = root.attribute("data-tag").value();
    for (const pugi::xml_node& span : root.children("span")) {
        if (dataTag.empty()) {
            dataTag = span.attribute("data-tag").value();
        }
    }
    std::string text;
    AddText(root, text);
    element.DataTag = dataTag;
    element.Text = text;
    Patched.emplace_back(page.Id, index);
    ++m_Generation; // generated ids may change with any update
    return Answer(204);
}

HttpResponse FakeOneNote::Create(const std::string& sectionId, const std::string& body)
{
    std::size_t held = 0;
    for (const auto& entry : Pages) {
        held += entry.second.SectionId == sectionId ? 1 : 0;
    }
    if (held >= SectionLimit) {
        return Error(507, "", "Exceeded the maximum number of pages allowed per section");
    }
    pugi::xml_document xhtml;
    if (!xhtml.load_string(body.c_str())) {
        return Error(400, "20100", "The page's HTML could not be read");
    }
    std::string title;
    AddText(xhtml.child("html").child("head").child("title"), title);
    Page page;
    page.Id = "pg-made-" + std::to_string(++Creates);
    page.SectionId = sectionId;
    page.Title = title;
    Pages[page.Id] = page;
    return Answer(201, Json{{"id", page.Id}, {"title", title}}.dump());
}

} // namespace rz::test
