// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/mirror_counters.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(MirrorCountersTest, AReadingTakesEachCounterIntoTheFieldOfItsName)
{
    TMirrorCounters live;
    live.NotebookTotal = 1;
    live.NotebookDownloading = 2;
    live.NewNotebookCount = 3;
    live.NewSectionGroupCount = 4;
    live.NewSectionCount = 5;
    live.NotebooksChanged = 6;
    live.NotebooksSectionsChanged = 7;
    live.ChangedNotebookCount = 8;
    live.ChangedSectionGroupCount = 9;
    live.ChangedSectionCount = 10;
    live.GetSectionErrorCount = 11;
    live.GetAllNotebooksSectionsErrorCount = 12;
    live.CallbackErrorCount = 13;
    live.PassErrorCount = 14;
    live.StoreErrorCount = 15;
    live.HeldBackCount = 16;
    live.ThrottledCount = 17;

    const TMirrorCounts read = live.Read();
    EXPECT_EQ(read.NotebookTotal, 1);
    EXPECT_EQ(read.NotebookDownloading, 2);
    EXPECT_EQ(read.NewNotebookCount, 3);
    EXPECT_EQ(read.NewSectionGroupCount, 4);
    EXPECT_EQ(read.NewSectionCount, 5);
    EXPECT_EQ(read.NotebooksChanged, 6);
    EXPECT_EQ(read.NotebooksSectionsChanged, 7);
    EXPECT_EQ(read.ChangedNotebookCount, 8);
    EXPECT_EQ(read.ChangedSectionGroupCount, 9);
    EXPECT_EQ(read.ChangedSectionCount, 10);
    EXPECT_EQ(read.GetSectionErrorCount, 11);
    EXPECT_EQ(read.GetAllNotebooksSectionsErrorCount, 12);
    EXPECT_EQ(read.CallbackErrorCount, 13);
    EXPECT_EQ(read.PassErrorCount, 14);
    EXPECT_EQ(read.StoreErrorCount, 15);
    EXPECT_EQ(read.HeldBackCount, 16);
    EXPECT_EQ(read.ThrottledCount, 17);

    // A new cycle zeroes the cycle's counters and keeps the ones counted since the worker was made.
    live.ResetCycle();
    const TMirrorCounts reset = live.Read();
    EXPECT_EQ(reset.NotebookTotal, 0);
    EXPECT_EQ(reset.GetSectionErrorCount, 0);
    EXPECT_EQ(reset.GetAllNotebooksSectionsErrorCount, 12);
    EXPECT_EQ(reset.ThrottledCount, 17);
}

} // namespace
} // namespace rz
