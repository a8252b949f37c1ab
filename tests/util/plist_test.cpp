// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"
#include "util/plist.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(PlistTest, StringArrayRoundTrip)
{
    TempDir dir;
    const std::vector<std::string> lines = {"Type:0` ID:1` PageID:1` Link:onenote:x&page-id={P}&end` "
                                            "Time:2026-12-09 10:30:00` Recurrence:0` Title:<b>&",
                                            "", "ü 😀 \"quoted\" 'single'", "  padded  "};
    ASSERT_TRUE(WritePlistStringArray(dir.File("list.plist"), lines));
    EXPECT_EQ(ReadPlistStringArray(dir.File("list.plist")), lines);
    ASSERT_TRUE(WritePlistStringArray(dir.File("empty.plist"), {}));
    EXPECT_EQ(ReadPlistStringArray(dir.File("empty.plist")), std::vector<std::string>{});
}

TEST(PlistTest, StringArrayDictionaryRoundTripAndWrongShapes)
{
    TempDir dir;
    const PlistStringArrayDict dict = {{"0-ABC!1", {"0-ABC!1", "Inbox <&>", "/store/nb/Inbox"}},
                                       {"0-DEF!2", {"0-DEF!2", "", ""}}};
    ASSERT_TRUE(WritePlistStringArrayDict(dir.File("errors.plist"), dict));
    EXPECT_EQ(ReadPlistStringArrayDict(dir.File("errors.plist")), dict);
    ASSERT_TRUE(WritePlistStringArrayDict(dir.File("empty.plist"), {}));
    EXPECT_EQ(ReadPlistStringArrayDict(dir.File("empty.plist")), PlistStringArrayDict());
    // An array root, a missing file and a value that is no array read as nothing or are skipped.
    ASSERT_TRUE(WritePlistStringArray(dir.File("array.plist"), {"a"}));
    EXPECT_FALSE(ReadPlistStringArrayDict(dir.File("array.plist")));
    EXPECT_FALSE(ReadPlistStringArrayDict(dir.File("missing.plist")));
    WriteFileBytes(dir.File("mixed.plist"),
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>x</string>"
                   "<key>b</key><array><string>1</string><integer>2</integer></array></dict></plist>");
    EXPECT_EQ(ReadPlistStringArrayDict(dir.File("mixed.plist")), (PlistStringArrayDict{{"b", {"1"}}}));
}

TEST(PlistTest, NulBytesDoNotCutALine)
{
    TempDir dir;
    const std::string line("Type:0` Title:a\0b` rest", 23);
    ASSERT_TRUE(WritePlistStringArray(dir.File("nul.plist"), {line, "\x01"
                                                                    "control\x1f"}));
    EXPECT_EQ(ReadPlistStringArray(dir.File("nul.plist")),
              (std::vector<std::string>{"Type:0` Title:a\xEF\xBF\xBD"
                                        "b` rest",
                                        "\x01"
                                        "control\x1f"}));
}

TEST(PlistTest, NonListFilesReadAsNothing)
{
    TempDir dir;
    EXPECT_FALSE(ReadPlistStringArray(dir.File("missing")).has_value());
    WriteFileBytes(dir.File("garbage"), "not a property list");
    EXPECT_FALSE(ReadPlistStringArray(dir.File("garbage")).has_value());
    WriteFileBytes(
        dir.File("dict"),
        R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>a</key><string>b</string></dict></plist>)");
    EXPECT_FALSE(ReadPlistStringArray(dir.File("dict")).has_value());
    WriteFileBytes(dir.File("cut"),
                   R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array><string>a</str)");
    EXPECT_FALSE(ReadPlistStringArray(dir.File("cut")).has_value());
    std::string deep = R"(<?xml version="1.0"?><plist version="1.0">)";
    for (int i = 0; i < 100000; ++i) {
        deep += "<array>";
    }
    WriteFileBytes(dir.File("deep"), deep);
    EXPECT_FALSE(ReadPlistStringArray(dir.File("deep")).has_value());
    std::string unbalanced = R"(<?xml version="1.0"?><plist version="1.0">)";
    for (int i = 0; i < 100000; ++i) {
        unbalanced += "</array>";
    }
    for (int i = 0; i < 100000; ++i) {
        unbalanced += "<array>";
    }
    WriteFileBytes(dir.File("unbalanced"), unbalanced);
    EXPECT_FALSE(ReadPlistStringArray(dir.File("unbalanced")).has_value());
}

TEST(PlistTest, NonStringEntriesAreSkipped)
{
    TempDir dir;
    WriteFileBytes(dir.File("mixed"), R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array>
<string>one</string><integer>5</integer><dict/><string>two</string></array></plist>)");
    EXPECT_EQ(ReadPlistStringArray(dir.File("mixed")), (std::vector<std::string>{"one", "two"}));
}

} // namespace
} // namespace rz
