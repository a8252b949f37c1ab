// OneNote requests an hour that keep 50 known reminder pages current: the known-pages check as
// shipped (a change listing per check, changed pages at once, the rest round-robin) next to the
// walk that reads every known page at every check. Runs the emulator on loopback; its clock and the
// engine's fake clock move 121 seconds per check, as the worker's execute callback runs them.
//
//   build/release/bench/known_pages_bench
//
// The last line reads "requests/hour: N (specified walk: M)". N counts the engine's requests; the
// mirror worker's own cycles are not part of this program.
#include "emulator_online.h"
#include "emulator_process.h"
#include "reminders/engine_state.h"
#include "reminders/reminder_handle.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/json.h"

#include <cstdio>
#include <string>

namespace {

using rz::test::EmulatorProcess;

constexpr const char* kToken = "bench-access-token";
constexpr int kTitlePages = 25;
constexpr int kTagPages = 25;
constexpr int kOtherPages = 100;
constexpr double kCheckSeconds = 121;
constexpr int kChecksPerHour = static_cast<int>(3600 / kCheckSeconds) + 1;

std::string Fixture()
{
    std::string pages;
    const auto add = [&pages](const std::string& page) { pages += (pages.empty() ? "" : ",") + page; };
    for (int i = 0; i < kTitlePages; ++i)
        add(R"({"title": "Task )" + std::to_string(i) + R"( !2099-03-20 10:30", "id": "pg-title-)" +
            std::to_string(i) + R"(", "lastModifiedDateTime": "{{graph:now-3d}}"})");
    for (int i = 0; i < kTagPages; ++i)
        add(R"({"title": "!Project )" + std::to_string(i) + R"(", "id": "pg-tag-)" + std::to_string(i) +
            R"(", "lastModifiedDateTime": "{{graph:now-3d}}", "paragraphs": ["plain",
               {"text": "Call )" +
            std::to_string(i) + R"( !2099-03-20 09:00", "tags": "to-do"}]})");
    for (int i = 0; i < kOtherPages; ++i)
        add(R"({"title": "Notes )" + std::to_string(i) + R"(", "id": "pg-other-)" + std::to_string(i) +
            R"(", "lastModifiedDateTime": "{{graph:now-)" + std::to_string(i + 1) + R"(h}}"})");
    return R"({"user": {"id": "bench-user", "userPrincipalName": "bench@example.com"},
               "tokens": {"accessTokens": ["bench-access-token"], "expiresIn": 864000},
               "notebooks": [{"displayName": "Work", "sections": [{"displayName": "Inbox", "pages": [)" +
           pages + "]}]}]}";
}

long OneNoteRequests(const EmulatorProcess& emulator)
{
    const rz::Json counters =
        rz::JsonTextToObject(std::string_view(emulator.Get("/_emulator/counters").body));
    long total = 0;
    for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"}) {
        const auto it = counters["routes"].find(route);
        if (it != counters["routes"].end() && it->is_number_integer())
            total += it->get<long>();
    }
    return total;
}

// Every page-title reminder's page and every tag page read at each check.
void SpecifiedWalk(rz::TEngineState& state, rz::TOnlineSource& online)
{
    for (const rz::ReminderPtr& r : state.ReminderList.list()) {
        if (r->objType() == rz::kPageTitleReminder)
            online.GetPageContent(r->pageId().value_or(""));
    }
    for (const rz::TagPagePtr& page : state.TagPageList.list())
        online.GetPageContent(page->pageId().value_or(""));
}

} // namespace

int main()
{
    EmulatorProcess::Options options;
    options.fixtureText = Fixture();
    EmulatorProcess emulator(options);
    if (!emulator.Running()) {
        std::fprintf(stderr, "emulator: %s\n", emulator.Error().c_str());
        return 1;
    }
    rz::test::EmulatorOnline online(emulator, kToken);
    rz::ScopedFakeClock clock(rz::SystemSecondsNow());
    rz::TEngineState state;
    state.ReminderPagesJson.Set(
        emulator.Get("/v1.0/me/onenote/pages?top=100&filter=contains(title,'!')", kToken).body);
    rz::TReminderHandle engine(state, &online);
    engine.Run();
    std::printf("known pages: %zu title reminders, %zu tag pages, %d other pages\n",
                state.ReminderList.Count() - kTagPages, state.TagPageList.Count(), kOtherPages);

    const auto hour = [&](const char* name) {
        emulator.ResetCounters();
        for (int i = 0; i < kChecksPerHour; ++i) {
            clock.Advance(kCheckSeconds);
            emulator.AdvanceClock(static_cast<long>(kCheckSeconds));
            engine.Run_CheckKnowPages();
        }
        const long requests = OneNoteRequests(emulator);
        std::printf("%s: %ld requests in %d checks (%ld listing, %ld reads)\n", name, requests,
                    kChecksPerHour, emulator.RequestCount("pagelist"), emulator.RequestCount("content"));
        return requests;
    };
    hour("first hour after start");
    const long shipped = hour("steady hour");

    // Edits: each must reach its reminder at the next check.
    int seen = 0;
    constexpr int kEdits = 5;
    for (int i = 0; i < kEdits; ++i) {
        const std::string id = "pg-title-" + std::to_string(i * 5);
        const std::string title = "Task moved !2099-04-0" + std::to_string(i + 1) + " 08:00";
        emulator.Post("/_emulator/rename", R"({"id": ")" + id + R"(", "name": ")" + title + R"("})");
        clock.Advance(kCheckSeconds);
        emulator.AdvanceClock(static_cast<long>(kCheckSeconds));
        engine.Run_CheckKnowPages();
        const rz::ReminderPtr r = state.ReminderList.GetByID(id);
        seen += r && r->name() == title ? 1 : 0;
    }
    std::printf("edits seen within one check: %d/%d\n", seen, kEdits);

    emulator.ResetCounters();
    for (int i = 0; i < kChecksPerHour; ++i)
        SpecifiedWalk(state, online);
    const long walk = OneNoteRequests(emulator);
    std::printf("requests/hour: %ld (specified walk: %ld)\n", shipped, walk);
    return seen == kEdits ? 0 : 1;
}
