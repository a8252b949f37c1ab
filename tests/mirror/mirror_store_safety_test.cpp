// SPDX-License-Identifier: GPL-3.0-or-later
// The store stays inside the account folder whatever the names, and a process killed mid-cycle
// leaves every file whole.
#include "mirror_harness.h"
#include "util/files.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace rz {
namespace {

// Every path below `root`, except those below `skip`.
std::set<std::string> Tree(const fs::path& root, const fs::path& skip)
{
    std::set<std::string> paths;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        paths.insert(it->path().string());
    }
    return paths;
}

TEST(MirrorStoreSafetyTest, HostileNamesAndUserIdsStayInsideTheStoreThroughACycleAndRemovals)
{
    const std::string absolute = "/rz-hostile-" + std::to_string(::getpid());
    const Json notebooks = Json::array(
        {Container("..", "nb-dots",
                   Json::array({Section("../../x", "sec-up"), Section(absolute, "sec-abs"),
                                Section("", "sec-empty"), Section(std::string("a\0b", 3), "sec-nul"),
                                Section(std::string(300, 'n'), "sec-long"), Section("Inbox", "sec-inbox")}),
                   Json::array({Container("..", "sg-dots", Json::array({Section(".", "sec-dot")}))})),
         Container("/", "nb-slash", Json::array({Section("..", "sec-slash-dots")}))});
    MirrorHarness mirror(test::kWorkUserId, notebooks);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    const fs::path top = mirror.Folder().Path();
    const fs::path outside = top / "outside";
    fs::create_directories(outside);
    test::WriteFileBytes((outside / "keep.txt").string(), "keep");
    fs::create_directories(top / "x");
    fs::create_directories(mirror.State().Paths.StoreRootPath);
    const std::set<std::string> before = Tree(top, mirror.Account());

    worker.RunCycle();
    EXPECT_EQ(worker.m_Counts.NotebooksChanged, 5);
    EXPECT_EQ(worker.m_Counts.NewSectionCount, 8);
    EXPECT_EQ(worker.m_Counts.StoreErrorCount, 0);
    for (const char* path :
         {"%2E%2E/%2E%2E/%2E%2E/x/pages.json", "%2E%2E/(unnamed)/pages.json", "%2E%2E/a%00b/pages.json",
          "%2E%2E/%2E%2E/%2E/pages.json", "(unnamed)/%2E%2E/pages.json"}) {
        EXPECT_TRUE(fs::exists(mirror.Store(path))) << path;
    }
    EXPECT_TRUE(fs::exists(mirror.Store("%2E%2E" + absolute + "/pages.json")));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(Tree(top, mirror.Account()), before);

    // A symbolic link planted in place of a section folder leads out of the store.
    const fs::path inbox = mirror.Store("%2E%2E/Inbox");
    fs::remove_all(inbox);
    fs::create_directory_symlink(outside, inbox);
    ASSERT_TRUE(mirror.Admin("add", {{"kind", "page"}, {"parentId", "sec-inbox"}, {"title", "New"}}));
    worker.Refresh();
    worker.RunCycle();
    EXPECT_GT(worker.m_Counts.StoreErrorCount, 0);
    EXPECT_EQ(Tree(outside, {}), (std::set<std::string>{(outside / "keep.txt").string()}));

    // Everything deleted online: the removal walk deletes inside the store only.
    for (const char* id : {"sec-up", "sec-abs", "sec-empty", "sec-nul", "sec-long", "sec-inbox", "sg-dots",
                           "sec-slash-dots"}) {
        ASSERT_TRUE(mirror.Admin("delete", {{"id", id}})) << id;
    }
    worker.Refresh();
    worker.RunCycle();
    EXPECT_EQ(worker.m_Counts.NotebooksSectionsChanged, 4);
    EXPECT_FALSE(fs::exists(mirror.Store("%2E%2E/%2E%2E/%2E%2E/x")));
    EXPECT_FALSE(fs::exists(mirror.Store("%2E%2E/%2E%2E")));
    EXPECT_TRUE(fs::is_directory(mirror.Store("%2E%2E")));
    EXPECT_EQ(Tree(outside, {}), (std::set<std::string>{(outside / "keep.txt").string()}));
    EXPECT_EQ(Tree(top, mirror.Account()), before);
    EXPECT_FALSE(fs::exists(absolute));

    // A hostile user id stays below the store root too.
    mirror.State().UserId.Set("../../escape");
    MThreadOneNoteRESTDB& other = mirror.NewWorker();
    ASSERT_TRUE(other.Init());
    const fs::path root = mirror.State().Paths.StoreRootPath;
    EXPECT_EQ(fs::path(other.RESTDBPath()), root / "%2E%2E" / "%2E%2E" / "escape");
    EXPECT_FALSE(fs::exists(top.parent_path() / "escape"));
}

TEST(MirrorStoreSafetyTest, ProcessKilledMidCycleLeavesEveryFileOldOrNew)
{
    constexpr int kSections = 12;
    Json sections = Json::array();
    for (int i = 0; i < kSections; ++i) {
        sections.push_back(Section("Section " + std::to_string(i), "sec-" + std::to_string(i), 40));
    }
    MirrorHarness mirror(test::kPersonalUserId, Json::array({Container("Work", "nb-work", sections)}));
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    mirror.Worker().RunCycle();
    ASSERT_EQ(mirror.Worker().m_Counts.NotebooksChanged, 5);

    // A section's stored list and the list the service gives now.
    auto stored = [&](int i) {
        return test::ReadFileBytes(
            mirror.Store("Work/Section " + std::to_string(i) + "/pages.json").string());
    };
    auto fresh = [&](int i) { return mirror.PagesAnswer("sec-" + std::to_string(i)); };
    std::vector<std::string> oldPages;
    for (int i = 0; i < kSections; ++i) {
        oldPages.push_back(stored(i));
        ASSERT_TRUE(mirror.Admin("add", {{"kind", "page"},
                                         {"parentId", "sec-" + std::to_string(i)},
                                         {"title", "Added " + std::to_string(i)}}));
    }
    const std::string oldHierarchy = test::ReadFileBytes(mirror.Store("notebookssections.json").string());
    ASSERT_TRUE(mirror.Fault({{"route", "pages"}, {"delayMs", 150}, {"count", kSections}}));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        mirror.NewWorker().RunCycle();
        ::_exit(0);
    }
    // Kill it once a few sections have been rewritten.
    auto rewritten = [&] {
        int count = 0;
        for (int i = 0; i < kSections; ++i) {
            count += stored(i) != oldPages[static_cast<std::size_t>(i)] ? 1 : 0;
        }
        return count;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (rewritten() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(mirror.Emulator().ClearFaults());

    const int changed = rewritten();
    EXPECT_GE(changed, 3);
    EXPECT_LT(changed, kSections);
    for (int i = 0; i < kSections; ++i) {
        EXPECT_TRUE(stored(i) == oldPages[static_cast<std::size_t>(i)] || stored(i) == fresh(i)) << i;
    }
    EXPECT_EQ(test::ReadFileBytes(mirror.Store("notebookssections.json").string()), oldHierarchy);

    // The next cycle completes and brings every section up to date.
    MThreadOneNoteRESTDB& again = mirror.NewWorker();
    again.RunCycle();
    EXPECT_EQ(again.m_Counts.NotebooksChanged, 5);
    for (int i = 0; i < kSections; ++i) {
        EXPECT_EQ(stored(i), fresh(i)) << i;
    }
}

} // namespace
} // namespace rz
