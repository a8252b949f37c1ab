// OneNote requests an hour for 50 known reminder pages, the mirror worker's and the reminder
// engine's together: the known-pages check as shipped (a change listing per check, changed pages
// at once, the rest round-robin) next to the walk that reads every known page at every check. The
// worker runs its passes against the emulator on loopback; a fake clock and the emulator's clock
// move together, one second per pass, and the execute callback runs the engine every 121 seconds
// as the application binds it.
//
//   build/release/bench/known_pages_bench
//
// The last line reads "requests/hour: N (specified walk: M)".
#include "emulator_online.h"
#include "mirror/store_query.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror_harness.h"
#include "reminders/reminder_handle.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/json.h"

#include <cstdio>
#include <string>

namespace {

using rz::Json;
using rz::MThreadOneNoteRESTDB;
using rz::test::MirrorHarness;

constexpr int kTitlePages = 25;
constexpr int kTagPages = 25;
constexpr int kOtherPages = 100;
constexpr int kSections = 5;
constexpr int kPassesPerHour = 3600;
constexpr std::int64_t kEngineSeconds = 120;

Json Notebooks()
{
    Json sections = Json::array();
    for (int s = 0; s < kSections; ++s)
        sections.push_back({{"displayName", "Section " + std::to_string(s)}, {"pages", Json::array()}});
    for (int i = 0; i < kTitlePages; ++i)
        sections[i % kSections]["pages"].push_back(
            {{"title", "Task " + std::to_string(i) + " !2099-03-20 10:30"},
             {"id", "pg-title-" + std::to_string(i)}});
    for (int i = 0; i < kTagPages; ++i)
        sections[i % kSections]["pages"].push_back(
            {{"title", "!Project " + std::to_string(i)},
             {"id", "pg-tag-" + std::to_string(i)},
             {"paragraphs",
              {"plain", {{"text", "Call " + std::to_string(i) + " !2099-03-20 09:00"}, {"tags", "to-do"}}}}});
    for (int i = 0; i < kOtherPages; ++i)
        sections[i % kSections]["pages"].push_back({{"title", "Notes " + std::to_string(i)}});
    return Json::array({rz::test::Container("Work", "nb-work", sections)});
}

long OneNoteRequests(const rz::test::EmulatorProcess& emulator)
{
    long total = 0;
    for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"})
        total += emulator.RequestCount(route);
    return total;
}

// Every page-title reminder's page and every tag page read, as the specified check does.
void SpecifiedWalk(rz::TEngineState& state, rz::TOnlineSource& online)
{
    for (const rz::ReminderPtr& r : state.ReminderList.list()) {
        if (r->objType() == rz::kPageTitleReminder)
            online.GetPageContent(r->pageId().value_or(""));
    }
    for (const rz::TagPagePtr& page : state.TagPageList.list())
        online.GetPageContent(page->pageId().value_or(""));
}

class Bench
{
public:
    explicit Bench(bool specified) : m_Specified(specified)
    {
        MThreadOneNoteRESTDB& worker = m_Mirror.Worker();
        worker.SetWaitFunction([this](double seconds) { m_Clock.Advance(seconds); });
        worker.FOnExecute = [this](MThreadOneNoteRESTDB& w) { Execute(w); };
    }

    bool Running() const { return m_Mirror.Running(); }

    // One pass a second for an hour; gives the OneNote requests sent meanwhile.
    long Hour()
    {
        m_Mirror.Emulator().ResetCounters();
        for (int pass = 0; pass < kPassesPerHour; ++pass) {
            m_Clock.Advance(1);
            if (pass % 60 == 59)
                m_Mirror.Emulator().AdvanceClock(60);
            m_Mirror.Worker().Pass();
        }
        return OneNoteRequests(m_Mirror.Emulator());
    }

    // Renames a title page online; true when its reminder follows by the next check's end.
    bool EditSeenWithinOneCheck(int page)
    {
        const std::string id = "pg-title-" + std::to_string(page);
        const std::string title = "Task moved !2099-04-0" + std::to_string(page % 9 + 1) + " 08:00";
        m_Mirror.Admin("rename", {{"id", id}, {"name", title}});
        const std::int64_t checks = m_Checks;
        while (m_Checks == checks) {
            m_Clock.Advance(1);
            m_Mirror.Worker().Pass();
        }
        const rz::ReminderPtr r = m_Mirror.State().ReminderList.GetByID(id);
        return r && r->name() == title;
    }

    const rz::test::EmulatorProcess& Emulator() { return m_Mirror.Emulator(); }
    rz::AppState& State() { return m_Mirror.State(); }

private:
    void Execute(MThreadOneNoteRESTDB& worker)
    {
        if (rz::TickNow() - m_CheckTick <= kEngineSeconds)
            return;
        rz::MWorkerOnlineSource online(worker);
        rz::TReminderHandle engine(State(), &online);
        if (m_Specified) {
            // Unbudgeted: what the walk would send.
            rz::test::EmulatorOnline direct(m_Mirror.Emulator(), rz::test::kAccessToken);
            SpecifiedWalk(State(), direct);
        } else {
            engine.Run_CheckKnowPages();
        }
        rz::MOneNoteRESTDB query(State());
        query.Run(4, 1, 0, "!", "");
        State().ReminderPageCount = query.m_Count;
        State().ReminderPagesJson.Set(query.m_ResultStr);
        engine.Run();
        m_CheckTick = rz::TickNow();
        ++m_Checks;
    }

    bool m_Specified;
    rz::ScopedFakeClock m_Clock{rz::SystemSecondsNow()};
    MirrorHarness m_Mirror{rz::test::kPersonalUserId, Notebooks()};
    std::int64_t m_CheckTick = 0;
    std::int64_t m_Checks = 0;
};

} // namespace

int main()
{
    long shipped = 0;
    int seen = 0;
    constexpr int kEdits = 5;
    {
        Bench bench(false);
        if (!bench.Running()) {
            std::fprintf(stderr, "the emulator did not start\n");
            return 1;
        }
        std::printf("first hour after start: %ld requests\n", bench.Hour());
        shipped = bench.Hour();
        std::printf("steady hour: %ld requests (%ld page list, %ld content, %ld mirror)\n", shipped,
                    bench.Emulator().RequestCount("pagelist"), bench.Emulator().RequestCount("content"),
                    shipped - bench.Emulator().RequestCount("pagelist") -
                        bench.Emulator().RequestCount("content"));
        std::printf("known pages: %zu reminders, %zu tag pages\n", bench.State().ReminderList.Count(),
                    bench.State().TagPageList.Count());
        for (int i = 0; i < kEdits; ++i)
            seen += bench.EditSeenWithinOneCheck(i * 5) ? 1 : 0;
        std::printf("edits seen within one check: %d/%d\n", seen, kEdits);
    }
    long walk = 0;
    {
        Bench bench(true);
        bench.Hour();
        walk = bench.Hour();
    }
    std::printf("requests/hour: %ld (specified walk: %ld)\n", shipped, walk);
    return seen == kEdits ? 0 : 1;
}
