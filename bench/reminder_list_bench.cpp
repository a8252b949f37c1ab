// SPDX-License-Identifier: GPL-3.0-or-later
// Merging every reminder page into ReminderList, as each load does: 10,000 reminders into a list that
// already holds them. "Indexed" is the list as shipped; "Linear" is the same list with look-ups that
// walk the records, the baseline.
#include "reminders/reminder_list.h"
#include "util/clock.h"
#include "util/dates.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

struct PageReminder
{
    std::string name, id, link;
    rz::Date dt;
    std::uint8_t repeat = 0;
    rz::WeekDayFlags weekDay;
};

std::vector<PageReminder> MakeReminders(int n)
{
    std::vector<PageReminder> out;
    out.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        PageReminder r;
        // Page ids and client links shaped like the service's.
        r.id = "1-8d3f0c2a5b7e4d19a6c1" + std::to_string(100000 + i) + "!" + std::to_string(i % 97) +
               "-3F2A9C1B7E5D4A60";
        r.link = "onenote:https://d.docs.live.net/3f2a9c1b7e5d4a60/Documents/Notebook/"
                 "Section.one#Page&section-id={"
                 "5B1D2E3F-0A4C-4B8D-9E6F-7A1B2C3D4E5F}&page-id={" +
                 std::to_string(i) + "}&end";
        const bool repeating = i % 10 == 0; // one in ten repeats
        r.repeat = repeating ? 1 : 0;
        r.weekDay = rz::DefaultWeekDays();
        if (repeating) {
            r.name = "Standup " + std::to_string(i) + " !! 09:30 [1,2,3,4,5]";
            r.dt = rz::DateFromParts(2021, 3, 10, 9, 30, 0);
            for (int d = 1; d <= 5; ++d) {
                r.weekDay[static_cast<std::size_t>(d)] = "1";
            }
        } else {
            r.name = "Call about invoice " + std::to_string(i) + " !2021-04-" + std::to_string(10 + i % 18) +
                     " 10:30";
            r.dt = rz::DateFromParts(2021, 4, 10 + i % 18, 10, 30, 0);
        }
        out.push_back(std::move(r));
    }
    return out;
}

void MergeInto(rz::TReminderList& list, const std::vector<PageReminder>& reminders, std::int64_t& changes)
{
    for (const PageReminder& r : reminders) {
        changes += list.AddUnique(0, r.name, r.id, r.id, r.link, r.dt, r.repeat, r.weekDay);
    }
}

void BM_MergeTenThousandIntoTenThousand(benchmark::State& state)
{
    const auto lookUp =
        state.range(0) == 0 ? rz::TReminderList::LookUp::Indexed : rz::TReminderList::LookUp::Linear;
    rz::ScopedFakeClock clock(rz::DateFromParts(2021, 3, 10, 12, 0, 0).seconds);
    const std::vector<PageReminder> reminders = MakeReminders(static_cast<int>(state.range(1)));
    rz::TReminderList list(lookUp);
    std::int64_t changes = 0;
    MergeInto(list, reminders, changes);
    for (auto _ : state) {
        changes = 0;
        MergeInto(list, reminders, changes);
        benchmark::DoNotOptimize(changes);
    }
    if (changes != 0) {
        state.SkipWithError("a repeated merge changed the list");
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
    state.SetLabel(state.range(0) == 0 ? "indexed" : "linear");
}
BENCHMARK(BM_MergeTenThousandIntoTenThousand)
    ->Args({0, 10000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond);

// One look-up of a key that is in a list of 10,000.
void BM_GetByIdHit(benchmark::State& state)
{
    const auto lookUp =
        state.range(0) == 0 ? rz::TReminderList::LookUp::Indexed : rz::TReminderList::LookUp::Linear;
    rz::ScopedFakeClock clock(rz::DateFromParts(2021, 3, 10, 12, 0, 0).seconds);
    const std::vector<PageReminder> reminders = MakeReminders(10000);
    rz::TReminderList list(lookUp);
    std::int64_t changes = 0;
    MergeInto(list, reminders, changes);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.GetByID(reminders[i].id));
        i = (i + 7919) % reminders.size();
    }
    state.SetLabel(state.range(0) == 0 ? "indexed" : "linear");
}
BENCHMARK(BM_GetByIdHit)->Arg(0)->Arg(1);

// Each load first drops the reminders of pages that left the page list: every record's page id is
// looked for in the page list text, which for 10,000 pages is some 5 MB of JSON.
void BM_CheckAndRemoveDeletedPageItem(benchmark::State& state)
{
    rz::ScopedFakeClock clock(rz::DateFromParts(2021, 3, 10, 12, 0, 0).seconds);
    const std::vector<PageReminder> reminders = MakeReminders(10000);
    std::string pages =
        R"({"@odata.context":"https://graph.microsoft.com/v1.0/$metadata#users('x')/onenote/pages","value":[)";
    for (const PageReminder& r : reminders) {
        pages +=
            R"({"id":")" + r.id + R"(","self":"https://graph.microsoft.com/v1.0/users/x/onenote/pages/)" +
            r.id + R"(","createdDateTime":"2021-03-01T08:00:00Z","title":")" + r.name +
            R"(","createdByAppId":"","lastModifiedDateTime":"2021-03-02T09:30:00Z","links":{"oneNoteClientUrl":{"href":")" +
            r.link +
            R"("},"oneNoteWebUrl":{"href":"https://onedrive.live.com/redir.aspx?cid=3f2a9c1b7e5d4a60&page=edit"}}},)";
    }
    pages += "]}";
    rz::TReminderList list;
    std::int64_t changes = 0;
    MergeInto(list, reminders, changes);
    for (auto _ : state) {
        list.CheckAndRemoveDeletedPageItem(pages);
    }
    if (list.Count() != reminders.size()) {
        state.SkipWithError("a page that is in the list was dropped");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(reminders.size()));
    state.counters["text_bytes"] = static_cast<double>(pages.size());
}
BENCHMARK(BM_CheckAndRemoveDeletedPageItem)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
