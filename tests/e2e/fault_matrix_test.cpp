// The built program against a service that fails in each of the ways Graph and the network fail,
// for whole cycles: it stays up, loses no reminder and keeps every file whole. One line per fault
// on stdout: requests the emulator saw, reminders before and after, time taken.
#include "app_harness.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace rz {
namespace {

using test::AppHome;
using test::ChildProcess;
using test::EmulatorProcess;
using test::Names;

constexpr int kWaitMs = 60000;

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
        if (list.size() > 1) {
            list += ",";
        }
        list += R"({"route":")" + route + R"(","count":)" + std::to_string(count) + "," + action + "}";
    }
    return list + "]";
}

class FaultMatrixTest : public testing::TestWithParam<Fault>
{
protected:
    void SetUp() override
    {
        emulator = std::make_unique<EmulatorProcess>(test::FixtureOptions(test::SmallFixture()));
        ASSERT_TRUE(emulator->Running()) << emulator->Error();
        home.PointAt(*emulator, true);
        app = home.Start();
        ASSERT_TRUE(test::WaitFor(
            kWaitMs, [&] { return home.Reminders().size() == test::SmallFixtureReminders().size(); }))
            << Names(home.Reminders()) << app->Stderr();
        ASSERT_TRUE(test::Settle(*emulator, home));
    }

    void TearDown() override
    {
        if (app) {
            app->Signal(SIGTERM);
            EXPECT_EQ(app->WaitExit(10000), 0) << app->Stderr();
        }
    }

    // Every section changes online, with pages that carry no reminder.
    void ChangeEverySection()
    {
        static int filler = 0;
        for (const char* section : {"section-errands", "section-projects", "section-plans"}) {
            const std::string body = R"({"kind":"page","parentId":")" + std::string(section) +
                                     R"(","title":"Filler )" + std::to_string(++filler) + R"("})";
            ASSERT_EQ(emulator->Post("/_emulator/add", body).status, 200);
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

    AppHome home;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<ChildProcess> app;
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
        ASSERT_TRUE(test::RefreshAndSettle(*app, *emulator, home, kWaitMs));
        // The client gave up on the request and renewed its tokens, as after any transport failure.
        ASSERT_TRUE(test::WaitFor(kWaitMs, [&] { return emulator->RequestCount("token") > tokenCalls; }));
        ASSERT_TRUE(test::Settle(*emulator, home));
        ExpectNothingLost(before, "timed out");
    } else {
        const std::size_t phases = fault.throttles ? 1 : kPhases.size();
        for (std::size_t phase = 0; phase < phases; ++phase) {
            if (fault.pagesOnly && phase + 1 < kPhases.size()) {
                continue;
            }
            if (phase + 1 == kPhases.size()) {
                ASSERT_NO_FATAL_FAILURE(ChangeEverySection());
            }
            const std::vector<std::string> routes =
                fault.pagesOnly ? std::vector<std::string>{"pages"} : kPhases[phase];
            ASSERT_TRUE(emulator->QueueFault(FaultList(routes, fault.action, 1000)));
            ASSERT_TRUE(test::RefreshAndSettle(*app, *emulator, home, kWaitMs)) << app->Stderr();
            ASSERT_TRUE(emulator->ClearFaults());
            ExpectNothingLost(before, "phase " + std::to_string(phase + 1));
        }
    }
    const long requests = test::TotalRequests(*emulator);
    const std::size_t remindersAfter = home.Reminders().size();
    std::printf("fault %s: requests %ld, reminders %zu -> %zu, %.1f s\n", fault.name, requests, before.size(),
                remindersAfter, test::SecondsSince(started));
    std::fflush(stdout);

    // Once the service answers again the next cycle mends what the faults held back. A back-off
    // after a refusal holds the mirror longer than this test waits.
    if (!fault.throttles) {
        ASSERT_TRUE(test::RefreshAndSettle(*app, *emulator, home, kWaitMs)) << app->Stderr();
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
