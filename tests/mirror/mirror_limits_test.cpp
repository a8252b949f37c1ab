// SPDX-License-Identifier: GPL-3.0-or-later
// The request budget against the emulator in --limits mode (120 a minute, 400 an hour, 429 with
// code 20166 beyond): a large first mirror and an hour of known-page checks draw no refusal. The
// worker's pauses move the fake clock and the emulator's clock together, so the hour takes seconds.
#include "mirror_harness.h"
#include "util/clock.h"
#include "util/files.h"

#include <cmath>
#include <gtest/gtest.h>
#include <iostream>

namespace rz {
namespace {

constexpr int kSections = 150;
constexpr int kKnownPages = 50;

Json Account()
{
    Json sections = Json::array();
    for (int i = 0; i < kSections; ++i) {
        sections.push_back(Section("Section " + std::to_string(i), "sec-" + std::to_string(i)));
    }
    Json known = Json::array();
    for (int i = 0; i < kKnownPages; ++i) {
        known.push_back({{"title", "Known !" + std::to_string(i)}, {"id", "pg-" + std::to_string(i)}});
    }
    sections.push_back({{"displayName", "Known"}, {"id", "sec-known"}, {"pages", known}});
    return Json::array({Container("Large", "nb-large", sections)});
}

TEST(MirrorLimitsTest, LargeFirstMirrorAndAnHourOfKnownPageChecksDrawNoRefusal)
{
    const double start = std::floor(SystemSecondsNow());
    ScopedFakeClock clock(start);
    MirrorHarness mirror(test::kWorkUserId, Account(), /*limits=*/true);
    ASSERT_TRUE(mirror.Running()) << mirror.Emulator().Error();
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    auto advance = [&](double seconds) {
        const long whole = std::max(1L, std::lround(std::ceil(seconds)));
        clock.Advance(static_cast<double>(whole));
        ASSERT_TRUE(mirror.Emulator().AdvanceClock(whole));
    };
    worker.SetWaitFunction(advance);

    // The known-pages check of the reminder engine: every known page once per run.
    MWorkerOnlineSource source(worker);
    int ok = 0;
    int heldBack = 0;
    worker.FOnExecute = [&](MThreadOneNoteRESTDB&) {
        for (int i = 0; i < kKnownPages; ++i) {
            switch (source.GetPageContent("pg-" + std::to_string(i)).status) {
            case TOnlineStatus::Ok:
                ++ok;
                break;
            case TOnlineStatus::HeldBack:
                ++heldBack;
                break;
            case TOnlineStatus::Failed: // an access token that expired on the way refreshes
                break;
            }
        }
    };

    // The first mirror needs more requests than a minute allows; it yields when the minute is used
    // up (or its stretch ends), and the sections put off follow as slots of their share free.
    worker.Pass();
    EXPECT_EQ(worker.m_Counts.NotebooksChanged, 5);
    EXPECT_EQ(worker.m_Counts.NewSectionCount, kSections + 1);
    EXPECT_EQ(worker.m_Counts.GetSectionErrorCount, 0);

    // An hour of passes, one every two minutes, each with the engine's check.
    for (int minute = 0; minute < 60; minute += 2) {
        advance(121);
        worker.Pass();
        EXPECT_FALSE(worker.Budget().BackingOff()) << minute;
    }
    long oneNote = 0;
    for (const char* route : {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"}) {
        oneNote += mirror.Count(route);
    }
    std::cout << "[ budget ] --limits, " << kSections + 1 << " sections then an hour of checks over "
              << kKnownPages << " pages: " << oneNote << " OneNote requests, " << ok << " pages read, "
              << heldBack << " held back, " << worker.m_Counts.ThrottledCount << " refused, in "
              << (clock.Now() - start) / 60 << " minutes\n";
    EXPECT_EQ(worker.m_Counts.ThrottledCount, 0);
    EXPECT_GT(ok, kKnownPages);
    EXPECT_GT(heldBack, 0);
    EXPECT_LE(worker.Budget().SentLastHour(), kBudgetPerHour);
    EXPECT_EQ(worker.m_Counts.GetSectionErrorCount, 0);
    // The engine here reads every known page every run and so takes its whole share; the first
    // mirror completes in the next hour.
    for (int minute = 0; minute < 60 && !worker.Sections().ErrorList().empty(); minute += 2) {
        advance(121);
        worker.Pass();
    }
    EXPECT_TRUE(worker.Sections().ErrorList().empty());
    EXPECT_TRUE(FileExists(mirror.Store("Large/Section 149/pages.json").string()));
    EXPECT_EQ(worker.m_Counts.ThrottledCount, 0);
}

} // namespace
} // namespace rz
