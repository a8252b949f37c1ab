// SPDX-License-Identifier: GPL-3.0-or-later
// The first mirror of a large account: restarts, failing sections, the engine's share, expired tokens.
#include "mirror/store_query.h"
#include "mirror_harness.h"
#include "util/clock.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

// `count` sections "S<n>" holding one reminder page each.
Json Sections(int count)
{
    Json sections = Json::array();
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const Json page = {{"title", "Task " + n + " !2030-01-02 10:00"}, {"id", "pg-" + n}};
        sections.push_back({{"displayName", "S" + n}, {"id", "sec-" + n}, {"pages", Json::array({page})}});
    }
    return Json::array({Container("Work", "nb-work", sections)});
}

class MirrorProgressTest : public ::testing::Test
{
protected:
    void Start(int sections, test::EmulatorProcess::Options options = {})
    {
        options.fixtureText = test::FixtureText(test::kPersonalUserId, Sections(sections));
        m_Mirror = std::make_unique<MirrorHarness>(test::kPersonalUserId, options);
        ASSERT_TRUE(m_Mirror->Running()) << m_Mirror->Emulator().Error();
        W().SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
    }
    void Restart()
    {
        m_Mirror->NewWorker().SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
    }
    // One pass a second.
    void Run(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            W().Pass();
            m_Clock.Advance(1);
        }
    }
    // The reminder pages the engine is handed: the store's and the search's stand-in.
    std::size_t ReminderPages()
    {
        MOneNoteRESTDB query(m_Mirror->State());
        query.Run(kQueryPagesByTitle, 1, 0, "!", "");
        return JsonTextToObject(std::string_view(W().WithSearchPages(query.m_ResultStr)))["value"].size();
    }
    long Count(const std::string& route) const { return m_Mirror->Count(route); }
    MThreadOneNoteRESTDB& W() { return m_Mirror->Worker(); }

    ScopedFakeClock m_Clock{1'800'000'000.0};
    std::unique_ptr<MirrorHarness> m_Mirror;
};

// A section that fails, and sections not mirrored at a restart, are unknown, not empty: the
// reminders the title search found in them stay.
TEST_F(MirrorProgressTest, SearchRemindersStayAcrossARestartWhileTheirSectionsAreUnlisted)
{
    Start(60);
    ASSERT_TRUE(m_Mirror->Fault({{"route", "pages"}, {"match", "sec-7"}, {"count", 1000}, {"status", 500}}));
    W().m_JustLoginAccount = true;
    W().Pass();
    EXPECT_EQ(ReminderPages(), 60U);
    Restart();
    Run(600);
    EXPECT_EQ(ReminderPages(), 60U);
    EXPECT_TRUE(FileExists(m_Mirror->Store("Work/S59/pages.json").string()));
}

TEST_F(MirrorProgressTest, ARestartKeepsTheHoursRequestsAndTheBackOff)
{
    Start(60);
    Run(60);
    const int sent = W().Budget().SentLastHour();
    ASSERT_GT(sent, 60);
    W().Budget().Report(TBudgetOutcome::Refused, 600);
    W().Pass();
    Restart();
    W().Pass();
    EXPECT_TRUE(W().Budget().BackingOff());
    EXPECT_EQ(W().Budget().SentLastHour(), sent);
}

// The worker outlives a sign-in: another account starts with none of the last one's progress.
TEST_F(MirrorProgressTest, AnotherAccountTakesOverNoneOfTheLastOnesProgress)
{
    Start(3);
    ASSERT_TRUE(
        m_Mirror->Fault({{"route", "pages"}, {"match", "sec-1"}, {"count", 100000}, {"status", 500}}));
    Run(300);
    W().Budget().Report(TBudgetOutcome::Refused, 600);
    ASSERT_FALSE(W().Sections().Failing().empty());
    m_Mirror->State().UserId.Set("5d2e8f9a1b3c4e60");
    W().LoadProgress();
    EXPECT_TRUE(W().Sections().Failing().empty());
    EXPECT_EQ(W().Budget().SentLastHour(), 0);
    EXPECT_FALSE(W().Budget().BackingOff());
}

// The first mirror of a large account fetches within its share: the engine finds a slot all hour.
TEST_F(MirrorProgressTest, AFirstMirrorLeavesTheEngineASlotAllHour)
{
    Start(400);
    for (int second = 0; second < 3600; ++second) {
        W().Pass();
        m_Clock.Advance(1);
        ASSERT_LE(W().Budget().SecondsUntilSlot(TRequestKind::Engine), 0) << second;
    }
    EXPECT_GT(W().Sections().ToMirror(), 0U);
}

TEST_F(MirrorProgressTest, APassEndsAfterOneStretchOfRequests)
{
    Start(100);
    int executes = 0;
    W().FOnExecute = [&](MThreadOneNoteRESTDB&) { ++executes; };
    W().Pass();
    EXPECT_EQ(executes, 1);
    EXPECT_LE(Count("notebooks") + Count("hierarchy") + Count("pages"), kRequestsPerStretch);
}

// A section that always fails is asked ever more rarely, also after a restart, and is named.
TEST_F(MirrorProgressTest, AFailingSectionBacksOffAcrossARestartAndIsNamed)
{
    Start(3);
    ASSERT_TRUE(
        m_Mirror->Fault({{"route", "pages"}, {"match", "sec-1"}, {"count", 100000}, {"status", 500}}));
    Run(3600);
    EXPECT_LE(Count("pages") - 2, 8);
    EXPECT_EQ(W().Sections().FailingNames(), std::vector<std::string>{"S1"});
    EXPECT_EQ(W().Sections().ToMirror(), 0U);
    const long before = Count("pages");
    Restart();
    Run(600);
    EXPECT_LE(Count("pages") - before, 1);
    EXPECT_GE(W().Sections().Failing().at("sec-1").failures, 6);
}

TEST_F(MirrorProgressTest, TheRefusedAccountWideListIsAskedAgainOnlyAfterABackOff)
{
    test::EmulatorProcess::Options options;
    options.maxSections = 1;
    Start(3, options);
    W().SetGraphBase(GraphBaseAddress(test::kPersonalUserId, false));
    MWorkerOnlineSource source(W());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(source.GetOneNoteList("/onenote/pages?$top=100").status, TOnlineStatus::Failed);
    }
    EXPECT_EQ(Count("pagelist"), 1);
    m_Clock.Advance(kListRefusedFirstSeconds + 1);
    source.GetOneNoteList("/onenote/pages?$top=100");
    EXPECT_EQ(Count("pagelist"), 2);
}

// The account-wide list answered again (sections went) ends the status about too many sections.
TEST_F(MirrorProgressTest, TheAccountWideListAnsweredEndsTheTooManySectionsStatus)
{
    test::EmulatorProcess::Options options;
    options.maxSections = 2;
    Start(3, options);
    W().m_JustLoginAccount = true;
    W().RunCycle();
    ASSERT_EQ(W().m_FilterPagesResult, kFilterPagesTooManySections);
    ASSERT_TRUE(m_Mirror->Admin("delete", {{"id", "sec-2"}}));
    m_Clock.Advance(kListRefusedFirstSeconds + 1);
    EXPECT_EQ(MWorkerOnlineSource(W()).GetOneNoteList("/onenote/pages?$top=100").status, TOnlineStatus::Ok);
    EXPECT_NE(W().m_FilterPagesResult, kFilterPagesTooManySections);
}

// A long section is paged in stretches, each pass going on where the last stopped, after a kill too;
// the budget's file follows the sends while paging, so a kill forgets few of them.
TEST_F(MirrorProgressTest, ALongSectionIsPagedInStretchesAndGoesOnAfterAKill)
{
    Start(1);
    Json big = Section("Big", "sec-big", 5000);
    big.update({{"kind", "section"}, {"parentId", "nb-work"}});
    ASSERT_TRUE(m_Mirror->Admin("add", big));
    W().RunCycle(); // no pass's end: the process dies after the cycle
    const int sent = W().Budget().SentLastHour();
    ASSERT_GT(sent, 25);
    Restart();
    W().LoadProgress();
    EXPECT_GE(W().Budget().SentLastHour(), sent - static_cast<int>(kBudgetSaveEverySends));
    for (int second = 0; second < 7200 && !FileExists(m_Mirror->Store("Work/Big/pages.json").string());
         ++second) {
        const long before = Count("pages");
        W().Pass();
        ASSERT_LE(Count("pages") - before, kRequestsPerStretch) << second;
        m_Clock.Advance(1);
    }
    EXPECT_EQ(JsonTextToObject(m_Mirror->StoreText("Work/Big/pages.json"))["value"].size(), 5000U);
    EXPECT_LE(Count("pages"), 60); // fifty hundreds, and a little overlap where paging went on
}

TEST_F(MirrorProgressTest, AnExpiredTokenIsRefreshedAndTheCycleGoesOn)
{
    Start(2);
    ASSERT_TRUE(m_Mirror->Admin("expire-tokens", Json::object()));
    W().RunCycle();
    EXPECT_EQ(Count("token"), 1);
    EXPECT_EQ(Count("hierarchy"), 1);
    EXPECT_TRUE(FileExists(m_Mirror->Store("Work/S1/pages.json").string()));
}

} // namespace
} // namespace rz
