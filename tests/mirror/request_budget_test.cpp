// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/request_budget.h"
#include "util/clock.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <vector>

namespace rz {
namespace {

constexpr double kStart = 1'800'000'000.0;

// The most requests of `sent` (ascending times) inside any window of `seconds`.
int MostInAnyWindow(const std::vector<double>& sent, double seconds)
{
    int most = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const auto end = std::lower_bound(sent.begin() + static_cast<long>(i), sent.end(), sent[i] + seconds);
        most = std::max(most, static_cast<int>(end - (sent.begin() + static_cast<long>(i))));
    }
    return most;
}

TEST(RequestBudgetTest, AnHourOfKnownPageChecksOverFiftyPagesStaysWithinTheLimits)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    std::vector<double> sent;
    int heldBack = 0;
    // The known-pages check reads every known page every two minutes, one request a second.
    for (double check = 0; check < 3600; check += 121) {
        clock.Set(kStart + check);
        for (int page = 0; page < 50; ++page) {
            if (budget.TryAcquire(TRequestKind::Engine)) {
                sent.push_back(clock.Now());
                budget.Report(TBudgetOutcome::Success);
            } else {
                ++heldBack;
            }
            clock.Advance(1);
        }
    }
    std::cout << "[ budget ] one hour, 50 known pages every 121 s: " << sent.size() << " sent, " << heldBack
              << " held back, at most " << MostInAnyWindow(sent, 60) << " in a minute\n";
    EXPECT_LE(static_cast<int>(sent.size()), kBudgetPerHour);
    EXPECT_LE(MostInAnyWindow(sent, 60), kBudgetPerMinute);
    EXPECT_LE(MostInAnyWindow(sent, 3600), kBudgetPerHour);
    EXPECT_GT(heldBack, 0);
    EXPECT_EQ(budget.SentLastHour(), static_cast<int>(sent.size()));
}

TEST(RequestBudgetTest, ABurstGetsOneHundredTenAMinuteAndTheSlotFreesAsTheWindowSlides)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    for (int i = 0; i < kBudgetPerMinute; ++i) {
        ASSERT_TRUE(budget.TryAcquire()) << i;
        clock.Advance(0.1);
    }
    EXPECT_FALSE(budget.TryAcquire());
    EXPECT_EQ(budget.SentLastMinute(), kBudgetPerMinute);
    // The first request leaves the minute 60 s after it was sent.
    EXPECT_NEAR(budget.SecondsUntilSlot(), 60 - kBudgetPerMinute * 0.1, 1e-3);
    clock.Set(kStart + 60.01);
    EXPECT_TRUE(budget.TryAcquire());
    EXPECT_FALSE(budget.TryAcquire());
}

TEST(RequestBudgetTest, EngineRequestsLeaveTheMirrorItsReserve)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    int engine = 0;
    while (budget.TryAcquire(TRequestKind::Engine)) {
        ++engine;
    }
    EXPECT_EQ(engine, kBudgetPerMinute - kMirrorReservePerMinute);
    for (int i = 0; i < kMirrorReservePerMinute; ++i) {
        EXPECT_TRUE(budget.TryAcquire(TRequestKind::Mirror)) << i;
    }
    EXPECT_FALSE(budget.TryAcquire(TRequestKind::Mirror));
    // Over the hour the engine stops short of the mirror's hourly reserve.
    engine = 0;
    for (int second = 60; second < 3600; ++second) {
        clock.Set(kStart + second);
        engine += budget.TryAcquire(TRequestKind::Engine) ? 1 : 0;
    }
    EXPECT_EQ(budget.SentLastHour(), kBudgetPerHour - kMirrorReservePerHour);
    EXPECT_TRUE(budget.TryAcquire(TRequestKind::Mirror));
}

TEST(RequestBudgetTest, TheHourWindowHoldsAfterThreeHundredSeventyRequests)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    int sent = 0;
    for (int second = 0; second < 3600; ++second) {
        clock.Set(kStart + second);
        sent += budget.TryAcquire() ? 1 : 0;
    }
    EXPECT_EQ(sent, kBudgetPerHour);
    clock.Set(kStart + 3600.5);
    EXPECT_TRUE(budget.TryAcquire()); // the first of the hour has left the window
}

TEST(RequestBudgetTest, NothingIsSentUntilTheBackOffEndsAndItDoublesUpToFifteenMinutes)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    const double expected[] = {60, 120, 240, 480, 900, 900};
    for (const double wait : expected) {
        ASSERT_TRUE(budget.TryAcquire());
        budget.Report(TBudgetOutcome::Refused);
        EXPECT_TRUE(budget.BackingOff());
        EXPECT_NEAR(budget.SecondsUntilSlot(), wait, 1e-6);
        clock.Advance(wait - 0.5);
        EXPECT_FALSE(budget.TryAcquire());
        clock.Advance(0.5);
        EXPECT_FALSE(budget.BackingOff());
    }
    // A success starts the doubling afresh.
    ASSERT_TRUE(budget.TryAcquire());
    budget.Report(TBudgetOutcome::Success);
    ASSERT_TRUE(budget.TryAcquire());
    budget.Report(TBudgetOutcome::Refused);
    EXPECT_NEAR(budget.SecondsUntilSlot(), 60, 1e-6);
}

TEST(RequestBudgetTest, RetryAfterReplacesTheDoublingAndOtherFailuresChangeNothing)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget budget;
    ASSERT_TRUE(budget.TryAcquire());
    budget.Report(TBudgetOutcome::Refused, 5);
    EXPECT_NEAR(budget.SecondsUntilSlot(), 5, 1e-6);
    clock.Advance(5);
    ASSERT_TRUE(budget.TryAcquire());
    budget.Report(TBudgetOutcome::Other);
    EXPECT_TRUE(budget.TryAcquire());
    budget.Report(TBudgetOutcome::Refused);
    EXPECT_NEAR(budget.SecondsUntilSlot(), 60, 1e-6); // Retry-After did not double the next wait
}

// Sends saved before the wall clock was set back lie in its future: dropped, they hold nothing back.
TEST(RequestBudgetTest, SendsStampedInTheFutureAreDroppedOnRestore)
{
    ScopedFakeClock clock(kStart);
    TRequestBudget saved;
    for (int i = 0; i < kBudgetPerHour; ++i) {
        clock.Advance(5);
        ASSERT_TRUE(saved.TryAcquire());
    }
    const std::string text = saved.SavedText();
    clock.SetWallClock(kStart + 5 * kBudgetPerHour - 600); // the last 120 sends lie ahead now
    TRequestBudget restored;
    restored.Restore(text);
    EXPECT_EQ(restored.SentLastHour(), kBudgetPerHour - 120);
    EXPECT_EQ(restored.SecondsUntilSlot(TRequestKind::Engine), 0);
}

TEST(RequestBudgetTest, ThrottledAnswersAreStatus429OrCode20166)
{
    // Throttled: 429 or code 20166. Refused for now: that, or a code that asks to try again, whatever
    // the status. A page or list that merely mentions a code is an answer.
    const struct
    {
        long status;
        const char* body;
        bool throttled;
        bool forNow;
    } cases[] = {
        {429, "", true, true},
        {400, R"({"error":{"code":"20166","message":"Too many"}})", true, true},
        {503, "{\n  \"error\": {\n    \"code\": \"20166\"\n  }\n}", true, true},
        {429, R"({"error":{"code":"10003","message":"m"}})", true, true},
        {400, R"({"error":{"code":"10003","message":"m"}})", false, true},
        {403, R"({"error":{"code":"10007","message":"m"}})", false, true},
        {404, R"({"error":{"code":"30103","message":"m"}})", false, true},
        {503, R"({"error":{"code":"10002","message":"m"}})", false, true},
        {400, R"({"error":{"code":"20185","message":"No"}})", false, false},
        {404, R"({"error":{"code":"20102","message":"m"}})", false, false},
        {503, "", false, false},
        {200, R"({"value":[]})", false, false},
        {200, R"(<html><p>{"error":{"code":"20166"}}</p></html>)", false, false},
        {200, R"({"error":{"code":"20166"}})", false, false},
        {200, R"({"error":{"code":"10007"}})", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsThrottledAnswer(c.status, c.body), c.throttled) << c.status << " " << c.body;
        EXPECT_EQ(IsTemporaryRefusal(c.status, c.body), c.forNow) << c.status << " " << c.body;
    }
}

} // namespace
} // namespace rz
