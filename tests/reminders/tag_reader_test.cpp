// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine_test_support.h"
#include "reminders/tag_reader.h"

#include <gtest/gtest.h>
#include <ostream>
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

// "Input and output HTML on OneNote pages": a note tag stands on a p or an h1 - h6 element. The
// text is valid UTF-8 whatever the references: a surrogate pair reads as its character.
TEST(TaggedElementsTest, HeadingsAreReadLikeParagraphsAndSurrogatesAsCharacters)
{
    const auto elements = ReadTaggedElements(
        R"(<html><body><div><h1 id="h1:{G}{1}" data-tag="to-do">Plan <i>it</i></h1><h7 data-tag="to-do">No</h7>)"
        R"(<h6 id="h6:{G}{2}" data-tag="important">Star</h6><h3>Plain</h3>)"
        R"(<p id="p:{G}{3}" data-tag="to-do">Party &#xD83D;&#xDE00; &#xD83D;!</p></div></body></html>)");
    ASSERT_TRUE(elements.has_value());
    ASSERT_EQ(elements->size(), 3u);
    EXPECT_EQ((*elements)[0].Id, "h1:{G}{1}");
    EXPECT_EQ((*elements)[0].Text, "Plan it");
    EXPECT_EQ((*elements)[1].DataTag, "important");
    EXPECT_EQ((*elements)[2].Text, "Party \xF0\x9F\x98\x80 \xEF\xBF\xBD!");
}

// Tag page P1, "!Project", its reminders' links under this page link.
const std::string kP1Link =
    "onenote:https://d.docs.live.net/x/Notes/Work.one#Page&section-id={S1}&page-id={P1}";

class TagReaderTest : public ::testing::Test, public test::EngineFixture
{
protected:
    void LoadProject(const std::string& body, const std::string& modified,
                     const std::string& title = "!Project")
    {
        m_Online.content["P1"] = PageHtml(title, body);
        Load({PageEntry("P1", title, modified)});
    }
};

TEST_F(TagReaderTest, TaggedParagraphMakesReminderWithItsLink)
{
    LoadProject(Para("p:{9A1C-77}{23}", "Call Bob !2021-03-20 09:00"), "2021-03-05T10:00:00Z");
    const ReminderPtr r = Reminder("p:{9A1C-77}{23}");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->objType(), kTagReminder);
    EXPECT_EQ(r->pageId(), "P1");
    EXPECT_EQ(r->name(), "Call Bob !2021-03-20 09:00");
    EXPECT_EQ(r->time(), Local(2021, 3, 20, 9, 0));
    EXPECT_EQ(r->link(), kP1Link + "&object-id={9A1C-77}&17");
    const TagPagePtr page = m_State.TagPageList.GetByID("P1");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->lastModifyTime(), GraphTimeToDate("2021-03-05T10:00:00Z"));

    // Unchanged change time: not read again.
    m_State.PreviousReminderPagesJson.Set({});
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 1u);
}

// The page read at one change time, then edited online and loaded again at a later one: one
// reminder is left, with its time (March 2021) and link, and one is gone.
struct EditCase
{
    const char* name;
    std::string before;
    std::string after;
    const char* afterTitle;
    const char* keptId;
    int day, hour, minute;
    const char* linkEnd;
    const char* goneId;
};

void PrintTo(const EditCase& c, std::ostream* out)
{
    *out << c.name;
}

class TagPageEditTest : public TagReaderTest, public ::testing::WithParamInterface<EditCase>
{
};

TEST_P(TagPageEditTest, LeavesTheRemindersOfTheNewContent)
{
    const EditCase& c = GetParam();
    LoadProject(c.before, "2021-03-05T10:00:00Z");
    ASSERT_NE(Reminder(c.goneId), nullptr);
    LoadProject(c.after, "2021-03-06T10:00:00Z", c.afterTitle);

    EXPECT_EQ(Reminder(c.goneId), nullptr);
    EXPECT_EQ(m_State.ReminderList.Count(), 1u);
    const ReminderPtr r = Reminder(c.keptId);
    ASSERT_NE(r, nullptr);
    const bool tag = std::string(c.keptId).rfind("p:", 0) == 0;
    EXPECT_EQ(r->objType(), tag ? kTagReminder : kPageTitleReminder);
    EXPECT_EQ(r->time(), Local(2021, 3, c.day, c.hour, c.minute));
    EXPECT_EQ(r->link(), kP1Link + c.linkEnd);
    // A page that is no tag page any more is neither kept as one nor read.
    EXPECT_EQ(m_State.TagPageList.GetByID("P1") != nullptr, tag);
    EXPECT_EQ(m_Online.ReadsOf("P1"), tag ? 2u : 1u);
}

const std::string kCallBob = Para("p:{G}{5}", "Call Bob !2021-03-20 09:00");

INSTANTIATE_TEST_SUITE_P(
    Edits, TagPageEditTest,
    ::testing::Values(
        EditCase{"DateEditedParagraphDeleted", kCallBob + Para("p:{G}{6}", "Pay !2021-03-21 09:00"),
                 Para("p:{G}{5}", "Call Bob !2021-03-22 14:00"), "!Project", "p:{G}{5}", 22, 14, 0,
                 "&object-id={G}&05", "p:{G}{6}"},
        // The service numbered the page's elements anew after an update.
        EditCase{"Renumbered", kCallBob, Para("p:{G}{41}", "Call Bob !2021-03-20 09:00"), "!Project",
                 "p:{G}{41}", 20, 9, 0, "&object-id={G}&29", "p:{G}{5}"},
        // Ticked: its reminder goes (which tags count as ticked: CompletedDataTagTest).
        EditCase{"Ticked",
                 Para("p:{G}{1}", "One !2021-03-20 09:00") + Para("p:{G}{3}", "Three !2021-03-20 09:00"),
                 Para("p:{G}{1}", "One !2021-03-20 09:00", "to-do:completed") +
                     Para("p:{G}{3}", "Three !2021-03-20 09:00", "to-do:completed,important"),
                 "!Project", "p:{G}{3}", 20, 9, 0, "&object-id={G}&03", "p:{G}{1}"},
        EditCase{"TitleLostItsLeadingMark", kCallBob, kCallBob, "Review !2021-03-25 08:00", "P1", 25, 8, 0,
                 "&end", "p:{G}{5}"}),
    [](const ::testing::TestParamInfo<EditCase>& p) { return std::string(p.param.name); });

TEST_F(TagReaderTest, OnlyTaggedParagraphsCountWhereverTheyStand)
{
    LoadProject("<ul><li data-tag=\"to-do\">List !2021-03-20 09:00</li></ul>"
                "<div><span><p id=\"p:{G}{8}\" data-tag=\"important\">Nested <b>!2021-03-20</b> "
                "10:00</p></span></div>"
                "<p id=\"p:{G}{9}\">Untagged !2021-03-20 11:00</p>"
                "<p id=\"p:{G}{10}\" data-tag=\"to-do\">Nbsp&nbsp;!2021-03-20 12:00 &amp; more</p>",
                "2021-03-05T10:00:00Z");
    // The tagged list item counts too.
    EXPECT_EQ(m_State.ReminderList.Count(), 3u);
    const ReminderPtr nested = Reminder("p:{G}{8}");
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->name(), "Nested !2021-03-20 10:00");
    EXPECT_EQ(nested->time(), Local(2021, 3, 20, 10, 0));
    const ReminderPtr nbsp = Reminder("p:{G}{10}");
    ASSERT_NE(nbsp, nullptr);
    EXPECT_EQ(nbsp->name(), "Nbsp\u00A0!2021-03-20 12:00 & more");
}

TEST_F(TagReaderTest, NewPageWithEmptyContentIsReadAgain)
{
    m_Online.readStatus["P1"] = TOnlineStatus::Ok; // answered, but nothing in it
    Load({PageEntry("P1", "!Project", "2021-03-05T10:00:00Z")});
    EXPECT_EQ(m_State.TagPageList.Count(), 0u);
    EXPECT_EQ(m_State.LoadPageErrors, 1u);

    m_Online.readStatus.clear();
    m_Online.content["P1"] = PageHtml("!Project", Para("p:{G}{5}", "Call Bob !2021-03-20 09:00"));
    TReminderHandle(m_State, &m_Online).Run();
    EXPECT_EQ(m_Online.ReadsOf("P1"), 2u);
    EXPECT_NE(Reminder("p:{G}{5}"), nullptr);
}

TEST_F(TagReaderTest, TickedToDoOnAPageReadForTheFirstTimeMakesNone)
{
    LoadProject(Para("p:{H}{1}", "Done !2021-03-20 09:00", "to-do:completed"), "2021-03-06T10:00:00Z");
    EXPECT_EQ(Reminder("p:{H}{1}"), nullptr);
    // Listed all the same, so it is not read again until it changes.
    EXPECT_NE(m_State.TagPageList.GetByID("P1"), nullptr);
}

TEST_F(TagReaderTest, ContentThatIsNoXmlChangesNothing)
{
    LoadProject("<p id=\"p:{G}{1}\" data-tag=\"to-do\">Open !2021-03-20 09:00", "2021-03-05T10:00:00Z");
    EXPECT_EQ(m_State.ReminderList.Count(), 0u);
    EXPECT_EQ(m_State.LoadPageErrors, 0u);
    EXPECT_EQ(m_State.TagPageList.Count(), 1u);

    // Deep nesting is walked without exhausting the stack.
    std::string open;
    std::string close;
    for (int i = 0; i < 100000; ++i) {
        open += "<div>";
        close += "</div>";
    }
    LoadProject(open + Para("p:{G}{2}", "Deep !2021-03-20 09:00") + close, "2021-03-06T10:00:00Z");
    EXPECT_NE(Reminder("p:{G}{2}"), nullptr);
}

TEST_F(TagReaderTest, NoBreakSpaceBetweenDateAndTimeKeepsTheTime)
{
    LoadProject(Para("p:{G}{1}", "Call !2021-03-20&nbsp;09:00") +
                    Para("p:{G}{2}", "Call !2021-03-21 &nbsp;10:15"),
                "2021-03-05T10:00:00Z");
    ASSERT_NE(Reminder("p:{G}{1}"), nullptr);
    EXPECT_EQ(Reminder("p:{G}{1}")->time(), Local(2021, 3, 20, 9, 0));
    EXPECT_EQ(Reminder("p:{G}{1}")->name(), "Call !2021-03-20\u00A009:00");
    ASSERT_NE(Reminder("p:{G}{2}"), nullptr);
    EXPECT_EQ(Reminder("p:{G}{2}")->time(), Local(2021, 3, 21, 10, 15));
}

TEST_F(TagReaderTest, TaggedListItemsReadLikeTaggedParagraphs)
{
    LoadProject("<ul>"
                "<li id=\"li:{G}{1}\"><span data-tag=\"to-do\">Buy milk !2021-03-20 09:00</span></li>"
                "<li id=\"li:{G}{2}\" data-tag=\"important\">Pay !!08:00"
                "<ul><li id=\"li:{G}{3}\">Untagged !2021-03-20 11:00</li></ul></li>"
                "<li id=\"li:{G}{4}\"><span data-tag=\"to-do:completed\">Done !2021-03-20 12:00</span></li>"
                "</ul>",
                "2021-03-05T10:00:00Z");
    EXPECT_EQ(m_State.ReminderList.Count(), 2u);
    const ReminderPtr milk = Reminder("li:{G}{1}");
    ASSERT_NE(milk, nullptr);
    EXPECT_EQ(milk->objType(), kTagReminder);
    EXPECT_EQ(milk->time(), Local(2021, 3, 20, 9, 0));
    EXPECT_EQ(milk->link(), kP1Link + "&object-id={G}&01");
    const ReminderPtr pay = Reminder("li:{G}{2}");
    ASSERT_NE(pay, nullptr);
    EXPECT_EQ(pay->name(), "Pay !!08:00");
    EXPECT_EQ(pay->Repeat(), 1);
}

} // namespace
} // namespace rz

namespace rz {
namespace {

// A name reads as OneNote shows it; one stored as an older reading mangled it is updated in place
// once (the same record at the same time, so nothing rings again), then left alone.
TEST_F(TagReaderTest, CharacterReferencesInANameAreDecoded)
{
    const std::string html =
        PageHtml("!Project", Para("p:{G}{1}", "Ann &amp; Bob &lt;3 &#233;&#x e9; !2021-03-20 09:00"));
    const Date due = Local(2021, 3, 20, 9, 0);
    m_State.ReminderList.AddUnique(kTagReminder,
                                   "Ann \xC2\xA0"
                                   "amp; Bob !2021-03-20 09:00",
                                   "p:{G}{1}", "P1", "L", due, 0, DefaultWeekDays());
    const ReminderPtr before = Reminder("p:{G}{1}");
    EXPECT_GE(ReadTagReminders(m_State.ReminderList, "P1", kP1Link, html), 1);
    EXPECT_EQ(Reminder("p:{G}{1}"), before);
    EXPECT_EQ(before->name(), "Ann & Bob <3 \xC3\xA9\xC2\xA0#x e9; !2021-03-20 09:00");
    EXPECT_EQ(before->time(), due);
    EXPECT_EQ(ReadTagReminders(m_State.ReminderList, "P1", kP1Link, html), 0);
    EXPECT_EQ(MarkupText("Ann &amp; Bob &nbsp;!"), "Ann & Bob \xC2\xA0!");
}

} // namespace
} // namespace rz
