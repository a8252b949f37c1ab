// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace rz {

// True when the desktop names an application for links of the scheme (asked with
// "xdg-mime query default x-scheme-handler/<scheme>", waiting at most two seconds). No xdg-mime, a
// failure or an empty answer: false.
bool DesktopHasSchemeHandler(const QString& scheme);

} // namespace rz
