// SPDX-License-Identifier: GPL-3.0-or-later
// Every route of the Graph emulator, over the demo and test fixtures, answers in the shape
// Microsoft's metadata gives (the description in the emulator's folder): no property a type does
// not have, every property of its kind, timestamps as DateTimeOffset. A new OneNote route that no
// walk reaches fails as well.
#include "emulator.h"
#include "emulator_process.h"
#include "graph_types.h"

#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>

namespace rz::test {
namespace {

using json = nlohmann::ordered_json;

constexpr const char* kToken = "conformance-token";

class Walk
{
public:
    Walk(const GraphTypes& types, const EmulatorProcess& emulator, std::string base)
        : m_Types(types), m_Client("127.0.0.1", emulator.Port()), m_Base(std::move(base))
    {
        m_Client.set_bearer_token_auth(kToken);
    }

    // Sends one request and checks its JSON answer as `type` (an error body when refused).
    json Ask(const std::string& method, const std::string& path, const std::string& type,
             const std::string& body = {}, const std::string& contentType = "application/json")
    {
        httplib::Result result = method == "GET"      ? m_Client.Get(path)
                                 : method == "PATCH"  ? m_Client.Patch(path, body, contentType)
                                 : method == "DELETE" ? m_Client.Delete(path)
                                                      : m_Client.Post(path, body, contentType);
        if (!result) {
            ADD_FAILURE() << method << " " << path << ": no answer";
            return nullptr;
        }
        if (result->get_header_value("Content-Type").find("application/json") == std::string::npos) {
            return nullptr; // page content, or no body
        }
        const json answer = json::parse(result->body, nullptr, false);
        const std::string expected = result->status >= 400 ? "errorResponse" : type;
        for (const std::string& problem : m_Types.CheckAnswer(answer, expected)) {
            ADD_FAILURE() << method << " " << path << " (" << expected << "): " << problem;
        }
        return result->status >= 400 ? json(nullptr) : answer;
    }

    const std::string& Base() const { return m_Base; }

private:
    const GraphTypes& m_Types;
    httplib::Client m_Client;
    std::string m_Base;
};

// The path part of an address the emulator handed out.
std::string PathOf(const std::string& address, const EmulatorProcess& emulator)
{
    return address.starts_with(emulator.BaseUrl()) ? address.substr(emulator.BaseUrl().size()) : address;
}

void WalkAccount(const GraphTypes& types, const std::string& fixturePath, std::map<std::string, long>& counts)
{
    std::ifstream in(fixturePath);
    json fixture = json::parse(in);
    fixture["tokens"]["accessTokens"] = json::array({kToken});
    EmulatorProcess::Options options;
    options.fixtureText = fixture.dump();
    EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const std::string userId = fixture["user"]["id"];
    const std::string base =
        userId.find('-') == std::string::npos ? "/v1.0/me/onenote" : "/v1.0/users/" + userId + "/onenote";
    Walk walk(types, emulator, base);

    walk.Ask("GET", "/v1.0/me", "user");
    walk.Ask("GET", base + "/notebooks", "Collection(notebook)");
    const json hierarchy = walk.Ask("GET",
                                    base + "/notebooks?expand=sections,sectionGroups(expand=sections,"
                                           "sectionGroups(levels=max;expand=sections))",
                                    "Collection(notebook)");
    walk.Ask("GET", base + "/pages?top=100&filter=contains(title,%20%27!%27)&$orderby=createdDateTime",
             "Collection(onenotePage)");
    walk.Ask("GET",
             base +
                 "/pages?$select=id,title,lastModifiedDateTime&$orderby=lastModifiedDateTime%20desc&$top=20",
             "Collection(onenotePage)");
    std::string section;
    std::string page;
    for (const json& notebook : hierarchy.value("value", json::array())) {
        for (const json& s : notebook.value("sections", json::array())) {
            const json pages =
                walk.Ask("GET", base + "/sections/" + s["id"].get<std::string>() + "/pages?$top=100",
                         "Collection(onenotePage)");
            if (pages.is_object() && !pages["value"].empty() && page.empty()) {
                section = s["id"];
                page = pages["value"][0]["id"];
            }
        }
    }
    ASSERT_FALSE(page.empty()) << fixturePath;
    walk.Ask("GET", base + "/pages/" + page + "/content?includeIDs=true", "");
    walk.Ask("GET", base + "/pages/no-such-page/content", "");
    walk.Ask("PATCH", base + "/pages/" + page + "/content", "",
             R"([{"target":"title","action":"replace","content":"Renamed"}])");
    walk.Ask("PATCH", base + "/pages/" + page + "/content", "", R"({"not":"an array"})");
    walk.Ask("POST", base + "/sections/" + section + "/pages", "onenotePage",
             "<html><head><title>New</title></head><body><p>x</p></body></html>", "text/html");
    const json recent = walk.Ask("GET", base + "/notebooks/getRecentNotebooks(includePersonalNotebooks=true)",
                                 "Collection(recentNotebook)");
    for (const json& entry : recent.value("value", json::array())) {
        const json found = walk.Ask("POST", base + "/notebooks/GetNotebookFromWebUrl", "CopyNotebookModel",
                                    json{{"webUrl", entry["links"]["oneNoteWebUrl"]["href"]}}.dump());
        if (found.is_object()) {
            walk.Ask("GET", PathOf(found["sectionsUrl"], emulator), "Collection(onenoteSection)");
            walk.Ask("GET",
                     PathOf(found["sectionGroupsUrl"], emulator) +
                         "?$expand=sections,sectionGroups(levels=max;expand=sections)",
                     "Collection(sectionGroup)");
        }
    }
    // Refused: no token.
    httplib::Client anonymous("127.0.0.1", emulator.Port());
    const auto refused = anonymous.Get(base + "/notebooks");
    ASSERT_TRUE(refused);
    for (const std::string& problem :
         types.CheckAnswer(json::parse(refused->body, nullptr, false), "errorResponse")) {
        ADD_FAILURE() << "401: " << problem;
    }
    for (const std::string& route : emu::OneNoteRouteNames()) {
        counts[route] += emulator.RequestCount(route);
    }
    counts["other"] += emulator.RequestCount("other");
}

TEST(EmulatorConformanceTest, EveryRouteAnswersInTheMetadatasShapes)
{
    const GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    std::map<std::string, long> counts;
    for (const char* fixture : {"sample.json", "work.json", "shared.json"}) {
        SCOPED_TRACE(fixture);
        WalkAccount(types, EmulatorProcess::FixturesDir() + "/" + fixture, counts);
    }
    for (const std::string& route : emu::OneNoteRouteNames()) {
        EXPECT_GT(counts[route], 0) << "route " << route << " is not walked";
    }
    EXPECT_EQ(counts["other"], 0);
}

// Every To Do route, refusals included, over the demo account with the To Do permission granted.
TEST(EmulatorConformanceTest, EveryToDoRouteAnswersInTheMetadatasShapes)
{
    const GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    std::ifstream in(EmulatorProcess::SampleFixture());
    json fixture = json::parse(in);
    fixture["tokens"]["accessTokens"] = json::array({kToken});
    fixture["tokens"]["scope"] = "User.Read Notes.ReadWrite Tasks.ReadWrite";
    EmulatorProcess::Options options;
    options.fixtureText = fixture.dump();
    EmulatorProcess emulator(options);
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    const std::string lists = "/v1.0/me/todo/lists";
    Walk walk(types, emulator, lists);

    walk.Ask("GET", lists, "Collection(todoTaskList)");
    const json list = walk.Ask("POST", lists, "todoTaskList", R"({"displayName":"OneNote reminders"})");
    ASSERT_TRUE(list.is_object());
    const std::string tasks = lists + "/" + list["id"].get<std::string>() + "/tasks";
    walk.Ask("GET", lists + "/" + list["id"].get<std::string>(), "todoTaskList");
    const json delta = walk.Ask("GET", tasks + "/delta?$expand=linkedResources", "Collection(todoTask)");
    const json task = walk.Ask("POST", tasks, "todoTask", R"({"title":"Dentist","isReminderOn":true,
        "reminderDateTime":{"dateTime":"2026-12-11T09:00:00","timeZone":"W. Europe Standard Time"},
        "dueDateTime":{"dateTime":"2026-12-11T09:00:00","timeZone":"W. Europe Standard Time"},
        "recurrence":{"pattern":{"type":"weekly","interval":1,"daysOfWeek":["monday","friday"]},
                      "range":{"type":"noEnd","startDate":"2026-12-11"}},
        "linkedResources":[{"webUrl":"https://example.com/p","applicationName":"RedoZevuviva",
                            "displayName":"Dentist","externalId":"rz1-abc"}]})");
    ASSERT_TRUE(task.is_object());
    const std::string one = tasks + "/" + task["id"].get<std::string>();
    walk.Ask("GET", tasks + "?$expand=linkedResources", "Collection(todoTask)");
    walk.Ask("GET", one + "?$expand=linkedResources", "todoTask");
    walk.Ask("PATCH", one, "todoTask", R"({"status":"completed"})");
    walk.Ask("PATCH", one, "todoTask", R"({"colour":"red"})");
    walk.Ask("GET", one + "/linkedResources", "Collection(linkedResource)");
    walk.Ask("POST", one + "/linkedResources", "linkedResource",
             R"({"applicationName":"A","externalId":"x"})");
    walk.Ask("GET", PathOf(delta["@odata.deltaLink"], emulator), "Collection(todoTask)");
    walk.Ask("DELETE", one, "");
    walk.Ask("GET", PathOf(delta["@odata.deltaLink"], emulator), "Collection(todoTask)");
    walk.Ask("GET", one, "todoTask");
    walk.Ask("DELETE", lists + "/" + list["id"].get<std::string>(), "");
    for (const std::string& route : emu::TodoRouteNames()) {
        EXPECT_GT(emulator.RequestCount(route), 0) << "route " << route << " is not walked";
    }
    EXPECT_EQ(emulator.RequestCount("other"), 0);
}

// The checker itself: what it must refuse.
TEST(EmulatorConformanceTest, TheCheckerRefusesWhatTheMetadataDoesNotAllow)
{
    const GraphTypes types;
    ASSERT_TRUE(types.Loaded());
    const struct
    {
        json value;
        const char* type;
        bool conforms;
    } cases[] = {
        {{{"id", "1"}, {"displayName", "N"}, {"lastModifiedDateTime", "2024-01-02T03:04:05.123Z"}},
         "notebook",
         true},
        {{{"id", "1"}, {"sections@odata.context", "x"}, {"sections", json::array()}}, "notebook", true},
        {{{"id", "1"}, {"name", "N"}}, "notebook", false},
        {{{"id", nullptr}}, "notebook", false},
        {{{"id", "1"}, {"isShared", "true"}}, "notebook", false},
        {{{"id", "1"}, {"lastModifiedDateTime", "2024-01-02 03:04"}}, "notebook", false},
        {{{"id", "1"}, {"userRole", "Editor"}}, "notebook", false},
        {{{"id", "1"}, {"name", "N"}, {"createdBy", "Bob"}, {"createdByIdentity", {{"user", {{"id", "b"}}}}}},
         "CopyNotebookModel",
         true},
        {{{"user", {{"displayName", "B"}, {"email", "b@x"}}}}, "identitySet", true}, // open types
    };
    for (const auto& c : cases) {
        EXPECT_EQ(types.Check(c.value, c.type).empty(), c.conforms) << c.value.dump();
    }
}

} // namespace
} // namespace rz::test
