// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/delay_text.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(DelayTextTest, ReadsEnglishGermanAndFrenchUnits)
{
    struct Case
    {
        const char* text;
        std::optional<DelayText> delay; // none: the text does not read as a delay
    };
    const Case cases[] = {
        {"1 hour 30 minutes", DelayText{90, 0}},
        {"1 hour and 30 mins", DelayText{90, 0}},
        {"2 Min", DelayText{2, 0}},
        {"1 Stunde 15 Minuten", DelayText{75, 0}},
        {"2 Tage", DelayText{0, 2}},
        {"1 Std. und 5 Min.", DelayText{65, 0}},
        {"1 h 30", DelayText{90, 0}},
        {"1 jour", DelayText{0, 1}},
        {"1 heure et 10 minutes", DelayText{70, 0}},
        {"15\u00a0min", DelayText{15, 0}},
        {"später", std::nullopt},
        {"5", std::nullopt},
        {"5 Wochen", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadDelayText(c.text), c.delay) << c.text;
    }
}

// Delays as people write them read; a delay into the past never comes back, so it is refused.
TEST(DelayTextTest, ReadsDecimalsAndHoursWithMinutesAndRefusesNegatives)
{
    struct Case
    {
        const char* text;
        std::optional<DelayText> delay;
    };
    const Case cases[] = {
        {"1,5 Stunden", DelayText{90, 0}},
        {"1.5 hours", DelayText{90, 0}},
        {"0,5 h", DelayText{30, 0}},
        {"1h30", DelayText{90, 0}},
        {"2h", DelayText{120, 0}},
        {"1,5 jours", DelayText{720, 1}},
        {"10 min, 1 hour", DelayText{70, 0}},
        {"+10 min", DelayText{10, 0}},
        {"hour", DelayText{0, 0}},
        {"-10 min", std::nullopt},
        {"1 hour -30 min", std::nullopt},
        {"1h30 min", DelayText{90, 0}},
        {"1.5", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadDelayText(c.text), c.delay) << c.text;
    }
}

} // namespace
} // namespace rz
