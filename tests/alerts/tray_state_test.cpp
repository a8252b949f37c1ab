// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/tray_state.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

TEST(TrayStateTest, FollowsTheIconTable)
{
    struct Case
    {
        bool token;
        bool userId;
        const char* toolTip;
        TrayIconChange change;
    };
    const Case cases[] = {
        // Not signed in, "Connected" shown: error icon, whether or not a token is there.
        {false, false, "Connected", TrayIconChange::ShowError},
        {false, true, "Connected", TrayIconChange::ShowError},
        {true, false, "Connected", TrayIconChange::ShowError},
        // No token, anything else shown: unchanged.
        {false, false, "Disconnected", TrayIconChange::Unchanged},
        {false, true, "", TrayIconChange::Unchanged},
        // Signed in, "Connected" shown: unchanged.
        {true, true, "Connected", TrayIconChange::Unchanged},
        // Signed in, anything else shown: normal icon.
        {true, true, "Disconnected", TrayIconChange::ShowNormal},
        {true, true, "", TrayIconChange::ShowNormal},
        // The row the table leaves out: a token without its user id, not "Connected": unchanged.
        {true, false, "Disconnected", TrayIconChange::Unchanged},
        {true, false, "", TrayIconChange::Unchanged},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrayIconChangeFor(c.token, c.userId, c.toolTip), c.change)
            << c.token << " " << c.userId << " " << c.toolTip;
    }
}

TEST(TrayStateTest, TokenWaitingForItsUserIdSettlesOnDisconnected)
{
    std::string toolTip = kToolTipConnected;
    for (int tick = 0; tick < 4; ++tick) {
        switch (TrayIconChangeFor(true, false, toolTip)) {
        case TrayIconChange::ShowError:
            toolTip = kToolTipDisconnected;
            break;
        case TrayIconChange::ShowNormal:
            toolTip = kToolTipConnected;
            break;
        case TrayIconChange::Unchanged:
            break;
        }
        EXPECT_EQ(toolTip, kToolTipDisconnected) << "tick " << tick;
    }
    EXPECT_EQ(TrayIconChangeFor(true, true, toolTip), TrayIconChange::ShowNormal) << "the user id arrives";
}

} // namespace
} // namespace rz
