// SPDX-License-Identifier: GPL-3.0-or-later
// The first mirror of a large account under OneNote's limits: 2,000 sections and 300 reminder pages
// spread over them (250 page-title reminders, 50 "!" pages with one to-do each), the emulator in
// "--limits" mode. After a sign-in the worker runs one pass a second on a fake clock that the
// emulator's clock follows; the execute callback runs the reminder engine every 121 seconds as the
// application binds it. Measured in simulated minutes: how long until every reminder is in the
// list, as shipped (the title search pages through every "!" page, and its pages stand in for
// sections not mirrored yet), next to the specified path (one search of 100 pages, then the mirror
// alone, measured until the mirror holds every reminder page).
//
//   build/release/bench/first_sync_bench
//
// The last line reads "all reminders after: N min (specified path: M min)".
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

constexpr int kNotebooks = 10;
constexpr int kSections = 2000;
constexpr int kTitlePages = 250;
constexpr int kTagPages = 50;
constexpr std::size_t kReminders = kTitlePages + kTagPages;
constexpr std::int64_t kEngineSeconds = 120;
constexpr std::int64_t kGiveUpMinutes = 24 * 60;

Json Notebooks()
{
    std::vector<Json> sections;
    for (int s = 0; s < kSections; ++s)
        sections.push_back({{"displayName", "Section " + std::to_string(s)},
                            {"id", "sec-" + std::to_string(s)},
                            {"pages", Json::array({{{"title", "Notes " + std::to_string(s)}}})}});
    // Spread over the sections, so that the last reminders lie in the last sections mirrored.
    for (int i = 0; i < kTitlePages; ++i)
        sections[static_cast<std::size_t>(i * 8 % kSections)]["pages"].push_back(
            {{"title", "Task " + std::to_string(i) + " !2099-03-20 10:30"},
             {"id", "pg-title-" + std::to_string(i)}});
    for (int i = 0; i < kTagPages; ++i)
        sections[static_cast<std::size_t>((i * 40 + 3) % kSections)]["pages"].push_back(
            {{"title", "!Project " + std::to_string(i)},
             {"id", "pg-tag-" + std::to_string(i)},
             {"paragraphs",
              {"plain", {{"text", "Call " + std::to_string(i) + " !2099-03-20 09:00"}, {"tags", "to-do"}}}}});
    Json notebooks = Json::array();
    for (int n = 0; n < kNotebooks; ++n) {
        Json list = Json::array();
        for (int s = n; s < kSections; s += kNotebooks)
            list.push_back(sections[static_cast<std::size_t>(s)]);
        notebooks.push_back(
            rz::test::Container("Notebook " + std::to_string(n), "nb-" + std::to_string(n), list));
    }
    return notebooks;
}

class Bench
{
public:
    explicit Bench(bool specified) : m_Specified(specified)
    {
        MThreadOneNoteRESTDB& worker = m_Mirror.Worker();
        worker.SetWaitFunction([this](double seconds) {
            m_Clock.Advance(seconds);
            FollowClock();
        });
        worker.FOnExecute = [this](MThreadOneNoteRESTDB& w) { Execute(w); };
        worker.FOnReminderPagesFound = [this](MThreadOneNoteRESTDB& w) { Load(w); };
    }

    bool Running() const { return m_Mirror.Running(); }

    // Signs in and runs a pass a second; gives the simulated minutes until every reminder is in
    // the list, or -1.
    long MinutesToAllReminders()
    {
        MThreadOneNoteRESTDB& worker = m_Mirror.Worker();
        if (m_Specified) {
            SpecifiedSearch(worker);
        } else {
            worker.m_JustLoginAccount = true;
        }
        while (!Done()) {
            if (rz::TickNow() - m_Start > kGiveUpMinutes * 60)
                return -1;
            m_Clock.Advance(1);
            FollowClock();
            worker.Pass();
        }
        return static_cast<long>((rz::TickNow() - m_Start + 59) / 60);
    }

    // What was left when the bench gave up: reminders found, sections not mirrored yet, refusals.
    std::string Left()
    {
        MThreadOneNoteRESTDB& worker = m_Mirror.Worker();
        return std::to_string(State().ReminderList.Count()) + " reminders, " +
               std::to_string(worker.ErrorSections().size()) + " sections left, " +
               std::to_string(worker.m_ThrottledCount) + " refused, " +
               std::to_string(worker.m_HeldBackCount) + " held back; requests: " + Routes();
    }

    std::string Routes()
    {
        std::string text;
        for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"})
            text += std::string(route) + " " + std::to_string(m_Mirror.Emulator().RequestCount(route)) + " ";
        return text;
    }

    std::int64_t RequestsSent()
    {
        long total = 0;
        for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"})
            total += m_Mirror.Emulator().RequestCount(route);
        return total;
    }

private:
    rz::AppState& State() { return m_Mirror.State(); }

    // As shipped: every reminder is in the list. The specified path cannot show a reminder before
    // its section is mirrored, so its mark is the mirror holding every reminder page (the engine's
    // reads of tag pages come after, within its share of the budget).
    bool Done()
    {
        if (m_Specified)
            return State().ReminderPageCount >= static_cast<std::int64_t>(kReminders);
        return State().ReminderList.Count() >= kReminders;
    }

    // The emulator's limit windows run on its clock; it follows the fake one in whole seconds.
    void FollowClock()
    {
        const std::int64_t due = rz::TickNow() - m_Start;
        if (due - m_Followed >= 5) {
            m_Mirror.Emulator().AdvanceClock(static_cast<long>(due - m_Followed));
            m_Followed = due;
        }
    }

    void Load(MThreadOneNoteRESTDB& worker)
    {
        rz::MWorkerOnlineSource online(worker);
        rz::TReminderHandle(State(), &online).Run();
    }

    // The search as specified: the first hundred "!" pages, in one request.
    void SpecifiedSearch(MThreadOneNoteRESTDB& worker)
    {
        const std::string me = rz::GraphBaseAddress(rz::test::kPersonalUserId, false)
                                   .substr(m_Mirror.Emulator().BaseUrl().size());
        const auto answer = m_Mirror.Emulator().Get(
            me + "/onenote/pages?top=100&filter=contains(title,%20'!')", rz::test::kAccessToken);
        State().ReminderPagesJson.Set(answer.body);
        Load(worker);
    }

    void Execute(MThreadOneNoteRESTDB& worker)
    {
        if (rz::TickNow() - m_CheckTick <= kEngineSeconds)
            return;
        rz::MWorkerOnlineSource online(worker);
        rz::TReminderHandle engine(State(), &online);
        engine.Run_CheckKnowPages();
        rz::MOneNoteRESTDB query(State());
        query.Run(4, 1, 0, "!", "");
        State().ReminderPageCount = query.m_Count;
        const std::string pages = m_Specified ? query.m_ResultStr : worker.WithSearchPages(query.m_ResultStr);
        if (!pages.empty())
            State().ReminderPagesJson.Set(pages);
        engine.Run();
        m_CheckTick = rz::TickNow();
    }

    bool m_Specified;
    rz::ScopedFakeClock m_Clock{rz::SystemSecondsNow()};
    std::int64_t m_Start = rz::TickNow();
    std::int64_t m_Followed = 0;
    MirrorHarness m_Mirror{rz::test::kPersonalUserId, Notebooks(), true};
    std::int64_t m_CheckTick = 0;
};

} // namespace

int main()
{
    long shipped = 0;
    {
        Bench bench(false);
        if (!bench.Running()) {
            std::fprintf(stderr, "the emulator did not start\n");
            return 1;
        }
        shipped = bench.MinutesToAllReminders();
        std::printf("as shipped: %ld min, %lld OneNote requests (%s)\n", shipped,
                    static_cast<long long>(bench.RequestsSent()), bench.Left().c_str());
    }
    long specified = 0;
    {
        Bench bench(true);
        specified = bench.MinutesToAllReminders();
        std::printf("specified path: %ld min, %lld OneNote requests (%s)\n", specified,
                    static_cast<long long>(bench.RequestsSent()), bench.Left().c_str());
    }
    std::printf("all reminders after: %ld min (specified path: %ld min)\n", shipped, specified);
    return shipped >= 0 && shipped <= 5 ? 0 : 1;
}
