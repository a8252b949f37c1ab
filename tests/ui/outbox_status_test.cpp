// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "outbox/todo_done.h"
#include "qt_test_app.h"
#include "test_support.h"
#include "ui/outbox_status.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(OutboxStatusTest, AChangeThatEndedUnsentIsShownWithItsReason)
{
    test::QtTestApp();
    ScopedFakeClock clock{1.9e9};
    test::TempDir folder;
    ASSERT_TRUE(WriteTextFile(folder.File("Outbox.json"),
                              R"({"items":[],"messages":[{"key":"strOutboxPageGone","label":"Call Bob",)"
                              R"("detail":"","when":1.9e9}]})"));
    const SharedString userId{"u1"};
    TOutbox outbox{folder.File("Outbox.json"), userId};
    outbox.Load();
    EXPECT_EQ(OutboxStatusText(&outbox),
              QStringLiteral("\u201cCall Bob\u201d was not changed in OneNote: its page is gone."));
    clock.Advance(2 * 24 * 3600);
    EXPECT_TRUE(OutboxStatusText(&outbox).isEmpty());
}

TEST(OutboxStatusTest, TicksAndNewPagesAreCountedApart)
{
    test::QtTestApp();
    test::TempDir folder;
    const SharedString userId{"u1"};
    TOutbox outbox{folder.File("Outbox.json"), userId};
    outbox.Add(ToDoDoneItem("pg-1", "p:{G}{1}", "Call Bob"));
    outbox.Add(PageCreateItem("Dentist !2099-12-10 09:00", "sec-1"));
    EXPECT_EQ(OutboxStatusText(&outbox), QStringLiteral("1 to-do waiting to be ticked in OneNote. "
                                                        "1 new page waiting to be created in OneNote."));
}

} // namespace
} // namespace rz
