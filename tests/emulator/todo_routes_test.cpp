// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator's To Do: the permission each request needs, the delta query's rounds with what the
// user's phone changed, and a create whose answer is lost after it took effect.
#include "emulator_process.h"

#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace rz::test {
namespace {

using json = nlohmann::ordered_json;

// The demo account with one token per grant.
EmulatorProcess::Options Account()
{
    std::ifstream in(EmulatorProcess::SampleFixture());
    json fixture = json::parse(in);
    fixture["tokens"]["accessTokens"] = json::array({"tok-notes"});
    fixture["tokens"]["scope"] = "User.Read Notes.ReadWrite";
    fixture["todoLists"] = json::array({{{"displayName", "Tasks"}, {"wellknownListName", "defaultList"}}});
    EmulatorProcess::Options options;
    options.fixtureText = fixture.dump();
    return options;
}

std::string FormValue(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-') {
            out += c;
        } else {
            static const char* kHex = "0123456789ABCDEF";
            out += {'%', kHex[static_cast<unsigned char>(c) >> 4], kHex[c & 15]};
        }
    }
    return out;
}

// A token of the emulator granted `scope`, through the sign-in form and the code it hands out.
std::string TokenFor(const EmulatorProcess& emulator, const std::string& scope)
{
    httplib::Client client("127.0.0.1", emulator.Port());
    const std::string redirect = "redirect_uri=https%3A%2F%2Flogin.live.com%2Foauth20_desktop.srf";
    const std::string upn = json::parse(emulator.AccountJson())["user"]["userPrincipalName"];
    const auto form = client.Post("/common/oauth2/v2.0/authorize",
                                  "client_id=c&response_type=code&scope=" + FormValue(scope) + "&" +
                                      redirect + "&login=" + FormValue(upn) + "&passwd=x&action=accept",
                                  "application/x-www-form-urlencoded");
    const std::string location = form ? form->get_header_value("Location") : std::string();
    const std::size_t at = location.find("code=");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no code: " << location;
        return {};
    }
    const std::size_t end = location.find('&', at);
    const std::string code = location.substr(at + 5, end == std::string::npos ? end : end - at - 5);
    const auto token = client.Post("/common/oauth2/v2.0/token",
                                   "grant_type=authorization_code&client_id=c&code=" + code + "&" + redirect,
                                   "application/x-www-form-urlencoded");
    return token ? json::parse(token->body, nullptr, false).value("access_token", "") : std::string();
}

// Signs `client` in with Tasks.ReadWrite and makes a list; the address of its tasks.
std::string NewListsTasks(const EmulatorProcess& emulator, httplib::Client& client)
{
    client.set_bearer_token_auth(TokenFor(emulator, "Tasks.ReadWrite"));
    const json list =
        json::parse(client.Post("/v1.0/me/todo/lists", R"({"displayName":"R"})", "application/json")->body);
    return "/v1.0/me/todo/lists/" + list.value("id", "") + "/tasks";
}

TEST(EmulatorToDoTest, ReadsNeedATasksGrantAndWritesTasksReadWrite)
{
    EmulatorProcess emulator(Account());
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    httplib::Client client("127.0.0.1", emulator.Port());
    const struct
    {
        std::string token;
        int read;
        int write;
    } cases[] = {
        {"tok-notes", 403, 403},
        {TokenFor(emulator, "offline_access User.Read Tasks.Read"), 200, 403},
        {TokenFor(emulator, "offline_access User.Read Tasks.ReadWrite"), 200, 201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token.substr(0, 12));
        ASSERT_FALSE(c.token.empty());
        client.set_bearer_token_auth(c.token);
        EXPECT_EQ(client.Get("/v1.0/me/todo/lists")->status, c.read);
        EXPECT_EQ(client.Post("/v1.0/me/todo/lists", R"({"displayName":"L"})", "application/json")->status,
                  c.write);
    }
}

TEST(EmulatorToDoTest, DeltaRoundsCarryWhatThePhoneChangedAndRemoved)
{
    EmulatorProcess emulator(Account());
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    httplib::Client client("127.0.0.1", emulator.Port());
    const std::string tasks = NewListsTasks(emulator, client);
    const json made = json::parse(
        client
            .Post(tasks, R"({"title":"A","linkedResources":[{"applicationName":"X","externalId":"e1"}]})",
                  "application/json")
            ->body);
    const json first = json::parse(client.Get(tasks + "/delta?$expand=linkedResources")->body);
    ASSERT_EQ(first["value"].size(), 1u);
    EXPECT_EQ(first["value"][0]["linkedResources"][0]["externalId"], "e1");
    const std::string link = first["@odata.deltaLink"].get<std::string>().substr(emulator.BaseUrl().size());
    EXPECT_TRUE(json::parse(client.Get(link)->body)["value"].empty());

    // Ticked on the phone: the next round holds the task, completed, with its linked resources.
    ASSERT_EQ(emulator.Post("/_emulator/todo/task", json{{"id", made["id"]}, {"status", "completed"}}.dump())
                  .status,
              200);
    const json second = json::parse(client.Get(link)->body);
    ASSERT_EQ(second["value"].size(), 1u);
    EXPECT_EQ(second["value"][0]["status"], "completed");
    EXPECT_TRUE(second["value"][0].contains("completedDateTime"));
    EXPECT_EQ(second["value"][0]["linkedResources"][0]["externalId"], "e1");

    // Deleted on the phone: a round after that names it as removed.
    const std::string link2 = second["@odata.deltaLink"].get<std::string>().substr(emulator.BaseUrl().size());
    ASSERT_EQ(emulator.Post("/_emulator/todo/task", json{{"id", made["id"]}, {"delete", true}}.dump()).status,
              200);
    const json third = json::parse(client.Get(link2)->body);
    ASSERT_EQ(third["value"].size(), 1u);
    EXPECT_EQ(third["value"][0]["id"], made["id"]);
    EXPECT_EQ(third["value"][0]["@removed"]["reason"], "deleted");
    EXPECT_EQ(client.Get(tasks + "/delta?$deltatoken=99999")->status, 410);
}

TEST(EmulatorToDoTest, ACreateWhoseAnswerIsLostStillMakesTheTask)
{
    EmulatorProcess emulator(Account());
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    httplib::Client client("127.0.0.1", emulator.Port());
    const std::string tasks = NewListsTasks(emulator, client);
    ASSERT_TRUE(emulator.QueueFault(R"({"route":"todocreate","status":504,"applied":true})"));
    EXPECT_EQ(client.Post(tasks, R"({"title":"A"})", "application/json")->status, 504);
    EXPECT_EQ(json::parse(client.Get(tasks)->body)["value"].size(), 1u);
    EXPECT_EQ(client.Get(tasks + "?$filter=status%20eq%20'completed'")->status, 400);
}

} // namespace
} // namespace rz::test
