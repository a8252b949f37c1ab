#include "engine_test_support.h"
#include "reminders/tag_reader.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

TEST(CompletedDataTagTest, EveryTagMustBeCompleted)
{
    struct Case
    {
        const char* tag;
        bool completed;
    };
    for (const Case& c :
         {Case{"to-do:completed", true}, Case{"to-do:completed, to-do-priority-1:completed", true},
          Case{"to-do:completed,important", false}, Case{"to-do", false}, Case{"", false}, Case{" , ", false},
          Case{"completed", false}, Case{"to-do:Completed", false}}) {
        EXPECT_EQ(IsCompletedDataTag(c.tag), c.completed) << c.tag;
    }
}

class TagReaderTest : public ::testing::Test, public test::EngineFixture
{
protected:
    void Publish(const std::string& body, const std::string& title = "!Project")
    {
        m_Online.content["P1"] = PageHtml(title, body);
    }
    void LoadProject(const std::string& modified, const std::string& title = "!Project")
    {
        Load({PageEntry("P1", title, modified)});
    }
};

TEST_F(TagReaderTest, TaggedParagraphMakesReminderWithItsLink)
{
    Publish(Para("p:{9A1C-77}{23}", "Call Bob !2021-03-20 09:00"));
    LoadProject("2021-03-05T10:00:00Z");

    const ReminderPtr r = Reminder("p:{9A1C-77}{23}");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->objType(), kTagReminder);
    EXPECT_EQ(r->pageId(), "P1");
    EXPECT_EQ(r->name(), "Call Bob !2021-03-20 09:00");
    EXPECT_EQ(r->time(), Local(2021, 3, 20, 9, 0));
    EXPECT_EQ(r->link(), "onenote:https://d.docs.live.net/x/Notes/"
                         "Work.one#Page&section-id={S1}&page-id={P1}&object-id={9A1C-77}&17");
    const TagPagePtr page = m_State.TagPageList.GetByID("P1");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->lastModifyTime(), GraphTimeToDate("2021-03-05T10:00:00Z"));

    // Unchanged change time: not read again.
    m_State.PreviousReminderPagesJson.Set({});
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
}

TEST_F(TagReaderTest, EditedDateAndDeletedParagraphFollowThePage)
{
    Publish(Para("p:{G}{5}", "Call Bob !2021-03-20 09:00") + Para("p:{G}{6}", "Pay !2021-03-21 09:00"));
    LoadProject("2021-03-05T10:00:00Z");
    ASSERT_EQ(m_State.ReminderList.Count(), 2u);
    const std::string link = Reminder("p:{G}{5}")->link().value();

    Publish(Para("p:{G}{5}", "Call Bob !2021-03-22 14:00"));
    LoadProject("2021-03-06T10:00:00Z");
    const ReminderPtr r = Reminder("p:{G}{5}");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->time(), Local(2021, 3, 22, 14, 0));
    EXPECT_EQ(r->objType(), kTagReminder);
    EXPECT_EQ(r->link(), link);
    EXPECT_EQ(Reminder("p:{G}{6}"), nullptr);
    EXPECT_EQ(m_State.ReminderList.Count(), 1u);
}

TEST_F(TagReaderTest, TitleLosingLeadingMarkMovesTagsToTitleReminder)
{
    Publish(Para("p:{G}{5}", "Call Bob !2021-03-20 09:00"));
    LoadProject("2021-03-05T10:00:00Z");
    ASSERT_NE(Reminder("p:{G}{5}"), nullptr);

    LoadProject("2021-03-06T10:00:00Z", "Review !2021-03-25 08:00");
    EXPECT_EQ(Reminder("p:{G}{5}"), nullptr);
    EXPECT_EQ(m_State.TagPageList.GetByID("P1"), nullptr);
    const ReminderPtr title = Reminder("P1");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->time(), Local(2021, 3, 25, 8, 0));
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
}

TEST_F(TagReaderTest, OnlyTaggedParagraphsCountWhereverTheyStand)
{
    Publish("<ul><li data-tag=\"to-do\">List !2021-03-20 09:00</li></ul>"
            "<div><span><p id=\"p:{G}{8}\" data-tag=\"important\">Nested <b>!2021-03-20</b> "
            "10:00</p></span></div>"
            "<p id=\"p:{G}{9}\">Untagged !2021-03-20 11:00</p>"
            "<p id=\"p:{G}{10}\" data-tag=\"to-do\">Nbsp&nbsp;!2021-03-20 12:00 &amp; more</p>");
    LoadProject("2021-03-05T10:00:00Z");

    EXPECT_EQ(m_State.ReminderList.Count(), 2u);
    const ReminderPtr nested = Reminder("p:{G}{8}");
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->name(), "Nested !2021-03-20 10:00");
    EXPECT_EQ(nested->time(), Local(2021, 3, 20, 10, 0));
    const ReminderPtr nbsp = Reminder("p:{G}{10}");
    ASSERT_NE(nbsp, nullptr);
    EXPECT_EQ(nbsp->name(), "Nbsp\u00A0nbsp;!2021-03-20 12:00 \u00A0amp; more");
}

TEST_F(TagReaderTest, RenumberedParagraphIdsReplaceTheOldReminder)
{
    Publish(Para("p:{G}{5}", "Call Bob !2021-03-20 09:00"));
    LoadProject("2021-03-05T10:00:00Z");

    // The service numbered the page's elements anew after an update.
    Publish(Para("p:{G}{41}", "Call Bob !2021-03-20 09:00"));
    LoadProject("2021-03-06T10:00:00Z");
    EXPECT_EQ(Reminder("p:{G}{5}"), nullptr);
    const ReminderPtr r = Reminder("p:{G}{41}");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(m_State.ReminderList.Count(), 1u);
    EXPECT_NE(r->link()->find("&object-id={G}&29"), std::string::npos);
}

TEST_F(TagReaderTest, NewPageWithEmptyContentIsReadAgain)
{
    m_Online.readStatus["P1"] = TOnlineStatus::Ok; // answered, but nothing in it
    LoadProject("2021-03-05T10:00:00Z");
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
    EXPECT_EQ(m_State.LoadPageErrors, 1u);

    m_Online.readStatus.clear();
    Publish(Para("p:{G}{5}", "Call Bob !2021-03-20 09:00"));
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 2u);
    EXPECT_NE(Reminder("p:{G}{5}"), nullptr);
}

TEST_F(TagReaderTest, CompletedToDosRemindOfNothing)
{
    Publish(Para("p:{G}{1}", "One !2021-03-20 09:00") + Para("p:{G}{3}", "Three !2021-03-20 09:00"));
    LoadProject("2021-03-05T10:00:00Z");
    ASSERT_EQ(m_State.ReminderList.Count(), 2u);

    // Ticked: its reminder goes (which tags count as ticked: CompletedDataTagTest).
    Publish(Para("p:{G}{1}", "One !2021-03-20 09:00", "to-do:completed") +
            Para("p:{G}{3}", "Three !2021-03-20 09:00", "to-do:completed,important"));
    LoadProject("2021-03-06T10:00:00Z");
    EXPECT_EQ(Reminder("p:{G}{1}"), nullptr);
    EXPECT_NE(Reminder("p:{G}{3}"), nullptr);

    // A ticked to-do on a page read for the first time makes none.
    m_Online.content["P2"] = PageHtml("!New", Para("p:{H}{1}", "Done !2021-03-20 09:00", "to-do:completed"));
    Load({PageEntry("P1", "!Project", "2021-03-06T10:00:00Z"),
          PageEntry("P2", "!New", "2021-03-06T10:00:00Z")});
    EXPECT_EQ(Reminder("p:{H}{1}"), nullptr);
    EXPECT_EQ(m_State.TagPageList.GetByID("P2"), nullptr);
}

TEST_F(TagReaderTest, ContentThatIsNoXmlChangesNothing)
{
    Publish("<p id=\"p:{G}{1}\" data-tag=\"to-do\">Open !2021-03-20 09:00");
    LoadProject("2021-03-05T10:00:00Z");
    EXPECT_EQ(m_State.ReminderList.Count(), 0u);
    EXPECT_EQ(m_State.LoadPageErrors, 0u);
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);

    // Deep nesting is walked without exhausting the stack.
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<div>";
    deep += Para("p:{G}{2}", "Deep !2021-03-20 09:00");
    for (int i = 0; i < 100000; ++i)
        deep += "</div>";
    Publish(deep);
    LoadProject("2021-03-06T10:00:00Z");
    EXPECT_NE(Reminder("p:{G}{2}"), nullptr);
}

} // namespace
} // namespace rz
