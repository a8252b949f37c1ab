#pragma once

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
// Signed in (an access token and a user id) shows the normal icon and signed out (no access token)
// the error icon. Between a code exchange and the user lookup (a token but no user id yet) the
// normal icon shows too, so the icon does not alternate each second until the user id arrives;
// the user id therefore does not enter the decision.
TrayIconChange TrayIconChangeFor(bool hasAccessToken, std::string_view currentToolTip);

} // namespace rz
