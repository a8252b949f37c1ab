// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/pkce.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(CodeChallengeS256Test, GivesTheChallengeOfTheStandardsExample)
{
    EXPECT_EQ(CodeChallengeS256("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

} // namespace
} // namespace rz
