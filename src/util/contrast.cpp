// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/contrast.h"

#include <algorithm>
#include <cmath>

namespace rz {
namespace {

double Linear(int channel)
{
    const double c = std::clamp(channel, 0, 255) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(Rgb colour)
{
    return 0.2126 * Linear(colour.Red) + 0.7152 * Linear(colour.Green) + 0.0722 * Linear(colour.Blue);
}

// Material's error reds for light and dark surfaces.
constexpr Rgb kDeepRed{0xB0, 0x00, 0x20};
constexpr Rgb kLightRed{0xFF, 0x8A, 0x80};

} // namespace

double ContrastRatio(Rgb first, Rgb second)
{
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb WarningTextColour(Rgb background)
{
    return ContrastRatio(kDeepRed, background) >= ContrastRatio(kLightRed, background) ? kDeepRed : kLightRed;
}

} // namespace rz
