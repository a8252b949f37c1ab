// SPDX-License-Identifier: GPL-3.0-or-later
// Notebooks shared with a work account: an address resolved to its notebook, where its requests may
// go, and a notebook that stops being shared, against the Graph emulator.
#include "mirror/shared_notebooks.h"
#include "mirror_harness.h"
#include "test_support.h"
#include "util/files.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

using test::Container;
using test::MirrorHarness;
using test::Section;

constexpr const char* kOwner = "7c9d1e2f-3a4b-4c5d-8e6f-a1b2c3d4e5f6";

std::string SharedFixture()
{
    const Json owner = {{"id", kOwner}, {"userPrincipalName", "bob@contoso.com"}, {"displayName", "Bob"}};
    Json team = Container("Team Notes", "nb-team", Json::array({Section("Tasks", "sec-team")}));
    team["owner"] = owner;
    Json archive = Container("Old Archive", "nb-archive", Json::array({Section("Old", "sec-old")}));
    archive["owner"] = owner;
    archive["shared"] = false;
    Json fixture = Json::parse(test::FixtureText(
        test::kWorkUserId,
        Json::array({Container("Team Notes", "nb-own", Json::array({Section("Tasks", "sec-own")}))})));
    fixture["sharedNotebooks"] = Json::array({team, archive});
    return fixture.dump();
}

class MirrorSharedTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::EmulatorProcess::Options options;
        options.fixtureText = SharedFixture();
        m_Mirror = std::make_unique<MirrorHarness>(test::kWorkUserId, options);
        ASSERT_TRUE(m_Mirror->Running()) << m_Mirror->Emulator().Error();
        m_Mirror->Worker().SetGraphBase(GraphBaseAddress(test::kWorkUserId, false));
    }
    // The web address the recent-notebooks list gives for a notebook.
    std::string WebAddress(const std::string& name) const
    {
        const Json recent = Json::parse(
            m_Mirror->GraphAnswer("/onenote/notebooks/getRecentNotebooks(includePersonalNotebooks=false)"));
        for (const Json& entry : recent["value"]) {
            if (entry["displayName"] == name) {
                return entry["links"]["oneNoteWebUrl"]["href"].get<std::string>();
            }
        }
        return {};
    }
    std::unique_ptr<MirrorHarness> m_Mirror;
};

TEST_F(MirrorSharedTest, AnAddressResolvesToItsNotebookOrSaysWhyNot)
{
    using S = TSharedResolveStatus;
    const std::string userBase = m_Mirror->Emulator().BaseUrl() + "/v1.0/users/" + kOwner;
    const struct
    {
        std::string address;
        S status;
        std::string name;
    } cases[] = {
        {WebAddress("Team Notes"), S::Found, "Team Notes"},
        {"  onenote:" + WebAddress("Team Notes") + "\n", S::Found, "Team Notes"},
        {WebAddress("Old Archive"), S::NotShared, ""},
        {"https://contoso-my.sharepoint.com/personal/nobody/Doc.aspx?sourcedoc={0}", S::NotFound, ""},
        {"not a link", S::Malformed, ""},
        {"http://contoso-my.sharepoint.com/notebook", S::Malformed, ""},
        {"https://user@evil.example/notebook", S::Malformed, ""},
        {"https://contoso.sharepoint.com/a b", S::Malformed, ""},
    };
    for (const auto& c : cases) {
        const auto result = m_Mirror->Worker().Shared().Resolve(c.address);
        EXPECT_EQ(result.Status, c.status) << c.address;
        EXPECT_EQ(result.Notebook.Name, c.name) << c.address;
        if (c.status == S::Found) {
            EXPECT_EQ(result.Notebook.OwnerName, "Bob");
            EXPECT_EQ(result.Notebook.Base, userBase);
        }
    }
    // Refused for now, even with the status of a denial: nothing is said of the notebook.
    ASSERT_TRUE(m_Mirror->Fault({{"route", "fromweburl"}, {"graphError", "10007"}, {"status", 403}}));
    EXPECT_EQ(m_Mirror->Worker().Shared().Resolve(WebAddress("Team Notes")).Status, S::Failed);
}

TEST(SharedNotebooksTest, AddressesOffTheGraphRootNeverNameABase)
{
    const std::string root = "https://graph.microsoft.com";
    const struct
    {
        const char* address;
        const char* base; // empty: refused
    } cases[] = {
        {"https://graph.microsoft.com/v1.0/users/7c9d/onenote/notebooks/1-ab/sections",
         "https://graph.microsoft.com/v1.0/users/7c9d"},
        {"https://graph.microsoft.com/v1.0/groups/g1/onenote/notebooks/1-ab/sectionGroups",
         "https://graph.microsoft.com/v1.0/groups/g1"},
        {"https://graph.microsoft.com/v1.0/sites/host,1,2/onenote/sections/1-ab/pages",
         "https://graph.microsoft.com/v1.0/sites/host,1,2"},
        {"https://graph.microsoft.com.evil.example/v1.0/users/7c9d/onenote/sections", ""},
        {"https://evil.example/v1.0/users/7c9d/onenote/notebooks/1/sections", ""},
        {"http://graph.microsoft.com/v1.0/users/7c9d/onenote/notebooks/1/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/../onenote/notebooks/1/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/a%2Fb/onenote/notebooks/1/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/a/b/onenote/notebooks/1/sections", ""},
        {"https://graph.microsoft.com/v1.0/me/onenote/notebooks/1/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/7c9d/notes/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/7 9/onenote/sections", ""},
        // After "/onenote/": documented paths only, nothing a client or server reads as another.
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/../../me/drive/root/children", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/1/sections/../../../drive", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/%2e%2e/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/1%2F..%2F..%2Fdrive/sections", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/1/sections/./x", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/drive/root", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks//sections", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/1/sections#x", ""},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/notebooks/1/sections?$skip=20",
         "https://graph.microsoft.com/v1.0/users/bob"},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/sectionGroups/1-g/sectionGroups",
         "https://graph.microsoft.com/v1.0/users/bob"},
        {"https://graph.microsoft.com/v1.0/users/bob/onenote/pages/1-p/content?includeIDs=true",
         "https://graph.microsoft.com/v1.0/users/bob"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OneNoteBaseOf(c.address, root).value_or(""), c.base) << c.address;
    }
}

TEST(SharedNotebooksTest, AStoredEntryPointingOffTheGraphRootIsDropped)
{
    const std::string root = "https://graph.microsoft.com";
    const std::string base = root + "/v1.0/users/bob";
    TSharedNotebook kept{"1-a",
                         "Team",
                         "bob",
                         "Bob",
                         base,
                         base + "/onenote/notebooks/1-a/sections",
                         base + "/onenote/notebooks/1-a/sectionGroups",
                         "https://contoso/a",
                         TSharedState::Refused};
    TSharedNotebook moved = kept;
    moved.Id = "1-b";
    moved.SectionsUrl = "https://evil.example/v1.0/users/bob/onenote/notebooks/1-b/sections";
    TSharedNotebook mixed = kept;
    mixed.Id = "1-c";
    mixed.SectionGroupsUrl = root + "/v1.0/users/eve/onenote/notebooks/1-c/sectionGroups";
    const test::TempDir dir;
    const std::string file = dir.File(kSharedNotebooksFile);
    ASSERT_TRUE(WriteTextFile(file, SharedNotebooksText({kept, moved, mixed})));
    EXPECT_EQ(ReadSharedNotebooks(file, root), std::vector<TSharedNotebook>{kept});
    // Cut off: nothing, and nothing else read.
    const std::string text = SharedNotebooksText({kept});
    ASSERT_TRUE(WriteTextFile(file, text.substr(0, text.size() / 2)));
    EXPECT_TRUE(ReadSharedNotebooks(file, root).empty());
}

TEST_F(MirrorSharedTest, ANotebookNoLongerSharedLeavesTheStoreAndIsMarkedRefused)
{
    MThreadOneNoteRESTDB& worker = m_Mirror->Worker();
    const auto found = worker.Shared().Resolve(WebAddress("Team Notes"));
    ASSERT_EQ(found.Status, TSharedResolveStatus::Found);
    worker.Shared().Add(found.Notebook);
    worker.Pass();
    const std::string shared = std::string(kSharedStoreFolder) + "/" + kOwner + "/nb-team/Tasks/pages.json";
    ASSERT_TRUE(FileExists(m_Mirror->Store(shared).string()));
    // The user's own notebook of the same name keeps its folder apart.
    EXPECT_TRUE(FileExists(m_Mirror->Store("Team Notes/Tasks/pages.json").string()));

    // Refused for now, even with the status of a denial, it stays.
    ASSERT_TRUE(m_Mirror->Fault({{"route", "sections"}, {"graphError", "30103"}, {"status", 403}}));
    worker.Refresh();
    worker.Pass();
    EXPECT_EQ(worker.Shared().Notebooks()[0].State, TSharedState::Open);
    EXPECT_TRUE(FileExists(m_Mirror->Store(shared).string()));
    worker.Budget().Reset(); // the back-off it began

    ASSERT_TRUE(m_Mirror->Admin("share", {{"id", "nb-team"}, {"shared", false}}));
    worker.Refresh();
    worker.Pass();
    EXPECT_FALSE(FileExists(m_Mirror->Store(shared).string()));
    ASSERT_EQ(worker.Shared().Notebooks().size(), 1u);
    EXPECT_EQ(worker.Shared().Notebooks()[0].State, TSharedState::Refused);
    EXPECT_TRUE(FileExists(m_Mirror->Store("Team Notes/Tasks/pages.json").string()));
}

TEST_F(MirrorSharedTest, AfterARestartTheStoredHierarchyGivesTheSharedBasesBeforeAnyDownload)
{
    MThreadOneNoteRESTDB& first = m_Mirror->Worker();
    const auto found = first.Shared().Resolve(WebAddress("Team Notes"));
    ASSERT_EQ(found.Status, TSharedResolveStatus::Found);
    first.Shared().Add(found.Notebook);
    first.Pass();
    const Json pages = Json::parse(
        *m_Mirror->StoreText(std::string(kSharedStoreFolder) + "/" + kOwner + "/nb-team/Tasks/pages.json"));
    const std::string page = pages["value"][0]["id"];
    const std::string ownerBase = found.Notebook.Base;

    // A restart whose notebook list fails: nothing downloaded in this run.
    MThreadOneNoteRESTDB& worker = m_Mirror->NewWorker();
    worker.SetGraphBase(GraphBaseAddress(test::kWorkUserId, false));
    ASSERT_TRUE(m_Mirror->Fault({{"route", "hierarchy"}, {"status", 503}, {"count", 10}}));
    worker.Pass();
    EXPECT_EQ(worker.BaseForAddress("/onenote/pages/" + page + "/content"), ownerBase);
    EXPECT_EQ(worker.BaseForAddress("/onenote/sections/sec-team/pages"), ownerBase);
    EXPECT_EQ(worker.BaseForAddress("/onenote/sections/sec-own/pages"), worker.GraphBase());
}

// GetNotebookFromWebUrl's answer as the metadata gives it (CopyNotebookModel) and as the reference
// page shows it (a notebook): both are read, and a missing name never refuses the notebook.
TEST(SharedNotebooksTest, AnAnswerInEitherPublishedShapeGivesItsNotebook)
{
    const std::string root = "https://graph.microsoft.com";
    const std::string base = root + "/v1.0/users/bob";
    const Json urls = {{"sectionsUrl", base + "/onenote/notebooks/1-a/sections"},
                       {"sectionGroupsUrl", base + "/onenote/notebooks/1-a/sectionGroups"}};
    const Json identity = {{"user", {{"id", "bob"}, {"displayName", "Bob"}}}};
    const std::string web = "https://contoso-my.sharepoint.com/personal/bob/Documents/Team%20Notes";
    const struct
    {
        Json answer;
        const char* knownName;
        const char* name;
        const char* owner;
    } cases[] = {
        {{{"id", "1-a"},
          {"name", "Team"},
          {"createdBy", "Bob B"},
          {"createdByIdentity", identity},
          {"createdTime", "2024-01-02T03:04:05Z"},
          {"userRole", "Contributor"},
          {"isShared", true}},
         "",
         "Team",
         "Bob"},
        {{{"id", "1-a"}, {"name", "Team"}, {"createdBy", "Bob B"}, {"createdByIdentity", nullptr}},
         "",
         "Team",
         "Bob B"},
        {{{"id", "1-a"}, {"displayName", "Team"}, {"createdBy", identity}, {"unknownMember", {1, 2}}},
         "",
         "Team",
         "Bob"},
        {{{"id", "1-a"}, {"name", nullptr}}, "Recent name", "Recent name", ""},
        {{{"id", "1-a"}}, "", "Team Notes", ""},
    };
    for (const auto& c : cases) {
        Json answer = c.answer;
        answer.update(urls);
        const auto notebook = SharedNotebookFromAnswer(answer.dump(), root, web, c.knownName);
        ASSERT_TRUE(notebook.has_value()) << answer.dump();
        EXPECT_EQ(notebook->Name, c.name) << answer.dump();
        EXPECT_EQ(notebook->OwnerName, c.owner) << answer.dump();
        EXPECT_EQ(notebook->Base, base);
    }
}

// A shared notebook's lists come in several answers: every section is mirrored.
TEST(SharedNotebooksTest, LongSectionListsAreFollowedThroughTheirNextLinks)
{
    test::EmulatorProcess::Options options;
    Json fixture = Json::parse(SharedFixture());
    fixture["sharedListPageSize"] = 1;
    Json& team = fixture["sharedNotebooks"][0];
    team["sections"] = Json::array({Section("A", "sec-a"), Section("B", "sec-b"), Section("C", "sec-c")});
    team["sectionGroups"] = Json::array({Container("G1", "grp-1", Json::array({Section("D", "sec-d")})),
                                         Container("G2", "grp-2", Json::array({Section("E", "sec-e")}))});
    options.fixtureText = fixture.dump();
    MirrorHarness mirror(test::kWorkUserId, options);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    worker.SetGraphBase(GraphBaseAddress(test::kWorkUserId, false));
    const Json recent = Json::parse(
        mirror.GraphAnswer("/onenote/notebooks/getRecentNotebooks(includePersonalNotebooks=false)"));
    std::string web;
    for (const Json& entry : recent["value"]) {
        web = entry["displayName"] == "Team Notes"
                  ? entry["links"]["oneNoteWebUrl"]["href"].get<std::string>()
                  : web;
    }
    const auto found = worker.Shared().Resolve(web);
    ASSERT_EQ(found.Status, TSharedResolveStatus::Found);
    worker.Shared().Add(found.Notebook);
    worker.Pass();
    const std::string folder = std::string(kSharedStoreFolder) + "/" + kOwner + "/nb-team/";
    for (const char* section : {"A", "B", "C", "G1/D", "G2/E"}) {
        EXPECT_TRUE(FileExists(mirror.Store(folder + section + "/pages.json").string())) << section;
    }
}

// The file keeps the notebooks of another Graph root: a change of endpoints and back loses none.
TEST_F(MirrorSharedTest, AChangeOfTheGraphRootKeepsTheUsersList)
{
    const std::string other = "https://graph.example.org/v1.0/users/bob/onenote/notebooks/1-x";
    const Json entry = {{"id", "1-x"},
                        {"name", "Elsewhere"},
                        {"ownerId", "bob"},
                        {"ownerName", "Bob"},
                        {"sectionsUrl", other + "/sections"},
                        {"sectionGroupsUrl", other + "/sectionGroups"},
                        {"webUrl", "https://contoso/x"},
                        {"state", "open"}};
    std::filesystem::create_directories(m_Mirror->Account());
    ASSERT_TRUE(WriteTextFile(m_Mirror->Store(kSharedNotebooksFile).string(),
                              Json{{"notebooks", Json::array({entry})}}.dump()));
    MThreadOneNoteRESTDB& worker = m_Mirror->Worker();
    worker.Pass(); // discovery adds the shared notebook of this root and writes the file
    const Json stored = Json::parse(m_Mirror->StoreText(kSharedNotebooksFile).value_or("{}"));
    ASSERT_TRUE(stored.contains("notebooks"));
    EXPECT_EQ(stored["notebooks"].size(), 2u);
    EXPECT_EQ(stored["notebooks"][0], entry);
}

} // namespace
} // namespace rz
