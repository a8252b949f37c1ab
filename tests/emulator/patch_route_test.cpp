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

EmulatorProcess::Options PatchFixture()
{
    EmulatorProcess::Options options;
    options.fixtureText =
        Json{{"user", {{"id", "3b5c9d1e7f2a4c6b"}, {"userPrincipalName", "ada@example.com"}}},
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
                      {"paragraphs", {{{"text", "Call Bob"}, {"tags", "to-do"}, {"number", 40}}}}}}}}}}}}}}
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

} // namespace
