// SPDX-License-Identifier: GPL-3.0-or-later
// The bridge to Microsoft To Do end to end against the Graph emulator: the tasks it makes, keeps and
// closes, completions on the "phone" taken back to OneNote, and the write guarantees.
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "alerts/phone_reminders.h"
#include "core/preferences.h"
#include "emulator_channel.h"
#include "emulator_process.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_reader.h"
#include "state/app_state.h"
#include "test_support.h"
#include "todo/todo_bridge.h"
#include "todo/todo_channel.h"
#include "todo/todo_kinds.h"
#include "todo/todo_runner.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/shared_value.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace rz {
namespace {

constexpr const char* kToken = "bridge-access-token";
// 2026-12-11 08:00 UTC, 09:00 in Berlin.
constexpr double kDue = 1'796'976'000;

Json Fixture()
{
    const Json page = {{"title", "!Plan"},
                       {"id", "pg-plan"},
                       {"paragraphs", {{{"text", "Call Bob !2026-12-11 09:00"}, {"tags", "to-do"}}}}};
    const Json section = {{"displayName", "Inbox"}, {"id", "sec-inbox"}, {"pages", {page}}};
    return {{"user",
             {{"id", "3b5c9d1e7f2a4c6b"}, {"userPrincipalName", "ada@example.com"}, {"displayName", "Ada"}}},
            {"tokens", {{"accessTokens", {kToken}}, {"scope", "User.Read Notes.ReadWrite Tasks.ReadWrite"}}},
            {"notebooks",
             {{{"displayName", "Work"},
               {"id", "nb-work"},
               {"sectionGroups", Json::array()},
               {"sections", {section}}}}}};
}

TBridgeReminder TitleReminder(const std::string& pageId, const std::string& name, double at)
{
    TBridgeReminder reminder;
    reminder.ObjType = kPageTitleReminder;
    reminder.Id = pageId;
    reminder.PageId = pageId;
    reminder.Name = name;
    reminder.Time = Date{at};
    return reminder;
}

// One desktop running the agent with the bridge on: its store folder, its outboxes and channels.
struct Desktop
{
    Desktop(const test::EmulatorProcess& emulator, const std::string& folder)
        : Notes(folder + "/Outbox.json", User), NotesChannel(emulator, kToken),
          Phone(TToDoAccess{emulator.BaseUrl() + "/v1.0/me", [] { return std::string(kToken); }, {}, {}}),
          Folder(folder)
    {
        User.Set("3b5c9d1e7f2a4c6b");
        Notes.AddKind(std::make_unique<TToDoDoneKind>());
        Start();
    }
    // A start of the agent: the bridge reads what it kept.
    void Start()
    {
        Bridge = std::make_unique<TToDoBridge>(TToDoBridgeOptions{Folder, "OneNote reminders", "RedoZevuviva",
                                                                  "Europe/Berlin", kToDoDefaultDaysAhead},
                                               User, Notes);
        Bridge->Load(Phone.Base());
    }
    // Rounds until nothing waits (at most a few), as the worker's passes would.
    TToDoRound Run(const std::vector<TBridgeReminder>& reminders, Date now = Date{kDue - 3600})
    {
        TToDoRound round;
        for (int i = 0; i < 8; ++i) {
            TToDoRound one = Bridge->Round(Phone, reminders, now);
            round.CompletedOnPhone.insert(round.CompletedOnPhone.end(), one.CompletedOnPhone.begin(),
                                          one.CompletedOnPhone.end());
            round.Synced = one.Synced;
            if (Bridge->Outbox().Count() == 0 && one.Synced) {
                break;
            }
        }
        return round;
    }

    SharedString User;
    TOutbox Notes;
    test::EmulatorChannel NotesChannel;
    TToDoChannel Phone;
    std::string Folder;
    std::unique_ptr<TToDoBridge> Bridge;
};

class ToDoBridgeTest : public ::testing::Test
{
protected:
    ToDoBridgeTest() : Emulator(Options()) {}
    static test::EmulatorProcess::Options Options()
    {
        test::EmulatorProcess::Options options;
        options.fixtureText = Fixture().dump();
        return options;
    }
    // The bridge's list on the phone: its tasks as the service shows them.
    Json Tasks() const
    {
        const Json all = Json::parse(Emulator.Get("/_emulator/todo").body);
        for (const Json& list : all["lists"]) {
            if (list["displayName"] == "OneNote reminders") {
                return list["tasks"];
            }
        }
        return Json::array();
    }
    Json TaskOf(const std::string& externalId) const
    {
        for (const Json& task : Tasks()) {
            for (const Json& link : task.value("linkedResources", Json::array())) {
                if (link.value("externalId", "") == externalId) {
                    return task;
                }
            }
        }
        return Json();
    }
    bool Phone(const Json& change) const
    {
        return Emulator.Post("/_emulator/todo/task", change.dump()).status == 200;
    }
    long Count(const std::string& route) const { return Emulator.RequestCount(route); }
    // The to-do of the fixture's page as the agent's tag reader gives it.
    TBridgeReminder ToDoReminder() const
    {
        const std::string content =
            Emulator.Get("/v1.0/me/onenote/pages/pg-plan/content?includeIDs=true", kToken).body;
        const TTaggedElement element = ReadTaggedElements(content).value().at(0);
        TBridgeReminder reminder;
        reminder.ObjType = kTagReminder;
        reminder.Id = element.Id;
        reminder.PageId = "pg-plan";
        reminder.Name = element.Text;
        reminder.Time = Date{kDue};
        return reminder;
    }

    ScopedFakeClock Clock{kDue - 3600};
    test::TempDir Dir;
    test::EmulatorProcess Emulator;
};

TEST_F(ToDoBridgeTest, TurnedOnItMakesOneTaskPerComingReminderAtItsTime)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TBridgeReminder daily = TitleReminder("pg-daily", "Stand-up !daily 09:00", kDue + 86400);
    daily.Repeat = true;
    const std::vector<TBridgeReminder> reminders = {
        TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue), ToDoReminder(), daily,
        TitleReminder("pg-far", "Far off", kDue + 20 * 86400)};
    EXPECT_TRUE(desk.Run(reminders).Synced);

    const Json tasks = Tasks();
    ASSERT_EQ(tasks.size(), 3u) << tasks.dump();
    const Json dentist = TaskOf("redozevuviva/1/page/pg-dentist");
    EXPECT_EQ(dentist["title"], "Dentist");
    EXPECT_EQ(dentist["isReminderOn"], true);
    const Json nine = {{"dateTime", "2026-12-11T09:00:00.0000000"}, {"timeZone", "W. Europe Standard Time"}};
    EXPECT_EQ(dentist["reminderDateTime"], nine);
    EXPECT_EQ(dentist["dueDateTime"], nine);
    EXPECT_EQ(dentist["linkedResources"][0]["applicationName"], "RedoZevuviva");
    const Json toDo = TaskOf("redozevuviva/1/tag/pg-plan/" + reminders[1].Id);
    EXPECT_EQ(toDo["reminderDateTime"], nine);
    EXPECT_EQ(TaskOf("redozevuviva/1/page/pg-daily")["recurrence"]["pattern"]["type"], "daily");
    EXPECT_TRUE(TaskOf("redozevuviva/1/page/pg-far").is_null());
    EXPECT_EQ(Count("todocreate"), 3);
    EXPECT_EQ(Count("todolistcreate"), 1);

    // Nothing changed: a round only reads the delta.
    desk.Run(reminders);
    EXPECT_EQ(Count("todocreate"), 3);
    EXPECT_EQ(Count("todoupdate"), 0);
    EXPECT_EQ(desk.Bridge->Status().TasksKept, 3u);
    // The state is the account's alone.
    struct stat info
    {
    };
    ASSERT_EQ(::stat((Dir.Path() + "/" + kToDoStateFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ToDoBridgeTest, ATaskCompletedOnThePhoneTicksTheToDoOnceAndDismissesATitleReminder)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    const TBridgeReminder toDo = ToDoReminder();
    const TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({toDo, dentist});
    const std::string toDoTask = TaskOf("redozevuviva/1/tag/pg-plan/" + toDo.Id)["id"];
    const std::string dentistTask = TaskOf("redozevuviva/1/page/pg-dentist")["id"];
    ASSERT_TRUE(Phone({{"id", toDoTask}, {"status", "completed"}}));
    ASSERT_TRUE(Phone({{"id", dentistTask}, {"status", "completed"}}));

    const TToDoRound round = desk.Run({toDo, dentist});
    ASSERT_EQ(round.CompletedOnPhone.size(), 2u);
    ASSERT_EQ(desk.Notes.CountOf(kToDoDoneKind), 1u);
    desk.Notes.SendPending(desk.NotesChannel);
    EXPECT_EQ(desk.Notes.Count(), 0u);
    const std::string content = Emulator.Get("/v1.0/me/onenote/pages/pg-plan/content", kToken).body;
    EXPECT_NE(content.find("to-do:completed"), std::string::npos);

    // Later rounds, a restart among them, tick nothing again and close nothing the phone closed.
    desk.Run({toDo, dentist});
    desk.Start();
    EXPECT_TRUE(desk.Run({}).CompletedOnPhone.empty());
    EXPECT_EQ(desk.Notes.Count(), 0u);
    EXPECT_EQ(Count("patch"), 1);
    EXPECT_EQ(Count("todoupdate"), 0);
}

TEST_F(ToDoBridgeTest, AnEditedTitleUpdatesItsTaskAndAnEditOnThePhoneStaysThere)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({dentist});
    dentist.Name = "Dentist, Dr Ada !2026-12-11 10:00";
    dentist.Time = Date{kDue + 3600};
    desk.Run({dentist});
    Json task = TaskOf("redozevuviva/1/page/pg-dentist");
    EXPECT_EQ(task["title"], "Dentist, Dr Ada");
    EXPECT_EQ(task["reminderDateTime"]["dateTime"], "2026-12-11T10:00:00.0000000");
    EXPECT_EQ(Count("todoupdate"), 1);

    ASSERT_TRUE(Phone({{"id", task["id"]}, {"title", "Dentist (bring card)"}}));
    desk.Run({dentist});
    EXPECT_EQ(TaskOf("redozevuviva/1/page/pg-dentist")["title"], "Dentist (bring card)");
    EXPECT_EQ(Count("todoupdate"), 1);
}

TEST_F(ToDoBridgeTest, ALostCreateAnswerARestartAndASecondAgentMakeNoSecondTask)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    const TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    Desktop desk(Emulator, Dir.Path());
    desk.Run({}); // the list is made
    ASSERT_TRUE(
        Emulator.QueueFault(Json{{"route", "todocreate"}, {"applied", true}, {"status", 504}}.dump()));
    desk.Bridge->Round(desk.Phone, {dentist}, Date{kDue - 3600});
    ASSERT_EQ(Tasks().size(), 1u);
    ASSERT_EQ(desk.Bridge->Outbox().Count(), 1u);
    EXPECT_TRUE(desk.Bridge->Outbox().Items()[0].Unconfirmed);

    desk.Start(); // the agent restarts before the retry
    Clock.Advance(kOutboxRetryFirstSeconds + 1);
    desk.Run({dentist});
    EXPECT_EQ(desk.Bridge->Outbox().Count(), 0u);
    EXPECT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(Count("todocreate"), 1);

    // A second desktop finds the list and the task.
    test::TempDir other;
    Desktop second(Emulator, other.Path());
    second.Run({dentist});
    EXPECT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(Count("todocreate"), 1);
    EXPECT_EQ(Count("todolistcreate"), 1);

    // Both made one at once: each keeps the older and deletes the other.
    const Json twin = TaskCreateBody(dentist, "Europe/Berlin", "RedoZevuviva");
    const std::string listId = second.Bridge->State().ListId;
    test::EmulatorChannel direct(Emulator, kToken, "/me");
    ASSERT_EQ(direct
                  .Exchange({"POST", direct.BaseForAddress("") + "/todo/lists/" + listId + "/tasks",
                             "application/json", twin.dump(), false},
                            {})
                  ->Status,
              201);
    const std::string kept = TaskOf("redozevuviva/1/page/pg-dentist")["id"];
    second.Run({dentist});
    desk.Run({dentist});
    ASSERT_EQ(Tasks().size(), 1u);
    EXPECT_EQ(Tasks()[0]["id"], kept);
    EXPECT_EQ(Count("tododelete"), 1);
}

TEST_F(ToDoBridgeTest, ATaskDeletedOnThePhoneIsNotMadeAgainForThatOccurrence)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({dentist});
    ASSERT_TRUE(Phone({{"id", TaskOf("redozevuviva/1/page/pg-dentist")["id"]}, {"delete", true}}));
    desk.Run({dentist});
    desk.Start();
    desk.Run({dentist});
    EXPECT_EQ(Tasks().size(), 0u);
    EXPECT_EQ(Count("todocreate"), 1);
    // Moved to another time it is another occurrence.
    dentist.Time = Date{kDue + 86400};
    desk.Run({dentist});
    EXPECT_EQ(Tasks().size(), 1u);
}

TEST_F(ToDoBridgeTest, AReminderThatWentCompletesItsTaskAndOneMovedFarOffDeletesIt)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    const TBridgeReminder toDo = ToDoReminder();
    desk.Run({dentist, toDo});
    dentist.Time = Date{kDue + 30 * 86400};
    desk.Run({dentist}); // the to-do was ticked in OneNote, the dentist moved a month on
    EXPECT_EQ(TaskOf("redozevuviva/1/tag/pg-plan/" + toDo.Id)["status"], "completed");
    EXPECT_TRUE(TaskOf("redozevuviva/1/page/pg-dentist").is_null());
    EXPECT_EQ(Count("tododelete"), 1);
    // The bridge's own completion is no completion on the phone.
    EXPECT_TRUE(desk.Run({dentist}).CompletedOnPhone.empty());
    EXPECT_EQ(desk.Notes.Count(), 0u);
}

TEST_F(ToDoBridgeTest, ThrottlingHoldsTheBridgeForTheWaitToDoAsksAndLeavesOneNotesBudget)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    const TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({});
    ASSERT_TRUE(
        Emulator.QueueFault(Json{{"route", "todocreate"},
                                 {"status", 429},
                                 {"headers", {{"Retry-After", "120"}}},
                                 {"body", R"({"error":{"code":"TooManyRequests","message":"Slow down."}})"}}
                                .dump()));
    desk.Bridge->Round(desk.Phone, {dentist}, Date{kDue - 3600});
    EXPECT_TRUE(desk.Phone.Budget().BackingOff());
    const long before = Count("tododelta");
    Clock.Advance(60);
    desk.Bridge->Round(desk.Phone, {dentist}, Date{kDue - 3600});
    EXPECT_EQ(Count("tododelta"), before);
    EXPECT_EQ(Tasks().size(), 0u);
    Clock.Advance(61);
    desk.Run({dentist});
    EXPECT_EQ(Tasks().size(), 1u);
}

TEST_F(ToDoBridgeTest, TurnedOffItSendsNothingMoreAndCanRemoveItsList)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    const TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({});
    ASSERT_TRUE(Emulator.QueueFault(Json{{"route", "todocreate"}, {"status", 503}}.dump()));
    desk.Bridge->Round(desk.Phone, {dentist}, Date{kDue - 3600});
    ASSERT_EQ(desk.Bridge->Outbox().Count(), 1u);

    EXPECT_TRUE(desk.Bridge->TurnOff(desk.Phone, false));
    EXPECT_FALSE(FileExists(Dir.Path() + "/" + kToDoStateFileName));
    ASSERT_TRUE(Emulator.ResetCounters());
    Clock.Advance(kOutboxRetryMaxSeconds);
    desk.Start();
    desk.Bridge->Outbox().SendPending(desk.Phone);
    EXPECT_EQ(Json::parse(Emulator.Get("/_emulator/counters").body)["total"], 0);

    // On again, then off with the list removed.
    desk.Run({dentist});
    ASSERT_EQ(Tasks().size(), 1u);
    EXPECT_TRUE(desk.Bridge->TurnOff(desk.Phone, true));
    EXPECT_EQ(Json::parse(Emulator.Get("/_emulator/todo").body)["lists"].size(), 0u);
}

TEST_F(ToDoBridgeTest, ARefusedWriteEndsWithAMessageTheStatusShows)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({dentist});
    ASSERT_TRUE(Emulator.QueueFault(
        Json{{"route", "todoupdate"},
             {"status", 400},
             {"body", R"({"error":{"code":"invalidRequest","message":"Invalid recurrence."}})"}}
            .dump()));
    dentist.Name = "Dentist, Dr Ada !2026-12-11 09:00";
    desk.Run({dentist});
    const TToDoStatus status = desk.Bridge->Status();
    EXPECT_EQ(status.WaitingWrites, 0u);
    ASSERT_TRUE(status.LastRefusal.has_value());
    EXPECT_EQ(status.LastRefusal->Key, "strPhoneRefused");
    EXPECT_EQ(status.LastRefusal->Label, "Dentist, Dr Ada");
    EXPECT_EQ(status.LastRefusal->Detail, "Invalid recurrence.");
    EXPECT_EQ(status.TasksKept, 1u);
}

// The bridge as the worker runs it: the account's setting decides, and off sends nothing more.
TEST_F(ToDoBridgeTest, TheRunnerSendsOnlyWhileTheAccountsSettingIsOn)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    AppState state;
    state.Paths.StoreRootPath = Dir.File("store");
    state.Paths.SettingsFilePath = Dir.File("velaapp.plist");
    state.UserId.Set("3b5c9d1e7f2a4c6b");
    state.AccessToken.Set(kToken);
    state.ReminderList.AddUnique(0, "Dentist !2026-12-11 09:00", "pg-dentist", "pg-dentist", "L", Date{kDue},
                                 0, DefaultWeekDays());
    SharedString user;
    user.Set("3b5c9d1e7f2a4c6b");
    TOutbox notes(Dir.File("Outbox.json"), user);
    const std::string base = Emulator.BaseUrl() + "/v1.0/me";
    std::unique_ptr<TToDoBridgeRunner> runner;
    const auto pass = [&] {
        runner->Pass(base, {}, {});
        Clock.Advance(kToDoRoundSeconds + 1);
    };
    runner = std::make_unique<TToDoBridgeRunner>(state, notes, "RedoZevuviva", "OneNote reminders");
    pass();
    EXPECT_EQ(Json::parse(Emulator.Get("/_emulator/counters").body)["total"], 0);

    ASSERT_TRUE(SavePhoneReminders(state.Paths.SettingsFilePath, "3b5c9d1e7f2a4c6b", true));
    runner = std::make_unique<TToDoBridgeRunner>(state, notes, "RedoZevuviva", "OneNote reminders");
    for (int i = 0; i < 3; ++i) {
        pass();
    }
    EXPECT_EQ(Tasks().size(), 1u);
    ASSERT_TRUE(runner->Status().has_value());
    EXPECT_EQ(runner->Status()->TasksKept, 1u);

    runner->SetOn(false, false);
    pass();
    ASSERT_TRUE(Emulator.ResetCounters());
    state.ReminderList.AddUnique(0, "Call Ann !2026-12-11 10:00", "pg-ann", "pg-ann", "L", Date{kDue + 3600},
                                 0, DefaultWeekDays());
    pass();
    pass();
    EXPECT_EQ(Json::parse(Emulator.Get("/_emulator/counters").body)["total"], 0);
    EXPECT_FALSE(runner->Status().has_value());
}

TEST_F(ToDoBridgeTest, ASnoozeOnTheDesktopMovesItsTaskToTheSnoozedTimeOnce)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    const TBridgeReminder dentist = TitleReminder("pg-dentist", "Dentist !2026-12-11 09:00", kDue);
    desk.Run({dentist});
    // It rang: the due check took it out of the list into the pending window, its task stays.
    Clock.Set(kDue);
    TReminderList rung;
    TPendingReminders window(rung, Dir.Path() + "/pending.json", Dir.Path() + "/settings.json");
    const ReminderPtr entry = rung.InsertTop(kPageTitleReminder, dentist.Name, dentist.Id, dentist.PageId,
                                             std::nullopt, Date{kDue}, 0, DefaultWeekDays());
    desk.Run(WithHeld({}, HeldForPhone(window, DateNow())), DateNow());
    EXPECT_EQ(Count("todoupdate"), 0);

    window.SnoozeRecord(entry, TOneSnooze::FifteenMinutes);
    desk.Run(WithHeld({}, HeldForPhone(window, DateNow())), DateNow());
    const Json task = TaskOf("redozevuviva/1/page/pg-dentist");
    const Json quarterPast = {{"dateTime", "2026-12-11T09:15:00.0000000"},
                              {"timeZone", "W. Europe Standard Time"}};
    EXPECT_EQ(task["reminderDateTime"], quarterPast);
    EXPECT_EQ(task["dueDateTime"], quarterPast);
    EXPECT_EQ(task["status"], "notStarted");
    // Later rounds and a restart compare with what was sent: nothing goes twice.
    desk.Run(WithHeld({}, HeldForPhone(window, DateNow())), DateNow());
    desk.Start();
    desk.Run(WithHeld({}, HeldForPhone(window, DateNow())), DateNow());
    EXPECT_EQ(Count("todoupdate"), 1);
    EXPECT_EQ(Count("todocreate"), 1);
}

TEST_F(ToDoBridgeTest, AReminderCompletedOnThePhoneBeforeItRangNeverRingsOnTheDesktop)
{
    ASSERT_TRUE(Emulator.Running()) << Emulator.Error();
    Desktop desk(Emulator, Dir.Path());
    TReminderList list;
    TReminderList rung;
    TPendingReminders window(rung, Dir.Path() + "/pending.json", Dir.Path() + "/settings.json");
    const auto load = [](TReminderList& into) {
        into.AddUnique(kPageTitleReminder, "Dentist !2026-12-11 09:00", "pg-dentist", "pg-dentist",
                       std::nullopt, Date{kDue}, 0, DefaultWeekDays());
        into.AddUnique(kPageTitleReminder, "Stand-up !daily", "pg-daily", "pg-daily", std::nullopt,
                       Date{kDue}, 1, DefaultWeekDays());
    };
    load(list);
    std::vector<TBridgeReminder> reminders;
    for (const ReminderPtr& record : list.list()) {
        reminders.push_back(BridgeReminderOf(*record).value());
    }
    desk.Run(reminders);
    for (const Json& task : Tasks()) {
        ASSERT_TRUE(Phone({{"id", task["id"]}, {"status", "completed"}}));
    }
    const TToDoRound round = desk.Run(reminders);
    ASSERT_EQ(round.CompletedOnPhone.size(), 2u);
    for (const TBridgeReminder& done : round.CompletedOnPhone) {
        EXPECT_TRUE(TakeDoneOnPhone(done, list, window));
    }
    EXPECT_EQ(list.GetByID("pg-dentist"), nullptr);
    load(list); // a later read of the unchanged page
    EXPECT_EQ(list.GetByID("pg-dentist"), nullptr);

    // A restart reads the pages again before their time: the bridge's next round says again what was
    // done on the phone, and neither rings; only that occurrence of the daily one is done.
    TReminderList again;
    load(again);
    desk.Start();
    for (const TBridgeReminder& done : desk.Run(reminders).CompletedOnPhone) {
        TakeDoneOnPhone(done, again, window);
    }
    EXPECT_EQ(again.GetByID("pg-dentist"), nullptr);
    TDueCheck check;
    for (double at = kDue - 20; at <= kDue + 20; at += 1) {
        Clock.Set(at);
        EXPECT_TRUE(check.CheckAndReminder(again, rung, window.Snooze()).Fired.empty());
    }
    EXPECT_GT(again.GetByID("pg-daily")->time()->seconds, kDue);
    EXPECT_EQ(rung.Count(), 0u);
}

TEST(ToDoStateTest, AStoredStateIsReadWithinItsKindAndBounds)
{
    test::TempDir dir;
    const std::string path = dir.File(kToDoStateFileName);
    const std::string base = "https://graph.microsoft.com/v1.0/me";
    TToDoState state;
    state.ListId = "L1";
    state.DeltaLink = base + "/todo/lists/L1/tasks/delta?$deltatoken=7";
    state.Tasks["t1"].ExternalId = "redozevuviva/1/page/p1";
    state.Skipped["redozevuviva/1/page/p2"] = "2026-12-11T09:00:00.0000000 UTC";
    ASSERT_TRUE(state.Save(path));
    const TToDoState back = TToDoState::Load(path, base);
    EXPECT_EQ(back.DeltaLink, state.DeltaLink);
    EXPECT_EQ(back.Tasks.at("t1").ExternalId, "redozevuviva/1/page/p1");
    EXPECT_EQ(back.Skipped, state.Skipped);

    const struct
    {
        std::string text;
        bool listKept;
        bool linkKept;
    } rows[] = {
        {R"({"version":1,"listId":"L1","deltaLink":"https://evil.example/v1.0/me/todo/lists/L1","tasks":{},"sent":{},"skipped":{}})",
         true, false},
        {R"({"version":2,"listId":"L1","tasks":{},"sent":{},"skipped":{}})", false, false},
        {R"({"version":1,"listId":"L1","tasks":[],"sent":{},"skipped":{}})", false, false},
        {R"([1,2])", false, false},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(WriteTextFile(path, row.text));
        const TToDoState read = TToDoState::Load(path, base);
        EXPECT_EQ(read.ListId.empty(), !row.listKept) << row.text;
        EXPECT_EQ(read.DeltaLink.empty(), !row.linkKept) << row.text;
    }
}

} // namespace
} // namespace rz
