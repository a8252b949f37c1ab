// SPDX-License-Identifier: GPL-3.0-or-later
// The section table alone, over files in a private folder and a fake clock: no network.
#include "mirror/section_table.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/plist.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

constexpr double kNow = 1'800'000'000.0;

enum class TStep { Wait, PutOff, Paging, Fail, Listed, ListedSinceSearch, Day };

void Apply(TSectionTable& table, TStep step, ScopedFakeClock& clock)
{
    switch (step) {
    case TStep::Wait:
        return table.Wait("s", "S", "/store/S");
    case TStep::PutOff:
        return table.PutOff("s", "2026-01-01T00:00:00Z");
    case TStep::Paging:
        return table.PagingStopped("s", 300);
    case TStep::Fail:
        return table.Fail({"s", "S", "/store/S"});
    case TStep::Listed:
    case TStep::ListedSinceSearch:
        return table.MarkListed("s", step == TStep::ListedSinceSearch);
    case TStep::Day:
        return clock.Advance(kSectionBackOffMaxSeconds);
    }
}

TEST(SectionTableTest, StepsMoveASectionBetweenItsStates)
{
    struct TRow
    {
        std::vector<TStep> steps;
        TSectionState state;
        bool waits, backsOff, listed;
        std::size_t toMirror, failing;
    };
    using enum TStep;
    const TRow rows[] = {
        {{Wait}, TSectionState::Waiting, true, false, false, 1, 0},
        {{Fail}, TSectionState::Failing, true, false, false, 0, 1}, // the first failure asks again at once
        {{Fail, Fail}, TSectionState::Failing, true, true, false, 0, 1},
        {{Fail, Fail, Day}, TSectionState::Failing, true, false, false, 0, 1},
        {{Wait, PutOff}, TSectionState::PutOff, true, false, false, 1, 0},
        {{Fail, Fail, PutOff}, TSectionState::PutOff, true, true, false, 0, 1}, // still failing
        {{Wait, Paging}, TSectionState::Paging, true, false, false, 1, 0},
        {{ListedSinceSearch}, TSectionState::Listed, false, false, true, 0, 0},
        {{ListedSinceSearch, Fail}, TSectionState::Failing, true, false, false, 0, 1},
        {{ListedSinceSearch, Wait}, TSectionState::Waiting, true, false, false, 1, 0},
        {{ListedSinceSearch, PutOff}, TSectionState::PutOff, false, false, false, 0, 0},
        {{Fail, Fail, Paging, Listed}, TSectionState::Listed, false, false, false, 0, 0},
        // Put off with no folder known (only the progress named it): nothing to fetch it into.
        {{PutOff}, TSectionState::PutOff, false, false, false, 0, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::PrintToString(static_cast<int>(&row - rows)));
        ScopedFakeClock clock(kNow);
        TSectionTable table;
        for (const TStep step : row.steps) {
            Apply(table, step, clock);
        }
        EXPECT_EQ(table.Record("s").value_or(TSectionRecord{}).state, row.state);
        EXPECT_EQ(table.Waits("s"), row.waits);
        EXPECT_EQ(table.InBackOff("s"), row.backsOff);
        EXPECT_EQ(table.IsListed("s"), row.listed);
        EXPECT_EQ(table.ToMirror(), row.toMirror);
        EXPECT_EQ(table.FailingNames().size(), row.failing);
        EXPECT_EQ(table.DueRetry("s").has_value(), row.waits && !row.backsOff &&
                                                       row.state != TSectionState::PutOff &&
                                                       row.state != TSectionState::Paging);
    }
}

TEST(SectionTableTest, FailuresBackOffDoublingUpToADay)
{
    const ScopedFakeClock clock(kNow);
    TSectionTable table;
    const double waits[] = {0, 120, 240, 480, 960, 1920, 3840, 7680, 15360, 30720, 61440, 86400, 86400};
    for (const double wait : waits) {
        table.Fail({"s", "S", "/store/S"});
        EXPECT_EQ(table.Failing().at("s").retryAt, kNow + wait) << table.Failing().at("s").failures;
    }
}

TEST(SectionTableTest, ARenamedSectionWaitsInItsNewFolderAndKeepsItsState)
{
    const ScopedFakeClock clock(kNow);
    TSectionTable table;
    table.Fail({"s", "Old", "/store/Old"});
    table.Fail({"s", "Old", "/store/Old"});
    table.Wait("s", "New", "/store/Nb/New");
    EXPECT_EQ(table.ErrorList().at("s"), (TErrorSection{"s", "New", "/store/Nb/New"}));
    EXPECT_EQ(table.Failing().at("s"), (TSectionBackOff{2, kNow + kSectionBackOffFirstSeconds}));
    EXPECT_EQ(table.FailingNames(), std::vector<std::string>{"New"});
}

TEST(SectionTableTest, NextPutOffIsTheNewestAndDropsOnesWithoutAFolder)
{
    TSectionTable table;
    table.Wait("a", "A", "/store/A");
    table.PutOff("a", "2026-01-01T00:00:00Z");
    table.Wait("b", "B", "/store/B");
    table.PutOff("b", "2026-03-01T00:00:00Z");
    table.PutOff("c", "2026-12-01T00:00:00Z");
    EXPECT_EQ(table.NextPutOff(), (TErrorSection{"b", "B", "/store/B"}));
    EXPECT_FALSE(table.Record("c"));
    table.MarkListed("b", false);
    EXPECT_EQ(table.NextPutOff(), (TErrorSection{"a", "A", "/store/A"}));
}

// What this agent writes, or wrote before the table, into two account folders.
void WriteAccount(const std::string& folder, const std::string& id, const std::string& progress)
{
    ASSERT_TRUE(CreateFolder(folder));
    ASSERT_TRUE(WritePlistStringArrayDict(folder + "/errorsections.json", {{id, {id, "Name", "/f/" + id}}}));
    ASSERT_TRUE(WriteTextFile(folder + "/mirrorprogress.json", progress));
}

TEST(SectionTableTest, EachAccountLoadsItsOwnFilesAndWhatWasSavedComesBack)
{
    const ScopedFakeClock clock(kNow);
    const test::TempDir root;
    const std::string retry = std::to_string(kNow + 600);
    WriteAccount(root.File("a"), "fa", R"({"failing":{"fa":{"failures":3,"retryAt":)" + retry + "}}}");
    WriteAccount(root.File("b"), "pb",
                 R"({"deferred":{"pb":"2026-01-01T00:00:00Z"},"search":{"listed":["lb"]}})");
    TSectionTable table;
    table.Load(root.File("a"));
    EXPECT_EQ(table.Failing(), (std::map<std::string, TSectionBackOff>{{"fa", {3, kNow + 600}}}));
    table.Load(root.File("b"));
    EXPECT_EQ(table.Folder(), root.File("b"));
    EXPECT_TRUE(table.Failing().empty());
    EXPECT_EQ(table.Record("pb").value_or(TSectionRecord{}).state, TSectionState::PutOff);
    EXPECT_TRUE(table.IsListed("lb"));

    // Saved as the worker saves it, into a third folder, and loaded back.
    table.Fail({"fb", "F", "/f/fb"});
    Json progress = Json::object();
    table.AddProgress(progress, true);
    ASSERT_TRUE(CreateFolder(root.File("c")));
    ASSERT_TRUE(table.SaveErrorList(root.File("c/errorsections.json")));
    ASSERT_TRUE(WriteTextFile(root.File("c/mirrorprogress.json"), progress.dump()));
    TSectionTable again;
    again.Load(root.File("c"));
    EXPECT_EQ(again.ErrorList(), table.ErrorList());
    EXPECT_EQ(again.Failing(), table.Failing());
    EXPECT_EQ(again.Record("pb").value_or(TSectionRecord{}).lastModified, "2026-01-01T00:00:00Z");
    EXPECT_TRUE(again.IsListed("lb"));
}

// An error list of one entry under `key` for section `id`.
std::string Entry(const std::string& key, const std::string& id)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist><dict><key>" + key + "</key><array><string>" +
           id + "</string><string>S</string><string>/f</string></array></dict></plist>";
}

TEST(SectionTableTest, CountersAreClampedAndAnEntryForAnotherSectionIsNotRead)
{
    const ScopedFakeClock clock(kNow);
    const std::string now = std::to_string(kNow);
    // The progress, the error list (empty: none), and what the table takes.
    const std::tuple<std::string, std::string, std::map<std::string, TSectionBackOff>, std::size_t> rows[] = {
        {R"({"failing":{"s":{"failures":-5,"retryAt":)" + now + "}}}", "", {{"s", {1, kNow}}}, 0},
        {R"({"failing":{"s":{"failures":99999,"retryAt":)" + now + "}}}", "", {{"s", {1000, kNow}}}, 0},
        {R"({"failing":{"s":{"failures":2,"retryAt":1e300}}})", "", {{"s", {2, kNow + 86400}}}, 0},
        {R"({"failing":{"s":{"failures":"2","retryAt":"soon"}}})", "", {{"s", {1, 0}}}, 0}, // due now
        {"{}", Entry("s", "s"), {}, 1},
        {"{}", Entry("s", "t"), {}, 0}, // names another section than its key
        {"{}", "<plist><dict><key>s</key><array><string>s</string></array></dict></plist>", {}, 0},
    };
    for (const auto& [progress, errorList, failing, waiting] : rows) {
        SCOPED_TRACE(progress + " " + errorList);
        const test::TempDir folder;
        ASSERT_TRUE(WriteTextFile(folder.File("mirrorprogress.json"), progress));
        ASSERT_TRUE(errorList.empty() || WriteTextFile(folder.File("errorsections.json"), errorList));
        TSectionTable table;
        table.Load(folder.Path());
        EXPECT_EQ(table.Failing(), failing);
        EXPECT_EQ(table.ErrorList().size(), waiting);
    }
}

} // namespace
} // namespace rz
