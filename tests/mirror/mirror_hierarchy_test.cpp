// Change detection, page lists and failed sections, against the Graph emulator, for a personal and
// a work account.
#include "mirror_harness.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <set>

namespace rz {
namespace {

Json TwoNotebooks()
{
    return Json::array({Container("Work", "nb-work",
                                  Json::array({Section("Inbox", "sec-inbox"), Section("Plans", "sec-plans")}),
                                  Json::array({Container("Projects", "sg-projects",
                                                         Json::array({Section("Alpha", "sec-alpha")}))})),
                        Container("Yard", "nb-yard", Json::array({Section("Garden", "sec-garden")}))});
}

std::set<std::string> PageIds(const Json& pages)
{
    std::set<std::string> ids;
    for (const Json& page : pages.value("value", Json::array())) {
        ids.insert(page.value("id", ""));
    }
    return ids;
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
    EXPECT_EQ(W().m_NotebooksChanged, 5);
    EXPECT_EQ(W().m_NewNotebookCount, 2);
    EXPECT_EQ(W().m_NewSectionGroupCount, 1);
    EXPECT_EQ(W().m_NewSectionCount, 4);
    for (const char* path :
         {"Work/Inbox/pages.json", "Work/Plans/pages.json", "Work/Projects/Alpha/pages.json",
          "Yard/Garden/pages.json", "notebooks.json", "notebookssections.json"}) {
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
    EXPECT_EQ(again.m_ChangedNotebookCount, 2);
    EXPECT_EQ(again.m_ChangedSectionGroupCount, 1);
    EXPECT_EQ(again.m_ChangedSectionCount, 0);
    EXPECT_EQ(again.m_NotebooksChanged, 5);

    // Three identical notebook lists in a row, then the hierarchy is downloaded again.
    ASSERT_TRUE(M().Emulator().ResetCounters());
    for (const int unchanged : {1, 2, 0}) {
        again.MonitorNotebooks();
        EXPECT_EQ(again.m_MonitorNotebooksNoChangeCount, unchanged);
        EXPECT_EQ(M().Count("hierarchy"), unchanged == 0 ? 1 : 0);
    }
    EXPECT_EQ(M().Count("notebooks"), 3);
}

TEST_P(MirrorHierarchyTest, DeletedSectionLosesItsFolderWhileADeletedNotebookKeepsIt)
{
    Start(TwoNotebooks());
    W().RunCycle();
    ASSERT_TRUE(M().Admin("delete", {{"id", "sec-plans"}}));
    ASSERT_TRUE(M().Admin("delete", {{"id", "sg-projects"}}));
    ASSERT_TRUE(M().Admin("delete", {{"id", "nb-yard"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_NotebooksSectionsChanged, 4);
    EXPECT_FALSE(fs::exists(M().Store("Work/Plans")));
    EXPECT_FALSE(fs::exists(M().Store("Work/Projects")));
    EXPECT_TRUE(fs::exists(M().Store("Work/Inbox/pages.json")));
    // The notebook's own folder stays; the sections it held went with it.
    EXPECT_TRUE(fs::is_directory(M().Store("Yard")));
    EXPECT_FALSE(fs::exists(M().Store("Yard/Garden")));
}

TEST_P(MirrorHierarchyTest, MovedSectionIsFetchedAsNewAndItsOldFolderStays)
{
    Start(TwoNotebooks());
    W().RunCycle();
    ASSERT_TRUE(M().Emulator().ResetCounters());
    ASSERT_TRUE(M().Admin("move", {{"id", "sec-plans"}, {"parentId", "sg-projects"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_NewSectionCount, 1);
    EXPECT_EQ(M().Count("pages"), 1);
    EXPECT_TRUE(fs::exists(M().Store("Work/Projects/Plans/pages.json")));
    EXPECT_TRUE(fs::exists(M().Store("Work/Plans/pages.json")));
}

TEST_P(MirrorHierarchyTest, HierarchyWithoutValueArrayIsAcceptedAndKeepsTheSectionFolders)
{
    Start(TwoNotebooks());
    W().RunCycle();
    const std::string odd = R"({"@odata.context":"https://graph/$metadata#notebooks","note":"value"})";
    ASSERT_TRUE(M().Fault(
        {{"route", "hierarchy"}, {"status", 200}, {"body", odd}, {"contentType", "application/json"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_NotebooksSectionsChanged, 4);
    EXPECT_EQ(M().StoreText("notebookssections.json"), odd);
    // An answer that names no section at all is no evidence that every section went.
    EXPECT_TRUE(fs::exists(M().Store("Work/Inbox/pages.json")));
    EXPECT_TRUE(fs::exists(M().Store("Yard/Garden/pages.json")));
}

TEST_P(MirrorHierarchyTest, FailedSectionStopsTheWalkAboveItsListAndKeepsTheStoredHierarchy)
{
    Start(TwoNotebooks());
    W().RunCycle();
    const std::string hierarchy = *M().StoreText("notebookssections.json");
    const std::string garden = *M().StoreText("Yard/Garden/pages.json");
    for (const char* id : {"sec-inbox", "sec-plans", "sec-alpha", "sec-garden"}) {
        ASSERT_TRUE(M().Admin("add", {{"kind", "page"}, {"parentId", id}, {"title", "New"}}));
    }
    // Inbox fails in the comparison and again in the retry at the end of the cycle.
    ASSERT_TRUE(M().Fault({{"route", "pages"},
                           {"match", "sec-inbox"},
                           {"count", 2},
                           {"status", 500},
                           {"body", "<html>busy</html>"},
                           {"contentType", "text/html"}}));
    ASSERT_TRUE(M().Emulator().ResetCounters());
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(W().m_NotebooksSectionsChanged, 3);
    EXPECT_EQ(W().m_GetSectionErrorCount, 2);
    EXPECT_EQ(W().Result(), "Get pages error: " + M().Store("Work/Inbox").string());
    // Alpha (groups come first) and Plans (same list) are fetched; Yard, above the list, is not.
    EXPECT_EQ(M().Count("pages"), 4);
    EXPECT_EQ(M().StoreText("Yard/Garden/pages.json"), garden);
    EXPECT_EQ(M().StoreText("notebookssections.json"), hierarchy);
    EXPECT_TRUE(W().JsonNotebooks().empty());
    const auto errors = W().ErrorSections();
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors.begin()->second,
              (TErrorSection{"sec-inbox", "Inbox", M().Store("Work/Inbox").string()}));
}

TEST_P(MirrorHierarchyTest, LongSectionIsStoredAsOneListAndAShortOneByteForByte)
{
    Start(Json::array({Container(
        "Big", "nb-big", Json::array({Section("Many", "sec-many", 250), Section("Some", "sec-some", 99)}))}));
    W().RunCycle();
    // Three requests for 250 pages, one for 99.
    EXPECT_EQ(M().Count("pages"), 4);
    const Json stored = JsonTextToObject(M().StoreText("Big/Many/pages.json"));
    EXPECT_TRUE(stored.contains("@odata.context"));
    EXPECT_FALSE(stored.contains("@odata.nextLink"));
    EXPECT_EQ(stored.value("value", Json::array()).size(), 250U);
    EXPECT_EQ(PageIds(stored).size(), 250U);
    EXPECT_EQ(M().StoreText("Big/Some/pages.json"), M().PagesAnswer("sec-some"));
}

TEST_P(MirrorHierarchyTest, RefusedSectionStoresBracesOrKeepsItsOldListAndIsNoError)
{
    Json sections = Json::array({Section("Damaged", "sec-damaged"), Section("Inbox", "sec-inbox", 3)});
    sections[0]["errorCode"] = "20185";
    Start(Json::array({Container("Work", "nb-work", sections)}));
    W().RunCycle();
    EXPECT_EQ(M().StoreText("Work/Damaged/pages.json"), "{}");
    EXPECT_EQ(W().m_GetSectionErrorCount, 0);
    EXPECT_TRUE(W().ErrorSections().empty());
    EXPECT_EQ(W().m_NotebooksChanged, 5);
    const std::string stored = M().StoreText("Work/Inbox/pages.json").value_or("");
    ASSERT_NE(stored.find("Page 2"), std::string::npos);

    // Changed online, then refused when the mirror asks for it again.
    ASSERT_TRUE(M().Admin("add", {{"kind", "page"}, {"parentId", "sec-inbox"}, {"title", "Later"}}));
    ASSERT_TRUE(
        M().Fault({{"route", "pages"}, {"match", "sec-inbox"}, {"count", 10}, {"graphError", "20185"}}));
    W().Refresh();
    W().RunCycle();
    EXPECT_EQ(M().StoreText("Work/Inbox/pages.json"), stored);
    EXPECT_EQ(W().m_GetSectionErrorCount, 0);
    EXPECT_TRUE(W().ErrorSections().empty());
}

TEST_P(MirrorHierarchyTest, ErrorListSurvivesARestartAndLeavesItWhenTheSectionIsDeleted)
{
    Start(TwoNotebooks());
    // Inbox fails in both cycles (comparison and retry each); Plans fails once and succeeds in the retry,
    // which writes the list.
    ASSERT_TRUE(M().Fault(
        Json::array({{{"route", "pages"}, {"match", "sec-inbox"}, {"count", 4}, {"graphError", "20102"}},
                     {{"route", "pages"}, {"match", "sec-plans"}, {"count", 1}, {"graphError", "20102"}}})));
    W().RunCycle();
    EXPECT_EQ(W().ErrorSections().size(), 1U);
    ASSERT_TRUE(FileExists(W().ErrorSectionsPath()));

    MThreadOneNoteRESTDB& again = M().NewWorker();
    ASSERT_TRUE(again.Init());
    const auto loaded = again.ErrorSections();
    ASSERT_EQ(loaded.size(), 1U);
    EXPECT_EQ(loaded.begin()->first, "sec-inbox");

    // The first cycle after the restart retries it (third failure), then it is deleted online.
    again.RunCycle();
    EXPECT_EQ(again.ErrorSections().size(), 1U);
    ASSERT_TRUE(M().Admin("delete", {{"id", "sec-inbox"}}));
    again.Refresh();
    again.RunCycle();
    EXPECT_TRUE(again.ErrorSections().empty());
}

TEST_P(MirrorHierarchyTest, RetryOfAnEmptyErrorListSendsNothing)
{
    Start(TwoNotebooks());
    ASSERT_TRUE(W().Init());
    ASSERT_TRUE(M().Emulator().ResetCounters());
    W().RedoErrorSections();
    EXPECT_EQ(M().Count("root"), 0);
    EXPECT_EQ(M().Count("pages"), 0);
    EXPECT_FALSE(FileExists(W().ErrorSectionsPath()));
}

INSTANTIATE_TEST_SUITE_P(Accounts, MirrorHierarchyTest,
                         ::testing::Values(test::kPersonalUserId, test::kWorkUserId),
                         [](const auto& param) { return param.index == 0 ? "Personal" : "Work"; });

} // namespace
} // namespace rz
