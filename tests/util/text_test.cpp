// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/text.h"
#include "util/xml_nodes.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <string>
#include <utility>

namespace rz {
namespace {

const std::string kNbsp = "\xC2\xA0";

struct BetweenCase
{
    const char* text;
    const char* start;
    const char* end;
    const char* expected;
};

TEST(TextTest, StrBetweenCutsFirstOccurrences)
{
    const BetweenCase cases[] = {
        {"a[b]c[/b]d", "[b]", "[/b]", "c"},
        {"a[b]c[/b]d", "[b]", "[/x]", ""},
        {"a[b]c[/b]d", "[x]", "[/b]", ""},
        {"key=1&key=2", "key=", "&", "1"},
        {"key=1", "key=", "&", ""},
        {"key=1", "key=", "", "1"},
        {"whole", "", "", "whole"},
        {"12 minutes", "", " minutes", "12"},
        {"<html><title>Dentist</title></html>", "<title>", "</title>", "Dentist"},
        {"<html><body/></html>", "<title>", "</title>", ""},
        {"end before start: ]x[", "[", "]", ""},
        {"", "", "", ""},
    };
    for (const BetweenCase& c : cases) {
        EXPECT_EQ(StrBetween(c.text, c.start, c.end), c.expected)
            << c.text << " | " << c.start << " | " << c.end;
    }
}

TEST(TextTest, ContainmentTestsRefuseEmptyPart)
{
    EXPECT_FALSE(StrContains("", "abc"));
    EXPECT_FALSE(StrStartsWith("", "abc"));
    EXPECT_FALSE(StrContainsNoCase("", "abc"));
    EXPECT_TRUE(StrStartsWith("ab", "abc"));
    EXPECT_FALSE(StrStartsWith("bc", "abc"));
    EXPECT_TRUE(StrContains("bc", "abc"));
    EXPECT_FALSE(StrContains("BOB", "call bob"));
    EXPECT_TRUE(StrEquals("x", "x"));
    EXPECT_FALSE(StrEquals("x", "X"));
}

TEST(TextTest, StrContainsNoCaseUsesFullUnicodeLowering)
{
    EXPECT_TRUE(StrContainsNoCase("!", "Call Bob !Fri"));
    EXPECT_TRUE(StrContainsNoCase("BOB", "call bob"));
    EXPECT_TRUE(StrContainsNoCase("ÄRZTIN", "Termin bei der ärztin"));
    // Dotted capital I lowers to "i" plus a combining dot, independent of a Turkish locale.
    EXPECT_TRUE(StrContainsNoCase("i\xCC\x87", "\xC4\xB0stanbul"));
    EXPECT_FALSE(StrContainsNoCase("bobby", "call bob"));
}

TEST(TextTest, StrTrimRemovesSpaceSeparatorsAndTabsOnly)
{
    EXPECT_EQ(StrTrim("\t  " + kNbsp + "x y" + kNbsp + " \t"), "x y");
    EXPECT_EQ(StrTrim("\nx\n"), "\nx\n");
    EXPECT_EQ(StrTrim("\xE2\x80\x83wide\xE3\x80\x80"), "wide"); // em space, ideographic space
    EXPECT_EQ(StrTrim("   "), "");
    EXPECT_EQ(StrTrim(""), "");
    EXPECT_EQ(StrTrim("\xFF bad"), "\xFF bad"); // invalid bytes are left alone
}

TEST(TextTest, StrAmpToNbspReplacesEveryAmpersand)
{
    EXPECT_EQ(StrAmpToNbsp("a&amp;b&nbsp;"), "a" + kNbsp + "amp;b" + kNbsp + "nbsp;");
    EXPECT_EQ(StrAmpToNbsp("none"), "none");
}

TEST(TextTest, TagObjectIdAndParagraphLink)
{
    EXPECT_EQ(TagObjectId("{9A1C-77}{23}"), "{9A1C-77}&17");
    EXPECT_EQ(TagObjectId("{9A1C-77}{300}"), "{9A1C-77}&12C");
    EXPECT_EQ(TagObjectId("{G}{10}"), "{G}&0A");
    EXPECT_EQ(TagObjectId("{G}{}"), "{G}&00");
    EXPECT_EQ(TagObjectId("no braces"), "{}&00");

    const std::string page = "onenote:https://x/Notes.one#Dentist&section-id={S}&page-id={P}&end";
    EXPECT_EQ(TagParagraphLink(page, "p:{9A1C-77}{23}"),
              "onenote:https://x/Notes.one#Dentist&section-id={S}&page-id={P}&object-id={9A1C-77}&17");
    EXPECT_EQ(TagParagraphLink("onenote:no-end", "p:{G}{1}"), "onenote:no-end");
    EXPECT_EQ(TagParagraphLink("a&endb&end", "p:{G}{1}"), "a&object-id={G}&01b&object-id={G}&01");
}

TEST(TextTest, XmlHelpersReadAttributes)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(R"(<p id="p:{G}{1}" data-tag=""/>)"));
    const pugi::xml_node paragraph = document.child("p");
    EXPECT_EQ(XmlAttrString(paragraph, "id"), "p:{G}{1}");
    EXPECT_EQ(XmlAttrString(paragraph, "missing"), "");
    EXPECT_TRUE(XmlHasDataTag(paragraph));
    EXPECT_FALSE(XmlHasDataTag(document.append_child("q")));
}

TEST(TextTest, LeadingIntegerReading)
{
    EXPECT_EQ(StrLeadingInt("12abc"), 12);
    EXPECT_EQ(StrLeadingInt("  -7x"), -7);
    EXPECT_EQ(StrLeadingInt("+3"), 3);
    EXPECT_EQ(StrLeadingInt("abc"), 0);
    EXPECT_EQ(StrLeadingInt(""), 0);
    EXPECT_EQ(StrLeadingInt("99999999999999999999999"), INT64_MAX);
}

TEST(TextTest, Utf16RoundTripCountsCodeUnits)
{
    const std::string text = "Zahnarzt ü 😀 !2026-12-09 10:30";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 31u); // the emoji is two code units
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16("\xFF"), u"\uFFFD");
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_FALSE(IsValidUtf8("\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // encoded surrogate
}

// What a parser makes of "&#xD83D;&#xDE00;" (each surrogate as three bytes) reads as the character.
TEST(TextTest, Utf8RepairedJoinsSurrogatePairsAndReplacesTheRest)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Party \xED\xA0\xBD\xED\xB8\x80!", "Party \xF0\x9F\x98\x80!"}, // U+1F600
        {"a\xED\xA0\xBD-", "a\xEF\xBF\xBD-"},                           // a lone lead
        {"a\xED\xB8\x80\xED\xA0\xBD", "a\xEF\xBF\xBD\xEF\xBF\xBD"},     // trail, then lead
        {"\xC3 \xFF", "\xEF\xBF\xBD \xEF\xBF\xBD"},
        {"Caf\xC3\xA9 \xF0\x9F\x98\x80", "Caf\xC3\xA9 \xF0\x9F\x98\x80"},
    };
    for (const auto& [text, repaired] : cases) {
        EXPECT_EQ(Utf8Repaired(text), repaired) << text;
        EXPECT_TRUE(IsValidUtf8(Utf8Repaired(text)));
    }
}

// What a terminal would take as a command shows as a blank; other text, UTF-8 included, stays.
TEST(TextTest, ControlCharactersShowAsBlanks)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string("Queued \x1b[31mBob\t\n\r\x07\x7f\0.", 22), "Queued  [31mBob      ."},
        {"x\xc2\x9bJ", "x J"}, // the one-byte form of ESC [
        {"Caf\xc3\xa9 \xc2\xa0 \xe2\x80\x9cS\xe2\x80\x9d", "Caf\xc3\xa9 \xc2\xa0 \xe2\x80\x9cS\xe2\x80\x9d"},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(ControlCharsAsBlanks(text), shown) << text;
    }
}

} // namespace
} // namespace rz
