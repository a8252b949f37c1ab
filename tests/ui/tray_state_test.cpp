#include "ui/tray_state.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(TrayStateTest, FollowsTheIconTable)
{
    struct Case
    {
        bool token;
        const char* toolTip;
        TrayIconChange change;
    };
    const Case cases[] = {
        // Signed out, "Connected" shown: error icon.
        {false, "Connected", TrayIconChange::ShowError},
        // Signed out, anything else shown: unchanged.
        {false, "Disconnected", TrayIconChange::Unchanged},
        {false, "", TrayIconChange::Unchanged},
        // Signed in (or a token waiting for its user id), "Connected" shown: unchanged.
        {true, "Connected", TrayIconChange::Unchanged},
        // Signed in (or waiting for the user id), anything else shown: normal icon.
        {true, "Disconnected", TrayIconChange::ShowNormal},
        {true, "", TrayIconChange::ShowNormal},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrayIconChangeFor(c.token, c.toolTip), c.change) << c.token << " " << c.toolTip;
    }
}

TEST(TrayStateTest, TokenWithoutUserIdDoesNotAlternate)
{
    std::string toolTip = kToolTipDisconnected;
    for (int tick = 0; tick < 4; ++tick) {
        if (TrayIconChangeFor(true, toolTip) == TrayIconChange::ShowNormal) {
            toolTip = kToolTipConnected;
        } else {
            EXPECT_EQ(TrayIconChangeFor(true, toolTip), TrayIconChange::Unchanged);
        }
        EXPECT_EQ(toolTip, kToolTipConnected);
    }
}

} // namespace
} // namespace rz
