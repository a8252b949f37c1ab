// SPDX-License-Identifier: GPL-3.0-or-later
// OneNote requests an hour, the mirror worker's and the reminder engine's together, in steady state
// with 50 and with 500 known reminder pages (half title pages, half tag pages) besides 200 "!"
// pages that hold no reminder; and how many simulated minutes after a start the engine reads a tag
// page that was edited while the agent was stopped. The worker runs its passes against the emulator
// on loopback; a fake clock and the emulator's clock move together, one second per pass, and the
// engine runs every 121 seconds as the application binds it.
//
//   build/release/bench/known_pages_bench
//
// The last line reads "requests/hour: N at 50 known, M at 500 known; edited-while-stopped read
// after: K min". Targets: N and M at most 200, K at most 5.
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror/worker_online_source.h"
#include "mirror_harness.h"
#include "reminders/reminder_handle.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/files.h"
#include "util/json.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

using rz::Json;
using rz::MThreadOneNoteRESTDB;
using rz::test::MirrorHarness;

constexpr int kEmptyBangPages = 200;
constexpr int kOtherPages = 100;
constexpr int kSections = 50;
constexpr int kPassesPerHour = 3600;
constexpr std::int64_t kEngineSeconds = 120;
constexpr int kMaxMinutes = 120;

Json Notebooks(int known)
{
    Json sections = Json::array();
    for (int s = 0; s < kSections; ++s) {
        sections.push_back({{"displayName", "Section " + std::to_string(s)}, {"pages", Json::array()}});
    }
    const auto add = [&](int i, Json page) { sections[i % kSections]["pages"].push_back(std::move(page)); };
    for (int i = 0; i < known / 2; ++i) {
        const std::string n = std::to_string(i);
        add(i, {{"title", "Task " + n + " !2099-03-20 10:30"}, {"id", "pg-title-" + n}});
        add(i,
            {{"title", "!Project " + n},
             {"id", "pg-tag-" + n},
             {"paragraphs", {"plain", {{"text", "Call " + n + " !2099-03-20 09:00"}, {"tags", "to-do"}}}}});
    }
    for (int i = 0; i < kEmptyBangPages; ++i) {
        add(i, {{"title", "!Notes " + std::to_string(i)}, {"id", "pg-bang-" + std::to_string(i)}});
    }
    for (int i = 0; i < kOtherPages; ++i) {
        add(i, {{"title", "Notes " + std::to_string(i)}, {"id", "pg-other-" + std::to_string(i)}});
    }
    return Json::array({rz::test::Container("Work", "nb-work", sections)});
}

long OneNoteRequests(const rz::test::EmulatorProcess& emulator)
{
    long total = 0;
    for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"}) {
        total += emulator.RequestCount(route);
    }
    return total;
}

class Bench
{
public:
    explicit Bench(int known) : m_Mirror(rz::test::kPersonalUserId, Notebooks(known))
    {
        const std::string data = State().Paths.DataFolderPath + "/";
        State().EngineFiles = {data + "RedoZevuviva.json", data + "Reminders.plist", data + "TagPages.plist"};
        Bind(m_Mirror.Worker());
    }

    bool Running() const { return m_Mirror.Running(); }

    // One pass a second for an hour; gives the OneNote requests sent meanwhile.
    long Hour()
    {
        m_Mirror.Emulator().ResetCounters();
        for (int pass = 0; pass < kPassesPerHour; ++pass) {
            Pass();
        }
        return OneNoteRequests(m_Mirror.Emulator());
    }

    // Stops the agent for an hour, in which one tag page is edited and then 60 other pages; starts
    // it again (its lists and files as a new process finds them) and gives the simulated minutes
    // until the edited page's reminder follows; kMaxMinutes + 1 when it never does.
    int MinutesUntilEditWhileStoppedIsRead()
    {
        const std::string when = "!2099-04-02 09:00";
        m_Mirror.Emulator().AdvanceClock(1800);
        m_Mirror.Admin("page", {{"id", "pg-tag-3"},
                                {"paragraphs", {"plain", {{"text", "Call 3 " + when}, {"tags", "to-do"}}}}});
        for (int i = 0; i < 60; ++i) {
            m_Mirror.Emulator().AdvanceClock(1);
            m_Mirror.Admin(
                "rename", {{"id", "pg-other-" + std::to_string(i)}, {"name", "Edited " + std::to_string(i)}});
        }
        m_Mirror.Emulator().AdvanceClock(1800);
        m_Clock.Advance(3600);
        Restart();
        for (int second = 0; second <= kMaxMinutes * 60; ++second) {
            for (const rz::ReminderPtr& r : State().ReminderList.list()) {
                if (r->objType() == rz::kTagReminder && r->pageId() == "pg-tag-3" &&
                    r->name() == "Call 3 " + when) {
                    return static_cast<int>(std::ceil(second / 60.0));
                }
            }
            Pass();
        }
        return kMaxMinutes + 1;
    }

    rz::AppState& State() { return m_Mirror.State(); }

private:
    void Pass()
    {
        m_Clock.Advance(1);
        if (++m_Passes % 60 == 0) {
            m_Mirror.Emulator().AdvanceClock(60);
        }
        m_Mirror.Worker().Pass();
    }

    void Bind(MThreadOneNoteRESTDB& worker)
    {
        worker.SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
        worker.FOnExecute = [this](MThreadOneNoteRESTDB& w) { Execute(w); };
    }

    // What a new process holds: the lists from the data folder, nothing else of the engine's memory.
    void Restart()
    {
        rz::AppState& s = State();
        {
            std::lock_guard lock(s.ListsMutex);
            s.ReminderList.Clear();
            s.TagPageList.Clear();
            s.KnownPages.Reset();
            s.KnownPagesRestored = false;
            s.KnownPagesSaved.clear();
            s.LoadHeldBack.clear();
        }
        s.TagPageList.LoadFromFile(s.EngineFiles.TagPagesFilePath);
        s.ReminderList.LoadFromFile(s.EngineFiles.RemindersFilePath);
        s.ReminderPagesJson.Set(rz::ReadTextFile(s.EngineFiles.HierarchyFilePath).value_or(std::string()));
        s.PreviousReminderPagesJson.Set({});
        Bind(m_Mirror.NewWorker());
        m_CheckTick = 0;
    }

    // The execute callback as the application binds it.
    void Execute(MThreadOneNoteRESTDB& worker)
    {
        if (rz::TickNow() - m_CheckTick <= kEngineSeconds) {
            return;
        }
        rz::MWorkerOnlineSource online(worker);
        rz::TReminderHandle engine(State(), &online);
        engine.Run_CheckKnowPages(m_CheckTick == 0);
        rz::MOneNoteRESTDB query(State());
        query.Run(4, 1, 0, "!", "");
        State().ReminderPageCount = query.m_Count;
        if (!query.m_ResultStr.empty()) {
            State().ReminderPagesJson.Set(query.m_ResultStr);
        }
        engine.Run();
        m_CheckTick = rz::TickNow();
    }

    rz::ScopedFakeClock m_Clock{rz::SystemSecondsNow()};
    MirrorHarness m_Mirror;
    std::int64_t m_CheckTick = 0;
    long m_Passes = 0;
};

// Two hours to settle (the first load reads every "!" page within the request budget), then the
// third hour's requests.
long SteadyHour(Bench& bench, int known)
{
    for (int hour = 1; hour <= 2; ++hour) {
        std::printf("%d known, hour %d: %ld requests\n", known, hour, bench.Hour());
    }
    const long steady = bench.Hour();
    std::printf("%d known, steady hour: %ld requests (%zu reminders, %zu tag pages)\n", known, steady,
                bench.State().ReminderList.Count(), bench.State().TagPageList.Count());
    return steady;
}

} // namespace

int main()
{
    long at50 = 0;
    int minutes = 0;
    {
        Bench small(50);
        if (!small.Running()) {
            std::fprintf(stderr, "the emulator did not start\n");
            return 1;
        }
        at50 = SteadyHour(small, 50);
        minutes = small.MinutesUntilEditWhileStoppedIsRead();
    }
    long at500 = 0;
    {
        Bench large(500);
        at500 = SteadyHour(large, 500);
    }
    std::printf("requests/hour: %ld at 50 known, %ld at 500 known; edited-while-stopped read after: %d min\n",
                at50, at500, minutes);
    return at50 <= 200 && at500 <= 200 && minutes <= 5 ? 0 : 1;
}
