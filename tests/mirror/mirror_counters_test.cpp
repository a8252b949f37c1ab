// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/mirror_counters.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

// A new cycle zeroes the cycle's counters and keeps the ones counted since the worker was made.
TEST(MirrorCountersTest, ANewCycleZeroesOnlyTheCyclesCounters)
{
    TMirrorCounters live;
    live.NotebookTotal = 1;
    live.GetSectionErrorCount = 11;
    live.GetAllNotebooksSectionsErrorCount = 12;
    live.ThrottledCount = 17;

    live.ResetCycle();
    const TMirrorCounts reset = live.Read();
    EXPECT_EQ(reset.NotebookTotal, 0);
    EXPECT_EQ(reset.GetSectionErrorCount, 0);
    EXPECT_EQ(reset.GetAllNotebooksSectionsErrorCount, 12);
    EXPECT_EQ(reset.ThrottledCount, 17);
}

} // namespace
} // namespace rz
