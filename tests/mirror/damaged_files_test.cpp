// SPDX-License-Identifier: GPL-3.0-or-later
// The agent's own files as a user may have them: from an older version, cut short by a full disk,
// grown past any size the agent writes, or replaced by a FIFO. Each is read as missing, never
// blocks, and never ends the agent.
#include "alerts/due_check.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "outbox/outbox.h"
#include "reminders/reminder_handle.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"

#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace rz {
namespace {

constexpr double kNow = 1'800'000'000.0;
constexpr const char* kUser = "3b5c9d1e7f2a4c6b";

// Below the root, "data/…" lies in the data folder and "account/…" in the account's store folder.
std::string At(const test::TempDir& root, const std::string& path)
{
    const bool data = path.starts_with("data/");
    return (data ? root.File("data") : AccountStorePath(root.File("RESTDB"), kUser)) +
           path.substr(data ? 4 : 7);
}

// What a start took from the agent's files, a flag a file in the order of the table below.
std::vector<bool> Start(const test::TempDir& root)
{
    AppState state;
    state.Paths.StoreRootPath = root.File("RESTDB");
    state.UserId.Set(kUser);
    MThreadOneNoteRESTDB worker(state);
    worker.LoadProgress();
    TReminderList reminders, pending;
    reminders.LoadFromFile(At(root, "data/Reminders.plist"));
    const bool listed = reminders.Count() > 0;
    // Only the last run's check time makes a missed reminder ring late.
    reminders.AddUnique(0, "Missed !", "P1", "P1", "L", Date{kNow - 60}, 0, DefaultWeekDays());
    SnoozeState snooze = InitialSnoozeState(Date{kNow});
    TDueCheck check;
    check.UseStateFile(At(root, std::string("data/") + kDueCheckFileName));
    TEngineState engine;
    engine.EngineFiles.RemindersFilePath = At(root, "data/Reminders.plist");
    SharedString user;
    user.Set(kUser);
    TOutbox outbox(At(root, "data/Outbox.json"), user);
    outbox.Load();
    return {!worker.Sections().Failing().empty(),
            worker.WithSearchPages(R"({"value":[]})").find("p-found") != std::string::npos,
            worker.Budget().SentLastHour() > 0,
            check.CheckAndReminder(reminders, pending, snooze).Alert,
            TReminderHandle(engine, nullptr).AdoptAccount("A", false),
            outbox.Count() > 0,
            listed};
}

// The text with each member, at every depth up to the whole, given each kind in turn.
std::vector<std::string> WrongKinds(const std::string& text)
{
    const Json valid = Json::parse(text, nullptr, false);
    std::vector<std::string> texts;
    const Json leaves = valid.is_discarded() ? Json{{"", 0}} : valid.flatten();
    for (const auto& item : leaves.items()) {
        for (Json::json_pointer at(item.key());; at = at.parent_pointer()) {
            for (const Json& other : {Json("text"), Json(7), Json(-1e300), Json(1e300), Json(99999999999999),
                                      Json(true), Json(), Json::array(), Json::object()}) {
                Json changed = valid;
                changed.at(at) = other;
                texts.push_back(changed.dump());
            }
            if (at.empty()) {
                break;
            }
        }
    }
    return texts;
}

TEST(DamagedFilesTest, EachFileReadsAsMissingWhateverItsDamage)
{
    const ScopedFakeClock clock(kNow);
    const std::string now = std::to_string(kNow);
    const test::TempDir folder; // a reminder list as the agent writes it
    TReminderList list;
    list.AddUnique(0, "Call !", "P1", "P1", "L", Date{kNow + 3600}, 0, DefaultWeekDays());
    list.SaveToFile(folder.File("list.plist"));
    // Each file a start reads: a content it takes, and the most it reads.
    const std::tuple<std::string, std::string, std::size_t> files[] = {
        {"account/mirrorprogress.json", R"({"failing":{"s":{"failures":3,"retryAt":)" + now + "}}}",
         kMaxStateFileBytes},
        {"account/searchpages.json", R"({"value":[{"id":"p-found","parentSection":{"id":"s"}}]})",
         std::size_t{64} << 20},
        {"account/requestbudget.json", R"({"sent":[)" + std::to_string(kNow - 10) + "]}", kMaxStateFileBytes},
        {std::string("data/") + kDueCheckFileName, R"({"lastCheck":)" + std::to_string(kNow - 3600) + "}",
         kMaxStateFileBytes},
        {std::string("data/") + kOwnerFileName, R"({"userId":"B"})", kMaxStateFileBytes},
        {"data/Outbox.json",
         R"({"items":[{"kind":"todo-done","userId":")" + std::string(kUser) + R"(","key":"k",)" +
             R"("label":"Call","fields":{},"attempts":1,"nextTry":)" + now + R"(,"unconfirmed":false}]})",
         kMaxOutboxFileBytes},
        {"data/Reminders.plist", ReadTextFile(folder.File("list.plist")).value_or(""),
         std::size_t{64} << 20}};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const auto& [path, valid, bound] = files[i];
        // As written (taken), cut short, oversized, a FIFO (missing), of a wrong kind (anything but a fault).
        std::vector<std::pair<std::optional<std::string>, std::optional<bool>>> cases{
            {valid, true},
            {valid.substr(0, 9), false},
            {valid + std::string(bound, ' '), false},
            {{}, false}};
        for (const std::string& text : WrongKinds(valid)) {
            cases.emplace_back(text, std::nullopt);
        }
        for (const auto& [text, took] : cases) {
            SCOPED_TRACE(path + ": " + (text ? text->substr(0, 200) : "FIFO"));
            const test::TempDir root;
            // The search's pages are read where the progress says a search ran.
            ASSERT_TRUE(CreateFolder(At(root, "data/")) && CreateFolder(At(root, "account/")) &&
                        (i == 0 || WriteTextFile(At(root, "account/mirrorprogress.json"),
                                                 R"({"search":{"hierarchyStored":false,"listed":[]}})")));
            const std::string at = At(root, path);
            ASSERT_TRUE(text ? WriteTextFile(at, *text) : ::mkfifo(at.c_str(), 0600) == 0);
            // A watchdog: a start held by a FIFO goes on once the FIFO's other end was opened.
            auto start = std::async(std::launch::async, Start, std::cref(root));
            EXPECT_EQ(start.wait_for(std::chrono::seconds(3)), std::future_status::ready) << "a FIFO held it";
            while (start.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
                ::close(::open(at.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
            }
            std::vector<bool> flags;
            EXPECT_NO_THROW(flags = start.get());
            EXPECT_TRUE(!took || (flags.size() > i && flags[i] == *took));
        }
    }
}

} // namespace
} // namespace rz
