// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's loop and cycle: step order, Refresh, callbacks that throw, stopping during a slow
// request. Passes are driven by the test or by the worker's thread under a fake clock.
#include "mirror/mirror_limits.h"
#include "mirror/shared_notebook_mirror.h"
#include "mirror_harness.h"
#include "util/clock.h"
#include "util/files.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace rz {
namespace {

constexpr double kStart = 1'800'000'000.0;

Json Notebooks()
{
    return Json::array({Container(
        "Work", "nb-work", Json::array({Section("Inbox", "sec-inbox"), Section("Plans", "sec-plans")}))});
}

// Waits up to `seconds` of real time for the condition.
template <class Condition> bool WaitUntil(Condition condition, double seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class MirrorWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Mirror.Running()) << m_Mirror.Emulator().Error(); }

    ScopedFakeClock m_Clock{kStart};
    MirrorHarness m_Mirror{test::kPersonalUserId, Notebooks()};
    MThreadOneNoteRESTDB& W() { return m_Mirror.Worker(); }
};

TEST_F(MirrorWorkerTest, CycleRunsItsStepsInOrderAndExecuteRunsEveryPass)
{
    AppState& state = m_Mirror.State();
    state.AccessToken.Set({});
    state.UserId.Set({});
    state.AuthorizationCode.Set("mirror-code");
    W().m_JustLoginAccount = true;
    ASSERT_TRUE(m_Mirror.Fault({{"route", "pages"}, {"match", "sec-plans"}, {"graphError", "20102"}}));

    std::vector<std::string> events;
    const fs::path account = m_Mirror.Account();
    const auto start = W().FOnDoStart;
    W().FOnDoStart = [&](MThreadOneNoteRESTDB& worker) {
        events.push_back("start token=" + std::to_string(!worker.State().AccessToken.Empty()) +
                         " user=" + std::to_string(!worker.State().UserId.Empty()) +
                         " store=" + std::to_string(fs::exists(account)));
        start(worker);
    };
    W().FOnReminderPagesFound = [&](MThreadOneNoteRESTDB& worker) {
        events.push_back("found store=" + std::to_string(fs::exists(account)) +
                         " pages=" + std::to_string(!worker.State().ReminderPagesJson.Empty()));
    };
    W().FOnDoEnd = [&](MThreadOneNoteRESTDB& worker) {
        events.push_back("end hierarchy=" + std::to_string(fs::exists(account / "notebookssections.json")) +
                         " retried=" + std::to_string(worker.Sections().ErrorList().empty()) +
                         " errors=" + std::to_string(worker.m_Counts.GetSectionErrorCount.load()));
    };
    W().FOnExecute = [&](MThreadOneNoteRESTDB&) { events.push_back("execute"); };

    W().Pass();
    m_Clock.Advance(1);
    W().Pass();
    const std::vector<std::string> expected = {"start token=1 user=1 store=0", "found store=0 pages=1",
                                               "end hierarchy=1 retried=1 errors=1", "execute", "execute"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(W().m_FilterPagesResult, 3);
    EXPECT_TRUE(W().m_InitEnd);
    EXPECT_TRUE(W().m_CreateRESTDBComplete);
    EXPECT_FALSE(W().m_Monitoring);
    EXPECT_EQ(W().m_Tick, static_cast<std::int64_t>(kStart)); // stamped when the cycle's pass ended
}

// A Refresh during a cycle does not shorten the wait but forces the next cycle's download; one
// during the sleep starts that cycle at once.
TEST_F(MirrorWorkerTest, RefreshForcesTheDownloadAndDuringTheSleepStartsTheCycle)
{
    W().FOnDoEnd = [](MThreadOneNoteRESTDB& worker) { worker.Refresh(); };
    W().Pass();
    W().FOnDoEnd = nullptr;
    ASSERT_EQ(m_Mirror.Count("hierarchy"), 1);
    m_Clock.Advance(120);
    W().Pass();
    EXPECT_EQ(m_Mirror.Count("notebooks"), 1); // 120 s is not yet more than 120
    m_Clock.Advance(1);
    W().Pass();
    EXPECT_EQ(m_Mirror.Count("notebooks"), 2);
    EXPECT_EQ(m_Mirror.Count("hierarchy"), 2);

    m_Clock.Advance(1);
    W().Pass();
    EXPECT_EQ(m_Mirror.Count("notebooks"), 2);
    W().Refresh();
    EXPECT_TRUE(W().JsonNotebooks().empty());
    m_Clock.Advance(1);
    W().Pass();
    EXPECT_EQ(m_Mirror.Count("notebooks"), 3);
    EXPECT_EQ(m_Mirror.Count("hierarchy"), 3);
}

// A back-off far longer than a pass: the cycle yields instead of waiting in it, the execute callback
// runs every pass, and the mirror goes on at once when the back-off ends.
TEST_F(MirrorWorkerTest, CycleYieldsToALongBackOffAndGoesOnWhenItEnds)
{
    W().Budget().Report(TBudgetOutcome::Refused, 900);
    double waited = 0;
    W().SetWaitFunction([&](double seconds) {
        waited += seconds;
        m_Clock.Advance(seconds);
    });
    int executes = 0;
    W().FOnExecute = [&](MThreadOneNoteRESTDB&) { ++executes; };
    W().Pass();
    EXPECT_EQ(executes, 1);
    EXPECT_EQ(m_Mirror.Count("notebooks"), 0);
    EXPECT_LE(waited, kYieldSeconds);
    m_Clock.Advance(900);
    W().Pass();
    EXPECT_EQ(executes, 2);
    EXPECT_EQ(m_Mirror.Count("hierarchy"), 1);
    EXPECT_TRUE(FileExists(m_Mirror.Store("Work/Inbox/pages.json").string()));
}

// Intervals go by the monotonic clock: a wall clock set back two hours holds no cycle back.
TEST_F(MirrorWorkerTest, AClockSetBackHoldsNoCycleBack)
{
    W().Pass();
    m_Clock.SetWallClock(kStart - 7200);
    m_Clock.Advance(121);
    W().Pass();
    EXPECT_EQ(m_Mirror.Count("notebooks"), 2);
}

TEST_F(MirrorWorkerTest, WithoutAUserTheCycleLooksItUpCallsBackAndMirrorsNothing)
{
    m_Mirror.State().UserId.Set({});
    m_Mirror.State().AccessToken.Set({});
    int ends = 0;
    W().FOnDoEnd = [&](MThreadOneNoteRESTDB&) { ++ends; };
    W().Pass();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(m_Mirror.Count("me"), 0); // no token to look it up with
    EXPECT_EQ(m_Mirror.Count("notebooks"), 0);
    EXPECT_TRUE(W().RESTDBPath().empty());
    EXPECT_TRUE(W().m_InitEnd);
}

TEST_F(MirrorWorkerTest, ThreadSurvivesThrowingCallbacksAndStopsDuringASlowRequest)
{
    std::atomic<int> cycles{0};
    W().FOnDoEnd = [&](MThreadOneNoteRESTDB&) {
        ++cycles;
        throw std::runtime_error("callback failure");
    };
    W().FOnExecute = [](MThreadOneNoteRESTDB&) { throw 42; };
    // Every pause passes on the fake clock at once, so cycles follow each other quickly.
    W().SetWaitFunction([this](double seconds) {
        m_Clock.Advance(seconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    W().Run();
    ASSERT_TRUE(WaitUntil([&] { return cycles >= 3; }));
    EXPECT_GE(W().m_Counts.CallbackErrorCount, 3);

    // The next cycle's notebook list takes 10 s to answer; Stop must not wait for it.
    ASSERT_TRUE(m_Mirror.Fault({{"route", "notebooks"}, {"delayMs", 10000}}));
    W().Refresh();
    ASSERT_TRUE(WaitUntil([&] { return W().m_Monitoring && W().m_Counts.NotebooksChanged == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto before = std::chrono::steady_clock::now();
    W().Stop();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_LT(seconds, 1.0);
    // A cancelled request is no HTTP-layer error: no refresh was attempted.
    EXPECT_EQ(m_Mirror.Count("token"), 0);
    ASSERT_TRUE(m_Mirror.Emulator().ClearFaults());
}

// Between passes the worker rests until its next cycle or execute is due (within the rest's bound),
// and only while nothing is in hand.
TEST_F(MirrorWorkerTest, PauseRestsUntilTheNextDueWorkWhileNothingIsInHand)
{
    W().Pass();
    EXPECT_EQ(W().PauseSeconds(), kPassSeconds) << "nobody says when the execute callback is due";
    double dueIn = 1000;
    W().FOnExecuteDueIn = [&](MThreadOneNoteRESTDB&) { return dueIn; };
    const struct
    {
        double ExecuteDueIn;
        double Advance;
        double Pause;
    } cases[] = {
        {1000, 0, kRestSeconds}, // the next cycle in 121 s
        {5, 0, 5},
        {0, 0, kPassSeconds},
        {1000, 115, 6}, // the cycle comes first
        {1000, 10, kPassSeconds},
    };
    for (const auto& c : cases) {
        dueIn = c.ExecuteDueIn;
        m_Clock.Advance(c.Advance);
        EXPECT_EQ(W().PauseSeconds(), c.Pause) << c.ExecuteDueIn << " " << c.Advance;
    }
    W().Pass();
    ASSERT_EQ(W().PauseSeconds(), kRestSeconds);
    W().Shared().AskResolve("https://onedrive.live.com/edit.aspx?resid=X");
    EXPECT_EQ(W().PauseSeconds(), kPassSeconds) << "a window's request waits";
}

// A worker at rest takes work handed over from another thread at once.
TEST_F(MirrorWorkerTest, WakeEndsTheRest)
{
    std::atomic<int> passes{0};
    W().FOnExecute = [&](MThreadOneNoteRESTDB&) { ++passes; };
    W().FOnExecuteDueIn = [](MThreadOneNoteRESTDB&) { return 1000.0; };
    W().Run();
    ASSERT_TRUE(WaitUntil([&] { return passes >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(passes, 1) << "at rest, no pass a second later";
    W().Wake();
    EXPECT_TRUE(WaitUntil([&] { return passes >= 2; }));
    W().Stop();
}

TEST_F(MirrorWorkerTest, StopDuringTheSleepAndWithoutRunReturnsAtOnce)
{
    MThreadOneNoteRESTDB idle(m_Mirror.State());
    idle.Stop(); // never ran
    std::atomic<int> passes{0};
    W().FOnExecute = [&](MThreadOneNoteRESTDB&) { ++passes; };
    W().Run();
    ASSERT_TRUE(WaitUntil([&] { return passes >= 1; }));
    const auto before = std::chrono::steady_clock::now();
    W().Stop();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count(), 1.0);
    W().Stop();
}

} // namespace
} // namespace rz
