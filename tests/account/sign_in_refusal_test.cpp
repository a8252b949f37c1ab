// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/sign_in_refusal.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

// A redirect is an address any page can craft: its description is scanned in bounded time and
// space, whatever its length, and shown only in part.
TEST(SignInRefusalTest, AnyDescriptionIsReadSafelyAndShownCapped)
{
    struct Case
    {
        std::string description;
        std::string code;
    };
    const std::string digits(200000, '7');
    const Case cases[] = {
        {"AADSTS50011: The redirect URI does not match.", "AADSTS50011"},
        {"Trace AADSTS AADSTS65001 later", "AADSTS65001"},
        {"AADSTS" + digits, "invalid_request"},
        {"AADSTS" + digits + " then AADSTS700016", "AADSTS700016"},
        {std::string(5000, 'x') + "\u00e9", "invalid_request"},
    };
    for (const Case& c : cases) {
        const TSignInProblem problem = SignInProblemFromRedirect(
            "https://acct.example/oauth20_desktop.srf?error=invalid_request&error_description=" +
            c.description);
        EXPECT_EQ(problem.Code, c.code) << c.description.substr(0, 40);
        EXPECT_LE(problem.Description.size(), 1004U);
        EXPECT_EQ(problem.Description.substr(0, 20), c.description.substr(0, 20));
    }
}

} // namespace
} // namespace rz
