// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/tray_state.h"

namespace rz {

TrayIconChange TrayIconChangeFor(bool hasAccessToken, bool hasUserId, std::string_view currentToolTip)
{
    const bool connectedShown = currentToolTip == kToolTipConnected;
    if (hasAccessToken && hasUserId) {
        return connectedShown ? TrayIconChange::Unchanged : TrayIconChange::ShowNormal;
    }
    return connectedShown ? TrayIconChange::ShowError : TrayIconChange::Unchanged;
}

TrayLookout TrayLookoutFor(bool trayAvailable, std::int64_t secondsSinceStart)
{
    if (trayAvailable) {
        return TrayLookout::ShowIcon;
    }
    return secondsSinceStart < kTrayLookoutSeconds ? TrayLookout::KeepLooking : TrayLookout::GiveUp;
}

} // namespace rz
