// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder engine through the mirror worker, against the Graph emulator: the execute callback
// as the application binds it (known-pages check, store query, load).
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror/worker_online_source.h"
#include "mirror_harness.h"
#include "outbox/outbox.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_handle.h"
#include "util/clock.h"
#include "util/dates.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace rz {
namespace {

Json Notebooks()
{
    Json project = {{"title", "!Project"},
                    {"id", "pg-project"},
                    {"paragraphs", {"plain", {{"text", "Call Bob !2099-03-20 09:00"}, {"tags", "to-do"}}}}};
    Json dentist = {{"title", "Dentist !2099-03-20 10:30"}, {"id", "pg-dentist"}};
    Json section = {{"displayName", "Inbox"}, {"id", "sec-inbox"}, {"pages", {dentist, project}}};
    return Json::array({Container("Work", "nb-work", Json::array({section}))});
}

class EngineWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Mirror.Running());
        MThreadOneNoteRESTDB& worker = m_Mirror.Worker();
        worker.SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
        worker.FOnExecute = [this](MThreadOneNoteRESTDB& w) { Execute(w); };
        worker.Pass();
        ASSERT_NE(State().ReminderList.GetByID("pg-dentist"), nullptr);
        ASSERT_EQ(TagReminders(), 1);
    }

    // What the application's execute callback does, at most once per 121 seconds.
    void Execute(MThreadOneNoteRESTDB& worker)
    {
        if (TickNow() - m_CheckTick <= 120) {
            return;
        }
        MWorkerOnlineSource online(worker);
        TReminderHandle engine(State(), &online);
        engine.Run_CheckKnowPages();
        MOneNoteRESTDB query(State());
        query.Run(4, 1, 0, "!", "");
        State().ReminderPageCount = query.m_Count;
        State().ReminderPagesJson.Set(query.m_ResultStr);
        engine.Run();
        m_CheckTick = TickNow();
    }
    void Later(long seconds)
    {
        m_Clock.Advance(static_cast<double>(seconds));
        ASSERT_TRUE(m_Mirror.Emulator().AdvanceClock(seconds));
    }
    AppState& State() { return m_Mirror.State(); }
    int TagReminders()
    {
        int count = 0;
        for (const ReminderPtr& r : State().ReminderList.list()) {
            count += r->objType() == kTagReminder ? 1 : 0;
        }
        return count;
    }

    ScopedFakeClock m_Clock{SystemSecondsNow()};
    MirrorHarness m_Mirror{test::kPersonalUserId, Notebooks()};
    std::int64_t m_CheckTick = 0;
};

TEST_F(EngineWorkerTest, PageEditedOnlineChangesItsReminderWithinOneCheck)
{
    ASSERT_TRUE(m_Mirror.Admin("rename", {{"id", "pg-dentist"}, {"name", "Dentist !2099-03-22 11:00"}}));
    Later(121);
    // The check alone, before any mirror cycle has seen the change.
    Execute(m_Mirror.Worker());
    EXPECT_EQ(State().ReminderList.GetByID("pg-dentist")->time(), DateFromParts(2099, 3, 22, 11, 0, 0));
    EXPECT_EQ(State().ReminderList.GetByID("pg-dentist")->name(), "Dentist !2099-03-22 11:00");
}

TEST_F(EngineWorkerTest, PageDeletedOnlineLosesItsRemindersAfterTheNextMirror)
{
    ASSERT_TRUE(m_Mirror.Admin("delete", {{"id", "pg-project"}}));
    for (int pass = 0; pass < 3 && TagReminders() > 0; ++pass) {
        Later(121);
        m_Mirror.Worker().Pass();
    }
    EXPECT_EQ(TagReminders(), 0);
    EXPECT_NE(State().ReminderList.GetByID("pg-dentist"), nullptr);
}

// A Done makes the service renumber the page's ids: the page's other to-do stays one reminder with
// its time, and the ticked one leaves.
TEST_F(EngineWorkerTest, ADoneLeavesThePagesOtherToDoOnceWithItsTime)
{
    ASSERT_TRUE(m_Mirror.Admin("page", {{"id", "pg-project"},
                                        {"paragraphs",
                                         {{{"text", "Call Bob !2099-03-20 09:00"}, {"tags", "to-do"}},
                                          {{"text", "Pay Ann !2099-03-21 08:00"}, {"tags", "to-do"}}}}}));
    Later(121);
    Execute(m_Mirror.Worker());
    ASSERT_EQ(TagReminders(), 2);
    ReminderPtr payAnn, callBob;
    for (const ReminderPtr& r : State().ReminderList.list()) {
        if (r->objType() == kTagReminder) {
            (r->name() == "Pay Ann !2099-03-21 08:00" ? payAnn : callBob) = r;
        }
    }
    ASSERT_NE(payAnn, nullptr);
    ASSERT_NE(callBob, nullptr);

    TOutbox outbox{State().Paths.DataFolderPath + "/Outbox.json", State().UserId};
    outbox.AddKind(std::make_unique<TToDoDoneKind>());
    outbox.Add(ToDoDoneItem("pg-project", payAnn->Id().value_or(""), *payAnn->name()));
    outbox.SendPending(m_Mirror.Worker());
    ASSERT_EQ(outbox.Count(), 0u);
    ASSERT_EQ(m_Mirror.Count("patch"), 1);

    Later(121);
    Execute(m_Mirror.Worker());
    ASSERT_EQ(TagReminders(), 1);
    for (const ReminderPtr& r : State().ReminderList.list()) {
        if (r->objType() == kTagReminder) {
            EXPECT_EQ(r->name(), "Call Bob !2099-03-20 09:00");
            EXPECT_EQ(r->time(), DateFromParts(2099, 3, 20, 9, 0, 0));
            EXPECT_NE(r->Id(), callBob->Id()); // read again under its new id
        }
    }
}

} // namespace
} // namespace rz
