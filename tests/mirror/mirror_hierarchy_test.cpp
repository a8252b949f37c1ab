// SPDX-License-Identifier: GPL-3.0-or-later
// Change detection, page lists and failed sections, against the Graph emulator, for a personal and
// a work account.
#include "mirror_harness.h"
#include "util/files.h"

#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace rz {
namespace {

Json TwoNotebooks()
{
    return Json::array({Container("Work", "nb-work",
                                  Json::array({Section("Inbox", "sec-inbox"), Section("Plans", "sec-plans")}),
                                  Json::array({Container("Projects", "sg-projects",
                                                         Json::array({Section("Alpha", "sec-alpha")}))})),
                        Container("Yard", "nb-yard", Json::array({Section("Garden", "sec-garden")}),
                                  Json::array({Container("Sheds", "sg-sheds",
                                                         Json::array({Section("Tools", "sec-tools")}))}))});
}

class MirrorHierarchyTest : public ::testing::TestWithParam<const char*>
{
protected:
    void Start(const Json& notebooks)
    {
        m_Mirror = std::make_unique<MirrorHarness>(GetParam(), notebooks);
        ASSERT_TRUE(m_Mirror->Running()) << m_Mirror->Emulator().Error();
    }
    MirrorHarness& M() { return *m_Mirror; }
    MThreadOneNoteRESTDB& W() { return m_Mirror->Worker(); }

    std::unique_ptr<MirrorHarness> m_Mirror;
};

TEST_P(MirrorHierarchyTest, FirstCycleMirrorsAllARestartSkipsUnchangedSectionsAndTheThirdSameListDownloads)
{
    Start(TwoNotebooks());
    W().RunCycle();
    EXPECT_EQ(W().m_Counts.NotebooksChanged, 5);
    EXPECT_EQ(W().m_Counts.NewNotebookCount, 2);
    EXPECT_EQ(W().m_Counts.NewSectionGroupCount, 2);
    EXPECT_EQ(W().m_Counts.NewSectionCount, 5);
    for (const char* path : {"Work/Inbox/pages.json", "Work/Plans/pages.json",
                             "Work/Projects/Alpha/pages.json", "Yard/Garden/pages.json",
                             "Yard/Sheds/Tools/pages.json", "notebooks.json", "notebookssections.json"}) {
        EXPECT_TRUE(FileExists(M().Store(path).string())) << path;
    }
    EXPECT_EQ(M().StoreText("notebookssections.json"),
              M().GraphAnswer("/onenote/notebooks?expand=sections,sectionGroups(expand=sections,"
                              "sectionGroups(levels=max;expand=sections))"));

    // A restart over the complete store downloads the hierarchy but fetches no page list.
    ASSERT_TRUE(M().Emulator().ResetCounters());
    MThreadOneNoteRESTDB& again = M().NewWorker();
    again.RunCycle();
    EXPECT_EQ(M().Count("hierarchy"), 1);
    EXPECT_EQ(M().Count("pages"), 0);
    EXPECT_EQ(again.m_Counts.ChangedNotebookCount, 2);
    EXPECT_EQ(again.m_Counts.ChangedSectionGroupCount, 2);
    EXPECT_EQ(again.m_Counts.ChangedSectionCount, 0);
    EXPECT_EQ(again.m_Counts.NotebooksChanged, 5);

    // Three identical notebook lists in a row, then the hierarchy is downloaded again.
    ASSERT_TRUE(M().Emulator().ResetCounters());
    for (const int unchanged : {1, 2, 0}) {
        again.MonitorNotebooks();
        EXPECT_EQ(again.m_MonitorNotebooksNoChangeCount, unchanged);
        EXPECT_EQ(M().Count("hierarchy"), unchanged == 0 ? 1 : 0);
    }
    EXPECT_EQ(M().Count("notebooks"), 3);
}

// Removal goes by id: a moved section takes its list to its new folder and its old folder goes, a
// deleted section or group loses its folder, a deleted notebook keeps its own but loses what it held.
TEST_P(MirrorHierarchyTest, MovedSectionIsFetchedAsNewAndDeletedItemsLoseTheirFolders)
{
    Start(TwoNotebooks());
    W().RunCycle();
    ASSERT_TRUE(M().Emulator().ResetCounters());
    ASSERT_TRUE(M().Admin("move", {{"id", "sec-plans"}, {"parentId", "sg-projects"}}));
    ASSERT_TRUE(M().Admin("delete", {{"id", "sec-inbox"}}));
    ASSERT_TRUE(M().Admin("delete", {{"id", "nb-yard"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_Counts.NotebooksSectionsChanged, 4);
    EXPECT_EQ(W().m_Counts.NewSectionCount, 1);
    EXPECT_EQ(M().Count("pages"), 1);
    const char* kept[] = {"Work/Projects/Plans/pages.json", "Work/Projects/Alpha/pages.json"};
    for (const char* path : kept) {
        EXPECT_TRUE(fs::exists(M().Store(path))) << path;
    }
    for (const char* path : {"Work/Inbox", "Work/Plans", "Yard/Garden", "Yard/Sheds"}) {
        EXPECT_FALSE(fs::exists(M().Store(path))) << path;
    }
    EXPECT_TRUE(fs::is_directory(M().Store("Yard")));

    // An answer that names no notebook array is a failed download: stored, it would leave the
    // store query nothing to read.
    const std::string stored = *M().StoreText("notebookssections.json");
    const std::string odd = R"({"@odata.context":"https://graph/$metadata#notebooks","note":"value"})";
    ASSERT_TRUE(M().Fault(
        {{"route", "hierarchy"}, {"status", 200}, {"body", odd}, {"contentType", "application/json"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_Counts.NotebooksSectionsChanged, 2);
    EXPECT_EQ(W().m_Counts.GetAllNotebooksSectionsErrorCount, 1);
    EXPECT_EQ(M().StoreText("notebookssections.json"), stored);
    for (const char* path : kept) {
        EXPECT_TRUE(fs::exists(M().Store(path))) << path;
    }
}

TEST_P(MirrorHierarchyTest, LongAndShortListsAreStoredWholeAndARefusedSectionIsNoError)
{
    Json sections = Json::array({Section("Damaged", "sec-damaged"), Section("Inbox", "sec-inbox", 3),
                                 Section("Many", "sec-many", 250), Section("Some", "sec-some", 99)});
    sections[0]["errorCode"] = "20185";
    Start(Json::array({Container("Work", "nb-work", sections)}));
    W().RunCycle();
    // Three requests for 250 pages, one for each other section, and the refused one's retry.
    EXPECT_EQ(M().Count("pages"), 7);
    const Json many = JsonTextToObject(M().StoreText("Work/Many/pages.json"));
    EXPECT_TRUE(many.contains("@odata.context"));
    EXPECT_FALSE(many.contains("@odata.nextLink"));
    EXPECT_EQ(many.value("value", Json::array()).size(), 250U);
    std::set<std::string> ids; // no page twice across the requests
    for (const Json& page : many["value"]) {
        ids.insert(page.value("id", ""));
    }
    EXPECT_EQ(ids.size(), 250U);
    EXPECT_EQ(M().StoreText("Work/Some/pages.json"), M().PagesAnswer("sec-some"));
    // A refusal says nothing of the section's pages: it fails, and no empty list stands in.
    EXPECT_FALSE(FileExists(M().Store("Work/Damaged/pages.json").string()));
    EXPECT_EQ(W().m_Counts.GetSectionErrorCount, 2);
    EXPECT_EQ(W().Sections().ErrorList().size(), 1U);
    EXPECT_EQ(W().m_Counts.NotebooksChanged, 5);
    const std::string stored = M().StoreText("Work/Inbox/pages.json").value_or("");
    ASSERT_NE(stored.find("Page 2"), std::string::npos);

    // Changed online, then refused when the mirror asks for it again: the old list stays.
    ASSERT_TRUE(M().Admin("add", {{"kind", "page"}, {"parentId", "sec-inbox"}, {"title", "Later"}}));
    ASSERT_TRUE(
        M().Fault({{"route", "pages"}, {"match", "sec-inbox"}, {"count", 10}, {"graphError", "20185"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(M().StoreText("Work/Inbox/pages.json"), stored);
    EXPECT_TRUE(W().Sections().ErrorList().contains("sec-inbox"));
}

// A section whose list fails holds nothing else back: later notebooks are compared and the
// hierarchy is stored. The section is retried from the error list (saved at once) at the end of the
// cycle and in later cycles, after a restart too, until it is deleted online.
TEST_P(MirrorHierarchyTest, FailedSectionIsRetriedFromTheErrorListWhileTheRestIsMirrored)
{
    Start(TwoNotebooks());
    // Retrying an empty list sends nothing and writes no file.
    ASSERT_TRUE(W().Init());
    ASSERT_TRUE(M().Emulator().ResetCounters());
    W().RedoErrorSections();
    EXPECT_EQ(M().Count("root") + M().Count("pages"), 0);
    EXPECT_FALSE(FileExists(W().ErrorSectionsPath()));
    W().RunCycle();
    const std::string hierarchy = *M().StoreText("notebookssections.json");
    const std::string garden = *M().StoreText("Yard/Garden/pages.json");
    for (const char* id : {"sec-inbox", "sec-plans", "sec-alpha", "sec-garden"}) {
        ASSERT_TRUE(M().Admin("add", {{"kind", "page"}, {"parentId", id}, {"title", "New"}}));
    }
    // Inbox fails in the comparison and again in the retry; Plans fails once and the retry writes it.
    ASSERT_TRUE(
        M().Fault(Json::array({{{"route", "pages"},
                                {"match", "sec-inbox"},
                                {"count", 2},
                                {"status", 500},
                                {"body", "<html>busy</html>"},
                                {"contentType", "text/html"}},
                               {{"route", "pages"}, {"match", "sec-plans"}, {"graphError", "20102"}}})));
    ASSERT_TRUE(M().Emulator().ResetCounters());
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_Counts.NotebooksSectionsChanged, 4);
    EXPECT_EQ(W().m_Counts.GetSectionErrorCount, 3);
    EXPECT_EQ(W().Result(), "Get pages error: " + M().Store("Work/Inbox").string());
    // Alpha, Inbox, Plans and Garden, then both retries.
    EXPECT_EQ(M().Count("pages"), 6);
    EXPECT_EQ(M().StoreText("Work/Plans/pages.json"), M().PagesAnswer("sec-plans"));
    EXPECT_NE(M().StoreText("Yard/Garden/pages.json"), garden);
    EXPECT_EQ(M().StoreText("Yard/Garden/pages.json"), M().PagesAnswer("sec-garden"));
    EXPECT_NE(M().StoreText("notebookssections.json"), hierarchy);
    EXPECT_FALSE(W().JsonNotebooks().empty());
    const TErrorSection inbox{"sec-inbox", "Inbox", M().Store("Work/Inbox").string()};
    ASSERT_EQ(W().Sections().ErrorList().size(), 1U);
    EXPECT_EQ(W().Sections().ErrorList().begin()->second, inbox);
    ASSERT_TRUE(FileExists(W().ErrorSectionsPath()));

    MThreadOneNoteRESTDB& again = M().NewWorker();
    ASSERT_TRUE(again.Init());
    ASSERT_EQ(again.Sections().ErrorList().size(), 1U);
    EXPECT_EQ(again.Sections().ErrorList().begin()->second, inbox);

    // The first cycle after the restart fails on it again, then it is deleted online.
    ASSERT_TRUE(
        M().Fault({{"route", "pages"}, {"match", "sec-inbox"}, {"count", 2}, {"graphError", "20102"}}));
    again.RunCycle();
    EXPECT_EQ(again.Sections().ErrorList().size(), 1U);
    ASSERT_TRUE(M().Admin("delete", {{"id", "sec-inbox"}}));
    again.Refresh();
    again.RunCycle();
    EXPECT_TRUE(again.Sections().ErrorList().empty());
}

// Personal-account ids end in a counter of varying length: "…!12" lies inside "…!123" as text.
TEST_P(MirrorHierarchyTest, DeletedSectionWhoseIdBeginsAnotherLosesItsFolder)
{
    Start(Json::array({Container(
        "Work", "0-ABC!1", Json::array({Section("Short", "0-ABC!12"), Section("Long", "0-ABC!123")}))}));
    W().RunCycle();
    ASSERT_TRUE(fs::exists(M().Store("Work/Short/pages.json")));
    ASSERT_TRUE(M().Admin("delete", {{"id", "0-ABC!12"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_FALSE(fs::exists(M().Store("Work/Short")));
    EXPECT_TRUE(fs::exists(M().Store("Work/Long/pages.json")));
}

// A service that ignores "$skip" would be asked to the cap; an answer with nothing new ends it.
TEST_P(MirrorHierarchyTest, PagingStopsAtAnAnswerWithoutNewPages)
{
    Start(Json::array({Container("Work", "nb-work", Json::array({Section("Full", "sec-full", 100)}))}));
    const std::string first = M().PagesAnswer("sec-full");
    ASSERT_TRUE(M().Fault({{"route", "pages"},
                           {"match", "skip="},
                           {"count", 300},
                           {"status", 200},
                           {"body", first},
                           {"contentType", "application/json"}}));
    ASSERT_TRUE(M().Emulator().ResetCounters());
    W().RunCycle();
    EXPECT_EQ(M().Count("pages"), 2);
    EXPECT_EQ(JsonTextToObject(M().StoreText("Work/Full/pages.json"))["value"].size(), 100U);
    ASSERT_TRUE(M().Emulator().ClearFaults());
}

// Pages are asked for in creation order: one edited while the next hundred is on its way keeps
// its place instead of jumping to the front past the hundred already read.
TEST_P(MirrorHierarchyTest, PageEditedDuringPagingIsNotMissed)
{
    Json pages = Json::array();
    for (int i = 0; i < 150; ++i) {
        const std::string age = "{{graph:now-" + std::to_string(200 - i) + "h}}";
        pages.push_back({{"title", "Page " + std::to_string(i)},
                         {"id", "pg-" + std::to_string(i)},
                         {"createdDateTime", age}});
    }
    Json section = Section("Long", "sec-long");
    section["pages"] = pages;
    Start(Json::array({Container("Work", "nb-work", Json::array({section}))}));
    ASSERT_TRUE(M().Fault({{"route", "pages"}, {"match", "skip=100"}, {"delayMs", 1500}}));
    std::thread editor([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        M().Admin("rename", {{"id", "pg-0"}, {"name", "Page 0 edited"}});
    });
    W().RunCycle();
    editor.join();
    const Json stored = JsonTextToObject(M().StoreText("Work/Long/pages.json"));
    std::set<std::string> ids;
    for (const Json& page : stored.value("value", Json::array())) {
        ids.insert(page.value("id", ""));
    }
    EXPECT_EQ(ids.size(), 150U);
    EXPECT_TRUE(ids.contains("pg-0"));
}

// The service may indent every answer and put a blank after each colon, as its documentation
// prints them: the sign-in tokens, the user id, the refresh and the mirror read them all.
TEST(MirrorIndentedAnswersTest, TokensIdsAndHierarchyReadLikeCompactOnes)
{
    Json sections = Json::array({Section("Inbox", "sec-inbox"), Section("Damaged", "sec-damaged")});
    sections[1]["errorCode"] = "20185";
    test::EmulatorProcess::Options options;
    options.fixtureText =
        test::FixtureText(test::kPersonalUserId, Json::array({Container("Work", "nb-work", sections)}));
    options.pretty = true;
    MirrorHarness mirror(test::kPersonalUserId, options);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    AppState& state = mirror.State();
    state.AccessToken.Set({});
    state.RefreshToken.Set({});
    state.UserId.Set({});
    state.AuthorizationCode.Set("mirror-code");
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    worker.RunCycle();
    EXPECT_EQ(state.UserId.Get(), test::kPersonalUserId);
    EXPECT_FALSE(state.RefreshToken.Empty());
    EXPECT_EQ(worker.m_Counts.NotebooksChanged, 5);
    EXPECT_EQ(mirror.StoreText("Work/Inbox/pages.json"), mirror.PagesAnswer("sec-inbox"));
    EXPECT_FALSE(FileExists(mirror.Store("Work/Damaged/pages.json").string()));
    EXPECT_EQ(worker.Sections().ErrorList().size(), 1U);

    const std::string access = state.AccessToken.Get();
    ASSERT_TRUE(mirror.Emulator().ExpireTokens());
    worker.Refresh();
    worker.RunCycle();
    EXPECT_EQ(worker.m_RefreshTokensErrorCount, 0);
    EXPECT_NE(state.AccessToken.Get(), access);
}

INSTANTIATE_TEST_SUITE_P(Accounts, MirrorHierarchyTest,
                         ::testing::Values(test::kPersonalUserId, test::kWorkUserId),
                         [](const auto& param) { return param.index == 0 ? "Personal" : "Work"; });

} // namespace
} // namespace rz
