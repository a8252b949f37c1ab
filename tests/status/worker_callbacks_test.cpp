// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "reminders/online_source.h"
#include "state/app_state.h"
#include "status/worker_callbacks.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>

namespace rz {
namespace {

// Answers nothing: the known-pages check finds no change, no page is read.
class OfflineSource : public TOnlineSource
{
public:
    TOnlineAnswer GetPageContent(const std::string&) override { return {}; }
    TOnlineAnswer GetOneNoteList(const std::string&) override { return {}; }
};

constexpr const char* kHierarchy =
    R"({"@odata.context":"x","value":[{"id":"nb1","displayName":"Work","lastModifiedDateTime":"2026-12-01T10:00:00Z",)"
    R"("sectionGroups":[],"sections":[{"id":"s1","displayName":"Inbox","lastModifiedDateTime":"2026-12-01T10:00:00Z"}]}]})";

std::string Page(const char* id, const char* title)
{
    return std::string(R"({"id":")") + id + R"(","title":")" + title +
           R"(","lastModifiedDateTime":"2026-12-01T10:00:00Z","links":{"oneNoteClientUrl":{"href":"onenote:)" +
           id + R"("}}})";
}

class WorkerCallbacksTest : public ::testing::Test
{
protected:
    WorkerCallbacksTest()
    {
        AppPaths paths = BuildAppPaths(home.Path());
        state.SetPaths(paths);
        state.UserId.Set("0123456789abcdef");
        state.AccessToken.Set("token");
        callbacks.SetOnlineSourceFactory([](MThreadOneNoteRESTDB&) -> std::unique_ptr<TOnlineSource> {
            return std::make_unique<OfflineSource>();
        });
        account = AccountStorePath(state.Paths.StoreRootPath, state.UserId.Get());
        CreateFolder(account + "/Work/Inbox");
        WriteTextFile(account + "/notebookssections.json", kHierarchy);
        WriteTextFile(account + "/Work/Inbox/pages.json",
                      R"({"@odata.context":"x","value":[)" + Page("p1", "Dentist !2026-12-09 10:30") + "," +
                          Page("p2", "Notes") + "," + Page("p3", "Flight !2026-12-20 07:15") + "]}");
    }

    void Execute() { callbacks.ThreadRESETDBDoExecute(worker); }

    test::ScopedTimeZone zone{"UTC"};
    ScopedFakeClock clock{DateFromParts(2026, 12, 8, 9, 0, 0).seconds};
    test::TempDir home;
    AppState state;
    std::string account;
    std::atomic<std::int64_t> tick{0};
    TWorkerCallbacks callbacks{state, tick, "Checked"};
    MThreadOneNoteRESTDB worker{state};
};

TEST_F(WorkerCallbacksTest, EngineRunsAtOnceThenOncePerIntervalAndAgainAfterARefresh)
{
    Execute();
    const std::int64_t first = tick;
    EXPECT_EQ(first, TickNow());
    EXPECT_EQ(state.ReminderPageCount, 2);
    EXPECT_EQ(state.ReminderList.Count(), 2);

    WriteTextFile(account + "/Work/Inbox/pages.json",
                  R"({"@odata.context":"x","value":[)" + Page("p1", "Dentist !2026-12-09 10:30") + "]}");
    clock.Advance(kEngineIntervalSeconds);
    Execute();
    EXPECT_EQ(tick, first) << "not more than the interval yet";
    EXPECT_EQ(state.ReminderList.Count(), 2);

    clock.Advance(1);
    Execute();
    EXPECT_EQ(tick, TickNow());
    EXPECT_EQ(state.ReminderList.Count(), 1);

    // The Refresh action zeroes the tick: the next pass runs whatever the time.
    WriteTextFile(account + "/Work/Inbox/pages.json",
                  R"({"@odata.context":"x","value":[)" + Page("p3", "Flight !2026-12-20 07:15") + "]}");
    clock.Advance(5);
    tick = 0;
    Execute();
    EXPECT_EQ(tick, TickNow());
    ASSERT_EQ(state.ReminderList.Count(), 1);
    EXPECT_EQ(state.ReminderList.At(0)->Id(), "p3");
}

// The worker rests until the engine's next turn: due at once after a Refresh, then the interval on.
TEST_F(WorkerCallbacksTest, EngineDueInCountsDownToTheNextRun)
{
    EXPECT_EQ(callbacks.EngineDueIn(), 0.0);
    Execute();
    EXPECT_EQ(callbacks.EngineDueIn(), static_cast<double>(kEngineIntervalSeconds + 1));
    clock.Advance(kEngineIntervalSeconds);
    EXPECT_EQ(callbacks.EngineDueIn(), 1.0);
    clock.Advance(5);
    EXPECT_EQ(callbacks.EngineDueIn(), 0.0);
    tick = 0;
    EXPECT_EQ(callbacks.EngineDueIn(), 0.0);
}

TEST_F(WorkerCallbacksTest, AClockSetBackHoldsTheEngineNotBack)
{
    Execute();
    const std::int64_t first = tick;
    clock.SetWallClock(clock.Now() - 7200);
    clock.Advance(kEngineIntervalSeconds + 1);
    Execute();
    EXPECT_GT(tick, first);
}

TEST_F(WorkerCallbacksTest, WithoutAUserTheStoreIsNotQueried)
{
    state.UserId.Set({});
    Execute();
    EXPECT_EQ(tick, TickNow()) << "the known-pages check still ran";
    EXPECT_TRUE(state.ReminderPagesJson.Empty());
    EXPECT_EQ(state.ReminderList.Count(), 0);
}

TEST_F(WorkerCallbacksTest, AFailedRunLeavesTheTickForTheNextPass)
{
    callbacks.SetOnlineSourceFactory([](MThreadOneNoteRESTDB&) -> std::unique_ptr<TOnlineSource> {
        throw std::runtime_error("no way online");
    });
    Execute();
    EXPECT_EQ(tick, 0);
}

TEST_F(WorkerCallbacksTest, ADamagedHierarchyDocumentKeepsEveryReminder)
{
    Execute();
    ASSERT_EQ(state.ReminderList.Count(), 2);
    const std::string stored = ReadTextFile(state.Paths.RemindersFilePath).value_or("");
    ASSERT_FALSE(stored.empty());

    const std::string whole = kHierarchy;
    WriteTextFile(account + "/notebookssections.json", whole.substr(0, whole.size() / 2));
    tick = 0;
    Execute();
    EXPECT_EQ(state.ReminderList.Count(), 2);
    EXPECT_EQ(ReadTextFile(state.Paths.RemindersFilePath).value_or(""), stored);

    // A valid document whose sections hold no reminder page still removes them.
    WriteTextFile(account + "/notebookssections.json", kHierarchy);
    WriteTextFile(account + "/Work/Inbox/pages.json", R"({"@odata.context":"x","value":[]})");
    tick = 0;
    Execute();
    EXPECT_EQ(state.ReminderList.Count(), 0);
}

TEST_F(WorkerCallbacksTest, CycleLinesCarryTheTimeAndTheWorkersCounters)
{
    callbacks.ThreadRESETDBDoStart(worker);
    EXPECT_EQ(state.MirrorStatusText.Get(), "Check start: 2026-12-08 09:00:00");
    worker.m_Counts.NotebookTotal = 3;
    worker.m_Counts.NewSectionCount = 2;
    worker.m_Counts.GetSectionErrorCount = 1;
    callbacks.ThreadRESETDBDoEnd(worker);
    EXPECT_EQ(state.MirrorStatusText.Get(),
              "Checked 2026-12-08 09:00:00  F:0,CN:0,CNS:0,N:0+0/3,G:0+0,S:2+0,E:1");
}

} // namespace
} // namespace rz
