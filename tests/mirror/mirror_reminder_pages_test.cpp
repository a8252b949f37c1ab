// SPDX-License-Identifier: GPL-3.0-or-later
// The title search, page content and the engine's list requests, with their result codes.
#include "mirror_harness.h"
#include "util/clock.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

Json Notebooks()
{
    const Json pages = Json::array({{{"title", "Dentist !2030-01-02 10:00"},
                                     {"id", "pg-dentist"},
                                     {"paragraphs", Json::array({"plain"})}},
                                    {{"title", "No reminder"}, {"id", "pg-plain"}}});
    return Json::array(
        {Container("Work", "nb-work",
                   Json::array({{{"displayName", "Inbox"}, {"id", "sec-inbox"}, {"pages", pages}}}))});
}

class MirrorReminderPagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Mirror.Running()) << m_Mirror.Emulator().Error();
        W().SetGraphBase(GraphBaseAddress(test::kWorkUserId, false));
    }
    MThreadOneNoteRESTDB& W() { return m_Mirror.Worker(); }

    MirrorHarness m_Mirror{test::kWorkUserId, Notebooks()};
};

struct ContentCase
{
    const char* Name;
    Json Fault; // null: the normal answer
    std::int64_t Result;
    bool HasText;
};

TEST_F(MirrorReminderPagesTest, PageContentResultCodes)
{
    const std::string error = R"({"error":{"code":"20102","message":"gone"}})";
    const ContentCase cases[] = {
        {"page", nullptr, 2, true},
        {"error after blanks", {{"status", 200}, {"body", " \t " + error}}, -2, false},
        {"error after a line break", {{"status", 200}, {"body", "\n" + error}}, -3, false},
        {"page cut before its end", {{"status", 200}, {"body", "<html><body><p>half"}}, -3, false},
        {"plain text", {{"status", 200}, {"body", "nothing"}}, -3, false},
        // A 401 refreshes the tokens and sends the request once more.
        {"unauthorized once", {{"status", 401}, {"body", error}}, 2, true},
        {"unauthorized with the new token too", {{"status", 401}, {"body", error}, {"count", 2}}, -1, false},
    };
    for (const auto& c : cases) {
        if (!c.Fault.is_null()) {
            Json fault = c.Fault;
            fault["route"] = "content";
            ASSERT_TRUE(m_Mirror.Fault(fault)) << c.Name;
        }
        const std::string text = W().GetPageContent("pg-dentist");
        EXPECT_EQ(W().m_LastCheckPageResult, c.Result) << c.Name;
        EXPECT_EQ(!text.empty(), c.HasText) << c.Name;
        EXPECT_EQ(W().LastCheckPageId(), "pg-dentist") << c.Name;
    }
    EXPECT_EQ(m_Mirror.Count("token"), 2); // one refresh for each first 401, none more
    EXPECT_EQ(m_Mirror.Count("root"), 0);  // no probe before page content

    // Without a token nothing is sent and the last request's record stays.
    const auto time = W().LastCheckPageTime();
    m_Mirror.State().AccessToken.Set({});
    EXPECT_EQ(W().GetPageContent("pg-plain"), "");
    EXPECT_EQ(W().m_LastCheckPageResult, 0);
    EXPECT_EQ(W().LastCheckPageId(), "pg-dentist");
    EXPECT_EQ(W().LastCheckPageTime(), time);
    EXPECT_EQ(m_Mirror.Count("content"), std::ssize(cases) + 2);
}

// Held back, unsent and refreshing nothing: after a refusal until the back-off ends, and without a
// budget slot.
TEST_F(MirrorReminderPagesTest, PageContentIsHeldBackDuringABackOffAndWithoutABudgetSlot)
{
    ScopedFakeClock clock(SystemSecondsNow());
    ASSERT_TRUE(m_Mirror.Fault({{"route", "content"}, {"graphError", "20166"}}));
    EXPECT_EQ(W().GetPageContent("pg-dentist"), "");
    EXPECT_EQ(W().m_Counts.ThrottledCount, 1);
    clock.Advance(59);
    EXPECT_EQ(W().PageContentAnswer("pg-dentist").status, TOnlineStatus::HeldBack);
    EXPECT_EQ(m_Mirror.Count("content"), 1);
    clock.Advance(1);
    EXPECT_EQ(W().PageContentAnswer("pg-dentist").status, TOnlineStatus::Ok);

    while (W().Budget().TryAcquire()) {
    }
    const std::int64_t heldBack = W().m_Counts.HeldBackCount;
    MWorkerOnlineSource source(W());
    EXPECT_EQ(source.GetPageContent("pg-dentist").status, TOnlineStatus::HeldBack);
    EXPECT_EQ(W().m_LastCheckPageResult, 0);
    EXPECT_EQ(W().m_Counts.HeldBackCount, heldBack + 1);
    EXPECT_EQ(source.GetOneNoteList("/onenote/pages?$top=5").status, TOnlineStatus::HeldBack);
    EXPECT_EQ(m_Mirror.Count("content"), 2);
    EXPECT_EQ(m_Mirror.Count("token"), 0);
}

TEST_F(MirrorReminderPagesTest, EngineListsGoBelowTheBaseOrToLinksOnTheGraphHostOnly)
{
    MWorkerOnlineSource source(W());
    const TOnlineAnswer list = source.GetOneNoteList("/onenote/pages?$top=1&$orderby=title%20asc");
    EXPECT_EQ(list.status, TOnlineStatus::Ok);
    EXPECT_NE(list.text.find("\"value\""), std::string::npos);
    const std::string absolute = W().GraphBase() + "/onenote/sections/sec-inbox/pages?$top=1&$skip=1";
    EXPECT_EQ(source.GetOneNoteList(absolute).status, TOnlineStatus::Ok);
    EXPECT_EQ(m_Mirror.Count("pages") + m_Mirror.Count("pagelist"), 2);
    // A link elsewhere would carry the token to another host: refused unsent.
    EXPECT_EQ(source.GetOneNoteList("http://127.0.0.2:9/v1.0/me/onenote/pages").status,
              TOnlineStatus::Failed);
    EXPECT_EQ(source.GetOneNoteList(m_Mirror.Emulator().BaseUrl() + ".evil.example/x").status,
              TOnlineStatus::Failed);
    EXPECT_EQ(source.GetOneNoteList("onenote/pages").status, TOnlineStatus::Failed);
    EXPECT_EQ(source.GetPageContent("../notebooks").status, TOnlineStatus::Failed);
    EXPECT_EQ(m_Mirror.Emulator().RequestCount("other"), 0);
}

TEST_F(MirrorReminderPagesTest, TitleSearchResultCodes)
{
    int found = 0;
    W().FOnReminderPagesFound = [&](MThreadOneNoteRESTDB&) { ++found; };
    ASSERT_TRUE(W().FilterReminderPages());
    EXPECT_EQ(W().m_FilterPagesResult, 3);
    EXPECT_EQ(found, 1);
    const std::string pages = m_Mirror.State().ReminderPagesJson.Get();
    EXPECT_NE(pages.find("pg-dentist"), std::string::npos);
    EXPECT_EQ(pages.find("pg-plain"), std::string::npos);

    ASSERT_TRUE(m_Mirror.Fault({{"route", "search"}, {"status", 500}, {"body", "busy"}}));
    EXPECT_FALSE(W().FilterReminderPages());
    EXPECT_EQ(W().m_FilterPagesResult, -2);
    EXPECT_EQ(m_Mirror.State().ReminderPagesJson.Get(), pages);

    ASSERT_TRUE(m_Mirror.Fault({{"route", "search"}, {"drop", true}}));
    EXPECT_FALSE(W().FilterReminderPages());
    EXPECT_EQ(W().m_FilterPagesResult, -1);

    // An unreachable service: nothing sent, the last result stays.
    ASSERT_TRUE(m_Mirror.Fault({{"route", "root"}, {"status", 500}, {"body", "{}"}}));
    EXPECT_FALSE(W().FilterReminderPages());
    EXPECT_EQ(W().m_FilterPagesResult, -1);
    EXPECT_EQ(found, 1);
}

// A large account: every "!" page is found, a hundred per request, and the pages stand in for their
// sections until the first mirror after the search is complete.
TEST(LargeAccountSearchTest, PagesThroughEveryReminderPageAndCoversTheMirrorUntilItCompletes)
{
    Json sections = Json::array();
    for (int s = 0; s < 5; ++s) {
        Json pages = Json::array();
        for (int i = 0; i < 50; ++i) {
            pages.push_back(
                {{"title", "Task !2030-01-02 10:00"}, {"id", "pg-" + std::to_string(s * 50 + i)}});
        }
        sections.push_back(
            {{"displayName", "S" + std::to_string(s)}, {"id", "sec-" + std::to_string(s)}, {"pages", pages}});
    }
    MirrorHarness mirror(test::kPersonalUserId, Json::array({Container("Work", "nb-work", sections)}));
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    ASSERT_TRUE(worker.FilterReminderPages());
    EXPECT_EQ(mirror.Count("search"), 3);
    const std::string found = mirror.State().ReminderPagesJson.Get();
    EXPECT_EQ(JsonTextToObject(std::string_view(found))["value"].size(), 250U);

    const std::string store = R"({"value":[{"id":"pg-0","title":"Task !2030-01-02 10:00"}]})";
    const std::string covered = worker.WithSearchPages(store);
    EXPECT_EQ(JsonTextToObject(std::string_view(covered))["value"].size(), 250U);
    worker.RunCycle();
    EXPECT_EQ(worker.WithSearchPages(store), store);
}

TEST(LargeAccountSearchTest, RefusedForManySectionsTheSearchSaysSoAndTheMirrorGoesOn)
{
    test::EmulatorProcess::Options options;
    options.maxSections = 1;
    Json notebooks = Notebooks();
    notebooks[0]["sections"].push_back(Section("Other", "sec-other"));
    options.fixtureText = test::FixtureText(test::kPersonalUserId, notebooks);
    MirrorHarness mirror(test::kPersonalUserId, options);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    worker.m_JustLoginAccount = true;
    worker.RunCycle();
    EXPECT_EQ(worker.m_FilterPagesResult, kFilterPagesTooManySections);
    EXPECT_EQ(worker.m_Counts.NotebooksChanged, 5);
    EXPECT_TRUE(FileExists(mirror.Store("Work/Inbox/pages.json").string()));
}

// Signed in already but with no finished first mirror in the store (a new machine, a cleared
// store): the title search runs as after a sign-in; a store whose first mirror finished starts
// without it.
TEST(ColdStartSearchTest, AStoreWithoutAFinishedMirrorIsSearchedAsAfterASignIn)
{
    MirrorHarness mirror(test::kPersonalUserId, Notebooks());
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    mirror.Worker().RunCycle();
    EXPECT_EQ(mirror.Count("search"), 1);
    ASSERT_TRUE(FileExists(mirror.Store("notebookssections.json").string()));

    mirror.NewWorker().RunCycle();
    EXPECT_EQ(mirror.Count("search"), 1);

    std::filesystem::remove_all(mirror.Account());
    mirror.NewWorker().RunCycle();
    EXPECT_EQ(mirror.Count("search"), 2);
}

} // namespace
} // namespace rz
