// SPDX-License-Identifier: GPL-3.0-or-later
// A first sign-in over each shipped fixture, a personal and a work account: the cycle exchanges the
// code, looks the user up, runs the title search and mirrors every section.
#include "account/http.h"
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "mirror_harness.h"
#include "util/files.h"
#include "util/text.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

using test::EmulatorProcess;

// Counts the sections of a hierarchy list and those whose folder holds a "pages.json".
void CountSections(const Json& items, const fs::path& folder, int& sections, int& stored)
{
    for (const Json& item : items) {
        const fs::path own = folder / StoreFolderName(item.value("displayName", ""));
        CountSections(item.value("sectionGroups", Json::array()), own, sections, stored);
        for (const Json& section : item.value("sections", Json::array())) {
            ++sections;
            stored +=
                FileExists((own / StoreFolderName(section.value("displayName", "")) / "pages.json").string());
        }
    }
}

using MirrorFixturesTest = ::testing::TestWithParam<const char*>;

TEST_P(MirrorFixturesTest, FirstSignInMirrorsTheWholeAccount)
{
    const std::string path = EmulatorProcess::FixturesDir() + "/" + GetParam();
    ASSERT_TRUE(FileExists(path));
    const std::string userId = JsonTextToObject(ReadTextFile(path))["user"].value("id", "");
    EmulatorProcess::Options options;
    options.fixturePath = path;
    options.autoConsent = true;
    MirrorHarness mirror(userId, options);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    AppState& state = mirror.State();

    // The sign-in window's part: the code from the redirect.
    const std::string authorize = AuthorizeAddress(state.ClientId.Get());
    const auto consent = mirror.Emulator().Get(authorize.substr(mirror.Emulator().BaseUrl().size()));
    const std::string code = PercentDecode(StrBetween(consent.Header("Location") + "&", "code=", "&"));
    ASSERT_FALSE(code.empty()) << consent.headers;
    state.AccessToken.Set({});
    state.RefreshToken.Set({});
    state.UserId.Set({});
    state.AuthorizationCode.Set(code);
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    worker.m_JustLoginAccount = true;

    worker.RunCycle();
    EXPECT_EQ(state.UserId.Get(), userId);
    EXPECT_EQ(worker.m_FilterPagesResult, 3);
    EXPECT_EQ(worker.m_Counts.NotebooksChanged, 5);
    // Each fixture holds one section the service refuses: it fails (and is retried once at the
    // cycle's end) and has no page list; every other section has one.
    EXPECT_EQ(worker.m_Counts.GetSectionErrorCount, 2);
    int sections = 0;
    int stored = 0;
    const Json hierarchy = JsonTextToObject(mirror.StoreText("notebookssections.json"));
    CountSections(hierarchy.value("value", Json::array()), mirror.Account(), sections, stored);
    EXPECT_GT(sections, 0);
    EXPECT_EQ(stored, sections - 1);

    // The store query finds the title reminders the mirror stored, as the title search did.
    MOneNoteRESTDB query(state);
    query.Run(kQueryPagesByTitle, 1, 0, "!", "");
    EXPECT_GT(query.m_Count, 0);
    EXPECT_EQ(query.m_Count,
              static_cast<std::int64_t>(
                  JsonTextToObject(std::string_view(state.ReminderPagesJson.Get()))["value"].size()));
}

INSTANTIATE_TEST_SUITE_P(Shipped, MirrorFixturesTest, ::testing::Values("sample.json", "work.json"),
                         [](const auto& param) { return param.index == 0 ? "Personal" : "Work"; });

} // namespace
} // namespace rz
