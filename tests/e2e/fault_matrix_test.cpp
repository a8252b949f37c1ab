// SPDX-License-Identifier: GPL-3.0-or-later
// The built program against a service that fails in each of the ways Graph and the network fail,
// for whole cycles: it stays up, loses no reminder and keeps every file whole. One line per fault
// on stdout: requests the emulator saw, reminders before and after, time taken.
#include "running_app.h"

#include <cctype>
#include <cstdio>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace rz {
namespace {

using test::kWaitMs;
using test::Names;

struct Fault
{
    const char* name;
    // The fault's action, as the emulator's fault object has it (without route and count).
    const char* action;
    // Faulted in every phase of the cycle (see Phases), or only on the section page lists.
    bool pagesOnly = false;
    // One request only, answered after the client's time-out.
    bool timeout = false;
    // The service asks for a back-off, which holds the mirror after the first phase.
    bool throttles = false;
};

// Names the fault in test listings instead of its bytes.
void PrintTo(const Fault& fault, std::ostream* out)
{
    *out << fault.name;
}

// How deep the cycle gets before the fault bites: every OneNote route; all but the notebook list
// (so the hierarchy download meets it); only the page lists and contents, after every section
// changed online (so the page lists are fetched).
const std::vector<std::vector<std::string>> kPhases = {
    {"notebooks", "hierarchy", "pages", "search", "pagelist", "content"},
    {"hierarchy", "pages", "search", "pagelist", "content"},
    {"pages", "content"},
};

std::string FaultList(const std::vector<std::string>& routes, const std::string& action, int count)
{
    std::string list = "[";
    for (const std::string& route : routes) {
        list += std::string(list.size() > 1 ? "," : "") + R"({"route":")" + route + R"(","count":)" +
                std::to_string(count) + "," + action + "}";
    }
    return list + "]";
}

class FaultMatrixTest : public testing::TestWithParam<Fault>, public test::RunningApp
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartSignedIn()); }
    void TearDown() override
    {
        if (app) {
            Quit();
        }
    }

    // Every section changes online, with pages that carry no reminder.
    void ChangeEverySection()
    {
        static int filler = 0;
        for (const char* section : {"section-errands", "section-projects", "section-plans"}) {
            ASSERT_TRUE(Admin("add", R"({"kind":"page","parentId":")" + std::string(section) +
                                         R"(","title":"Filler )" + std::to_string(++filler) + R"("})"));
        }
    }

    // Every reminder present before is still there and every file is whole.
    void ExpectNothingLost(const std::vector<test::StoredReminder>& before, const std::string& when)
    {
        EXPECT_TRUE(app->Running()) << when << app->Stderr();
        const auto after = home.Reminders();
        for (const auto& r : before) {
            EXPECT_TRUE(test::HasReminder(after, r.name)) << when << ": lost " << r.name << "\n"
                                                          << Names(after);
        }
        for (const std::string& file : home.DamagedFiles()) {
            ADD_FAILURE() << when << ": not whole: " << file;
        }
    }
};

TEST_P(FaultMatrixTest, AppStaysUpAndLosesNothing)
{
    const Fault& fault = GetParam();
    const auto before = home.Reminders();
    ASSERT_TRUE(emulator->ResetCounters());
    const std::int64_t started = test::NowMs();

    if (fault.timeout) {
        // The client's time-out (30 s) is fixed; one request outlasts it.
        ASSERT_TRUE(emulator->QueueFault(R"({"route":"notebooks","count":1,"delayMs":31000})"));
        const long tokenCalls = emulator->RequestCount("token");
        ASSERT_TRUE(RefreshAndSettle());
        // The client gave up on the request and renewed its tokens, as after any transport failure.
        ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return emulator->RequestCount("token") > tokenCalls; }));
        ASSERT_TRUE(test::Settle(*emulator, home));
        ExpectNothingLost(before, "timed out");
    } else {
        const std::size_t end = fault.throttles ? 1 : kPhases.size();
        for (std::size_t phase = fault.pagesOnly ? kPhases.size() - 1 : 0; phase < end; ++phase) {
            if (phase + 1 == kPhases.size()) {
                ASSERT_NO_FATAL_FAILURE(ChangeEverySection());
            }
            const auto& routes = fault.pagesOnly ? std::vector<std::string>{"pages"} : kPhases[phase];
            ASSERT_TRUE(emulator->QueueFault(FaultList(routes, fault.action, 1000)));
            ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
            ASSERT_TRUE(emulator->ClearFaults());
            ExpectNothingLost(before, "phase " + std::to_string(phase + 1));
        }
    }
    std::printf("fault %s: requests %ld, reminders %zu -> %zu, %.1f s\n", fault.name,
                test::TotalRequests(*emulator), before.size(), home.Reminders().size(),
                test::SecondsSince(started));
    std::fflush(stdout);

    // Once the service answers again the next cycle mends what the faults held back. A back-off
    // after a refusal holds the mirror longer than this test waits.
    if (!fault.throttles) {
        ASSERT_TRUE(RefreshAndSettle()) << app->Stderr();
        ExpectNothingLost(before, "after the faults");
        EXPECT_EQ(home.Reminders().size(), before.size()) << Names(home.Reminders());
    }
}

std::string FaultName(const testing::TestParamInfo<Fault>& param)
{
    std::string name;
    for (const char* c = param.param.name; *c != '\0' && *c != '/'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
            name += *c;
        }
    }
    return "Fault" + name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrixTest,
                         testing::Values(Fault{"401", R"("status":401,"body":"")"},
                                         Fault{"429/20166", R"("graphError":"20166")", false, false, true},
                                         Fault{"500", R"("status":500,"body":"")"},
                                         Fault{"timeout", "", false, true},
                                         Fault{"cut-off", R"("cutOff":true)"},
                                         Fault{"dropped", R"("drop":true)"}),
                         FaultName);

// A section refused with 20185 keeps the page list stored before, so its reminders stay.
INSTANTIATE_TEST_SUITE_P(RefusedSections, FaultMatrixTest,
                         testing::Values(Fault{"20185", R"("graphError":"20185")", true}), FaultName);

} // namespace
} // namespace rz
