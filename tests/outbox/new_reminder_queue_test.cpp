// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/preferences.h"
#include "outbox/new_reminder_queue.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "test_support.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

TEST(NewReminderQueueTest, ATitleIsCheckedItsSectionTakenAndItsPageQueued)
{
    using R = TNewReminderQueueResult;
    const Date now = DateFromParts(2026, 12, 9, 12, 0, 0);
    struct Row
    {
        const char* name;
        std::string user, typed, given, remembered;
        R::TResult result;
        std::string section; // where it goes
        std::string rememberedAfter;
    };
    const Row rows[] = {
        {"signed out", "", "Call Bob !2099-12-10 09:00", "sec-1", "", R::NoAccount, "", ""},
        {"no marks", "u", "Call Bob", "sec-1", "", R::NotAReminder, "", ""},
        {"past", "u", "Call Bob !2020-12-10 09:00", "sec-1", "", R::BadTitle, "", ""},
        {"too long", "u", std::string(1001, 'x') + " !2099-12-10 09:00", "sec-1", "", R::BadTitle, "", ""},
        {"no section", "u", "Call Bob !2099-12-10 09:00", "", "", R::NoSection, "", ""},
        {"the remembered section", "u", "Call Bob !2099-12-10 09:00", "", "sec-2", R::Queued, "sec-2",
         "sec-2"},
        {"a section given is remembered", "u", "Call Bob !2099-12-10 09:00", "sec-3", "sec-2", R::Queued,
         "sec-3", "sec-3"},
    };
    for (const Row& row : rows) {
        test::TempDir dir;
        const std::string settings = dir.File("velaapp.plist");
        if (!row.remembered.empty()) {
            TPreferences preferences = LoadPreferences(settings);
            preferences.NewReminderSectionId = row.remembered;
            ASSERT_TRUE(SavePreferences(settings, preferences));
        }
        SharedString user(row.user);
        TOutbox outbox(dir.File("Outbox.json"), user);
        const R queued = QueueNewReminder(outbox, settings, row.typed, row.given, now);
        EXPECT_EQ(queued.Result, row.result) << row.name;
        EXPECT_EQ(outbox.Count(), row.result == R::Queued ? 1u : 0u) << row.name;
        if (row.result == R::Queued) {
            EXPECT_EQ(queued.SectionId, row.section) << row.name;
            EXPECT_EQ(outbox.Items()[0].Key, PageCreateItem(queued.Title, row.section).Key) << row.name;
            EXPECT_EQ(LoadPreferences(settings).NewReminderSectionId, row.rememberedAfter) << row.name;
        }
    }
}

} // namespace
} // namespace rz
