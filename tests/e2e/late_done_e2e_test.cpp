// SPDX-License-Identifier: GPL-3.0-or-later
// A to-do that came due while the program was stopped rings late at the next start, and Done from
// its desktop notification ticks it in OneNote, once. Driven from outside: a notification server on a
// private session bus, the emulator and its clock, the files the program keeps.
#include "notified_app.h"
#include "util/json.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::kWaitMs;

std::string Fixture()
{
    return R"({
 "user": {"id": "5d0c2a9e71b34f86", "userPrincipalName": "kim@example.com", "displayName": "Kim"},
 "tokens": {"accessTokens": ["EwB.kim+access/1=="], "refreshTokens": ["M.R3_BAY.kim+refresh/1"],
            "expiresIn": 3600},
 "notebooks": [{"displayName": "Home", "sections": [{"displayName": "Errands", "id": "section-errands",
   "pages": [{"id": "page-calls", "title": "!Calls", "paragraphs": [
     {"text": "Ring Eve !{{now+1h}}", "tags": ["to-do"]}]}]}]}]
})";
}

TEST(LateDoneEndToEndTest, AToDoThatRangLateIsTickedOnceFromItsNotification)
{
    test::NotifiedApp t;
    ASSERT_NO_FATAL_FAILURE(t.SetUp(Fixture(), QStringLiteral("rz-e2e-late")));
    if (::testing::Test::IsSkipped()) {
        return;
    }

    // Mirrored, then the program stops an hour before the to-do is due.
    ASSERT_NO_FATAL_FAILURE(t.Launch());
    ASSERT_TRUE(t.Pump(kWaitMs, [&] { return test::HasReminder(t.home.Reminders(), "Ring Eve"); }))
        << test::Names(t.home.Reminders()) << t.app->Stderr();
    EXPECT_TRUE(t.home.Pending().empty());

    // Two hours on, the next start rings it late; its notification names it with the marker and
    // offers Done.
    ASSERT_NO_FATAL_FAILURE(t.RestartLater(2 * 3600));
    ASSERT_TRUE(t.PressDone()) << t.notifications.Actions.join(QLatin1Char(' ')).toStdString()
                               << t.app->Stderr();
    EXPECT_TRUE(t.notifications.Body.startsWith(QStringLiteral("(late) Ring Eve")))
        << t.notifications.Body.toStdString();
    ASSERT_TRUE(t.Pump(kWaitMs, [&] { return t.ToDoTicked(); })) << t.app->Stderr();
    EXPECT_FALSE(test::HasReminder(t.home.Pending(), "Ring Eve"));
    // A refresh later the update has still gone out once.
    ASSERT_TRUE(t.RefreshAndSettle()) << t.app->Stderr();
    EXPECT_EQ(Json::parse(t.emulator->Get("/_emulator/patches").body)["patches"].size(), 1u);
    ASSERT_NO_FATAL_FAILURE(t.Quit());
}

} // namespace
} // namespace rz
