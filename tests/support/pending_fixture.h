// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alerts/pending_reminders.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/files.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz::test {

// A pending list and its controller in a temp folder at 2026-03-04 10:00 UTC, with opened links
// collected instead of handed to the desktop.
class PendingListFixture : public testing::Test
{
protected:
    PendingListFixture()
    {
        SetUrlOpener([this](const std::string& url) { opened.push_back(url); });
    }
    ~PendingListFixture() override { SetUrlOpener({}); }

    void AddPending(const std::string& id, const std::string& link, std::uint8_t repeat = 0)
    {
        pending.InsertTop(kPageTitleReminder, id + " !2026-03-04 10:00", id, id, link,
                          DateFromParts(2026, 3, 4, 10, 0, 0), repeat, DefaultWeekDays());
    }

    ScopedTimeZone zone{"UTC"};
    ScopedFakeClock clock{DateFromParts(2026, 3, 4, 10, 0, 0).seconds};
    TempDir dir;
    TReminderList pending;
    TPendingReminders controller{pending, dir.File("PendingReminders.plist"), dir.File("velaapp.plist")};
    std::vector<std::string> opened;
};

} // namespace rz::test
