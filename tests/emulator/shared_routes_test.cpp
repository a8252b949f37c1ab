// SPDX-License-Identifier: GPL-3.0-or-later
// Another user's notebooks as the emulator serves them: the two lookup actions and which address
// reaches what.
#include "account/http.h"
#include "emulator_process.h"
#include "mirror/shared_notebooks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

namespace {

using rz::test::EmulatorProcess;
using Json = nlohmann::json;

constexpr const char* kToken = "access+token/=";
constexpr const char* kOwner = "7c9d1e2f-3a4b-4c5d-8e6f-a1b2c3d4e5f6";

std::string Fixture(const std::string& userId)
{
    return R"({"user": {"id": ")" + userId + R"(", "userPrincipalName": "ada@contoso.com"},
      "tokens": {"accessTokens": ["access+token/="]},
      "notebooks": [{"displayName": "Mine", "id": "nb-own", "sections": [{"displayName": "S", "id": "sec-own",
        "pages": [{"title": "Mine here", "id": "pg-own"}]}]}],
      "sharedNotebooks": [
        {"owner": {"id": ")" +
           std::string(kOwner) + R"(", "userPrincipalName": "bob@contoso.com",
                   "displayName": "Bob"},
         "displayName": "Team", "id": "nb-team", "sectionGroups": [{"displayName": "G", "id": "sg-team",
           "sections": [{"displayName": "Deep", "id": "sec-deep"}]}],
         "sections": [{"displayName": "Tasks", "id": "sec-team", "pages": [{"title": "Theirs", "id": "pg-team"}]}]},
        {"owner": {"id": ")" +
           std::string(kOwner) + R"(", "userPrincipalName": "bob@contoso.com"},
         "shared": false, "displayName": "Gone", "id": "nb-gone",
         "sections": [{"displayName": "Old", "id": "sec-gone", "pages": [{"title": "Old", "id": "pg-gone"}]}]}]})";
}

EmulatorProcess::Options Serving(const std::string& fixture)
{
    EmulatorProcess::Options options;
    options.fixtureText = fixture;
    return options;
}

rz::HttpResponse Send(const EmulatorProcess& emulator, const std::string& method, const std::string& path,
                      const std::string& body = {})
{
    rz::HttpRequest request;
    request.Method = method;
    request.Url = emulator.BaseUrl() + path;
    request.Headers = {{"Authorization", std::string("Bearer ") + kToken}};
    if (!body.empty()) {
        request.Headers.push_back({"Content-Type", "application/json"});
        request.Body = body;
    }
    return rz::HttpSend(request);
}

TEST(EmulatorSharedTest, OwnersAddressesReachSharedItemsOnlyWhileShared)
{
    EmulatorProcess emulator(Serving(Fixture("2b7e4c1a-5d3f-4e8a-9c61-0f1e2d3c4b5a")));
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const std::string owner = std::string("/v1.0/users/") + kOwner + "/onenote";
    const struct
    {
        std::string method, path;
        long status;
        std::string contains;
    } cases[] = {
        {"GET", "/v1.0/me/onenote/notebooks/getRecentNotebooks(includePersonalNotebooks=false)", 200,
         R"("sourceService":"OneDriveForBusiness")"},
        {"GET", "/v1.0/me/onenote/notebooks/getRecentNotebooks", 400, "includePersonalNotebooks"},
        {"GET", owner + "/notebooks/nb-team/sections", 200, owner + "/sections/sec-team/pages"},
        {"GET",
         owner +
             "/notebooks/nb-team/sectionGroups?$expand=sections,sectionGroups(levels=max;expand=sections)",
         200, R"("id":"sec-deep")"},
        {"GET", owner + "/notebooks/nb-team/sectionGroups", 200, R"("id":"sg-team")"},
        {"GET", owner + "/sections/sec-team/pages?$top=100", 200, owner + "/pages/pg-team"},
        {"GET", owner + "/pages/pg-team/content", 200, "<title>Theirs</title>"},
        {"GET", owner + "/notebooks/nb-gone/sections", 403, "accessDenied"},
        {"GET", owner + "/pages/pg-gone/content", 403, "accessDenied"},
        {"GET", owner + "/pages/pg-own/content", 404, "20102"},
        {"GET", "/v1.0/me/onenote/sections/sec-team/pages", 404, "20102"},
        {"GET", "/v1.0/users/someone-else/onenote/pages/pg-team/content", 404, "Request_ResourceNotFound"},
        {"POST", "/v1.0/me/onenote/notebooks/GetNotebookFromWebUrl", 400, "webUrl"},
    };
    for (const auto& c : cases) {
        const auto answer = Send(emulator, c.method, c.path, c.method == "POST" ? "{}" : "");
        EXPECT_EQ(answer.Status, c.status) << c.path << "\n" << answer.Body;
        EXPECT_NE(answer.Body.find(c.contains), std::string::npos) << c.path << "\n" << answer.Body;
    }
    // Other users' pages are in neither the user's title search nor the account-wide list.
    const auto search = Send(emulator, "GET", "/v1.0/me/onenote/pages?top=100&filter=contains(title,'e')");
    EXPECT_EQ(search.Body.find("pg-team"), std::string::npos);
    EXPECT_NE(search.Body.find("pg-own"), std::string::npos);
}

// A work account's own items in the shapes of the reference: "1-<guid>" ids, both links below the
// user's OneDrive for Business "Documents/Notebooks"; its pages open, read and take a Done's update,
// and its own notebook's web address resolves to the user, so it is never added as shared.
TEST(EmulatorSharedTest, AWorkAccountsOwnItemsComeInTheWorkShapes)
{
    const std::string user = "2b7e4c1a-5d3f-4e8a-9c61-0f1e2d3c4b5a";
    std::string fixture = Fixture(user);
    for (const char* id : {R"("id": "nb-own", )", R"(, "id": "sec-own")", R"(, "id": "pg-own")"}) {
        fixture.erase(fixture.find(id), std::string(id).size());
    }
    EmulatorProcess emulator(Serving(fixture));
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const std::string base = "/v1.0/users/" + user + "/onenote";
    const Json notebooks = Json::parse(Send(emulator, "GET", base + "/notebooks").Body);
    const Json& notebook = notebooks["value"][0];
    const std::regex guidId("1-[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    EXPECT_TRUE(std::regex_match(notebook["id"].get<std::string>(), guidId)) << notebook["id"];
    const std::string folder =
        "https://contoso-my.sharepoint.com/personal/ada_contoso_com/Documents/Notebooks/";
    EXPECT_EQ(notebook["links"]["oneNoteClientUrl"]["href"], "onenote:" + folder + "Mine");
    EXPECT_EQ(notebook["links"]["oneNoteWebUrl"]["href"], folder + "Mine");

    const Json search =
        Json::parse(Send(emulator, "GET", base + "/pages?top=100&filter=contains(title,'e')").Body);
    ASSERT_EQ(search["value"].size(), 1u);
    const std::string page = search["value"][0]["id"];
    EXPECT_TRUE(std::regex_match(page, std::regex("1-[0-9a-f]{32}![0-9]+-[0-9a-f-]{36}"))) << page;
    EXPECT_EQ(search["value"][0]["links"]["oneNoteClientUrl"]["href"].get<std::string>().rfind(
                  "onenote:" + folder, 0),
              0u);
    EXPECT_EQ(Send(emulator, "GET", base + "/pages/" + page + "/content?includeIDs=true").Status, 200);
    EXPECT_EQ(Send(emulator, "PATCH", base + "/pages/" + page + "/content",
                   R"([{"target":"title","action":"replace","content":"Done here"}])")
                  .Status,
              204);

    const auto found = Send(emulator, "POST", "/v1.0/me/onenote/notebooks/GetNotebookFromWebUrl",
                            Json{{"webUrl", folder + "Mine"}}.dump());
    ASSERT_EQ(found.Status, 200) << found.Body;
    const auto shared = rz::SharedNotebookFromAnswer(found.Body, emulator.BaseUrl());
    ASSERT_TRUE(shared.has_value()) << found.Body;
    EXPECT_EQ(shared->OwnerId, user);
    EXPECT_EQ(shared->Name, "Mine");
}

} // namespace
