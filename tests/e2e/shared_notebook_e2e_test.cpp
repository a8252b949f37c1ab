// SPDX-License-Identifier: GPL-3.0-or-later
// A notebook a colleague shares with a work account: found among the recent notebooks, mirrored
// below its owner's address, its reminders ring, Done ticks its to-do there, and leaving it
// unchecked takes its reminders and its requests away. Driven from outside: a notification server on
// a private session bus, the emulator and its clock, the files the program keeps.
#include "core/preferences.h"
#include "notified_app.h"
#include "util/json.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::kWaitMs;

constexpr const char* kUser = "2b7e4c1a-5d3f-4e8a-9c61-0f1e2d3c4b5a";
constexpr const char* kOwner = "7c9d1e2f-3a4b-4c5d-8e6f-a1b2c3d4e5f6";

std::string Fixture()
{
    return std::string(R"({
 "user": {"id": ")") +
           kUser + R"(", "userPrincipalName": "ada@contoso.com", "displayName": "Ada"},
 "tokens": {"accessTokens": ["EwB.ada+access/1=="], "refreshTokens": ["M.R3_BAY.ada+refresh/1"],
            "expiresIn": 3600},
 "notebooks": [{"displayName": "Team Notes", "id": "nb-own", "sections": [{"displayName": "Tasks",
   "id": "section-own", "pages": [{"id": "page-own", "title": "Own errand !{{tomorrow 09:00}}"}]}]}],
 "sharedNotebooks": [
  {"owner": {"id": ")" +
           kOwner + R"(", "userPrincipalName": "bob@contoso.com", "displayName": "Bob"},
   "displayName": "Team Notes", "id": "nb-team", "sections": [{"displayName": "Tasks", "id": "section-team",
   "pages": [{"id": "page-ship", "title": "Ship the report !{{now+2h}}"},
             {"id": "page-calls", "title": "!Calls", "paragraphs": [
               {"text": "Ring Dana !{{now+1h}}", "tags": ["to-do"]}]}]}]},
  {"owner": {"id": ")" +
           kOwner + R"(", "userPrincipalName": "bob@contoso.com", "displayName": "Bob"},
   "shared": false, "displayName": "Old Archive", "id": "nb-archive", "sections": [{"displayName": "Old",
   "id": "section-old", "pages": [{"id": "page-stale", "title": "Stale !{{now+1h}}"}]}]}]
})";
}

// The OneNote requests the emulator served below the owner's address.
std::vector<std::string> OwnerRequests(const test::EmulatorProcess& emulator)
{
    std::vector<std::string> out;
    const Json log = Json::parse(emulator.Get("/_emulator/requests").body, nullptr, false);
    for (const Json& entry : log.value("requests", Json::array())) {
        const std::string line = entry.value("method", "") + " " + entry.value("target", "");
        if (line.find(std::string("/users/") + kOwner + "/") != std::string::npos) {
            out.push_back(line);
        }
    }
    return out;
}

TEST(SharedNotebookEndToEndTest, ASharedNotebookRingsTicksBelowItsOwnerAndGoesWhenUnchecked)
{
    test::NotifiedApp t;
    ASSERT_NO_FATAL_FAILURE(t.SetUp(Fixture(), QStringLiteral("rz-e2e-shared")));
    if (::testing::Test::IsSkipped()) {
        return;
    }
    ASSERT_NO_FATAL_FAILURE(t.Launch());
    test::AppHome& home = t.home;

    // Title and tag reminders of the shared notebook are listed beside the user's own; the notebook
    // no longer shared adds none.
    ASSERT_TRUE(
        t.Pump(kWaitMs,
               [&] {
                   return test::HasAll(home.Reminders(), {"Own errand", "Ship the report", "Ring Dana"});
               }))
        << test::Names(home.Reminders()) << t.app->Stderr();
    EXPECT_FALSE(test::HasReminder(home.Reminders(), "Stale"));

    // Past the to-do's time and before the title's, the to-do rings alone, so that its notification
    // offers Done.
    ASSERT_NO_FATAL_FAILURE(t.RestartLater(3600 + 5 * 60));
    ASSERT_TRUE(t.Pump(kWaitMs, [&] { return test::HasReminder(home.Pending(), "Ring Dana"); }))
        << test::Names(home.Pending()) << t.app->Stderr();
    EXPECT_FALSE(test::HasReminder(home.Pending(), "Ship the report"));

    // Done ticks the to-do through the owner's address.
    ASSERT_TRUE(t.PressDone()) << t.notifications.Actions.join(QLatin1Char(' ')).toStdString()
                               << t.app->Stderr();
    const std::string patch =
        std::string("PATCH /v1.0/users/") + kOwner + "/onenote/pages/page-calls/content";
    ASSERT_TRUE(t.Pump(kWaitMs, [&] {
        const auto lines = OwnerRequests(*t.emulator);
        return std::find(lines.begin(), lines.end(), patch) != lines.end();
    })) << t.app->Stderr();
    ASSERT_TRUE(t.Pump(kWaitMs, [&] { return t.ToDoTicked(); }));
    // An hour on, the title reminder rings as well.
    ASSERT_NO_FATAL_FAILURE(t.RestartLater(3600));
    ASSERT_TRUE(t.Pump(kWaitMs, [&] { return test::HasReminder(home.Pending(), "Ship the report"); }))
        << test::Names(home.Pending()) << t.app->Stderr();
    // Nothing of the shared notebook is asked for below the user's own address.
    EXPECT_EQ(t.emulator->Get("/_emulator/requests").body.find("/v1.0/me/onenote/sections/section-team"),
              std::string::npos);
    EXPECT_EQ(t.emulator->Get("/_emulator/requests").body.find("/v1.0/me/onenote/pages/page-"),
              std::string::npos);

    // Unchecked: its reminders go, and the next cycles ask nothing below its owner.
    ASSERT_TRUE(SaveUnwatchedNotebooks(home.SettingsFile(), kUser, {"nb-team"}));
    ASSERT_TRUE(t.RefreshAndSettle()) << t.app->Stderr();
    ASSERT_TRUE(t.Pump(kWaitMs, [&] {
        return !test::HasReminder(home.Reminders(), "Ship the report") &&
               !test::HasReminder(home.Reminders(), "Ring Dana");
    })) << test::Names(home.Reminders());
    EXPECT_TRUE(test::HasReminder(home.Reminders(), "Own errand"));
    const std::size_t before = OwnerRequests(*t.emulator).size();
    ASSERT_TRUE(t.RefreshAndSettle()) << t.app->Stderr();
    EXPECT_EQ(OwnerRequests(*t.emulator).size(), before);
    ASSERT_NO_FATAL_FAILURE(t.Quit());
}

} // namespace
} // namespace rz
