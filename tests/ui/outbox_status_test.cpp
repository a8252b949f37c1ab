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

TEST(OutboxStatusTest, ThePhoneLineSaysOffOrHowTheBridgeStands)
{
    test::QtTestApp();
    ScopedFakeClock clock{1.9e9};
    EXPECT_EQ(PhoneStatusText(false, std::nullopt), QStringLiteral("Reminders on the phone: off."));
    EXPECT_EQ(
        PhoneStatusText(true, std::nullopt),
        QStringLiteral("Reminders on the phone: on; last sync not yet; tasks kept: 0; writes waiting: 0."));
    TToDoStatus status;
    status.LastSync = Date{1.9e9};
    status.TasksKept = 3;
    status.WaitingWrites = 1;
    status.LastRefusal = TOutboxMessage{"strPhoneRefused", "Dentist", "Invalid recurrence.", Date{1.9e9}};
    const QString line = PhoneStatusText(true, status);
    EXPECT_TRUE(line.startsWith(QStringLiteral("Reminders on the phone: on; last sync ")));
    EXPECT_TRUE(line.endsWith(
        QStringLiteral("; tasks kept: 3; writes waiting: 1. \u201cDentist\u201d was not changed "
                       "in Microsoft To Do: the service refused it (Invalid recurrence.).")))
        << line.toStdString();
    clock.Advance(2 * 24 * 3600);
    EXPECT_TRUE(PhoneStatusText(true, status).endsWith(QStringLiteral("writes waiting: 1.")));
}

} // namespace
} // namespace rz
