// SPDX-License-Identifier: GPL-3.0-or-later
// A notebook a colleague shares with a work account: found among the recent notebooks, mirrored
// below its owner's address, its reminders ring, Done ticks its to-do there, and leaving it
// unchecked takes its reminders and its requests away. Driven from outside: a notification server on
// a private session bus, the emulator, the files the program keeps.
#include "core/preferences.h"
#include "fake_notification_server.h"
#include "private_bus.h"
#include "qt_test_app.h"
#include "running_app.h"
#include "util/json.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::kWaitMs;

constexpr const char* kUser = "2b7e4c1a-5d3f-4e8a-9c61-0f1e2d3c4b5a";
constexpr const char* kOwner = "7c9d1e2f-3a4b-4c5d-8e6f-a1b2c3d4e5f6";

bool Pump(int timeoutMs, const std::function<bool()>& condition)
{
    return test::WaitFor(timeoutMs, [&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    });
}

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
   "pages": [{"id": "page-ship", "title": "Ship the report !{{seconds:now+90s}}"},
             {"id": "page-calls", "title": "!Calls", "paragraphs": [
               {"text": "Ring Dana !{{seconds:now+40s}}", "tags": ["to-do"]}]}]}]},
  {"owner": {"id": ")" +
           kOwner + R"(", "userPrincipalName": "bob@contoso.com", "displayName": "Bob"},
   "shared": false, "displayName": "Old Archive", "id": "nb-archive", "sections": [{"displayName": "Old",
   "id": "section-old", "pages": [{"id": "page-stale", "title": "Stale !{{seconds:now+40s}}"}]}]}]
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
    test::QtTestApp();
    test::AppHome home;
    test::EmulatorProcess emulator(test::FixtureOptions(Fixture()));
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    home.PointAt(emulator, true);

    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    QDBusConnection server = bus.Connect(QStringLiteral("rz-e2e-shared"));
    test::FakeNotificationServer notifications;
    notifications.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    ASSERT_TRUE(notifications.Serve(server));
    auto app = home.Start(bus.Address());

    // Title and tag reminders of the shared notebook are listed beside the user's own; the notebook
    // no longer shared adds none.
    ASSERT_TRUE(
        Pump(kWaitMs,
             [&] {
                 return test::HasAll(home.Reminders(), {"Own errand", "Ship the report", "Ring Dana"});
             }))
        << test::Names(home.Reminders()) << app->Stderr();
    EXPECT_FALSE(test::HasReminder(home.Reminders(), "Stale"));
    // The to-do rings first, alone, so that its notification offers Done.
    ASSERT_TRUE(Pump(kWaitMs, [&] { return test::HasReminder(home.Pending(), "Ring Dana"); }))
        << test::Names(home.Pending()) << app->Stderr();

    // Done ticks the to-do through the owner's address.
    const auto doneKey = [&] {
        const QStringList keys = notifications.Actions.filter(QStringLiteral("done#"));
        return keys.isEmpty() ? QString() : keys.front();
    };
    ASSERT_TRUE(Pump(kWaitMs, [&] { return !doneKey().isEmpty(); }))
        << notifications.Actions.join(QLatin1Char(' ')).toStdString() << app->Stderr();
    test::FakeNotificationServer::Invoke(server, notifications.NextId, doneKey());
    const std::string patch =
        std::string("PATCH /v1.0/users/") + kOwner + "/onenote/pages/page-calls/content";
    ASSERT_TRUE(Pump(kWaitMs, [&] {
        const auto lines = OwnerRequests(emulator);
        return std::find(lines.begin(), lines.end(), patch) != lines.end();
    })) << app->Stderr();
    ASSERT_TRUE(Pump(kWaitMs, [&] {
        return emulator.Get("/_emulator/account").body.find("to-do:completed") != std::string::npos;
    }));
    // The title reminder rings as well.
    ASSERT_TRUE(Pump(kWaitMs, [&] { return test::HasReminder(home.Pending(), "Ship the report"); }))
        << test::Names(home.Pending()) << app->Stderr();
    for (const std::string& line : OwnerRequests(emulator)) {
        std::printf("shared notebook request: %s\n", line.c_str());
    }
    // Nothing of the shared notebook is asked for below the user's own address.
    EXPECT_EQ(emulator.Get("/_emulator/requests").body.find("/v1.0/me/onenote/sections/section-team"),
              std::string::npos);
    EXPECT_EQ(emulator.Get("/_emulator/requests").body.find("/v1.0/me/onenote/pages/page-"),
              std::string::npos);

    // Unchecked: its reminders go, and the next cycles ask nothing below its owner.
    ASSERT_TRUE(SaveUnwatchedNotebooks(home.SettingsFile(), kUser, {"nb-team"}));
    ASSERT_TRUE(test::RefreshAndSettle(*app, emulator, home, kWaitMs)) << app->Stderr();
    ASSERT_TRUE(Pump(kWaitMs, [&] {
        return !test::HasReminder(home.Reminders(), "Ship the report") &&
               !test::HasReminder(home.Reminders(), "Ring Dana");
    })) << test::Names(home.Reminders());
    EXPECT_TRUE(test::HasReminder(home.Reminders(), "Own errand"));
    const std::size_t before = OwnerRequests(emulator).size();
    ASSERT_TRUE(test::RefreshAndSettle(*app, emulator, home, kWaitMs)) << app->Stderr();
    EXPECT_EQ(OwnerRequests(emulator).size(), before);
    app->Signal(SIGTERM);
    EXPECT_EQ(app->WaitExit(10000), 0) << app->Stderr();
}

} // namespace
} // namespace rz
