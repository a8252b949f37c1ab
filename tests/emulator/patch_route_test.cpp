// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator's page update: what it refuses, and that a refused request changes nothing.
#include "account/http.h"
#include "emulator_process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

namespace {

using rz::test::EmulatorProcess;
using Json = nlohmann::json;

constexpr const char* kAccess = "patch-access-token";

EmulatorProcess::Options PatchFixture(bool keepIds = false)
{
    EmulatorProcess::Options options;
    options.fixtureText =
        Json{{"keepIdsOnUpdate", keepIds},
             {"user", {{"id", "3b5c9d1e7f2a4c6b"}, {"userPrincipalName", "ada@example.com"}}},
             {"tokens", {{"accessTokens", {kAccess}}}},
             {"notebooks",
              {{{"displayName", "Work"},
                {"id", "nb-work"},
                {"sections",
                 {{{"displayName", "Inbox"},
                   {"id", "sec-inbox"},
                   {"pages",
                    {{{"title", "!Project"},
                      {"id", "pg-project"},
                      {"paragraphs",
                       {{{"text", "Call Bob"}, {"tags", "to-do"}, {"number", 40}},
                        {{"text", "Milk"}, {"tags", "to-do"}, {"list", "ul"}},
                        {{"text", "Plan it"}, {"tags", "to-do"}, {"heading", "h2"}}}}}}}}}}}}}}
            .dump();
    return options;
}

rz::HttpResponse Patch(const EmulatorProcess& emulator, const std::string& page, const std::string& body,
                       const std::string& contentType = "application/json")
{
    rz::HttpRequest request;
    request.Method = "PATCH";
    request.Url = emulator.BaseUrl() + "/v1.0/me/onenote/pages/" + page + "/content";
    request.Headers = {{"Authorization", std::string("Bearer ") + kAccess}, {"Content-Type", contentType}};
    request.Body = body;
    return rz::HttpSend(request);
}

TEST(PatchRouteTest, RefusedUpdatesChangeNothing)
{
    EmulatorProcess emulator(PatchFixture());
    ASSERT_TRUE(emulator.Running());
    const std::string content =
        emulator.Get("/v1.0/me/onenote/pages/pg-project/content?includeIDs=true", kAccess).body;
    const size_t idAt = content.find("id=\"p:{");
    ASSERT_NE(idAt, std::string::npos);
    const std::string id = content.substr(idAt + 4, content.find('"', idAt + 4) - idAt - 4);
    const auto replace = [](const std::string& target, const std::string& html) {
        return Json::array({{{"target", target}, {"action", "replace"}, {"content", html}}}).dump();
    };
    const std::string completed = "<p data-tag=\"to-do:completed\">Call Bob</p>";
    struct Case
    {
        std::string page, body, contentType;
        long status;
        std::string code;
    };
    const Case cases[] = {
        {"pg-none", replace(id, completed), "application/json", 404, "20102"},
        {"pg-project", replace(id, completed), "text/plain", 400, "BadRequest"},
        {"pg-project", "[{'target':'x'}]", "application/json", 400, "BadRequest"},
        {"pg-project", "[]", "application/json", 400, "BadRequest"},
        {"pg-project", replace("#task1", completed), "application/json", 400, "BadRequest"},
        {"pg-project", replace("p:{0}{99}", completed), "application/json", 400, "BadRequest"},
        {"pg-project", replace(id, "<p>a</p><p>b</p>"), "application/json", 400, "BadRequest"},
        {"pg-project", replace(id, "<li>Call Bob</li>"), "application/json", 400, "BadRequest"},
        {"pg-project",
         Json::array({{{"target", "body"}, {"action", "append"}, {"content", "<p>x</p>"}}}).dump(),
         "application/json", 400, "BadRequest"},
    };
    for (const Case& c : cases) {
        const rz::HttpResponse answer = Patch(emulator, c.page, c.body, c.contentType);
        EXPECT_EQ(answer.Status, c.status) << c.body;
        EXPECT_EQ(Json::parse(answer.Body, nullptr, false).value("/error/code"_json_pointer, ""), c.code)
            << c.body;
    }
    EXPECT_EQ(emulator.Get("/v1.0/me/onenote/pages/pg-project/content?includeIDs=true", kAccess).body,
              content);
    EXPECT_EQ(Json::parse(emulator.Get("/_emulator/patches").body)["patches"].size(), std::size(cases));
}

std::string IdOf(const std::string& content, const std::string& prefix)
{
    const size_t at = content.find("id=\"" + prefix + ":{");
    return at == std::string::npos ? "" : content.substr(at + 4, content.find('"', at + 4) - at - 4);
}

std::string Replace(const std::string& target, const std::string& html)
{
    return Json::array({{{"target", target}, {"action", "replace"}, {"content", html}}}).dump();
}

TEST(PatchRouteTest, TheReplacedElementIsServedWholeAndTheIdsChange)
{
    EmulatorProcess emulator(PatchFixture());
    ASSERT_TRUE(emulator.Running());
    const std::string page = "/v1.0/me/onenote/pages/pg-project/content?includeIDs=true";
    const std::string before = emulator.Get(page, kAccess).body;
    const std::string markup =
        R"(data-tag="to-do:completed">Send <b>it</b> to <a href="https://e.com/a?x=1&amp;y=2">)"
        R"(Ann &amp; Bob</a>&nbsp;&lt;3</p>)";
    ASSERT_EQ(Patch(emulator, "pg-project", Replace(IdOf(before, "p"), "<p " + markup)).Status, 204);
    const std::string after = emulator.Get(page, kAccess).body;
    EXPECT_NE(after.find(markup), std::string::npos) << after;
    // Generated ids may change after an update: every one of the page does here.
    EXPECT_NE(IdOf(after, "p"), IdOf(before, "p"));
    EXPECT_NE(IdOf(after, "li"), IdOf(before, "li"));
    EXPECT_EQ(Patch(emulator, "pg-project", Replace(IdOf(before, "li"), "<li>Milk</li>")).Status, 400);
}

TEST(PatchRouteTest, AListItemTakesItsTagOnItselfAndServesItOnASpan)
{
    EmulatorProcess emulator(PatchFixture(true));
    ASSERT_TRUE(emulator.Running());
    const std::string page = "/v1.0/me/onenote/pages/pg-project/content?includeIDs=true";
    const std::string id = IdOf(emulator.Get(page, kAccess).body, "li");
    // On input a tag on a span is no tag.
    ASSERT_EQ(
        Patch(emulator, "pg-project", Replace(id, R"(<li><span data-tag="to-do:completed">Milk</span></li>)"))
            .Status,
        204);
    EXPECT_NE(emulator.Get(page, kAccess).body.find("<li id=\"" + id + "\"><span>Milk</span></li>"),
              std::string::npos);
    ASSERT_EQ(
        Patch(emulator, "pg-project", Replace(id, R"(<li data-tag="to-do:completed">Milk</li>)")).Status,
        204);
    EXPECT_NE(emulator.Get(page, kAccess).body.find(R"(<span data-tag="to-do:completed">Milk</span>)"),
              std::string::npos);
}

// "Use note tags in OneNote pages": the data-tag setting of a ul or ol overrides all settings on
// child li elements, even when the ul or ol specifies none; an individually addressed li keeps its
// own.
TEST(PatchRouteTest, AListSentInAnItemGivesItsItemsItsOwnTagOrNone)
{
    EmulatorProcess emulator(PatchFixture(true));
    ASSERT_TRUE(emulator.Running());
    const std::string page = "/v1.0/me/onenote/pages/pg-project/content?includeIDs=true";
    const std::string id = IdOf(emulator.Get(page, kAccess).body, "li");
    ASSERT_EQ(
        Patch(emulator, "pg-project",
              Replace(id, R"(<li data-tag="to-do:completed">Milk<ul><li data-tag="to-do">Eggs</li></ul>)"
                          R"(<ul data-tag="project-a"><li data-tag="to-do">Jam</li><li>Tea</li></ul></li>)"))
            .Status,
        204);
    const std::string after = emulator.Get(page, kAccess).body;
    EXPECT_NE(after.find(R"(<span data-tag="to-do:completed">Milk</span>)"), std::string::npos) << after;
    EXPECT_EQ(after.find(R"(data-tag="to-do">Eggs)"), std::string::npos) << after;
    EXPECT_NE(after.find(R"(">Eggs</li>)"), std::string::npos) << after;
    EXPECT_NE(after.find(R"(<span data-tag="project-a">Jam</span>)"), std::string::npos) << after;
    EXPECT_NE(after.find(R"(<span data-tag="project-a">Tea</span>)"), std::string::npos) << after;
}

// "Input and output HTML on OneNote pages": a note tag stands on a p or an h1 - h6 element, in the
// input and the output HTML alike.
TEST(PatchRouteTest, AHeadingCarriesItsTagAndIsReplacedLikeAParagraph)
{
    EmulatorProcess emulator(PatchFixture(true));
    ASSERT_TRUE(emulator.Running());
    const std::string page = "/v1.0/me/onenote/pages/pg-project/content?includeIDs=true";
    const std::string before = emulator.Get(page, kAccess).body;
    const std::string id = IdOf(before, "h2");
    ASSERT_FALSE(id.empty()) << before;
    EXPECT_NE(before.find("<h2 id=\"" + id + "\" data-tag=\"to-do\""), std::string::npos) << before;
    ASSERT_EQ(
        Patch(emulator, "pg-project", Replace(id, R"(<h2 data-tag="to-do:completed">Plan it</h2>)")).Status,
        204);
    EXPECT_NE(emulator.Get(page, kAccess)
                  .body.find("<h2 id=\"" + id + "\" data-tag=\"to-do:completed\">Plan it</h2>"),
              std::string::npos);
}

TEST(PatchRouteTest, RefusalsCarryTheirDocumentedStatus)
{
    EmulatorProcess emulator(PatchFixture());
    ASSERT_TRUE(emulator.Running());
    for (const auto& [code, status] :
         {std::pair{"40002", 403L}, {"40004", 403L}, {"20113", 404L}, {"20112", 400L}}) {
        ASSERT_TRUE(emulator.QueueFault(Json{{"route", "patch"}, {"graphError", code}}.dump()));
        const rz::HttpResponse answer = Patch(emulator, "pg-project", "[]");
        EXPECT_EQ(answer.Status, status) << code;
        EXPECT_EQ(Json::parse(answer.Body, nullptr, false).value("/error/code"_json_pointer, ""), code);
    }
}

} // namespace
