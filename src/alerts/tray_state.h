// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace rz {

inline constexpr const char* kToolTipConnected = "Connected";
inline constexpr const char* kToolTipDisconnected = "Disconnected";

// What the one-second tick does to the tray icon.
enum class TrayIconChange {
    Unchanged,
    // The error icon and "Disconnected".
    ShowError,
    // The normal icon and "Connected".
    ShowNormal,
};

// Decides from the account and the current tool tip, which is the only record of the icon state.
// Signed in means an access token and a user id. Signed in shows the normal icon; not signed in
// turns a "Connected" icon into the error icon, a token without its user id included. Not signed in
// with anything else shown leaves the icon as it is, so a token waiting for its user id neither
// shows the normal icon early nor alternates each second.
TrayIconChange TrayIconChangeFor(bool hasAccessToken, bool hasUserId, std::string_view currentToolTip);

// How long after the start a missing tray is looked for: at login the panel that holds it may
// start after the agent.
inline constexpr std::int64_t kTrayLookoutSeconds = 60;

enum class TrayLookout {
    KeepLooking,
    // The tray came: the icon shows and the window that stood in for it steps back.
    ShowIcon,
    // No tray within the minute: the window stays the agent's face.
    GiveUp,
};

TrayLookout TrayLookoutFor(bool trayAvailable, std::int64_t secondsSinceStart);

} // namespace rz
