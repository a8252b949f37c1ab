// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder engine against the Graph emulator, through a plain HTTP stand-in for the worker.
#include "emulator_online.h"
#include "emulator_process.h"
#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "reminders/reminder_handle.h"
#include "reminders_test_support.h"
#include "util/json.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

using test::EmulatorProcess;
using test::Local;

constexpr const char* kToken = "engine-access-token";

std::string Fixture()
{
    std::string others;
    for (int i = 0; i < 25; ++i) {
        others += R"(,{"title": "Notes )" + std::to_string(i) + R"(", "id": "pg-other-)" + std::to_string(i) +
                  R"(", "lastModifiedDateTime": "{{graph:now-)" + std::to_string(i + 1) + R"(m}}"})";
    }
    return R"({
      "user": {"id": "4f2a9c1e-7b3d-4e8f-a1c2-9d8e7f6a5b4c", "userPrincipalName": "ada@example.com"},
      "tokens": {"accessTokens": ["engine-access-token"]},
      "notebooks": [{"displayName": "Work", "id": "nb-work",
        "sections": [{"displayName": "Inbox", "id": "sec-inbox", "pages": [
          {"title": "Dentist !2099-03-20 10:30", "id": "pg-dentist", "lastModifiedDateTime": "{{graph:now-2h}}"},
          {"title": "!Project", "id": "pg-project", "lastModifiedDateTime": "{{graph:now-2h}}",
           "paragraphs": ["plain", {"text": "Call Bob !2099-03-20 09:00", "tags": "to-do"}]})" +
           others + R"(]}]}]
    })";
}

class EngineEmulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Emulator.Running()) << m_Emulator.Error();
        LoadFromSearch();
        ASSERT_NE(m_State.ReminderList.GetByID("pg-dentist"), nullptr);
        ASSERT_EQ(TagReminders().size(), 1u);
        Check();
        ASSERT_TRUE(m_Emulator.ResetCounters());
    }

    static EmulatorProcess::Options Options()
    {
        EmulatorProcess::Options options;
        options.fixtureText = Fixture();
        return options;
    }

    // The online search for reminder pages, as after a sign-in, then the loader.
    void LoadFromSearch()
    {
        m_State.ReminderPagesJson.Set(
            m_Emulator.Get("/v1.0/me/onenote/pages?top=100&filter=contains(title,'!')", kToken).body);
        TReminderHandle(m_State, &m_Online).Run();
    }
    void Check() { TReminderHandle(m_State, &m_Online).Run_CheckKnowPages(); }
    bool Post(const std::string& call, const std::string& body)
    {
        return m_Emulator.Post("/_emulator/" + call, body).status == 200;
    }
    bool SetParagraph(const std::string& paragraph)
    {
        return Post("page", R"({"id": "pg-project", "paragraphs": ["plain", )" + paragraph + "]}");
    }
    std::vector<ReminderPtr> TagReminders()
    {
        std::vector<ReminderPtr> tags;
        for (const ReminderPtr& r : m_State.ReminderList.list()) {
            if (r->objType() == kTagReminder && r->pageId() == "pg-project") {
                tags.push_back(r);
            }
        }
        return tags;
    }

    test::ScopedTimeZone m_Tz{test::kBerlinTz};
    EmulatorProcess m_Emulator{Options()};
    test::EmulatorOnline m_Online{m_Emulator, kToken};
    TEngineState m_State;
};

TEST_F(EngineEmulatorTest, EditsOnlineReachTheirRemindersWithinOneCheck)
{
    ASSERT_TRUE(Post("rename", R"({"id": "pg-dentist", "name": "Dentist !2099-03-22 11:00"})"));
    ASSERT_TRUE(SetParagraph(R"({"text": "Call Bob !2099-03-21 08:00", "tags": "to-do"})"));
    Check();

    EXPECT_EQ(m_State.ReminderList.GetByID("pg-dentist")->time(), Local(2099, 3, 22, 11, 0));
    ASSERT_EQ(TagReminders().size(), 1u);
    EXPECT_EQ(TagReminders()[0]->time(), Local(2099, 3, 21, 8, 0));
    // One listing and the changed tag page, out of 27 in the account: the title comes with the listing.
    EXPECT_EQ(m_Emulator.RequestCount("pagelist"), 1);
    EXPECT_EQ(m_Emulator.RequestCount("content"), 1);
    EXPECT_EQ(m_State.KnownListFailures, 0u);

    // Nothing changed: one listing request, no page read.
    ASSERT_TRUE(m_Emulator.ResetCounters());
    Check();
    EXPECT_EQ(m_Emulator.RequestCount("pagelist"), 1);
    EXPECT_EQ(m_Emulator.RequestCount("content"), 0);
}

TEST_F(EngineEmulatorTest, RenumberedAndCompletedParagraphs)
{
    const auto before = TagReminders()[0]->Id();
    // The service numbers the page's elements anew: the old reminder goes, the new one comes.
    ASSERT_TRUE(Post("page", R"({"id": "pg-project", "renumber": true})"));
    Check();
    ASSERT_EQ(TagReminders().size(), 1u);
    EXPECT_NE(TagReminders()[0]->Id(), before);
    LoadFromSearch();
    EXPECT_EQ(TagReminders().size(), 1u);

    // Ticked off: no reminder any more.
    ASSERT_TRUE(SetParagraph(R"({"text": "Call Bob !2099-03-20 09:00", "tags": "to-do:completed"})"));
    Check();
    EXPECT_TRUE(TagReminders().empty());
}

TEST_F(EngineEmulatorTest, FailedListingLeavesTheNextCheckToFindTheEdit)
{
    ASSERT_TRUE(m_Emulator.QueueFault(R"({"route": "*", "match": "select=id", "status": 500})"));
    ASSERT_TRUE(Post("rename", R"({"id": "pg-dentist", "name": "Dentist !2099-03-23 11:00"})"));
    Check();
    EXPECT_EQ(m_State.KnownListFailures, 1u);
    EXPECT_FALSE(m_State.LoadRunning);

    Check();
    EXPECT_EQ(m_State.ReminderList.GetByID("pg-dentist")->time(), Local(2099, 3, 23, 11, 0));
}

} // namespace
} // namespace rz
