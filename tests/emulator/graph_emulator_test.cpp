// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator itself, driven as a separate process the way every integration test uses it.
#include "account/http.h"
#include "emulator_process.h"
#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using rz::test::EmulatorProcess;
using Json = nlohmann::json;
using Ids = std::vector<std::string>;

constexpr const char* kUserId = "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c";
constexpr const char* kAccess = "access+token/=";
constexpr const char* kRefresh = "refresh+&=%token";
constexpr const char* kAuthorize = "/common/oauth2/v2.0/authorize";
constexpr const char* kHierarchy =
    "?expand=sections,sectionGroups(expand=sections,sectionGroups(levels=max;expand=sections))";

std::string Fixture(const std::string& extraSections = {})
{
    return R"({
      "user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c", "userPrincipalName": "ada@example.com",
               "displayName": "Ada Lovelace"},
      "tokens": {"authorizationCodes": ["code+with&odd=chars%", "M.C105_BAY.2.U.second"],
                 "accessTokens": ["access+token/="], "refreshTokens": ["refresh+&=%token"]},
      "notebooks": [
        {"displayName": "Work", "id": "nb-work",
         "sectionGroups": [{"displayName": "Projects", "id": "sg-projects",
            "sectionGroups": [{"displayName": "Deep", "id": "sg-deep",
               "sections": [{"displayName": "Deep Section", "id": "sec-deep", "pages": [
                  {"title": "Buried !{{tomorrow 08:00}}", "id": "pg-buried"}]}]}]}],
         "sections": [
           {"displayName": "Inbox", "id": "sec-inbox", "pages": [
             {"title": "Dentist !{{now+5m}}", "id": "pg-dentist",
              "lastModifiedDateTime": "{{now-1h}}"},
             {"title": "Standup !! {{time:now+10m}} [1,2,3]", "id": "pg-standup",
              "lastModifiedDateTime": "{{now-2h}}"},
             {"title": "!Project", "id": "pg-project", "lastModifiedDateTime": "{{now-3h}}",
              "paragraphs": ["Intro", {"text": "Call Bob !{{today 23:59}}", "tags": ["to-do", "important"]},
                             {"text": "A & B < C", "tags": "to-do:completed"},
                             {"text": "Milk", "tags": "to-do", "list": "ul"}, {"text": "Bread", "list": "ul"}]},
             {"title": "Plain notes", "id": "pg-plain", "lastModifiedDateTime": "{{now-4h}}"}]},
           {"displayName": "Damaged", "id": "sec-damaged", "errorCode": "20185",
            "pages": [{"title": "Hidden !2030-01-01 10:00", "id": "pg-hidden"}]})" +
           extraSections + R"(
         ]},
        {"displayName": "Home", "id": "nb-home"}
      ]
    })";
}

EmulatorProcess::Options WithFixture(std::string text, bool autoConsent = false, bool limits = false)
{
    EmulatorProcess::Options o;
    o.fixtureText = std::move(text);
    o.autoConsent = autoConsent;
    o.limits = limits;
    return o;
}

std::string Me(const std::string& tail)
{
    return "/v1.0/me" + tail;
}

Json Parse(const std::string& text)
{
    return Json::parse(text, nullptr, false);
}

// A token request as the client sends it: form-encoded, with its client id.
EmulatorProcess::Reply TokenCall(const EmulatorProcess& emu, const std::string& fields)
{
    return emu.Post("/common/oauth2/v2.0/token", "client_id=3f1c9a20-5b7e-4d18-9c61-0a2e7d4b8f53&" + fields,
                    "application/x-www-form-urlencoded");
}

EmulatorProcess::Reply Refresh(const EmulatorProcess& emu, const std::string& refreshToken)
{
    return TokenCall(emu, "grant_type=refresh_token&refresh_token=" + rz::FormEncode(refreshToken));
}

// A call and the status it must answer: POSTed when it has a body, else a GET with the fixture's token.
struct Call
{
    std::string path;
    int status;
    std::optional<std::string> body{};
};

void ExpectStatuses(const EmulatorProcess& emu, const std::vector<Call>& calls)
{
    for (const Call& c : calls) {
        const auto r = c.body ? emu.Post(c.path, *c.body) : emu.Get(c.path, kAccess);
        EXPECT_EQ(r.status, c.status) << c.path << " " << c.body.value_or("") << ": " << r.body;
    }
}

// One property of every item of a Graph list, in order.
Ids Field(const Json& list, const char* key)
{
    Ids out;
    for (const auto& item : list) {
        out.push_back(item[key]);
    }
    return out;
}

std::string LocalText(std::time_t t, const char* format)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

std::string UtcText(long long t)
{
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

// A template expanded at some moment between `before` and `after`: the text either end gives.
void ExpectExpandedBetween(const std::string& text, const std::string& prefix, long long before,
                           long long after, const char* format, const std::string& suffix = {})
{
    const auto at = [&](long long t) {
        return prefix + LocalText(static_cast<std::time_t>(t), format) + suffix;
    };
    EXPECT_TRUE(text == at(before) || text == at(after)) << text;
}

class EmulatorTest : public testing::Test
{
protected:
    EmulatorProcess emu{WithFixture(Fixture())};

    void SetUp() override { ASSERT_TRUE(emu.Running()) << emu.Error(); }
    // A clean exit also means no sanitizer finding in an instrumented build.
    void TearDown() override { EXPECT_EQ(emu.Stop(), 0); }

    Json GraphJson(const std::string& path)
    {
        const auto r = emu.Get(path, kAccess);
        EXPECT_EQ(r.status, 200) << path << ": " << r.body;
        return Parse(r.body);
    }
};

// --- fixture and templates ---------------------------------------------------------------

TEST(EmulatorFixtureTest, RefusesABadFixture)
{
    for (const char* text :
         {R"({"user": {"id": "x"}})",
          R"({"user": {"id": "x", "userPrincipalName": "a@b"}, "notebooks": [{"displayName": 5}]})",
          R"({"user": {"id": "x", "userPrincipalName": "a@b"}, "notebooks": [{"displayName": "N",
                                 "sections": [{"displayName": "S", "pages": [{"title": "{{soon}}"}]}]}]})",
          R"({"user": {"id": "x", "userPrincipalName": "a@b"}, "notebooks": [{"displayName": "N",
                                 "id": "same", "sections": [{"displayName": "S", "id": "same"}]}]})",
          "{\"user\": ", "[1, 2]"}) {
        EmulatorProcess bad(WithFixture(text));
        EXPECT_FALSE(bad.Running()) << text;
        EXPECT_FALSE(bad.Error().empty());
        EXPECT_EQ(bad.Stop(), 1) << text;
    }
}

TEST(EmulatorFixtureTest, KeepsTheGivenIdsAndExpandsTemplatesInLocalTime)
{
    // A zone far from UTC with a half-hour offset shows that local time is used.
    rz::test::ScopedTimeZone zone("Asia/Kathmandu");
    const std::time_t before = std::time(nullptr);
    EmulatorProcess emu(WithFixture(Fixture()));
    const std::time_t after = std::time(nullptr);
    ASSERT_TRUE(emu.Running()) << emu.Error();
    const Json account = Parse(emu.AccountJson());
    ASSERT_TRUE(account.is_object());
    // The fixture's ids are kept.
    EXPECT_EQ(account["user"]["id"], kUserId);
    ASSERT_EQ(account["notebooks"].size(), 2u);
    EXPECT_EQ(account["notebooks"][0]["id"], "nb-work");
    const Json& inbox = account["notebooks"][0]["sections"][0]["pages"];
    ASSERT_EQ(inbox.size(), 4u);

    ExpectExpandedBetween(inbox[0]["title"], "Dentist !", before + 300, after + 300, "%Y-%m-%d %H:%M");
    ExpectExpandedBetween(inbox[1]["title"], "Standup !! ", before + 600, after + 600, "%H:%M", " [1,2,3]");
    const Json& deep = account["notebooks"][0]["sectionGroups"][0]["sectionGroups"][0]["sections"][0];
    EXPECT_EQ(deep["id"], "sec-deep");
    EXPECT_EQ(deep["pages"][0]["title"].get<std::string>(),
              "Buried !" + LocalText(after + 86400, "%Y-%m-%d") + " 08:00");
    const std::string todo = inbox[2]["paragraphs"][1]["text"];
    EXPECT_EQ(todo, "Call Bob !" + LocalText(after, "%Y-%m-%d") + " 23:59");
}

// --- identity platform -------------------------------------------------------------------

TEST(EmulatorIdentityTest, AutoConsentRedirectsWithCodeAndUsername)
{
    EmulatorProcess emu(WithFixture(Fixture(), true));
    ASSERT_TRUE(emu.Running()) << emu.Error();
    const std::string redirect = emu.BaseUrl() + "/oauth20_desktop.srf";
    const auto r = emu.Get(std::string(kAuthorize) +
                           "?client_id=abc&response_type=code&response_mode=query"
                           "&scope=offline_access%20User.Read&redirect_uri=" +
                           redirect);
    EXPECT_EQ(r.status, 302);
    EXPECT_EQ(r.Header("Location"),
              redirect + "?code=" + rz::FormEncode("code+with&odd=chars%") + "&username=ada%40example.com");
    // The predefined codes are handed out in order, then random ones.
    const auto second =
        emu.Get(std::string(kAuthorize) + "?client_id=abc&response_type=code&redirect_uri=" + redirect);
    EXPECT_EQ(second.Header("Location").rfind(redirect + "?code=M.C105_BAY.2.U.second&username=", 0), 0u);
}

TEST_F(EmulatorTest, SignInFormSubmitsToTheRedirect)
{
    const std::string redirect = emu.BaseUrl() + "/oauth20_desktop.srf";
    const std::string query = "client_id=abc&response_type=code&redirect_uri=" + rz::FormEncode(redirect);
    const auto page = emu.Get(std::string(kAuthorize) + "?" + query);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<form id=\"signin\""), std::string::npos);
    const auto submit = [&](const char* login) {
        return emu.Post(kAuthorize, query + "&login=" + login + "&action=accept",
                        "application/x-www-form-urlencoded");
    };
    const auto wrong = submit("eve%40example.com");
    EXPECT_EQ(wrong.status, 200);
    EXPECT_NE(wrong.body.find("id=\"problem\""), std::string::npos);
    const auto ok = submit("ADA%40example.com");
    EXPECT_EQ(ok.status, 302);
    EXPECT_EQ(ok.Header("Location").rfind(redirect + "?code=", 0), 0u);
    EXPECT_NE(ok.Header("Location").find("&username=ada%40example.com"), std::string::npos);
    const std::string bare = std::string(kAuthorize) + "?client_id=abc&response_type=code&redirect_uri=";
    ExpectStatuses(emu,
                   {{std::string(kAuthorize) + "?client_id=abc", 400},
                    {bare + "oauth20_desktop.srf", 400},
                    {bare + "http%3A%2F%2Fa%0D%0ASet-Cookie%3A%20x", 400},
                    {"/oauth20_desktop.srf", 200},
                    {"/oauth20_logout.srf?client_id=abc&redirect_uri=" + rz::FormEncode(redirect), 200}});
}

TEST_F(EmulatorTest, CodeExchangeAnswersCompactTokensOnce)
{
    const std::string fields =
        "grant_type=authorization_code&code=" + rz::FormEncode("code+with&odd=chars%") +
        "&redirect_uri=https%3A%2F%2Flogin.live.com%2Foauth20_desktop.srf";
    const auto r = TokenCall(emu, fields);
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(r.body.find(": "), std::string::npos);
    const size_t type = r.body.find("\"token_type\":\"Bearer\"");
    const size_t scope = r.body.find("\"scope\":\"");
    const size_t expires = r.body.find("\"expires_in\":3600");
    const size_t access = r.body.find("\"access_token\":\"");
    const size_t refresh = r.body.find("\"refresh_token\":\"");
    EXPECT_TRUE(type == 1 && type < scope && scope < expires && expires < access && access < refresh)
        << r.body;

    const auto again = TokenCall(emu, fields);
    EXPECT_EQ(again.status, 400);
    EXPECT_EQ(Parse(again.body)["error"], "invalid_grant");

    // The new access token works.
    const std::string token = Parse(r.body)["access_token"];
    EXPECT_EQ(emu.Get(Me(""), token).status, 200);
}

TEST_F(EmulatorTest, RefreshIssuesNewTokensAndTheUsedOneStaysValid)
{
    // Unencoded, "+" reads as a blank and "&" ends the value: the token arrives changed.
    const auto unencoded = TokenCall(emu, std::string("grant_type=refresh_token&refresh_token=") + kRefresh);
    EXPECT_EQ(unencoded.status, 400);
    EXPECT_EQ(Parse(unencoded.body)["error"], "invalid_grant");

    const auto first = Refresh(emu, kRefresh);
    ASSERT_EQ(first.status, 200) << first.body;
    const Json tokens = Parse(first.body);
    const std::string refresh = tokens["refresh_token"];
    EXPECT_NE(refresh, kRefresh);

    // The identity platform does not revoke a refresh token when it is used.
    const auto reused = Refresh(emu, kRefresh);
    EXPECT_EQ(reused.status, 200) << reused.body;

    EXPECT_EQ(Refresh(emu, refresh).status, 200);
    EXPECT_EQ(emu.Get(Me(""), tokens["access_token"].get<std::string>()).status, 200);
}

TEST_F(EmulatorTest, RefusesMalformedTokenRequests)
{
    for (const char* form :
         {"", "grant_type=password&client_id=abc", "grant_type=authorization_code",
          "grant_type=authorization_code&client_id=abc", "grant_type=refresh_token&client_id=abc"}) {
        const auto r = emu.Post("/common/oauth2/v2.0/token", form, "application/x-www-form-urlencoded");
        EXPECT_EQ(r.status, 400) << form;
        EXPECT_TRUE(Parse(r.body).contains("error")) << form;
    }
    EXPECT_EQ(emu.Post("/common/oauth2/v2.0/token", "{}", "application/json").status, 400);
}

// --- Graph --------------------------------------------------------------------------------

TEST_F(EmulatorTest, MeAnswersTheUserOnlyForAValidBearerToken)
{
    for (const std::string& path : {Me(""), std::string("/v1.0/users/") + kUserId}) {
        const auto r = emu.Get(path, kAccess);
        EXPECT_EQ(r.status, 200);
        EXPECT_NE(r.body.find(std::string("\"id\":\"") + kUserId + "\""), std::string::npos) << r.body;
        EXPECT_NE(r.body.find("\"userPrincipalName\":\"ada@example.com\""), std::string::npos);
    }
    EXPECT_EQ(emu.Get("/v1.0/users/someone-else", kAccess).status, 404);
    for (const std::string& token : {std::string(), std::string("not-a-token")}) {
        const auto r = emu.Get(Me(""), token);
        EXPECT_EQ(r.status, 401);
        EXPECT_EQ(r.body.rfind("{\"error\":{", 0), 0u) << r.body;
    }
    // The service root needs no token.
    const auto root = emu.Get("/");
    EXPECT_EQ(root.status, 200);
    EXPECT_NE(root.body.find("</html>"), std::string::npos);
    ASSERT_TRUE(emu.ExpireTokens());
    ExpectStatuses(emu, {{Me(""), 401}, {Me("/onenote/notebooks"), 401}});
}

TEST_F(EmulatorTest, NotebookListsTakeTheServiceShapeWithAndWithoutTheHierarchy)
{
    const auto r = emu.Get(Me("/onenote/notebooks"), kAccess);
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body.rfind("{\"@odata.context\":", 0), 0u);
    EXPECT_NE(r.body.find("\"value\":["), std::string::npos);
    const Json j = Parse(r.body);
    ASSERT_EQ(j["value"].size(), 2u);
    EXPECT_FALSE(j["value"][0].contains("sections"));
    for (const char* key :
         {"id", "self", "createdDateTime", "displayName", "lastModifiedDateTime", "links"}) {
        EXPECT_TRUE(j["value"][0].contains(key)) << key;
    }
    // Both address forms answer the same text, so clients comparing texts see no change.
    EXPECT_EQ(emu.Get(std::string("/v1.0/users/") + kUserId + "/onenote/notebooks", kAccess).body, r.body);

    const Json all = GraphJson(std::string("/v1.0/users/") + kUserId + "/onenote/notebooks" + kHierarchy);
    ASSERT_TRUE(all.contains("@odata.context"));
    // By name: Home before Work, Damaged before Inbox.
    EXPECT_TRUE(all["value"][0]["sections"].empty());
    const Json& work = all["value"][1];
    EXPECT_EQ(work["sections"][1]["displayName"], "Inbox");
    EXPECT_TRUE(work.contains("sectionGroups@odata.context"));
    EXPECT_EQ(work["sectionGroups"][0]["sectionGroups"][0]["sections"][0]["id"], "sec-deep");
    EXPECT_TRUE(work["sections"][0].contains("lastModifiedDateTime"));
    EXPECT_EQ(emu.Get(Me("/onenote/notebooks?expand=sections"), kAccess).status, 400);
}

// The service lists notebooks, section groups and sections by name, ascending, at every level.
TEST(EmulatorOrderTest, ListsComeByNameAtEveryLevel)
{
    EmulatorProcess emu(WithFixture(R"({
      "user": {"id": "0123456789abcdef", "userPrincipalName": "ada@example.com"},
      "tokens": {"accessTokens": ["access+token/="]},
      "notebooks": [
        {"displayName": "beta"},
        {"displayName": "Alpha", "id": "nb-alpha",
         "sections": [{"displayName": "b"}, {"displayName": "A"}, {"displayName": "c"}],
         "sectionGroups": [
           {"displayName": "Zed"},
           {"displayName": "mid", "sections": [{"displayName": "y"}, {"displayName": "X"}],
            "sectionGroups": [{"displayName": "q"}, {"displayName": "P",
                               "sections": [{"displayName": "2"}, {"displayName": "10"}]}]}]},
        {"displayName": "Gamma"}
      ]})"));
    ASSERT_TRUE(emu.Running()) << emu.Error();
    const Json plain = Parse(emu.Get(Me("/onenote/notebooks"), kAccess).body);
    const Json all = Parse(emu.Get(Me("/onenote/notebooks") + kHierarchy, kAccess).body);
    ASSERT_EQ(all["value"].size(), 3u);
    const Json& alpha = all["value"][0];
    const Json& mid = alpha["sectionGroups"][0];
    const struct
    {
        const Json& list;
        Ids expected;
    } levels[] = {
        {plain["value"], {"Alpha", "beta", "Gamma"}},
        {all["value"], {"Alpha", "beta", "Gamma"}},
        {alpha["sections"], {"A", "b", "c"}},
        {alpha["sectionGroups"], {"mid", "Zed"}},
        {mid["sections"], {"X", "y"}},
        {mid["sectionGroups"], {"P", "q"}},
        {mid["sectionGroups"][0]["sections"], {"10", "2"}},
    };
    for (const auto& level : levels) {
        EXPECT_EQ(Field(level.list, "displayName"), level.expected);
    }
    // A rename moves the item to its new place.
    const Json account = Parse(emu.AccountJson());
    const std::string sectionA = account["notebooks"][1]["sections"][1]["id"];
    ASSERT_EQ(emu.Post("/_emulator/rename", Json{{"id", sectionA}, {"name", "d"}}.dump()).status, 200);
    const Json renamed = Parse(emu.Get(Me("/onenote/notebooks") + kHierarchy, kAccess).body);
    EXPECT_EQ(Field(renamed["value"][0]["sections"], "displayName"), (Ids{"b", "c", "d"}));
}

TEST_F(EmulatorTest, PageListsKeepTopAndTheServiceShape)
{
    const Json j = GraphJson(Me("/onenote/sections/sec-inbox/pages?$top=100"));
    ASSERT_EQ(j["value"].size(), 4u);
    EXPECT_FALSE(j.contains("@odata.nextLink"));
    // Newest change first.
    EXPECT_EQ(j["value"][0]["id"], "pg-dentist");
    EXPECT_EQ(j["value"][3]["id"], "pg-plain");
    const Json& page = j["value"][0];
    for (const char* key :
         {"id", "self", "title", "createdDateTime", "lastModifiedDateTime", "contentUrl", "parentSection"}) {
        EXPECT_TRUE(page.contains(key)) << key;
    }
    const std::string client = page["links"]["oneNoteClientUrl"]["href"];
    EXPECT_TRUE(std::regex_search(client, std::regex(R"(&page-id=\{[0-9A-F-]{36}\}&end$)"))) << client;
    EXPECT_TRUE(page["links"]["oneNoteWebUrl"].contains("href"));
    EXPECT_TRUE(std::regex_match(page["lastModifiedDateTime"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));

    // With "top" the client pages by "skip" itself: no next link.
    const Json two = GraphJson(Me("/onenote/sections/sec-inbox/pages?$top=2"));
    EXPECT_EQ(two["value"].size(), 2u);
    EXPECT_FALSE(two.contains("@odata.nextLink"));
    EXPECT_EQ(GraphJson(Me("/onenote/sections/sec-inbox/pages?$top=2&$skip=3"))["value"].size(), 1u);
    ExpectStatuses(emu, {{Me("/onenote/sections/sec-inbox/pages?$top=x"), 400},
                         {Me("/onenote/sections/nope/pages?$top=100"), 404}});

    // A refused section answers its error code, not an authentication failure.
    const auto refused = emu.Get(Me("/onenote/sections/sec-damaged/pages?$top=100"), kAccess);
    EXPECT_EQ(refused.body.rfind("{\"error\":{", 0), 0u) << refused.body;
    EXPECT_NE(refused.body.find("\"code\":\"20185\""), std::string::npos);
    EXPECT_NE(refused.status, 401);
}

TEST(EmulatorPagingTest, TopAboveOneHundredIsRefusedAndNextLinksOnlyWithoutTop)
{
    std::string pages;
    for (int i = 0; i < 150; ++i) {
        pages += std::string(i ? "," : "") + "{\"title\": \"Page " + std::to_string(i) + "\"}";
    }
    EmulatorProcess emu(
        WithFixture(Fixture(R"(, {"displayName": "Big", "id": "sec-big", "pages": [)" + pages + "]}")));
    ASSERT_TRUE(emu.Running()) << emu.Error();
    const std::string big = Me("/onenote/sections/sec-big/pages");
    const std::string search = Me("/onenote/pages");
    const struct
    {
        std::string query;
        int status;
        size_t count;
        bool nextLink;
    } cases[] = {
        {big + "?$top=100", 200, 100, false},
        {big + "?$top=100&$skip=100", 200, 50, false},
        {big + "?top=101", 400, 0, false},
        {big + "?$top=500", 400, 0, false},
        {big + "?$skip=140", 200, 10, false},
        {big, 200, 20, true},
        {search + "?top=100&filter=contains(title,'Page')", 200, 100, false},
        {search + "?top=200&filter=contains(title,'Page')", 400, 0, false},
        {search + "?filter=contains(title,'Page')", 200, 20, true},
    };
    for (const auto& c : cases) {
        const auto r = emu.Get(c.query, kAccess);
        EXPECT_EQ(r.status, c.status) << c.query << ": " << r.body;
        const Json j = Parse(r.body);
        if (c.status != 200) {
            EXPECT_EQ(j["error"]["code"], "20129") << c.query;
            continue;
        }
        EXPECT_EQ(j["value"].size(), c.count) << c.query;
        EXPECT_EQ(j.contains("@odata.nextLink"), c.nextLink) << c.query;
    }
    // Following the next links reaches every page once, the filter, order and
    // selection kept throughout.
    for (const std::string& first : {big, search + "?filter=contains(title,'Page')",
                                     search + "?$orderby=title%20asc&$select=id,title"}) {
        std::vector<std::string> seen;
        std::string next = first;
        for (int guard = 0; !next.empty() && guard < 20; ++guard) {
            const Json j = Parse(emu.Get(next, kAccess).body);
            ASSERT_TRUE(j.contains("value")) << next;
            for (const auto& p : j["value"]) {
                seen.push_back(p["id"]);
                // The selection carries over: id and title only.
                EXPECT_EQ(p.size(), first.find("select") == std::string::npos ? 10u : 2u) << next;
            }
            next = j.contains("@odata.nextLink")
                       ? j["@odata.nextLink"].get<std::string>().substr(emu.BaseUrl().size())
                       : std::string();
        }
        EXPECT_EQ(seen.size(), first.find("orderby") == std::string::npos ? 150u : 155u) << first;
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << first;
    }
}

TEST_F(EmulatorTest, TitleSearchFindsBangTitles)
{
    const Json j = GraphJson(std::string("/v1.0/users/") + kUserId +
                             "/onenote/pages?top=100&filter=contains(title,%20'!')");
    std::vector<std::string> ids;
    for (const auto& p : j["value"]) {
        EXPECT_NE(p["title"].get<std::string>().find('!'), std::string::npos);
        ids.push_back(p["id"]);
    }
    // The refused section's pages stay out; the rest come newest first.
    EXPECT_EQ(ids, (std::vector<std::string>{"pg-dentist", "pg-standup", "pg-project", "pg-buried"}));
    // The client escapes the blank and the quote marks.
    EXPECT_EQ(GraphJson(Me("/onenote/pages?top=100&filter=contains(title,%20%27!%27)"))["value"].size(),
              ids.size());
    const Json firstTwo = GraphJson(Me("/onenote/pages?top=2&filter=contains(title,'!')"));
    EXPECT_EQ(firstTwo["value"].size(), 2u);
    const Json rest = GraphJson(Me("/onenote/pages?top=2&skip=2&filter=contains(title,'!')"));
    ASSERT_EQ(rest["value"].size(), 2u);
    EXPECT_EQ(rest["value"][0]["id"], "pg-project");
    EXPECT_EQ(emu.Get(Me("/onenote/pages?filter=startswith(title,'x')"), kAccess).status, 400);
}

// The account-wide listing a client uses to find recently changed pages.
TEST_F(EmulatorTest, AccountPageListOrdersFiltersSelectsAndPages)
{
    const Json all = GraphJson(Me("/onenote/pages"));
    std::map<std::string, std::string> changed;
    for (const auto& p : all["value"]) {
        changed[p["id"]] = p["lastModifiedDateTime"];
    }
    const std::string project = changed["pg-project"];
    using Ids = std::vector<std::string>;
    const Ids newestFirst = {"pg-dentist", "pg-standup", "pg-project", "pg-plain", "pg-buried"};
    const Ids oldestFirst(newestFirst.rbegin(), newestFirst.rend());
    const struct
    {
        std::string query;
        Ids expected;
    } cases[] = {
        {"", newestFirst}, // the service's default order; the refused section's page left out
        {"?$orderby=lastModifiedDateTime%20desc", newestFirst},
        {"?$orderby=lastModifiedDateTime%20asc", oldestFirst},
        {"?orderby=lastModifiedDateTime", oldestFirst}, // OData's default direction
        {"?$top=2", {"pg-dentist", "pg-standup"}},
        {"?$top=2&$skip=2", {"pg-project", "pg-plain"}},
        {"?$skip=4", {"pg-buried"}},
        {"?$filter=lastModifiedDateTime%20gt%20" + project, {"pg-dentist", "pg-standup"}},
        {"?$filter=lastModifiedDateTime%20ge%20" + project, {"pg-dentist", "pg-standup", "pg-project"}},
        {"?$filter=lastModifiedDateTime%20lt%20" + project + "&$orderby=lastModifiedDateTime%20asc",
         {"pg-buried", "pg-plain"}},
        {"?$filter=contains(title,'!')&$orderby=lastModifiedDateTime%20desc&$top=3",
         {"pg-dentist", "pg-standup", "pg-project"}},
    };
    for (const auto& c : cases) {
        const Json j = GraphJson(Me("/onenote/pages" + c.query));
        EXPECT_EQ(Field(j["value"], "id"), c.expected) << c.query;
        EXPECT_FALSE(j.contains("@odata.nextLink")) << c.query;
    }
    EXPECT_EQ(all["value"].size(), changed.size());

    const Json selected = GraphJson(Me("/onenote/pages?$select=id,title,lastModifiedDateTime,links&$top=1"));
    ASSERT_EQ(selected["value"].size(), 1u);
    std::vector<std::string> keys;
    for (const auto& [key, value] : selected["value"][0].items()) {
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "lastModifiedDateTime", "links", "title"}));
    EXPECT_TRUE(selected["@odata.context"].get<std::string>().ends_with(
        "/onenote/pages(id,title,lastModifiedDateTime,links)"));

    for (const char* bad : {"?$top=101", "?$orderby=color", "?$orderby=title%20up", "?$select=id,color",
                            "?$filter=lastModifiedDateTime%20eq%202024-01-01T00:00:00Z",
                            "?$filter=lastModifiedDateTime%20gt%20soon"}) {
        const auto r = emu.Get(Me(std::string("/onenote/pages") + bad), kAccess);
        EXPECT_EQ(r.status, 400) << bad;
        EXPECT_EQ(r.body.rfind("{\"error\":{", 0), 0u) << bad;
    }
    EXPECT_EQ(Parse(emu.Get(Me("/onenote/pages?$top=101"), kAccess).body)["error"]["code"], "20129");
}

// Each kind of OneNote request has its own counter, so tests can tell a client's requests apart.
TEST_F(EmulatorTest, RouteCountersTellRequestsApart)
{
    ASSERT_TRUE(emu.ResetCounters());
    const struct
    {
        std::string path;
        const char* route;
    } requests[] = {
        {Me("/onenote/notebooks"), "notebooks"},
        {Me("/onenote/notebooks") + kHierarchy, "hierarchy"},
        {Me("/onenote/sections/sec-inbox/pages?$top=100"), "pages"},
        {Me("/onenote/pages?top=100&filter=contains(title,'!')"), "search"},
        {Me("/onenote/pages?$filter=contains(title,%27!%27)"), "search"},
        {Me("/onenote/pages?$orderby=lastModifiedDateTime%20desc&$top=20"), "pagelist"},
        {Me("/onenote/pages"), "pagelist"},
        {Me("/onenote/pages?$filter=lastModifiedDateTime%20gt%202024-01-01T00:00:00Z"), "pagelist"},
        {Me("/onenote/pages/pg-project/content?includeIDs=true"), "content"},
        {Me(""), "me"},
    };
    std::map<std::string, long> expected;
    for (const auto& r : requests) {
        EXPECT_EQ(emu.Get(r.path, kAccess).status, 200) << r.path;
        ++expected[r.route];
    }
    for (const auto& [route, n] : expected) {
        EXPECT_EQ(emu.RequestCount(route), n) << route;
    }
}

TEST_F(EmulatorTest, PageContentCarriesIdsAndTags)
{
    const auto r = emu.Get(Me("/onenote/pages/pg-project/content?includeIDs=true"), kAccess);
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<title>!Project</title>"), std::string::npos);
    EXPECT_NE(r.body.find("<meta "), std::string::npos);
    EXPECT_NE(r.body.find("</html>"), std::string::npos);
    const std::regex tagged(
        R"re(<p id="p:\{[0-9a-f-]{36}\}\{\d+\}" data-tag="to-do,important"[^>]*>Call Bob !)re");
    EXPECT_TRUE(std::regex_search(r.body, tagged)) << r.body;
    EXPECT_NE(r.body.find("data-tag=\"to-do:completed\""), std::string::npos);
    EXPECT_NE(r.body.find("A &amp; B &lt; C"), std::string::npos);
    // List items in one list, a tag on a span inside the item.
    const std::regex list(
        R"re(<ul>\s*<li id="li:\{[0-9a-f-]{36}\}\{\d+\}"><span data-tag="to-do">Milk</span></li>)re"
        R"re(\s*<li id="li:[^"]*">Bread</li>\s*</ul>)re");
    EXPECT_TRUE(std::regex_search(r.body, list)) << r.body;

    const auto plain = emu.Get(Me("/onenote/pages/pg-project/content"), kAccess);
    EXPECT_EQ(plain.body.find("id=\"p:"), std::string::npos);
    EXPECT_EQ(emu.Get(Me("/onenote/pages/nope/content?includeIDs=true"), kAccess).status, 404);
    EXPECT_NE(emu.Get(Me("/onenote/pages/pg-hidden/content"), kAccess).body.find("\"code\":\"20185\""),
              std::string::npos);
}

TEST_F(EmulatorTest, PageChangeMovesSectionAndNotebookTimes)
{
    const auto times = [&] {
        const Json j = GraphJson(Me(std::string("/onenote/notebooks") + kHierarchy));
        // Home, then Work with Damaged and Inbox.
        return std::tuple{j["value"][1]["lastModifiedDateTime"].get<std::string>(),
                          j["value"][1]["sections"][1]["lastModifiedDateTime"].get<std::string>(),
                          j["value"][0]["lastModifiedDateTime"].get<std::string>()};
    };
    const auto [notebook, section, other] = times();
    ASSERT_EQ(emu.Post("/_emulator/page", R"({"id": "pg-plain", "title": "Plain notes !{{now+1h}}"})").status,
              200);
    const auto [notebook2, section2, other2] = times();
    EXPECT_GT(notebook2, notebook);
    EXPECT_GT(section2, section);
    EXPECT_EQ(other2, other);
    // A second change in the same second still shows.
    ASSERT_EQ(emu.Post("/_emulator/page", R"({"id": "pg-plain", "paragraphs": ["new"]})").status, 200);
    EXPECT_GT(std::get<1>(times()), section2);
}

// --- administration ------------------------------------------------------------------------

// OneNote may number a page's elements anew after an update: same content, new ids.
TEST_F(EmulatorTest, RenumberGivesEveryElementANewIdAndKeepsTheContent)
{
    const std::string content = Me("/onenote/pages/pg-project/content?includeIDs=true");
    const std::regex idPattern(R"( id="[a-z]+:\{[0-9a-f-]{36}\}\{\d+\}")");
    const auto ids = [&](const std::string& html) {
        Ids out;
        for (std::sregex_iterator it(html.begin(), html.end(), idPattern), end; it != end; ++it) {
            out.push_back(it->str());
        }
        return out;
    };
    const auto stamp = [&] {
        const Json list = GraphJson(Me("/onenote/sections/sec-inbox/pages"));
        for (const auto& p : list["value"]) {
            if (p["id"] == "pg-project") {
                return p["lastModifiedDateTime"].get<std::string>();
            }
        }
        return std::string();
    };
    const std::string before = emu.Get(content, kAccess).body;
    const auto oldIds = ids(before);
    ASSERT_EQ(oldIds.size(), 6u); // the div, three paragraphs and two list items
    const std::string oldStamp = stamp();

    ASSERT_EQ(emu.Post("/_emulator/page", R"({"id": "pg-project", "renumber": true})").status, 200);
    const std::string after = emu.Get(content, kAccess).body;
    const auto newIds = ids(after);
    ASSERT_EQ(newIds.size(), oldIds.size());
    for (const auto& id : newIds) {
        EXPECT_EQ(std::find(oldIds.begin(), oldIds.end(), id), oldIds.end()) << id << " was kept";
    }
    EXPECT_EQ(std::regex_replace(after, idPattern, ""), std::regex_replace(before, idPattern, ""));
    EXPECT_GT(stamp(), oldStamp);

    // Refused calls change nothing.
    const std::string kept = emu.Get(content, kAccess).body;
    ExpectStatuses(emu, {{"/_emulator/page", 400, R"({"id": "pg-project", "renumber": "yes"})"},
                         {"/_emulator/page", 400,
                          R"({"id": "pg-project", "content": "<html></html>", "renumber": true})"}});
    EXPECT_EQ(emu.Get(content, kAccess).body, kept);
}

TEST_F(EmulatorTest, AdministrationChangesTheAccount)
{
    const auto add =
        emu.Post("/_emulator/add", R"({"kind": "section", "parentId": "nb-home", "displayName": "New",
                                                   "pages": [{"title": "Fresh !{{now+1d}}"}]})");
    ASSERT_EQ(add.status, 200) << add.body;
    const std::string sectionId = Parse(add.body)["id"];
    EXPECT_EQ(GraphJson(Me("/onenote/sections/" + sectionId + "/pages?$top=100"))["value"].size(), 1u);

    ExpectStatuses(emu,
                   {{"/_emulator/rename", 200, R"({"id": "sec-inbox", "name": "Inbox 2"})"},
                    {"/_emulator/move", 200, "{\"id\": \"" + sectionId + "\", \"parentId\": \"sg-deep\"}"},
                    // A group into its own descendant, a page into a notebook.
                    {"/_emulator/move", 400, R"({"id": "sg-projects", "parentId": "sg-deep"})"},
                    {"/_emulator/move", 400, R"({"id": "pg-plain", "parentId": "nb-home"})"},
                    {"/_emulator/delete", 200, R"({"id": "pg-dentist"})"},
                    {"/_emulator/delete", 404, R"({"id": "pg-dentist"})"}});

    const Json j = GraphJson(Me(std::string("/onenote/notebooks") + kHierarchy));
    const Json& work = j["value"][1];
    EXPECT_EQ(work["sections"][1]["displayName"], "Inbox 2");
    EXPECT_EQ(work["sectionGroups"][0]["sectionGroups"][0]["sections"][1]["id"], sectionId);
    EXPECT_EQ(GraphJson(Me("/onenote/sections/sec-inbox/pages"))["value"].size(), 3u);

    const auto unnamed = emu.Post("/_emulator/rename", R"({"id": "sec-inbox"})");
    EXPECT_EQ(unnamed.status, 400);
    EXPECT_NE(unnamed.body.find(R"(\"name\" must be a string)"), std::string::npos) << unnamed.body;
    ExpectStatuses(
        emu, {{"/_emulator/add", 400, "{not json"},
              {"/_emulator/add", 400, R"({"kind": "page", "parentId": "nb-home", "title": "x"})"},
              {"/_emulator/add", 400, R"({"kind": "shelf"})"},
              {"/_emulator/page", 404, R"({"id": "sec-inbox"})"},
              {"/_emulator/section", 404, R"({"id": "pg-plain", "errorCode": ""})"},
              // A refused update leaves the section readable.
              {"/_emulator/section", 400, R"({"id": "sec-inbox", "errorCode": "20185", "errorStatus": 300})"},
              {Me("/onenote/sections/sec-inbox/pages"), 200},
              {"/_emulator/section", 200, R"({"id": "sec-damaged", "errorCode": ""})"},
              {Me("/onenote/sections/sec-damaged/pages"), 200}});
}

// --- faults and limits --------------------------------------------------------------------

TEST_F(EmulatorTest, FaultsFireExactlyAsOftenAsQueued)
{
    ASSERT_TRUE(emu.QueueFault(R"({"route": "me", "status": 500, "body": "boom", "count": 2})"));
    ASSERT_TRUE(emu.QueueFault(R"({"route": "pages", "match": "sec-deep", "graphError": "20185"})"));
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 500);
    EXPECT_EQ(emu.Get(Me(""), kAccess).body, "boom");
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 200);
    EXPECT_EQ(emu.Get(Me("/onenote/sections/sec-inbox/pages"), kAccess).status, 200);
    EXPECT_NE(emu.Get(Me("/onenote/sections/sec-deep/pages"), kAccess).body.find("\"code\":\"20185\""),
              std::string::npos);
    EXPECT_EQ(emu.Get(Me("/onenote/sections/sec-deep/pages"), kAccess).status, 200);
    EXPECT_EQ(emu.Get("/_emulator/faults").body, "[]");
    EXPECT_EQ(emu.RequestCount("me"), 3);
    EXPECT_EQ(emu.RequestCount("pages"), 3);

    EXPECT_FALSE(emu.QueueFault(R"({"route": "me"})"));
    EXPECT_FALSE(emu.QueueFault(R"({"route": "me", "status": 99})"));
    EXPECT_FALSE(emu.QueueFault(R"({"route": "me", "drop": true, "cutOff": true})"));

    // The service's throttling answer carries no Retry-After; a queued header is sent as given.
    ASSERT_TRUE(emu.QueueFault(R"({"route": "notebooks", "graphError": "20166"})"));
    const auto r = emu.Get(Me("/onenote/notebooks"), kAccess);
    EXPECT_EQ(r.status, 429);
    EXPECT_NE(r.body.find("\"code\":\"20166\""), std::string::npos);
    EXPECT_EQ(r.Header("Retry-After"), "");
    ASSERT_TRUE(emu.QueueFault(R"({"route": "notebooks", "status": 429, "headers": {"Retry-After": "3"}})"));
    EXPECT_EQ(emu.Get(Me("/onenote/notebooks"), kAccess).Header("Retry-After"), "3");
}

TEST_F(EmulatorTest, CutOffDroppedAndDelayedAnswers)
{
    const std::string content = Me("/onenote/pages/pg-project/content?includeIDs=true");
    ASSERT_TRUE(
        emu.QueueFault(R"([{"route": "content", "cutOff": true}, {"route": "content", "drop": true}])"));
    const auto cut = emu.Get(content, kAccess);
    EXPECT_EQ(cut.status, 200);
    EXPECT_LT(cut.body.size(), std::stoul(cut.Header("Content-Length")));
    EXPECT_EQ(cut.body.find("</html>"), std::string::npos);
    EXPECT_EQ(emu.Get(content, kAccess).status, 0);
    EXPECT_NE(emu.Get(Me("/onenote/pages/pg-project/content"), kAccess).body.find("</html>"),
              std::string::npos);

    ASSERT_TRUE(emu.QueueFault(R"({"route": "me", "delayMs": 5000})"));
    emu.SetCallTimeout(300);
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 0);
    emu.SetCallTimeout(15000);
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 200);
}

// The codes that ask to try again go out with the statuses of Graph's general list and no
// Retry-After; a status queued beside a code sends it with that status.
TEST_F(EmulatorTest, CodesThatAskToTryAgainGoOutWithTheirStatuses)
{
    const std::string pages = Me("/onenote/sections/sec-inbox/pages");
    const std::tuple<const char*, int, int> rows[] = {
        {"10002", 0, 503}, {"10003", 0, 429}, {"10007", 0, 503},  {"10014", 0, 503},
        {"10015", 0, 503}, {"30103", 0, 503}, {"10007", 403, 403}};
    for (const auto& [code, queued, status] : rows) {
        Json fault = {{"route", "pages"}, {"graphError", code}};
        if (queued != 0) {
            fault["status"] = queued;
        }
        ASSERT_TRUE(emu.QueueFault(fault.dump()));
        const auto refused = emu.Get(pages, kAccess);
        EXPECT_EQ(refused.status, status) << code;
        EXPECT_EQ(Json::parse(refused.body)["error"]["code"], code);
        EXPECT_EQ(refused.Header("Retry-After"), "") << code;
    }
    EXPECT_EQ(emu.Get(pages, kAccess).status, 200);
}

// Five OneNote requests of an application may be in flight for the user: a sixth is refused with 429
// and code 20166, without Retry-After, and the places free as the answers go out.
TEST_F(EmulatorTest, ASixthOneNoteRequestInFlightIsRefused)
{
    const auto counters = [&] { return Json::parse(emu.Get("/_emulator/counters").body); };
    ASSERT_TRUE(emu.QueueFault(R"({"route": "notebooks", "count": 5, "delayMs": 2000})"));
    std::atomic<int> answered{0};
    std::vector<std::thread> held;
    for (int i = 0; i < 5; ++i) {
        held.emplace_back([&] { answered += emu.Get(Me("/onenote/notebooks"), kAccess).status == 200; });
    }
    for (int wait = 0; wait < 500 && counters()["inFlight"] != 5; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(counters()["inFlight"], 5);
    const auto sixth = emu.Get(Me("/onenote/sections/sec-inbox/pages"), kAccess);
    EXPECT_EQ(sixth.status, 429);
    EXPECT_EQ(Json::parse(sixth.body)["error"]["code"], "20166");
    EXPECT_EQ(sixth.Header("Retry-After"), "");
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 200); // not a OneNote request
    for (std::thread& thread : held) {
        thread.join();
    }
    EXPECT_EQ(answered, 5);
    EXPECT_EQ(counters()["inFlight"], 0);
    EXPECT_EQ(counters()["mostInFlight"], 5);
    EXPECT_EQ(emu.Get(Me("/onenote/sections/sec-inbox/pages"), kAccess).status, 200);
}

// The limit windows follow the emulator's clock, so a test passes an hour in a call.
TEST(EmulatorLimitsTest, ThrottlesPast120AMinuteAnd400AnHourOnTheEmulatorClock)
{
    EmulatorProcess emu(WithFixture(Fixture(), false, true));
    ASSERT_TRUE(emu.Running()) << emu.Error();
    const auto send = [&](const std::string& path, int n) {
        int ok = 0;
        for (int i = 0; i < n; ++i) {
            ok += emu.Get(path, kAccess).status == 200;
        }
        return ok;
    };
    const auto throttled = [&] { return emu.Get(Me("/onenote/notebooks"), kAccess).status == 429; };
    // 120 a minute: three full minutes, then 40 more reach the 400 of the hour.
    EXPECT_EQ(send(Me("/onenote/sections/sec-inbox/pages"), 120), 120);
    const auto refused = emu.Get(Me("/onenote/sections/sec-inbox/pages"), kAccess);
    EXPECT_EQ(refused.status, 429);
    EXPECT_NE(refused.body.find("\"code\":\"20166\""), std::string::npos);
    EXPECT_EQ(refused.Header("Retry-After"), "");
    EXPECT_TRUE(throttled());
    // Sign-in and the user lookup are not OneNote requests.
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 200);
    ASSERT_TRUE(emu.AdvanceClock(60));
    for (int minute = 1; minute < 3; ++minute) {
        EXPECT_EQ(send(Me("/onenote/notebooks"), 120), 120) << minute;
        EXPECT_TRUE(throttled()) << minute;
        ASSERT_TRUE(emu.AdvanceClock(60));
    }
    EXPECT_EQ(send(Me("/onenote/notebooks"), 40), 40);
    EXPECT_TRUE(throttled());
    // The account-wide page list is a OneNote request like the others.
    EXPECT_EQ(emu.Get(Me("/onenote/pages?$top=5"), kAccess).status, 429);
    ASSERT_TRUE(emu.AdvanceClock(60));
    EXPECT_TRUE(throttled()) << "the hour's 400 are spent";
    ASSERT_TRUE(emu.AdvanceClock(3600));
    // Admitted again; the fixture's access token (3600 s) has expired meanwhile.
    EXPECT_EQ(emu.Get(Me("/onenote/notebooks"), kAccess).status, 401);
    EXPECT_EQ(emu.Stop(), 0);
}

TEST_F(EmulatorTest, ClockMovesTokensTemplatesAndChangeStamps)
{
    const long long before = emu.ClockNow();
    ASSERT_GT(before, 0);
    EXPECT_NEAR(static_cast<double>(before), static_cast<double>(std::time(nullptr)), 5.0);
    ASSERT_TRUE(emu.AdvanceClock(2 * 86400));
    const long long now = emu.ClockNow();
    EXPECT_NEAR(static_cast<double>(now - before), 2.0 * 86400, 5.0);

    // The fixture's access token lived 3600 s.
    const auto expired = emu.Get(Me(""), kAccess);
    EXPECT_EQ(expired.status, 401);
    EXPECT_NE(expired.body.find("InvalidAuthenticationToken"), std::string::npos);
    // A refresh at the new time gives a token that works.
    const auto refreshed = Refresh(emu, kRefresh);
    ASSERT_EQ(refreshed.status, 200) << refreshed.body;
    const std::string token = Parse(refreshed.body)["access_token"];
    EXPECT_EQ(emu.Get(Me(""), token).status, 200);

    // Templates in admin calls and the change stamps use the emulator's time.
    ASSERT_EQ(emu.Post("/_emulator/page", R"({"id": "pg-plain", "title": "Later !{{now+5m}}"})").status, 200);
    const Json page = Parse(emu.Get(Me("/onenote/sections/sec-inbox/pages"), token).body)["value"][0];
    EXPECT_EQ(page["id"], "pg-plain");
    const long long after = emu.ClockNow();
    ExpectExpandedBetween(page["title"], "Later !", now + 300, after + 300, "%Y-%m-%d %H:%M");
    EXPECT_GE(page["lastModifiedDateTime"].get<std::string>(), UtcText(now));
    EXPECT_LE(page["lastModifiedDateTime"].get<std::string>(), UtcText(after + 1));

    // The clock only moves forward, by a bounded whole number of seconds.
    for (const char* bad :
         {R"({"advanceSeconds": -1})", R"({"advanceSeconds": "60"})", R"({"advanceSeconds": 1.5})", R"({})",
          R"({"advanceSeconds": 999999999999})", "[60]"}) {
        EXPECT_EQ(emu.Post("/_emulator/clock", bad).status, 400) << bad;
    }
    EXPECT_GE(emu.ClockNow(), after);
}

TEST_F(EmulatorTest, SurvivesMalformedRequests)
{
    ExpectStatuses(emu, {{"/v1.0/me/onenote/nothing", 404},
                         {"/nothing", 404},
                         {"/_emulator/faults", 400, "[1,2]"},
                         {"/_emulator/page", 400, R"({"id": "pg-plain", "paragraphs": [{"tags": 5}]})"},
                         {"/_emulator/page", 400, R"({"id": "pg-plain", "title": "{{later}}"})"},
                         {std::string(kAuthorize) + "?%%%&&==", 400}});
    EXPECT_EQ(emu.Get(Me("/onenote/pages/%zz/content"), kAccess).status / 100, 4);
    EXPECT_EQ(emu.Get(Me(""), kAccess).status, 200);
}

// An access token through the sign-in a client makes (the shipped fixtures predefine none).
std::string SignIn(const EmulatorProcess& emu)
{
    const std::string redirect = "https://login.live.com/oauth20_desktop.srf";
    const auto authorize =
        emu.Get(std::string(kAuthorize) + "?client_id=abc&response_type=code&redirect_uri=" + redirect);
    const std::string location = authorize.Header("Location");
    const size_t code = location.find("?code=");
    if (authorize.status != 302 || code == std::string::npos) {
        return {};
    }
    const size_t end = location.find('&', code);
    const auto token =
        TokenCall(emu, "grant_type=authorization_code&redirect_uri=" + rz::FormEncode(redirect) +
                           "&code=" + location.substr(code + 6, end - code - 6));
    const Json j = Parse(token.body);
    return j.is_object() && j.contains("access_token") ? j["access_token"].get<std::string>() : std::string();
}

// Personal accounts have 16-hex-digit ids and are addressed as /v1.0/me; work
// accounts have GUIDs and are addressed as /v1.0/users/{id}.
TEST(EmulatorShippedFixturesTest, PersonalAndWorkAccountsAnswerTheirAddressForms)
{
    const struct
    {
        std::string path;
        std::regex id;
        bool personal;
        size_t notebooks, sections, refused, maxDepth, minPages, maxPages;
        long dueSoon, recurring; // at least this many titles due within 10 minutes, with "!!"
    } fixtures[] = {
        {EmulatorProcess::SampleFixture(), std::regex("[0-9a-f]{16}"), true, 3, 20, 1, 2, 250, 350, 2, 5},
        {EmulatorProcess::WorkFixture(),
         std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"), false, 2, 7, 1, 3, 12,
         12, 2, 2},
    };
    for (const auto& f : fixtures) {
        SCOPED_TRACE(f.path);
        auto options = EmulatorProcess::FromFile(f.path);
        options.autoConsent = true;
        const std::time_t start = std::time(nullptr);
        EmulatorProcess emu(options);
        ASSERT_TRUE(emu.Running()) << emu.Error();
        const std::string token = SignIn(emu);
        ASSERT_FALSE(token.empty());
        const Json me = Parse(emu.Get("/v1.0/me", token).body);
        const std::string id = me["id"];
        EXPECT_TRUE(std::regex_match(id, f.id)) << id;
        // The address the client derives from the id (a "-" means /users/{id}).
        const std::string base = id.find('-') == std::string::npos ? "/v1.0/me" : "/v1.0/users/" + id;
        EXPECT_EQ(base == "/v1.0/me", f.personal);
        const auto all = emu.Get(base + "/onenote/notebooks" + kHierarchy, token);
        ASSERT_EQ(all.status, 200);
        size_t sections = 0, refused = 0, maxDepth = 0;
        std::function<void(const Json&, size_t)> walk = [&](const Json& container, size_t depth) {
            maxDepth = std::max(maxDepth, depth);
            for (const auto& s : container["sections"]) {
                ++sections;
                refused += emu.Get(base + "/onenote/sections/" + s["id"].get<std::string>() + "/pages", token)
                               .status != 200;
            }
            for (const auto& g : container["sectionGroups"]) {
                walk(g, depth + 1);
            }
        };
        const Json notebooks = Parse(all.body)["value"];
        for (const auto& nb : notebooks) {
            walk(nb, 0);
        }
        EXPECT_EQ(notebooks.size(), f.notebooks);
        EXPECT_EQ(sections, f.sections);
        EXPECT_EQ(refused, f.refused);
        EXPECT_EQ(maxDepth, f.maxDepth);
        // Title reminders and tag reminders, some due within minutes.
        const Json bang =
            Parse(emu.Get(base + "/onenote/pages?top=100&filter=contains(title,'!')", token).body);
        EXPECT_GE(bang["value"].size(), 5u);
        const std::string account = emu.AccountJson();
        EXPECT_NE(account.find("\"tags\":\"to-do\""), std::string::npos);
        EXPECT_NE(account.find("\"tags\":\"to-do:completed\""), std::string::npos);

        // Every page of the account, refused sections included.
        Ids titles;
        std::function<void(const Json&)> collect = [&](const Json& container) {
            for (const auto& g : container.value("sectionGroups", Json::array())) {
                collect(g);
            }
            for (const auto& s : container.value("sections", Json::array())) {
                for (const auto& p : s["pages"]) {
                    titles.push_back(p["title"]);
                }
            }
        };
        const Json parsed = Parse(account);
        for (const auto& nb : parsed["notebooks"]) {
            collect(nb);
        }
        EXPECT_GE(titles.size(), f.minPages);
        EXPECT_LE(titles.size(), f.maxPages);
        const auto count = [&](const std::function<bool(const std::string&)>& pred) {
            return static_cast<long>(std::count_if(titles.begin(), titles.end(), pred));
        };
        long dueSoon = 0;
        for (int minute = 0; minute <= 10; ++minute) {
            const std::string stamp =
                "!" + LocalText(start + static_cast<std::time_t>(minute) * 60, "%Y-%m-%d %H:%M");
            dueSoon += count([&](const std::string& t) { return t.ends_with(stamp); });
        }
        EXPECT_GE(dueSoon, f.dueSoon);
        EXPECT_GE(count([](const std::string& t) { return t.find("!!") != t.npos; }), f.recurring);
    }
}

TEST(EmulatorConcurrencyTest, ParallelReadsChangesAndFaults)
{
    EmulatorProcess emu(WithFixture(Fixture()));
    ASSERT_TRUE(emu.Running()) << emu.Error();
    std::atomic<int> unexpected{0};
    const auto expect = [&](int status, std::initializer_list<int> allowed) {
        if (std::find(allowed.begin(), allowed.end(), status) == allowed.end()) {
            ++unexpected;
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(6);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                expect(emu.Get(Me(std::string("/onenote/notebooks") + kHierarchy), kAccess).status, {200});
                expect(emu.Get(Me("/onenote/pages/pg-project/content?includeIDs=true"), kAccess).status,
                       {200});
                expect(emu.Get(Me("/onenote/pages?top=100&filter=contains(title,'!')"), kAccess).status,
                       {200, 503});
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < 25; ++i) {
            const std::string body = R"({"id": "pg-project", "paragraphs": [{"text": "n)" +
                                     std::to_string(i) + R"(", "tags": "to-do"}]})";
            expect(emu.Post("/_emulator/page", body).status, {200});
            const auto added =
                emu.Post("/_emulator/add", R"({"kind": "page", "parentId": "sec-inbox", "title": "t"})");
            expect(added.status, {200});
            const Json reply = Parse(added.body);
            if (reply.is_object() && reply.contains("id") && reply["id"].is_string()) {
                expect(emu.Post("/_emulator/delete", "{\"id\": \"" + reply["id"].get<std::string>() + "\"}")
                           .status,
                       {200});
            }
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < 10; ++i) {
            expect(emu.QueueFault(R"({"route": "search", "status": 503, "count": 3})") ? 200 : 0, {200});
        }
    });
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_TRUE(Parse(emu.AccountJson()).is_object());
    EXPECT_EQ(emu.Stop(), 0);
}

} // namespace
