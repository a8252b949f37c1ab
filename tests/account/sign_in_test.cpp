// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/sign_in.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

struct FieldCase
{
    const char* Url;
    const char* Field;
    const char* Expected;
};

TEST(GetFieldValueFromURLTest, CutsTheFieldUpToTheNextAmpersandOrTheEnd)
{
    const FieldCase cases[] = {
        {"https://h/oauth20_desktop.srf?code=M.abc&username=a%40b.com", "code", "M.abc"},
        {"https://h/oauth20_desktop.srf?lc=1033&code=M.abc", "code", "M.abc"},
        {"https://h/oauth20_desktop.srf?code=&x=1", "code", ""},
        {"https://h/oauth20_desktop.srf?code=", "code", ""},
        {"https://h/oauth20_desktop.srf?lc=1033", "code", ""},
        {"https://h/oauth20_desktop.srf?code=a%2Bb", "code", "a%2Bb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetFieldValueFromURL(c.Url, c.Field), c.Expected) << c.Url;
    }
}

TEST(AuthorizationCodeFromURLTest, DecodesTheCodeOfARedirect)
{
    const FieldCase cases[] = {
        {"https://h/oauth20_desktop.srf?code=M.R3_BAY.abc-123&username=a%40b.com", "", "M.R3_BAY.abc-123"},
        {"https://h/oauth20_desktop.srf?code=c%2B1%26x%3D%25y", "", "c+1&x=%y"},
        {"https://h/oauth20_desktop.srf?code=plus+stays", "", "plus+stays"},
        {"https://h/oauth20_desktop.srf?lc=1&code=abc", "", ""}, // no "?code=": not a code redirect
        {"https://h/oauth20_desktop.srf?code=", "", ""},
        {"https://h/oauth20_desktop.srf?code=&username=a%40b", "", ""},
        {"about:blank", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AuthorizationCodeFromURL(c.Url), c.Expected) << c.Url;
    }
}

TEST(UserNameFromURLTest, TurnsEscapedAtSignsBack)
{
    EXPECT_EQ(UserNameFromURL("https://h/p?x=1&username=first.last%40example.com&y=2"),
              "first.last@example.com");
    EXPECT_EQ(UserNameFromURL("https://h/p?x=1&username=a%40b%40c"), "a@b@c");
    EXPECT_EQ(UserNameFromURL("https://h/p?username=a%40b"), "");
}

} // namespace
} // namespace rz
