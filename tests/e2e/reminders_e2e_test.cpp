// SPDX-License-Identifier: GPL-3.0-or-later
// The built program end to end against the Graph emulator: sign-in, reminders from titles and tags,
// an alert, online edits and deletions, token refresh, an account switch and a damaged store. Each
// test drives it from outside only: the emulator's administration calls, the files, signals.
#include "reminders/reminder.h"
#include "running_app.h"
#include "util/dates.h"
#include "util/files.h"
#include "util/json.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::EmulatorProcess;
using test::HasReminder;
using test::kWaitMs;
using test::Names;
using test::SmallFixtureReminders;

class RemindersEndToEndTest : public testing::Test, public test::RunningApp
{
protected:
    void TearDown() override
    {
        // The worker is stopped and joined at quit, even in the middle of a request.
        if (app) {
            EXPECT_LT(Quit(), 5000.0);
        }
        std::printf("%s: %.1f s\n", testing::UnitTest::GetInstance()->current_test_info()->name(),
                    test::SecondsSince(m_Started));
    }

    // A page whose title reminder is due in 20 s, mirrored at once; the reminder once it fired.
    test::StoredReminder FireSoon(const std::string& name)
    {
        EXPECT_TRUE(Admin("add", R"({"kind":"page","parentId":"section-errands","title":")" + name +
                                     R"({{seconds:now+20s}}"})"));
        app->Signal(SIGUSR1);
        EXPECT_TRUE(test::WaitFor(kWaitMs, [&] { return HasReminder(home.Pending(), name); }))
            << Names(home.Reminders()) << app->Stderr();
        return test::FindReminder(home.Pending(), name).value_or(test::StoredReminder{});
    }

    std::int64_t m_Started = test::NowMs();
};

TEST_F(RemindersEndToEndTest, SignInThroughTheWindowLoadsTitleAndTagReminders)
{
    ASSERT_NO_FATAL_FAILURE(Start(test::SmallFixture(), false, true));
    // The sign-in window's process signs in by itself and saves the account.
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return !home.Setting("OnlineOneNoteUserId").empty(); }))
        << app->Stderr();
    EXPECT_EQ(home.Setting("OnlineOneNoteUserId"), "5a1c3e7b9d2f4a60");
    EXPECT_EQ(home.Setting("OnlineOneNoteUserPrincipalName"), "robin@example.com");
    EXPECT_FALSE(home.Setting("OnlineOneNoteAccessToken").empty());
    EXPECT_FALSE(home.Setting("OnlineOneNoteRefreshToken").empty());

    ASSERT_TRUE(
        test::WaitFor(kWaitMs, [&] { return test::HasAll(home.Reminders(), SmallFixtureReminders()); }))
        << Names(home.Reminders()) << app->Stderr();
    ASSERT_TRUE(test::Settle(*emulator, home)) << app->Stderr();
    const auto list = home.Reminders();
    // A past date, a completed to-do and a refused section give none.
    for (const char* none : {"Passed !", "Old item", "Unreadable"}) {
        EXPECT_FALSE(HasReminder(list, none)) << Names(list);
    }
    EXPECT_EQ(list.size(), SmallFixtureReminders().size()) << Names(list);
    EXPECT_EQ(test::FindReminder(list, "Call Bob !")->type, kTagReminder);
    EXPECT_EQ(test::FindReminder(list, "Call Bob !")->pageId, "page-tasks");
    EXPECT_EQ(test::FindReminder(list, "Dentist !")->type, kPageTitleReminder);
    EXPECT_TRUE(home.DamagedFiles().empty());
    EXPECT_TRUE(app->Running());
}

TEST_F(RemindersEndToEndTest, ReminderDueSoonFiresAndIsKeptAsPending)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    const auto fired = FireSoon("Soon !");
    // A fired one-off reminder has left the list in memory; the file follows at the next load once
    // its time has passed (the next test covers a load before then).
    ASSERT_TRUE(fired.time.has_value());
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return DateNow().seconds > fired.time->seconds + 1; }));
    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    EXPECT_TRUE(test::WaitFor(kWaitMs, [&] { return !HasReminder(home.Reminders(), "Soon !"); }))
        << Names(home.Reminders());
    EXPECT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
    EXPECT_TRUE(app->Running());

    // Kept across a restart: the pending reminder still waits.
    Quit();
    app = home.Start();
    ASSERT_TRUE(test::Settle(*emulator, home)) << app->Stderr();
    const auto pending = home.Pending();
    ASSERT_EQ(pending.size(), 1u) << Names(pending);
    EXPECT_EQ(pending[0].name.rfind("Soon !", 0), 0u) << Names(pending);
    EXPECT_FALSE(HasReminder(home.Reminders(), "Soon !"));
}

// A load in the ten seconds between a one-off reminder's firing and its time adds it again (its
// date is still to come); the due check must not raise it a second time.
TEST_F(RemindersEndToEndTest, FiredReminderIsNotRaisedAgainByALoadBeforeItsTime)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    const auto fired = FireSoon("Twice !");
    ASSERT_TRUE(fired.time.has_value());
    ASSERT_TRUE(DateNow().seconds < fired.time->seconds - 2) << "fired too late for this test";
    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return DateNow().seconds > fired.time->seconds + 11; }));
    std::size_t raised = 0;
    for (const auto& r : home.Pending()) {
        raised += r.name.rfind("Twice !", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(raised, 1u) << Names(home.Pending());
}

TEST_F(RemindersEndToEndTest, OnlineTitleEditMovesItsReminderAndDeletionsRemoveTheirs)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    const auto before = *test::FindReminder(home.Reminders(), "Dentist !");
    ASSERT_TRUE(before.time.has_value());

    ASSERT_TRUE(Admin("rename", R"({"id":"page-dentist","name":"Dentist !{{now+50m}}"})"));
    app->Signal(SIGUSR1);
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] {
        const auto moved = test::FindReminder(home.Reminders(), "Dentist !");
        return moved && moved->time && *moved->time > *before.time;
    })) << Names(home.Reminders());
    const auto moved = *test::FindReminder(home.Reminders(), "Dentist !");
    EXPECT_NE(moved.name, before.name);
    // Twenty minutes later, to the minute the title names.
    EXPECT_NEAR(moved.time->seconds - before.time->seconds, 20 * 60, 60);
    EXPECT_EQ(moved.id, "page-dentist");
    ASSERT_TRUE(test::Settle(*emulator, home));

    // A title page and the tag page go online: their reminders go after the next mirror.
    ASSERT_TRUE(Admin("delete", R"({"id":"page-review"})"));
    ASSERT_TRUE(Admin("delete", R"({"id":"page-tasks"})"));
    ASSERT_TRUE(RefreshAndSettle());
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return !HasReminder(home.Reminders(), "Review !"); }))
        << Names(home.Reminders());
    const auto list = home.Reminders();
    EXPECT_FALSE(HasReminder(list, "Call Bob !")) << Names(list);
    EXPECT_FALSE(HasReminder(list, "Pay rent !")) << Names(list);
    EXPECT_TRUE(test::HasAll(list, {"Dentist !", "Standup !!"})) << Names(list);
    EXPECT_TRUE(home.DamagedFiles().empty());
}

TEST_F(RemindersEndToEndTest, ExpiredTokensAreRefreshedAndTheNewOnesSaved)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    const std::string oldAccess = home.Setting("OnlineOneNoteAccessToken");
    const std::string oldRefresh = home.Setting("OnlineOneNoteRefreshToken");
    ASSERT_TRUE(emulator->ExpireTokens());
    const long tokenCalls = emulator->RequestCount("token");

    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    ASSERT_TRUE(
        test::WaitFor(kWaitMs, [&] { return home.Setting("OnlineOneNoteAccessToken") != oldAccess; }));
    EXPECT_GT(emulator->RequestCount("token"), tokenCalls);
    const std::string newAccess = home.Setting("OnlineOneNoteAccessToken");
    const std::string newRefresh = home.Setting("OnlineOneNoteRefreshToken");
    EXPECT_FALSE(newAccess.empty());
    EXPECT_NE(newRefresh, oldRefresh);
    EXPECT_FALSE(newRefresh.empty());
    // The saved token is the one the service now accepts.
    EXPECT_EQ(emulator->Get("/v1.0/me", newAccess).status, 200);
    EXPECT_EQ(emulator->Get("/v1.0/me", oldAccess).status, 401);
    EXPECT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
}

TEST_F(RemindersEndToEndTest, SecondAccountReplacesTheFirstAccountsReminders)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    Quit();

    // Another service and account; the stored one is forgotten, so the sign-in window runs.
    EmulatorProcess other(test::FixtureOptions(test::OtherFixture(), true));
    ASSERT_TRUE(other.Running()) << other.Error();
    home.PointAt(other, false);
    app = home.Start();
    ASSERT_TRUE(
        test::WaitFor(kWaitMs, [&] { return test::HasAll(home.Reminders(), test::OtherFixtureReminders()); }))
        << Names(home.Reminders()) << app->Stderr();
    ASSERT_TRUE(test::Settle(other, home));
    EXPECT_EQ(home.Setting("OnlineOneNoteUserId"), "c0ffee12ab34cd56");
    const auto list = home.Reminders();
    for (const std::string& name : SmallFixtureReminders()) {
        EXPECT_FALSE(HasReminder(list, name)) << name << " is left over:\n" << Names(list);
    }
    EXPECT_EQ(list.size(), test::OtherFixtureReminders().size()) << Names(list);
    EXPECT_TRUE(home.DamagedFiles().empty());
    Quit(); // before `other` goes
}

TEST_F(RemindersEndToEndTest, CutOffHierarchyInTheStoreKeepsEveryReminder)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    const std::string hierarchy = home.AccountStore("5a1c3e7b9d2f4a60") + "/notebookssections.json";
    const std::string text = test::ReadFileBytes(hierarchy);
    ASSERT_GT(text.size(), 100u);
    test::WriteFileBytes(hierarchy, text.substr(0, text.size() / 2));
    // The mirror cannot fetch the hierarchy anew in this cycle.
    ASSERT_TRUE(emulator->QueueFault(R"([{"route":"notebooks","status":500,"count":1000},
                                         {"route":"hierarchy","status":500,"count":1000}])"));
    const std::string pagesFile = test::FileStamp(home.DataFile("RedoZevuviva.json"));

    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    // The engine ran in that cycle (Refresh makes it load and save again)...
    ASSERT_TRUE(test::WaitFor(
        kWaitMs, [&] { return test::FileStamp(home.DataFile("RedoZevuviva.json")) != pagesFile; }));
    // ...and kept every reminder.
    EXPECT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
    EXPECT_EQ(test::ReadFileBytes(hierarchy).size(), text.size() / 2);

    // Once the service answers again the store is mended.
    ASSERT_TRUE(emulator->ClearFaults());
    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    EXPECT_TRUE(home.DamagedFiles().empty());
    EXPECT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
}

// A slow service holds every answer a while: the whole load of a start (title search, hierarchy,
// page lists, page contents) and of a refresh after a change keeps within the five OneNote requests
// in flight the service allows an application per user.
TEST_F(RemindersEndToEndTest, AFullLoadKeepsWithinFiveOneNoteRequestsInFlight)
{
    emulator = std::make_unique<EmulatorProcess>(test::FixtureOptions(test::SmallFixture()));
    ASSERT_TRUE(emulator->Running()) << emulator->Error();
    ASSERT_TRUE(emulator->QueueFault(R"({"route":"*","count":100000,"delayMs":200})"));
    home.PointAt(*emulator, true);
    app = home.Start();
    ASSERT_TRUE(
        test::WaitFor(kWaitMs, [&] { return test::HasAll(home.Reminders(), SmallFixtureReminders()); }))
        << Names(home.Reminders()) << app->Stderr();
    ASSERT_TRUE(Admin("add", R"({"kind":"page","parentId":"section-errands","title":"Filler"})"));
    ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
    const Json counters = JsonTextToObject(std::string_view(emulator->Get("/_emulator/counters").body));
    std::printf("most OneNote requests in flight: %d of %ld requests\n", counters.value("mostInFlight", 0),
                test::TotalRequests(*emulator));
    EXPECT_GE(counters.value("mostInFlight", 0), 1);
    EXPECT_LE(counters.value("mostInFlight", 99), 5);
    EXPECT_EQ(counters.value("inFlight", -1), 0);
    EXPECT_EQ(home.Reminders().size(), SmallFixtureReminders().size()) << Names(home.Reminders());
}

// In both, TearDown quits and expects a clean exit within a few seconds.
TEST_F(RemindersEndToEndTest, QuitsAtOnceDuringASlowRequest)
{
    ASSERT_NO_FATAL_FAILURE(StartSignedIn());
    ASSERT_TRUE(emulator->QueueFault(R"({"route":"notebooks","delayMs":20000})"));
    const long before = emulator->RequestCount("notebooks");
    app->Signal(SIGUSR1);
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return emulator->RequestCount("notebooks") > before; }));
}

TEST_F(RemindersEndToEndTest, QuitsWhileStartUpWaitsForTheSignInWindow)
{
    // No auto-consent: the sign-in form waits for a person.
    ASSERT_NO_FATAL_FAILURE(Start(test::SmallFixture(), false, false));
    ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return emulator->RequestCount("authorize") > 0; }))
        << app->Stderr();
}

} // namespace
} // namespace rz
