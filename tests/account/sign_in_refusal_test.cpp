// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/sign_in_refusal.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

// A redirect is an address any page can craft: its description is scanned in bounded time whatever
// its length, a run of digits too long for a code is none, and it is shown capped between characters.
TEST(SignInRefusalTest, AnyDescriptionIsReadSafelyAndShownCapped)
{
    const std::string redirect =
        "https://acct.example/oauth20_desktop.srf?error=invalid_request&error_description=AADSTS";
    const std::string digits(993, '7');
    EXPECT_EQ(
        SignInProblemFromRedirect(redirect + " AADSTS" + std::string(200000, '7') + " AADSTS700016").Code,
        "AADSTS700016");
    const TSignInProblem capped = SignInProblemFromRedirect(redirect + digits + "\u00e9");
    EXPECT_EQ(capped.Code, "invalid_request");
    EXPECT_EQ(capped.Description, "AADSTS" + digits + "\u2026");
}

} // namespace
} // namespace rz
