// SPDX-License-Identifier: GPL-3.0-or-later
// Title-syntax reads per second over a mix of titles like those the store query returns: every one
// holds "!", most carry a one-off date, some repeat, some are not reminders at all.
#include "reminders/reminder.h"
#include "util/clock.h"
#include "util/dates.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

const std::vector<std::string>& Titles()
{
    static const std::vector<std::string> titles = {
        "Dentist !2021-03-04 10:30",
        "Call Anna ! 2021-03-04",
        "Quarterly report due !2021-06-30 17:00:00",
        "Dentist ! 2021-03-04 10:30",
        "Renew passport !2021-09",
        "Zahnarzttermin für Lena !2021-05-12 08:15",
        "\xF0\x9F\x93\x85 Team offsite planning !2021-04-01 09:00",
        "Standup !! 09:00 [1,2,3,4,5]",
        "Gym !!18:30:15 [2,4]",
        "Water the plants !! 07:30",
        "!Project Apollo",
        "!! Weekly review [5]",
        "Wow! Great idea",
        "Order !3000 cups",
        "Meeting notes – Q3 planning!",
        "Idea !! later",
    };
    return titles;
}

void BM_PageTitleReminderGetDateTime(benchmark::State& state)
{
    rz::ScopedFakeClock clock(rz::DateFromParts(2021, 3, 10, 12, 0, 0).seconds);
    const auto& titles = Titles();
    std::size_t i = 0;
    for (auto _ : state) {
        std::optional<rz::Date> dt;
        std::int64_t type = 0, start = 0, end = 0;
        rz::WeekDayFlags weekDay = rz::DefaultWeekDays();
        benchmark::DoNotOptimize(
            rz::TAReminder::PageTitleReminder_GetDateTime(titles[i], dt, type, start, end, weekDay));
        benchmark::DoNotOptimize(dt);
        if (++i == titles.size()) {
            i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PageTitleReminderGetDateTime);

void BM_TitleMarks(benchmark::State& state)
{
    const auto& titles = Titles();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rz::TAReminder::PageTimeRepeatable_Is(titles[i]));
        benchmark::DoNotOptimize(rz::TAReminder::PageHasTagReminder(titles[i]));
        if (++i == titles.size()) {
            i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TitleMarks);

} // namespace

BENCHMARK_MAIN();
