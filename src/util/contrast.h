// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace rz {

// A colour as 8-bit sRGB channels.
struct Rgb
{
    int Red = 0;
    int Green = 0;
    int Blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The contrast of two colours as the accessibility guidelines measure it: 1 (equal) to 21 (black on
// white); 4.5 is the least for body text.
double ContrastRatio(Rgb first, Rgb second);

// The red that warnings and problems are written in on `background`: a deep red on light themes, a
// light one on dark themes, whichever reads better. Either keeps at least 4.5:1 on any background
// lighter than mid-grey or darker than it.
Rgb WarningTextColour(Rgb background);

} // namespace rz
