// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/zone_watch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

// TZ names a zone file by its path, with or without the colon: when that file becomes another zone
// (the desktop's settings re-point the link), the watch sees it and local times follow.
TEST(ZoneWatchTest, SeesTheChangeOfTheFileTzNames)
{
    for (const char* prefix : {":", ""}) {
        test::TempDir dir;
        const std::filesystem::path link = dir.File("localtime");
        std::filesystem::create_symlink("/usr/share/zoneinfo/Europe/Berlin", link);
        const test::ScopedTimeZone zone((prefix + link.string()).c_str());
        const ScopedFakeClock clock(GraphTimeToDate("2026-03-04T12:00:00Z").seconds);
        TZoneWatch watch;
        EXPECT_FALSE(watch.Changed()) << prefix;
        EXPECT_EQ(LocalFieldsOf(DateNow()).hour, 13) << prefix;

        std::filesystem::remove(link);
        std::filesystem::create_symlink("/usr/share/zoneinfo/America/New_York", link);
        EXPECT_TRUE(watch.Changed()) << prefix;
        EXPECT_EQ(LocalFieldsOf(DateNow()).hour, 7) << prefix;
        EXPECT_FALSE(watch.Changed()) << prefix;
    }
}

} // namespace
} // namespace rz
