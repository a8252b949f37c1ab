// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/contrast.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

// Window backgrounds of common light and dark themes: the warning red stays readable on each.
TEST(ContrastTest, WarningRedReadsOnLightAndDarkWindows)
{
    struct Case
    {
        const char* theme;
        Rgb background;
        bool light;
    };
    const Case cases[] = {
        {"white", {255, 255, 255}, true},         {"light grey", {0xEF, 0xF0, 0xF1}, true},
        {"warm light", {0xF6, 0xF5, 0xF4}, true}, {"dark slate", {0x31, 0x36, 0x3B}, false},
        {"dark grey", {0x24, 0x24, 0x24}, false}, {"black", {0, 0, 0}, false},
    };
    EXPECT_NEAR(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.theme);
        const Rgb red = WarningTextColour(c.background);
        EXPECT_GE(ContrastRatio(red, c.background), 4.5);
        EXPECT_EQ(red == Rgb({0xB0, 0x00, 0x20}), c.light);
    }
}

} // namespace
} // namespace rz
