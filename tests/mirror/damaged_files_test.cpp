// SPDX-License-Identifier: GPL-3.0-or-later
// The agent's own files as a user may have them: from an older version, cut short by a full disk,
// grown past any size the agent writes, or replaced by a FIFO. Each is read as missing, never
// blocks, and never ends the agent.
#include "core/app_state.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "outbox/outbox.h"
#include "reminders/engine_state.h"
#include "reminders/reminder_handle.h"
#include "test_support.h"
#include "ui/due_check.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/json.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace rz {
namespace {

constexpr double kNow = 1'800'000'000.0;
constexpr const char* kUser = "3b5c9d1e7f2a4c6b";

// A folder laid out as the agent's: the data folder and the account's store folder.
struct Folders
{
    test::TempDir root;
    std::string Data() const { return root.File("data"); }
    std::string Account() const { return AccountStorePath(root.File("RESTDB"), kUser); }
    Folders()
    {
        CreateFolder(Data());
        CreateFolder(Account());
    }
};

// Loads what the agent loads at a start; true when it took the file's content.
using Loader = std::function<bool(const Folders&)>;

bool LoadWorker(const Folders& folders, const std::function<bool(MThreadOneNoteRESTDB&)>& took)
{
    AppState state;
    state.Paths.StoreRootPath = folders.root.File("RESTDB");
    state.UserId.Set(kUser);
    MThreadOneNoteRESTDB worker(state);
    worker.LoadProgress();
    return took(worker);
}

bool LoadDueCheck(const Folders& folders)
{
    TReminderList reminders;
    TReminderList pending;
    reminders.AddUnique(0, "Missed !", "P1", "P1", "L", Date{kNow - 60}, 0, DefaultWeekDays());
    SnoozeState snooze = InitialSnoozeState(Date{kNow});
    TDueCheck check;
    check.UseStateFile(folders.Data() + "/" + kDueCheckFileName);
    // Only the last run's check time makes the missed reminder ring late.
    return check.CheckAndReminder(reminders, pending, snooze).Alert;
}

bool LoadOwner(const Folders& folders)
{
    TEngineState state;
    state.EngineFiles.RemindersFilePath = folders.Data() + "/Reminders.plist";
    TReminderHandle engine(state, nullptr);
    return engine.AdoptAccount("A", false);
}

bool LoadOutbox(const Folders& folders)
{
    SharedString user;
    user.Set(kUser);
    TOutbox outbox(folders.Data() + "/Outbox.json", user);
    outbox.Load();
    return outbox.Count() > 0;
}

bool LoadReminders(const Folders& folders)
{
    TReminderList reminders;
    reminders.LoadFromFile(folders.Data() + "/Reminders.plist");
    return reminders.Count() > 0;
}

std::string ReminderListText()
{
    test::TempDir folder;
    TReminderList reminders;
    reminders.AddUnique(0, "Call !", "P1", "P1", "L", Date{kNow + 3600}, 0, DefaultWeekDays());
    reminders.SaveToFile(folder.File("list.plist"));
    return ReadTextFile(folder.File("list.plist")).value_or("");
}

struct DamagedFile
{
    std::string path;  // below the root: "data/…" or "account/…"
    std::string valid; // content the loader takes
    std::size_t bound; // the largest size read
    Loader load;
    std::vector<std::pair<std::string, std::string>> beside{}; // files the loader needs besides
};

std::vector<DamagedFile> Files()
{
    const std::string wall = std::to_string(kNow);
    return {
        {"account/mirrorprogress.json",
         R"({"failing":{"sec-1":{"failures":3,"retryAt":)" + std::to_string(kNow + 1000) + "}}}",
         kMaxStateFileBytes,
         [](const Folders& f) {
             return LoadWorker(f, [](MThreadOneNoteRESTDB& w) { return !w.FailingSections().empty(); });
         }},
        {"account/searchpages.json",
         R"({"value":[{"id":"p-found","parentSection":{"id":"sec-1"}}]})",
         std::size_t{64} << 20,
         [](const Folders& f) {
             return LoadWorker(f, [](MThreadOneNoteRESTDB& w) {
                 return w.WithSearchPages(R"({"value":[]})").find("p-found") != std::string::npos;
             });
         },
         {{"account/mirrorprogress.json", R"({"search":{"hierarchyStored":false,"listed":[]}})"}}},
        {"account/requestbudget.json", R"({"sent":[)" + std::to_string(kNow - 10) + R"(],"nextBackOff":60})",
         kMaxStateFileBytes,
         [](const Folders& f) {
             return LoadWorker(f, [](MThreadOneNoteRESTDB& w) { return w.Budget().SentLastHour() > 0; });
         }},
        {std::string("data/") + kDueCheckFileName, R"({"lastCheck":)" + std::to_string(kNow - 3600) + "}",
         kMaxStateFileBytes, LoadDueCheck},
        {std::string("data/") + kOwnerFileName, R"({"userId":"B"})", kMaxStateFileBytes, LoadOwner},
        {"data/Outbox.json",
         R"({"items":[{"kind":"todo-done","userId":")" + std::string(kUser) +
             R"(","key":"k1","label":"Call","fields":{},"attempts":1,"nextTry":)" + wall +
             R"(,"unconfirmed":false}],"messages":[{"key":"k0","label":"l","detail":"d","when":)" + wall +
             "}]}",
         std::size_t{4} << 20, LoadOutbox},
        {"data/Reminders.plist", ReminderListText(), std::size_t{64} << 20, LoadReminders},
    };
}

// Every member, at every depth, given each kind it does not have.
std::vector<std::string> WrongKinds(const std::string& validText)
{
    const Json valid = Json::parse(validText, nullptr, false);
    if (valid.is_discarded())
        return {};
    const Json others[] = {"text", 7,       -1e300,        1e300,         99999999999999,
                           true,   nullptr, Json::array(), Json::object()};
    std::vector<std::string> texts;
    const Json flat = valid.flatten();
    for (const auto& [pointer, leaf] : flat.items()) {
        (void)leaf;
        // Each step from the leaf up to the root, so containers are swapped as well as values.
        Json::json_pointer at(pointer);
        while (!at.empty()) {
            for (const Json& other : others) {
                if (std::string(other.type_name()) == valid.at(at).type_name())
                    continue;
                Json changed = valid;
                changed.at(at) = other;
                texts.push_back(changed.dump());
            }
            at = at.parent_pointer();
        }
    }
    for (const Json& other : others)
        texts.push_back(other.dump());
    return texts;
}

// Runs `load` while a watchdog stands by: should the load block on a FIFO, the watchdog opens its
// other end after a while so the test ends, and says so.
bool LoadWithWatchdog(const Loader& load, const Folders& folders, const std::string& fifo, bool& blocked)
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::atomic<bool> freed{false};
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::seconds(3), [&] { return done; })) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                freed = true;
                ::close(fd);
            }
        }
    });
    const bool took = load(folders);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_all();
    watchdog.join();
    blocked = freed;
    return took;
}

TEST(DamagedFilesTest, EachFileReadsAsMissingWhateverItsDamage)
{
    const ScopedFakeClock clock(kNow);
    for (const DamagedFile& file : Files()) {
        SCOPED_TRACE(file.path);
        const auto place = [&](const Folders& folders, const std::string& path) {
            return path.starts_with("data/") ? folders.Data() + path.substr(4)
                                             : folders.Account() + path.substr(7);
        };
        const auto prepare = [&](const Folders& folders) {
            for (const auto& [path, text] : file.beside)
                ASSERT_TRUE(WriteTextFile(place(folders, path), text));
        };
        {
            Folders folders;
            prepare(folders);
            ASSERT_TRUE(WriteTextFile(place(folders, file.path), file.valid));
            ASSERT_TRUE(file.load(folders)) << "the undamaged file is taken";
        }
        struct Damage
        {
            std::string what;
            std::string text;
        };
        std::vector<Damage> damages;
        for (const std::string& text : WrongKinds(file.valid))
            damages.push_back({"wrong kind: " + text.substr(0, 200), text});
        damages.push_back({"cut short", file.valid.substr(0, file.valid.size() / 2)});
        damages.push_back({"oversized", file.valid + std::string(file.bound + 1 - file.valid.size(), ' ')});
        for (const Damage& damage : damages) {
            SCOPED_TRACE(damage.what);
            Folders folders;
            prepare(folders);
            ASSERT_TRUE(WriteTextFile(place(folders, file.path), damage.text));
            EXPECT_NO_THROW(file.load(folders));
            if (damage.what == "cut short" || damage.what == "oversized") {
                EXPECT_FALSE(file.load(folders));
            }
        }
        Folders folders;
        prepare(folders);
        const std::string fifo = place(folders, file.path);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        bool blocked = false;
        EXPECT_FALSE(LoadWithWatchdog(file.load, folders, fifo, blocked));
        EXPECT_FALSE(blocked) << "a FIFO at the path held the load";
    }
}

// The worker's back-off counter from a file is clamped, so it neither wraps nor grows unbounded.
TEST(DamagedFilesTest, ProgressCountersAreClamped)
{
    const ScopedFakeClock clock(kNow);
    Folders folders;
    ASSERT_TRUE(WriteTextFile(folders.Account() + "/mirrorprogress.json",
                              R"({"failing":{"a":{"failures":99999999999},"b":{"failures":-5}}})"));
    LoadWorker(folders, [](MThreadOneNoteRESTDB& worker) {
        const auto failing = worker.FailingSections();
        EXPECT_GT(failing.at("a").failures, 0);
        EXPECT_LE(failing.at("a").failures, 1000);
        EXPECT_EQ(failing.at("b").failures, 0);
        return true;
    });
}

} // namespace
} // namespace rz
