#include "ui/tray_state.h"

namespace rz {

TrayIconChange TrayIconChangeFor(bool hasAccessToken, std::string_view currentToolTip)
{
    const bool connectedShown = currentToolTip == kToolTipConnected;
    if (hasAccessToken) {
        return connectedShown ? TrayIconChange::Unchanged : TrayIconChange::ShowNormal;
    }
    return connectedShown ? TrayIconChange::ShowError : TrayIconChange::Unchanged;
}

} // namespace rz
