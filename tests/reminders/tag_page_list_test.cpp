// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/tag_page_list.h"
#include "reminders_test_support.h"
#include "util/dates.h"
#include "util/plist.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::Local;

class TagPageListTest : public ::testing::Test
{
protected:
    test::ScopedTimeZone m_Tz{test::kBerlinTz};
    TTagPageList m_List;
};

TEST_F(TagPageListTest, TextFormRoundTrip)
{
    TATagPage page;
    page.setPageId("P1");
    page.setLink("L1");
    page.setLastModifyTime(Local(2021, 3, 4, 5, 6, 7));
    EXPECT_EQ(page.ToString(), "PageID:P1` Link:L1` Time:2021-03-04 05:06:07`");

    const auto back = TATagPage::FromString(page.ToString());
    EXPECT_EQ(back->pageId(), "P1");
    EXPECT_EQ(back->link(), "L1");
    EXPECT_EQ(back->lastModifyTime(), Local(2021, 3, 4, 5, 6, 7));

    EXPECT_EQ(TATagPage().ToString(), "PageID:(null)` Link:(null)` Time:(null)`");
    const auto noTime = TATagPage::FromString("PageID:P2` Link:L2`");
    EXPECT_EQ(noTime->pageId(), "P2");
    EXPECT_FALSE(noTime->lastModifyTime());
    const auto empty = TATagPage::FromString("");
    EXPECT_EQ(empty->pageId(), "");
    EXPECT_EQ(empty->link(), "");
}

TEST_F(TagPageListTest, AddUniqueOverwritesTimeAndKeepsFirstLink)
{
    const Date t1 = Local(2021, 3, 4, 5, 6, 7);
    const TagPagePtr first = m_List.AddUnique("P1", "L1", t1);
    EXPECT_EQ(m_List.AddUnique("P1", "L1", t1), first);
    EXPECT_EQ(m_List.Count(), 1u);
    EXPECT_EQ(first->lastModifyTime(), t1);

    const Date t2 = Local(2021, 3, 5, 0, 0, 0);
    EXPECT_EQ(m_List.AddUnique("P1", "OTHER", t2), first);
    EXPECT_EQ(first->lastModifyTime(), t2);
    EXPECT_EQ(first->link(), "L1");

    // The record form always takes the loaded time, even an absent one.
    auto loaded = std::make_shared<TATagPage>();
    loaded->setPageId("P1");
    EXPECT_EQ(m_List.AddUnique(loaded), first);
    EXPECT_FALSE(first->lastModifyTime());
    EXPECT_EQ(m_List.Count(), 1u);

    auto fresh = std::make_shared<TATagPage>();
    fresh->setPageId("P2");
    EXPECT_EQ(m_List.AddUnique(fresh), fresh);
    EXPECT_EQ(m_List.At(1), fresh);
}

TEST_F(TagPageListTest, GetByIdFindsFirstAndDeleteByIdRemovesLast)
{
    auto a = TATagPage::FromString("PageID:P` Link:first`");
    auto b = TATagPage::FromString("PageID:Q` Link:other`");
    auto c = TATagPage::FromString("PageID:P` Link:second`");
    m_List.setList({a, b, c});
    EXPECT_EQ(m_List.GetByID("P"), a);
    m_List.DeleteByID("P");
    ASSERT_EQ(m_List.Count(), 2u);
    EXPECT_EQ(m_List.At(0), a);
    EXPECT_EQ(m_List.At(1), b);
    m_List.DeleteByID("missing");
    EXPECT_EQ(m_List.Count(), 2u);
    EXPECT_FALSE(m_List.GetByID(std::nullopt));
}

TEST_F(TagPageListTest, RepeatedPageIdInFileLoadsWithLastTime)
{
    test::TempDir folder;
    const std::string path = folder.File("TagPages.plist");
    ASSERT_TRUE(WritePlistStringArray(path, {"PageID:P1` Link:L1` Time:2021-03-04 05:06:07`",
                                             "PageID:P2` Link:L2` Time:2021-03-04 05:06:07`",
                                             "PageID:P1` Link:L9` Time:2021-03-09 00:00:00`"}));
    m_List.LoadFromFile(path);
    ASSERT_EQ(m_List.Count(), 2u);
    EXPECT_EQ(m_List.At(0)->link(), "L1");
    EXPECT_EQ(m_List.At(0)->lastModifyTime(), Local(2021, 3, 9));
}

TEST_F(TagPageListTest, GraphTimeSurvivesSaveAndLoad)
{
    test::TempDir folder;
    const std::string path = folder.File("TagPages.plist");
    const Date modified = GraphTimeToDate("2021-10-31T01:30:07.1234567Z");
    m_List.AddUnique("P1", "onenote:x&page-id={P1}&end", modified);
    m_List.AddUnique("P2", std::nullopt, std::nullopt);
    ASSERT_TRUE(m_List.SaveToFile(path));

    TTagPageList loaded;
    loaded.LoadFromFile(path);
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded.At(0)->lastModifyTime(), modified);
    EXPECT_EQ(loaded.At(0)->link(), "onenote:x&page-id={P1}&end");
    EXPECT_EQ(loaded.At(1)->ToString(), "PageID:P2` Link:(null)` Time:(null)`");
    // An unchanged page compares equal after the restart.
    const TagPagePtr same = loaded.AddUnique("P1", "L", modified);
    EXPECT_EQ(same->lastModifyTime(), modified);
}

TEST_F(TagPageListTest, MissingOrMalformedFileLeavesList)
{
    test::TempDir folder;
    m_List.AddUnique("P1", "L1", Local(2021, 3, 4));
    m_List.LoadFromFile(folder.File("missing.plist"));
    const std::string junk = folder.File("junk.plist");
    test::WriteFileBytes(junk, "<plist><array><string>PageID:X`");
    m_List.LoadFromFile(junk);
    EXPECT_EQ(m_List.Count(), 1u);

    TTagPageList empty;
    const std::string path = folder.File("empty.plist");
    ASSERT_TRUE(empty.SaveToFile(path));
    const auto lines = ReadPlistStringArray(path);
    ASSERT_TRUE(lines);
    EXPECT_TRUE(lines->empty());
}

TEST_F(TagPageListTest, FailedSaveSaysSo)
{
    test::TempDir folder;
    m_List.AddUnique("P1", "L1", Local(2021, 3, 4));
    EXPECT_FALSE(m_List.SaveToFile(folder.File("missing-folder/TagPages.plist")));
    // A file where the folder should be.
    test::WriteFileBytes(folder.File("file"), "x");
    EXPECT_FALSE(m_List.SaveToFile(folder.File("file/TagPages.plist")));
    EXPECT_TRUE(m_List.SaveToFile(folder.File("TagPages.plist")));
}

} // namespace
} // namespace rz
