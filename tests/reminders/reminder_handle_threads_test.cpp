// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/due_check.h"
#include "engine_test_support.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>

namespace rz {
namespace {

// The worker loads and checks pages while the main thread runs the due check, reads the counters
// and now and then clears the engine, as a new sign-in does.
TEST(ReminderHandleThreadsTest, LoaderAndCheckAgainstDueCheckAndClear)
{
    test::EngineFixture engine;
    TEngineState& state = engine.m_State;
    for (int i = 0; i < 8; ++i) {
        const std::string id = "P" + std::to_string(i);
        engine.m_Online.content[id] = PageHtml(
            "!Project " + id, Para("p:{G" + id + "}{1}", "Call !2021-03-10 12:0" + std::to_string(i)));
        engine.m_Online.changedAt[id] = "2021-03-05T10:00:0" + std::to_string(i) + "Z";
    }
    std::atomic<bool> done{false};

    std::thread worker([&] {
        for (int round = 0; round < 60; ++round) {
            std::vector<Json> pages;
            for (int i = 0; i < 8; ++i) {
                const std::string id = "P" + std::to_string(i);
                pages.push_back(PageEntry(id,
                                          (i % 2 ? "!Project " : "Due !2021-03-10 12:0") + std::to_string(i),
                                          "2021-03-0" + std::to_string(1 + round % 9) + "T10:00:00Z"));
            }
            state.ReminderPagesJson.Set(test::PageList(pages));
            TReminderHandle handle(state, &engine.m_Online);
            handle.Run();
            handle.Run_CheckKnowPages();
        }
        done = true;
    });

    TDueCheck dueCheck;
    SnoozeState snooze = InitialSnoozeState(DateNow());
    std::uint64_t seen = 0;
    for (int tick = 0; !done; ++tick) {
        {
            std::lock_guard lock(state.ListsMutex);
            dueCheck.CheckAndReminder(state.ReminderList, state.PendingReminderList, snooze);
        }
        state.ReminderList.Sort();
        seen += state.LoadPageDone + state.KnownTagPageDone + (state.LastLoadTime.Get() ? 1 : 0);
        if (tick % 50 == 49) {
            TReminderHandle(state, nullptr).Clear();
        }
        engine.m_Clock.Advance(1);
    }
    worker.join();

    std::set<std::string> keys;
    for (const ReminderPtr& r : state.ReminderList.list()) {
        EXPECT_TRUE(keys.insert(r->Id().value_or("")).second);
    }
    EXPECT_GT(seen, 0u);
}

} // namespace
} // namespace rz
