// SPDX-License-Identifier: GPL-3.0-or-later
// What a user who reorganises notebooks, or whose sections fail, keeps: every reminder they did not
// delete stays with the engine; and a big section that changed is read by its changes.
#include "mirror/store_query.h"
#include "mirror_harness.h"
#include "util/clock.h"

#include <gtest/gtest.h>
#include <tuple>

namespace rz {
namespace {

// Work: Inbox and Plans; Home: Garden, one reminder in each, and Big, pages "Page 0" … "Page 249"
// (ids pg-0 …) changed 300 … 51 minutes ago.
Json Notebooks()
{
    Json sections = Json::array();
    for (const char* name : {"Inbox", "Plans", "Garden"}) {
        sections.push_back(Section(name, name));
        sections.back()["pages"][0]["title"] = std::string(name) + " task !2030-01-02 10:00";
    }
    Json big = Section("Big", "Big", 250);
    for (int i = 0; i < 250; ++i) {
        const std::string age = "{{now-" + std::to_string(300 - i) + "m}}";
        big["pages"][i].update(
            {{"id", "pg-" + std::to_string(i)}, {"createdDateTime", age}, {"lastModifiedDateTime", age}});
    }
    return Json::array({Container("Work", "nb-work", {sections[0], sections[1]}),
                        Container("Home", "nb-home", {sections[2], big})});
}

// Inbox's list answers, or is refused while another account's cycle runs, or a kill and restart, or a cycle.
enum class TFailure { None, AnotherAccount, Kill, Cycle };

// A renamed notebook carries its lists. A section of 250 pages that changed is asked for what changed
// since its stored list, one request, and read whole (three) when the changes fill an answer. A refused
// section keeps its stored list; once it answers, the error list fetches it into its present folder.
TEST(MirrorSectionPagesTest, NoReminderLeavesTheEngineAndSectionsAreReadByWhatChanged)
{
    // An administration call (taking the members of `body` it knows) on `times` ids (more than one: 0 …
    // appended); the page lists asked for in the last cycle (or -1); a stored list and a text it holds.
    const std::tuple<TFailure, const char*, std::string, int, long, const char*, const char*> rows[] = {
        {TFailure::None, "rename", "nb-work", 1, 0, "New/Plans/pages.json", "Plans task"},
        {TFailure::None, "add", "pg-250", 1, 1, "Home/Big/pages.json", "New"},
        {TFailure::None, "rename", "pg-3", 1, 1, "Home/Big/pages.json", "New"},
        {TFailure::None, "rename", "pg-", 100, 4, "Home/Big/pages.json", "New"},
        {TFailure::AnotherAccount, "", "", 0, -1, "Work/Inbox/pages.json", "Call"},
        {TFailure::Kill, "", "", 0, -1, "Work/Inbox/pages.json", "Call"},
        {TFailure::Cycle, "rename", "Inbox", 1, -1, "Work/New/pages.json", "Call"}};
    for (const auto& [failure, call, id, times, fetched, path, text] : rows) {
        SCOPED_TRACE(std::to_string(static_cast<int>(failure)) + " " + call + " " + id);
        ScopedFakeClock clock(1'800'000'000.0);
        MirrorHarness m(test::kPersonalUserId, Notebooks());
        const auto restart = [&] { m.NewWorker().SetWaitFunction([&](double s) { clock.Advance(s); }); };
        std::size_t reminders = 0, fewest = 1000; // stored after the last cycle, and after any
        const auto cycle = [&] {
            m.Worker().Refresh();
            m.Worker().RunCycle();
            MOneNoteRESTDB query(m.State());
            query.Run(kQueryPagesByTitle, 1, 0, "!", "");
            reminders = JsonTextToObject(std::string_view(query.m_ResultStr))["value"].size();
            fewest = std::min(fewest, reminders);
        };
        restart();
        cycle();
        const std::string hierarchy = m.StoreText("notebookssections.json").value_or("");
        const bool failing = failure != TFailure::None;
        if (failing) {
            ASSERT_TRUE(m.Admin(
                "add", {{"kind", "page"}, {"parentId", "Inbox"}, {"title", "Call !2030-01-03 10:00"}}));
            ASSERT_TRUE(m.Fault(
                {{"route", "pages"}, {"match", "Inbox"}, {"count", 100000}, {"graphError", "20185"}}));
            cycle(); // the list stored before stays: `fewest` holds Inbox's first reminder
        }
        Json body = {{"kind", "page"}, {"parentId", "Big"}, {"name", "New"}, {"title", "New"}};
        for (int i = 0; i < times; ++i) {
            body["id"] = id + (times > 1 ? std::to_string(i) : "");
            ASSERT_TRUE(m.Admin(call, body));
        }
        if (failure == TFailure::AnotherAccount) {
            restart();
            m.State().UserId.Set("5d2e8f9a1b3c4e60");
            m.Worker().RunCycle(); // over its own store
            m.State().UserId.Set(test::kPersonalUserId);
        } else if (failure == TFailure::Kill) {
            // The error list is on disk before the new hierarchy: a kill between them leaves this.
            ASSERT_TRUE(WriteTextFile(m.Store("notebookssections.json").string(), hierarchy));
            restart();
        } else if (failure == TFailure::Cycle) {
            cycle();
        }
        ASSERT_TRUE(m.Emulator().ClearFaults());
        clock.Advance(failing ? kSectionBackOffMaxSeconds : 0);
        ASSERT_TRUE(m.Emulator().ResetCounters());
        cycle();
        EXPECT_TRUE(fetched < 0 || m.Count("pages") == fetched) << m.Count("pages");
        const std::size_t big = JsonTextToObject(m.StoreText("Home/Big/pages.json"))["value"].size();
        EXPECT_EQ(big, call == std::string("add") ? 251U : 250U);
        EXPECT_NE(m.StoreText(path).value_or("").find(text), std::string::npos);
        // A rename leaves no copy behind.
        EXPECT_EQ(fs::exists(m.Store("Work/Inbox")), std::string(path).find("New") == std::string::npos);
        EXPECT_EQ(reminders, failing ? 4U : 3U);
        EXPECT_EQ(fewest, 3U);
    }
}

// Refused for now (throttled, or a code that asks to try again, whatever its status): the title
// search, the hierarchy and a page list wait for the budget's back-off and are asked again after it,
// never counted as failing.
TEST(MirrorSectionPagesTest, RefusalsForNowWaitForTheBackOffAndNeverFail)
{
    const std::tuple<const char*, const char*, const char*, int> rows[] = {{"search", "", "10003", 429},
                                                                           {"hierarchy", "", "10007", 503},
                                                                           {"pages", "Inbox", "30103", 404},
                                                                           {"pages", "Inbox", "10007", 403},
                                                                           {"pages", "Inbox", "20166", 429}};
    for (const auto& [route, match, code, status] : rows) {
        SCOPED_TRACE(std::string(route) + " " + code + " " + std::to_string(status));
        ScopedFakeClock clock(1'800'000'000.0);
        MirrorHarness m(test::kPersonalUserId, Notebooks());
        m.Worker().SetWaitFunction([&](double s) { clock.Advance(s); });
        const auto done = [&] {
            return std::string(route) == "search"      ? !m.State().ReminderPagesJson.Empty()
                   : std::string(route) == "hierarchy" ? m.StoreText("notebookssections.json").has_value()
                                                       : m.StoreText("Work/Inbox/pages.json").has_value();
        };
        ASSERT_TRUE(m.Fault({{"route", route}, {"match", match}, {"graphError", code}, {"status", status}}));
        m.Worker().Pass();
        EXPECT_FALSE(done());
        EXPECT_TRUE(m.Worker().Budget().BackingOff());
        EXPECT_EQ(m.Worker().m_Counts.ThrottledCount, 1);
        clock.Advance(kBackOffFirstSeconds);
        for (int pass = 0; pass < 5 && !done(); ++pass) {
            m.Worker().Pass();
        }
        EXPECT_TRUE(done());
        if (std::string(route) != "pages") {
            EXPECT_EQ(m.Count(route), 2);
        }
        EXPECT_TRUE(m.Worker().Sections().FailingNames().empty());
        EXPECT_EQ(m.Worker().m_Counts.GetAllNotebooksSectionsErrorCount, 0);
    }
}

} // namespace
} // namespace rz
