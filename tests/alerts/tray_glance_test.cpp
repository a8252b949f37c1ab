// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/tray_glance.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(TrayGlanceTest, BadgeTextFitsASmallIcon)
{
    struct Case
    {
        std::size_t due;
        const char* text;
    };
    for (const Case& c : {Case{0, ""}, Case{1, "1"}, Case{9, "9"}, Case{99, "99"}, Case{100, "99+"}}) {
        EXPECT_EQ(TrayBadgeText(c.due), c.text) << c.due;
    }
}

} // namespace
} // namespace rz
