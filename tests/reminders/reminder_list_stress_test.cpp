// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"
#include "reminders_test_support.h"
#include "util/clock.h"
#include "util/dates.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>

namespace rz {
namespace {

using test::Local;

constexpr int kOperationsPerThread = 50000;
constexpr int kKeys = 64;

// One thread merges and removes as the loaders do while the other walks by index, fires and sorts
// as the due check does. Every record met must be whole and the keys merged in stay unique.
TEST(ReminderListStressTest, MergeAndRemoveWhileWalkingAndSorting)
{
    test::ScopedTimeZone tz(test::kBerlinTz);
    ScopedFakeClock clock(Local(2021, 3, 10, 12, 0, 0).seconds);
    TReminderList list;
    TReminderList pending;
    std::atomic<bool> writerDone{false};

    std::thread writer([&] {
        for (int i = 0; i < kOperationsPerThread; ++i) {
            const std::string key = "K" + std::to_string(i % kKeys);
            const std::string page = "P" + std::to_string(i % 7);
            switch (i % 8) {
            case 0:
            case 1:
            case 2:
                list.AddUnique(0, "one-off " + key, key, page, "L", Local(2021, 3, 11, i % 24), 0,
                               DefaultWeekDays());
                break;
            case 3:
                list.AddUnique(1, "repeat " + key, key, page, "L", Local(2021, 3, 11, i % 24), 1,
                               WeekDayFlags{"0", "1", "0", "1", "0", "0", "0"});
                break;
            case 4:
                list.DeleteByID(key);
                break;
            case 5:
                list.CheckAndRemoveDeletedTagItem("K1 K2 K3", page);
                break;
            case 6:
                list.CheckAndRemoveDeletedPageItem("P0 P1 P2 P3 P4 P5");
                break;
            default: {
                std::string line = "Type:0` ID:";
                line += key;
                line += "` PageID:";
                line += page;
                line += "` Time:2021-03-12 08:00:00` Title:loaded`";
                list.AddUnique(TAReminder::FromString(line));
                break;
            }
            }
        }
        writerDone = true;
    });

    int reads = 0;
    while (reads < kOperationsPerThread || !writerDone) {
        if (reads % 50 == 0) {
            list.Sort();
            ++reads;
            continue;
        }
        const std::size_t count = list.Count();
        for (std::size_t n = count; n-- > 0 && reads < kOperationsPerThread; ++reads) {
            const ReminderPtr r = list.At(n);
            if (!r) {
                continue; // the list shrank meanwhile
            }
            const auto time = r->time();
            ASSERT_TRUE(r->Id().has_value());
            ASSERT_TRUE(r->name().has_value());
            if (time && r->Repeat()) {
                r->setPreRemindedTime(DateAddSeconds(DateNow(), 20));
                r->setTime(r->GetRepeatDateTime());
            } else if (time && n % 5 == 0) {
                pending.InsertTop(r->objType(), r->name(), r->Id(), r->pageId(), r->link(), time, r->Repeat(),
                                  r->weekDay());
                list.Remove(r);
            }
        }
        if (count == 0) {
            ++reads;
        }
    }
    writer.join();

    std::set<std::string> keys;
    for (const ReminderPtr& r : list.list()) {
        EXPECT_TRUE(keys.insert(*r->Id()).second) << *r->Id();
    }
    for (const auto& k : keys) {
        EXPECT_TRUE(list.GetByID(k));
    }
}

TEST(TagPageListStressTest, AddAndDeleteWhileWalking)
{
    TTagPageList list;
    std::thread writer([&] {
        for (int i = 0; i < kOperationsPerThread; ++i) {
            const std::string key = "P" + std::to_string(i % kKeys);
            if (i % 3 == 2) {
                list.DeleteByID(key);
            } else {
                list.AddUnique(key, "L", Date{static_cast<double>(i)});
            }
        }
    });
    for (int i = 0; i < kOperationsPerThread; ++i) {
        const std::size_t count = list.Count();
        if (const TagPagePtr page = list.At(count > 0 ? count - 1 : 0)) {
            EXPECT_TRUE(page->pageId().has_value());
            page->lastModifyTime();
        }
    }
    writer.join();
    std::set<std::string> keys;
    for (const TagPagePtr& p : list.list()) {
        EXPECT_TRUE(keys.insert(*p->pageId()).second);
    }
}

} // namespace
} // namespace rz
