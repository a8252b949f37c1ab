// SPDX-License-Identifier: GPL-3.0-or-later
// What a user who reorganises notebooks, or whose sections fail, keeps: every reminder they did not
// delete stays with the engine through renames, moves, failures, refusals, account switches and a
// restart.
#include "mirror/store_query.h"
#include "mirror_harness.h"
#include "util/clock.h"

#include <functional>
#include <gtest/gtest.h>

namespace rz {
namespace {

Json ReminderSection(const std::string& name, const std::string& id)
{
    return {{"displayName", name},
            {"id", id},
            {"pages", Json::array({{{"title", name + " task !2030-01-02 10:00"}, {"id", "pg-" + id}}})}};
}

// Work: Inbox, and the group Team holding Plans; Home: Garden. One reminder in each section.
Json Notebooks()
{
    const Json team = Container("Team", "sg-team", Json::array({ReminderSection("Plans", "sec-plans")}));
    return Json::array(
        {Container("Work", "nb-work", Json::array({ReminderSection("Inbox", "sec-inbox")}),
                   Json::array({team})),
         Container("Home", "nb-home", Json::array({ReminderSection("Garden", "sec-garden")}))});
}

class SectionCase
{
public:
    SectionCase() : m_Mirror(std::make_unique<MirrorHarness>(test::kPersonalUserId, Notebooks()))
    {
        Hook(W());
    }
    MThreadOneNoteRESTDB& W() { return m_Mirror->Worker(); }
    MirrorHarness& M() { return *m_Mirror; }
    void Restart() { Hook(M().NewWorker()); }
    // A cycle that downloads the hierarchy, checking after it (and after every step of the engine
    // between) that no reminder left the engine's list.
    void Cycle()
    {
        W().Refresh();
        W().RunCycle();
        m_Fewest = std::min(m_Fewest, ReminderPages());
    }
    void Add(const std::string& sectionId, const std::string& title)
    {
        ASSERT_TRUE(M().Admin("add", {{"kind", "page"}, {"parentId", sectionId}, {"title", title}}));
    }
    void FailPages(const std::string& sectionId, const Json& how)
    {
        Json fault = {{"route", "pages"}, {"match", sectionId}, {"count", 100000}};
        fault.update(how);
        ASSERT_TRUE(M().Fault(fault));
    }
    std::size_t ReminderPages()
    {
        MOneNoteRESTDB query(M().State());
        query.Run(kQueryPagesByTitle, 1, 0, "!", "");
        const Json found = JsonTextToObject(std::string_view(W().WithSearchPages(query.m_ResultStr)));
        return found.value("value", Json::array()).size();
    }
    std::size_t Fewest() const { return m_Fewest; }
    ScopedFakeClock m_Clock{1'800'000'000.0};

private:
    void Hook(MThreadOneNoteRESTDB& worker)
    {
        worker.SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
    }
    std::unique_ptr<MirrorHarness> m_Mirror;
    std::size_t m_Fewest = 1000;
};

struct TSectionRow
{
    const char* name;
    std::function<void(SectionCase&)> run;
    std::size_t reminders; // what the engine holds at the end, and at least throughout
    std::function<void(SectionCase&)> check;
};

TEST(MirrorSectionPagesTest, NoReminderLeavesTheEngineUnlessItsPageWent)
{
    const TSectionRow rows[] = {
        {"notebook renamed",
         [](SectionCase& c) {
             ASSERT_TRUE(c.M().Admin("rename", {{"id", "nb-work"}, {"name", "Job"}}));
             c.M().Emulator().ResetCounters();
             c.Cycle();
         },
         3,
         [](SectionCase& c) {
             EXPECT_FALSE(fs::exists(c.M().Store("Work")));
             EXPECT_TRUE(fs::exists(c.M().Store("Job/Team/Plans/pages.json")));
             EXPECT_EQ(c.W().SectionsToMirror(), 0U);
             EXPECT_EQ(c.M().Count("pages"), 0); // carried, not fetched again
         }},
        {"section group renamed, section moved to another notebook",
         [](SectionCase& c) {
             ASSERT_TRUE(c.M().Admin("rename", {{"id", "sg-team"}, {"name", "Crew"}}));
             ASSERT_TRUE(c.M().Admin("move", {{"id", "sec-inbox"}, {"parentId", "nb-home"}}));
             c.Cycle();
         },
         3,
         [](SectionCase& c) {
             EXPECT_FALSE(fs::exists(c.M().Store("Work/Team")));
             EXPECT_FALSE(fs::exists(c.M().Store("Work/Inbox")));
             EXPECT_TRUE(fs::exists(c.M().Store("Home/Inbox/pages.json")));
             EXPECT_TRUE(fs::exists(c.M().Store("Work/Crew/Plans/pages.json")));
         }},
        {"section failing after a sign-in keeps the search's page",
         [](SectionCase& c) {
             c.Add("sec-inbox", "Call back !2030-01-03 10:00");
             c.FailPages("sec-inbox", {{"status", 500}});
             c.W().m_JustLoginAccount = true;
             for (int i = 0; i < 4; ++i) {
                 c.Cycle();
                 c.m_Clock.Advance(kSectionBackOffMaxSeconds);
             }
         },
         4, nullptr},
        {"failing section of the next account is retried",
         [](SectionCase& c) {
             c.Add("sec-inbox", "Call back !2030-01-03 10:00");
             c.FailPages("sec-inbox", {{"status", 500}});
             c.Cycle();
             ASSERT_TRUE(c.W().ErrorSections().contains("sec-inbox"));
             const std::string account = c.M().State().UserId.Get();
             c.Restart();
             c.M().State().UserId.Set("5d2e8f9a1b3c4e60");
             c.W().RunCycle(); // its own store, not measured
             c.M().State().UserId.Set(account);
             ASSERT_TRUE(c.M().Emulator().ClearFaults());
             c.m_Clock.Advance(kSectionBackOffMaxSeconds);
             c.W().RunCycle(); // nothing changed online: the list alone brings the section back
         },
         4, [](SectionCase& c) { EXPECT_TRUE(c.W().ErrorSections().empty()); }},
        {"killed before the hierarchy is stored, the change is fetched after the restart",
         [](SectionCase& c) {
             const std::string hierarchy = *c.M().StoreText("notebookssections.json");
             c.Add("sec-inbox", "Call back !2030-01-03 10:00");
             c.FailPages("sec-inbox", {{"status", 500}});
             c.Cycle();
             // The error list is on disk before the new hierarchy: a kill between them leaves this.
             ASSERT_TRUE(WriteTextFile(c.M().Store("notebookssections.json").string(), hierarchy));
             ASSERT_TRUE(c.M().Emulator().ClearFaults());
             c.Restart();
             c.m_Clock.Advance(kSectionBackOffMaxSeconds);
             c.Cycle();
         },
         4, nullptr},
        {"failing section renamed is fetched into its new folder",
         [](SectionCase& c) {
             c.Add("sec-inbox", "Call back !2030-01-03 10:00");
             c.FailPages("sec-inbox", {{"status", 500}});
             c.Cycle();
             ASSERT_TRUE(c.M().Admin("rename", {{"id", "sec-inbox"}, {"name", "Mail"}}));
             c.Cycle();
             ASSERT_TRUE(c.M().Emulator().ClearFaults());
             c.m_Clock.Advance(kSectionBackOffMaxSeconds);
             c.W().RunCycle();
         },
         4,
         [](SectionCase& c) {
             EXPECT_NE(c.M().StoreText("Work/Mail/pages.json").value_or("").find("Call back"),
                       std::string::npos);
             EXPECT_FALSE(fs::exists(c.M().Store("Work/Inbox")));
         }},
        {"a refusal of an unknown code keeps the stored list and the search's page",
         [](SectionCase& c) {
             c.Add("sec-inbox", "Call back !2030-01-03 10:00");
             c.FailPages("sec-inbox", {{"graphError", "20185"}});
             c.W().m_JustLoginAccount = true;
             c.Cycle();
             c.m_Clock.Advance(kSectionBackOffMaxSeconds);
             c.Cycle();
         },
         4,
         [](SectionCase& c) {
             EXPECT_NE(c.M().StoreText("Work/Inbox/pages.json").value_or("").find("Inbox task"),
                       std::string::npos);
             EXPECT_TRUE(c.W().FailingSections().contains("sec-inbox"));
         }},
    };
    for (const TSectionRow& row : rows) {
        SCOPED_TRACE(row.name);
        SectionCase c;
        ASSERT_TRUE(c.M().Running()) << c.M().Emulator().Error();
        c.Cycle();
        ASSERT_EQ(c.ReminderPages(), 3U);
        row.run(c);
        EXPECT_EQ(c.ReminderPages(), row.reminders);
        EXPECT_GE(c.Fewest(), 3U);
        if (row.check) {
            row.check(c);
        }
    }
}

struct TBigSectionRow
{
    const char* name;
    std::function<void(MirrorHarness&)> change;
    double hoursLater;
    long requests;     // page lists asked for to catch up with the change
    std::size_t pages; // in the stored list after it
    const char* title; // a title the stored list holds after it
};

// A section of 250 pages that changed is asked for what changed since its stored list, one request;
// it is read whole (three) when the changes fill an answer or its whole list is hours old, and only
// then does a deleted page leave it.
TEST(MirrorSectionPagesTest, ABigSectionIsReadByWhatChangedAndWholeWhenItsListIsOld)
{
    const auto rename = [](int first, int count) {
        return [first, count](MirrorHarness& m) {
            for (int i = first; i < first + count; ++i) {
                ASSERT_TRUE(m.Admin("rename", {{"id", "pg-" + std::to_string(i)}, {"name", "Renamed"}}));
            }
        };
    };
    const auto remove = [](MirrorHarness& m) { ASSERT_TRUE(m.Admin("delete", {{"id", "pg-7"}})); };
    const TBigSectionRow rows[] = {
        {"page added",
         [](MirrorHarness& m) {
             ASSERT_TRUE(m.Admin("add", {{"kind", "page"}, {"parentId", "sec-big"}, {"title", "Added"}}));
         },
         0, 1, 251, "Added"},
        {"page renamed", rename(3, 1), 0, 1, 250, "Renamed"},
        {"page deleted, whole list an hour old", remove, 1, 1, 250, "Page 7"},
        {"page deleted, whole list seven hours old", remove, 7, 3, 249, "Page 249"},
        {"a hundred pages renamed", rename(0, 100), 0, 4, 250, "Renamed"},
    };
    for (const char* user : {test::kPersonalUserId, test::kWorkUserId}) {
        for (const TBigSectionRow& row : rows) {
            SCOPED_TRACE(std::string(user) + ": " + row.name);
            Json pages = Json::array();
            for (int i = 0; i < 250; ++i) {
                const std::string age = "{{now-" + std::to_string(300 - i) + "m}}";
                pages.push_back({{"title", "Page " + std::to_string(i)},
                                 {"id", "pg-" + std::to_string(i)},
                                 {"createdDateTime", age},
                                 {"lastModifiedDateTime", age}});
            }
            Json big = Section("Big", "sec-big");
            big["pages"] = pages;
            ScopedFakeClock clock(1'800'000'000.0);
            MirrorHarness mirror(user, Json::array({Container("Work", "nb-work", Json::array({big}))}));
            ASSERT_TRUE(mirror.Running());
            mirror.Worker().SetWaitFunction([&](double seconds) { clock.Advance(seconds); });
            mirror.Worker().RunCycle();
            ASSERT_EQ(JsonTextToObject(mirror.StoreText("Work/Big/pages.json"))["value"].size(), 250U);
            row.change(mirror);
            clock.Advance(row.hoursLater * 3600);
            ASSERT_TRUE(mirror.Emulator().ResetCounters());
            mirror.Worker().Refresh();
            mirror.Worker().RunCycle();
            EXPECT_EQ(mirror.Count("pages"), row.requests);
            const Json stored = JsonTextToObject(mirror.StoreText("Work/Big/pages.json"));
            EXPECT_EQ(stored["value"].size(), row.pages);
            EXPECT_NE(stored.dump().find("\"" + std::string(row.title) + "\""), std::string::npos);
        }
    }
}

} // namespace
} // namespace rz
