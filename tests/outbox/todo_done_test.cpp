// SPDX-License-Identifier: GPL-3.0-or-later
// "Done" on a due to-do, end to end against the Graph emulator: the engine makes the reminder, the
// due check fires it, the pending list queues the tick, the worker sends it.
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "emulator_channel.h"
#include "emulator_online.h"
#include "fake_one_note.h"
#include "mirror/thread_one_note_restdb.h"
#include "mirror_harness.h"
#include "outbox/todo_done.h"
#include "reminders/reminder_handle.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_reader.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace rz {
namespace {

TEST(ToDoDoneTest, CompletedParagraphKeepsMarkupAndOtherTags)
{
    const std::string content = R"(<html><body><div><p id="p:{G}{1}" data-tag="important, to-do" )"
                                R"(style="color:red">Call <b>Bob</b> !2099-03-20 09:00</p>)"
                                R"(<p id="p:{G}{2}" data-tag="to-do:completed">Old</p></div></body></html>)";
    EXPECT_EQ(
        CompletedParagraph(content, "p:{G}{1}"),
        R"(<p data-tag="important, to-do:completed" style="color:red">Call <b>Bob</b> !2099-03-20 09:00</p>)");
    EXPECT_EQ(CompletedParagraph(content, "p:{G}{2}"), "");
    EXPECT_EQ(CompletedParagraph(content, "p:{G}{3}"), std::nullopt);
    // A list item's tag comes on a span inside it and goes back on the item itself.
    const std::string list =
        R"(<html><body><ul><li id="li:{G}{4}"><span data-tag="to-do">Milk</span></li></ul>)"
        R"(</body></html>)";
    EXPECT_EQ(CompletedParagraph(list, "li:{G}{4}"),
              R"(<li data-tag="to-do:completed"><span>Milk</span></li>)");
}

std::string Page(const std::string& body)
{
    return "<html><head><title>T</title></head><body><div>" + body + "</div></body></html>";
}

TEST(ToDoDoneTest, CompletedElementKeepsEveryByteButTheTagAndTheId)
{
    const std::pair<std::string, std::string> rows[] = {
        {R"(<p id="p:{G}{1}" data-tag="to-do" style="margin-top:0pt">Send <b>the report</b> to )"
         R"(<a href="https://example.com/a?x=1&amp;y=2">Ann &amp; Bob</a></p>)",
         R"(<p data-tag="to-do:completed" style="margin-top:0pt">Send <b>the report</b> to )"
         R"(<a href="https://example.com/a?x=1&amp;y=2">Ann &amp; Bob</a></p>)"},
        {R"(<p id="p:{G}{1}" data-tag="to-do" lang="de-DE">1 &lt; 2 &amp;&nbsp;<span style="font-weight:bold">)"
         R"(fett &gt;</span><br/><a href="onenote:#Seite&amp;section-id={A1}&amp;page-id={B2}&amp;end">)"
         R"(Seite</a> &quot;q&quot;</p>)",
         R"(<p data-tag="to-do:completed" lang="de-DE">1 &lt; 2 &amp;&nbsp;<span style="font-weight:bold">)"
         R"(fett &gt;</span><br/><a href="onenote:#Seite&amp;section-id={A1}&amp;page-id={B2}&amp;end">)"
         R"(Seite</a> &quot;q&quot;</p>)"},
        {"<p data-tag='important, to-do'\n   id='p:{G}{1}'>x &gt; y<br /></p>",
         "<p data-tag='important, to-do:completed'>x &gt; y<br /></p>"},
        {R"(<p id="p:{G}{1}" data-tag="to-do,important ,critical">x</p>)",
         R"(<p data-tag="to-do:completed,important ,critical">x</p>)"},
    };
    for (const auto& [element, expected] : rows) {
        EXPECT_EQ(CompletedParagraph(Page(element), "p:{G}{1}"), expected) << element;
    }
}

TEST(ToDoDoneTest, AListItemTakesTheTagItselfAndItsSpanGivesItUp)
{
    // Its nested items carry no tag, so the list sent with it takes none from them.
    const std::string page = Page(R"(<ul><li id="li:{G}{5}" style="color:red"><span data-tag="to-do" )"
                                  R"(style="font-size:9pt">Parent &amp; co</span><ul><li id="li:{G}{6}">)"
                                  R"(<span>Child</span></li></ul></li></ul>)");
    EXPECT_EQ(
        CompletedParagraph(page, "li:{G}{5}"),
        R"(<li style="color:red" data-tag="to-do:completed"><span style="font-size:9pt">Parent &amp; co)"
        R"(</span><ul><li><span>Child</span></li></ul></li>)");
    // A tag on a span that is no item's own would be lost on input: nothing is sent.
    EXPECT_EQ(CompleteElement(Page(R"(<ul><li id="li:{G}{5}"><span data-tag="to-do">A</span><p>B )"
                                   R"(<span data-tag="important">C</span></p></li></ul>)"),
                              "li:{G}{5}")
                  .Result,
              TCompletedElement::Unsafe);
}

TEST(ToDoDoneTest, AHeadingIsTickedLikeAParagraph)
{
    const std::string page =
        Page(R"(<h2 id="h2:{G}{1}" data-tag="to-do" style="font-size:14pt">Plan <i>it</i></h2>)");
    EXPECT_EQ(CompletedParagraph(page, "h2:{G}{1}"),
              R"(<h2 data-tag="to-do:completed" style="font-size:14pt">Plan <i>it</i></h2>)");
    EXPECT_EQ(FindToDoTarget(page, "h2:{G}{1}", "Plan it").Result, TToDoTarget::Found);
}

TEST(ToDoDoneTest, ElementsHoldingImagesFilesOrObjectsAreLeftToTheUser)
{
    for (const std::string inner : {R"(<img src="https://graph.microsoft.com/v1.0/r/1/$value" />)",
                                    R"(<object data-attachment="a.pdf" data="https://x/r/2/$value" />)",
                                    R"(<iframe data-original-src="https://www.youtube.com/watch?v=1" />)"}) {
        const std::string page = Page(R"(<p id="p:{G}{1}" data-tag="to-do">See )" + inner + "</p>");
        EXPECT_EQ(CompleteElement(page, "p:{G}{1}").Result, TCompletedElement::Embedded) << inner;
    }
}

TEST(ToDoDoneTest, AnIdOnTwoElementsSendsNothing)
{
    // The first one holds no tag: taking it would end the Done as if nothing were left to tick.
    const std::string page = Page(R"(<p id="p:{G}{1}">Plain</p><p id="p:{G}{1}" data-tag="to-do">Do it</p>)");
    EXPECT_EQ(CompleteElement(page, "p:{G}{1}").Result, TCompletedElement::SameId);
}

TEST(ToDoDoneTest, AStaleIdTicksTheOpenToDoWithTheQueuedTextOrNone)
{
    const std::string page = Page(
        R"(<p id="p:{G}{1}" data-tag="to-do">Call Ann</p>)"
        R"(<p id="p:{G}{2}" data-tag="to-do">Call Bob</p>)"
        R"(<p id="p:{G}{3}" data-tag="to-do:completed">Pay rent</p>)"
        R"(<p id="p:{G}{4}" data-tag="to-do">Water</p><p id="p:{G}{5}" data-tag="to-do">Water</p>)"
        R"(<p id="p:{G}{6}" data-tag="to-do:completed">Feed cat</p><p id="p:{G}{7}" data-tag="to-do">Feed cat</p>)"
        R"(<p id="p:{G}{8}" data-tag="to-do">Twice</p><p id="p:{G}{8}" data-tag="to-do">Twice</p>)");
    struct Row
    {
        std::string id, text;
        TToDoTarget::TResult result;
        std::string target;
    };
    const Row rows[] = {
        {"p:{G}{2}", "Call Bob", TToDoTarget::Found, "p:{G}{2}"},
        {"p:{G}{1}", "Call Bob", TToDoTarget::Found, "p:{G}{2}"}, // the id now names another
        {"p:{G}{9}", "Call Bob", TToDoTarget::Found, "p:{G}{2}"}, // the id is gone
        {"p:{G}{9}", "Pay rent", TToDoTarget::Ticked, ""},
        {"p:{G}{1}", "Pay rent", TToDoTarget::Ticked, ""},
        {"p:{G}{9}", "Water", TToDoTarget::Ambiguous, ""},
        {"p:{G}{4}", "Water", TToDoTarget::Ambiguous, ""}, // the id may name the other twin by now
        {"p:{G}{1}", "Buy milk", TToDoTarget::Missing, ""},
        // The intended one was ticked (by the user, or by an answer that was lost): its open twin is
        // not it.
        {"p:{G}{9}", "Feed cat", TToDoTarget::Ambiguous, ""},
        // Twins are told apart by the queued text alone, whichever the id names now.
        {"p:{G}{6}", "Feed cat", TToDoTarget::Ambiguous, ""},
        {"p:{G}{7}", "Feed cat", TToDoTarget::Ambiguous, ""},
        {"p:{G}{8}", "Twice", TToDoTarget::SameId, ""},
    };
    for (const Row& row : rows) {
        const TToDoTarget target = FindToDoTarget(page, row.id, row.text);
        EXPECT_EQ(target.Result, row.result) << row.id << " " << row.text;
        EXPECT_EQ(target.ElementId, row.target) << row.id << " " << row.text;
    }
}

TEST(ToDoDoneTest, DoneWhileThePatchIsRefusedTicksThePageOnceAfterwards)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    // Due in an hour, in the title syntax's minutes.
    const std::string at = DateToString(DateAddHours(DateNow(), 1)).substr(0, 16);
    const Json page = {{"title", "!Project"},
                       {"id", "pg-project"},
                       {"paragraphs", {{{"text", "Call Bob !" + at}, {"tags", "to-do"}, {"number", 40}}}}};
    const Json section = {{"displayName", "Inbox"}, {"id", "sec-inbox"}, {"pages", {page}}};
    MirrorHarness mirror{test::kPersonalUserId,
                         Json::array({Container("Work", "nb-work", Json::array({section}))})};
    ASSERT_TRUE(mirror.Running());
    AppState& state = mirror.State();
    test::EmulatorChannel channel(mirror.Emulator(), test::kAccessToken);
    test::EmulatorOnline online(mirror.Emulator(), test::kAccessToken);
    const std::string queuePath = state.Paths.DataFolderPath + "/Outbox.json";
    const auto makeQueue = [&] {
        auto made = std::make_unique<TOutbox>(queuePath, state.UserId);
        made->AddKind(std::make_unique<TToDoDoneKind>());
        return made;
    };
    auto queue = makeQueue();
    // What the agent does every second: the engine reads the reminder pages, the outbox sends.
    const auto pass = [&] {
        state.ReminderPagesJson.Set(mirror.GraphAnswer("/onenote/pages?top=100&filter=contains(title,'!')"));
        TReminderHandle(state, &online).Run();
        queue->SendPending(channel);
    };
    pass();
    ASSERT_EQ(state.ReminderList.Count(), 1u);

    // It comes due and is marked done while OneNote refuses the first update.
    clock.Set(StringToDate(at)->seconds - 5);
    TDueCheck check;
    TPendingReminders pending{state.PendingReminderList, state.Paths.DataFolderPath + "/Pending.plist",
                              state.Paths.SettingsFilePath};
    check.CheckAndReminder(state.ReminderList, state.PendingReminderList, pending.Snooze());
    ASSERT_EQ(state.PendingReminderList.Count(), 1u);
    pending.SetOutbox(queue.get());
    ASSERT_TRUE(pending.CanMarkDone(std::nullopt));
    ASSERT_TRUE(
        mirror.Fault({{"route", "patch"},
                      {"status", 503},
                      {"body", R"({"error":{"code":"serviceUnavailable","message":"Try later."}})"}}));
    EXPECT_TRUE(pending.MarkDone(std::nullopt));
    EXPECT_EQ(state.PendingReminderList.Count(), 0u);

    pass();
    EXPECT_EQ(mirror.Count("patch"), 1);
    ASSERT_EQ(queue->Count(), 1u);
    EXPECT_EQ(queue->Items()[0].LastError, "Try later.");
    pass(); // within the retry pause: nothing goes out
    EXPECT_EQ(mirror.Count("patch"), 1);

    // A restart in between loses nothing.
    queue = makeQueue();
    queue->Load();
    ASSERT_EQ(queue->Count(), 1u);
    clock.Advance(kOutboxRetryFirstSeconds + 1);
    pass();
    pass();
    EXPECT_EQ(queue->Count(), 0u);
    EXPECT_EQ(mirror.Count("patch"), 2);
    const Json patches = Json::parse(mirror.Emulator().Get("/_emulator/patches").body);
    ASSERT_EQ(patches["patches"].size(), 1u);
    EXPECT_EQ(patches["patches"][0]["status"], 204);

    // The next content read makes no reminder of the ticked to-do.
    const std::string content = online.GetPageContent("pg-project").text;
    EXPECT_NE(content.find(R"(data-tag="to-do:completed")"), std::string::npos);
    TReminderList fresh;
    EXPECT_EQ(ReadTagReminders(fresh, "pg-project", "onenote:x", content), 0);
    EXPECT_EQ(fresh.Count(), 0u);
}

TEST(ToDoDoneTest, AnIdGoneStaleBeforeThePatchIsReadAgainAndTicked)
{
    ScopedFakeClock clock{1'800'000'000};
    test::TempDir dir;
    SharedString user;
    user.Set("user-1");
    test::FakeOneNote service;
    service.Pages["pg-1"] = {
        "pg-1", "sec-1", "!Work", {{"p", "to-do", "Call Ann"}, {"p", "to-do", "Call Bob"}}};
    TOutbox outbox(dir.File("Outbox.json"), user);
    outbox.AddKind(std::make_unique<TToDoDoneKind>());
    ASSERT_EQ(outbox.Add(ToDoDoneItem("pg-1", service.ElementId(service.Pages["pg-1"], 1), "Call Bob")),
              TOutbox::TAddResult::Queued);
    // Someone edits the page between each read and its PATCH, once, then twice more than allowed.
    service.Faults.push_back({test::FakeOneNote::Fault::Renumber, 0, {}, "PATCH"});
    outbox.SendPending(service);
    EXPECT_EQ(outbox.Count(), 0u);
    EXPECT_TRUE(outbox.Messages().empty());
    EXPECT_EQ(service.Pages["pg-1"].Elements[1].DataTag, "to-do:completed");
    EXPECT_EQ(service.Pages["pg-1"].Elements[0].DataTag, "to-do");

    ASSERT_EQ(outbox.Add(ToDoDoneItem("pg-1", "p:{gone}{2}", "Call Ann")), TOutbox::TAddResult::Queued);
    for (int i = 0; i <= kStaleTargetRereads; ++i) {
        service.Faults.push_back({test::FakeOneNote::Fault::Renumber, 0, {}, "PATCH"});
    }
    outbox.SendPending(service);
    EXPECT_EQ(outbox.Count(), 0u);
    ASSERT_EQ(outbox.Messages().size(), 1u);
    EXPECT_EQ(outbox.Messages()[0].Key, "strOutboxRefused");
    EXPECT_EQ(service.Pages["pg-1"].Elements[0].DataTag, "to-do");
}

// "Use note tags in OneNote pages": the data-tag setting of a ul or ol sent in a request overrides
// all settings on its child li elements, even when it names none. Replacing an item with its nested
// list would strip every tag below it, so such an item is left to the user.
TEST(ToDoDoneTest, TickingAListItemKeepsTheTagsOfItsSubItems)
{
    const auto item = [](const char* text, const char* tags, int level) {
        return Json{{"text", text}, {"tags", tags}, {"list", "ul"}, {"level", level}};
    };
    const Json page = {{"title", "Trip"},
                       {"id", "pg-trip"},
                       {"paragraphs",
                        {item("Pack", "to-do", 0), item("Tickets", "to-do:completed", 1),
                         item("Passport", "to-do,important", 1), item("After", "to-do", 0)}}};
    MirrorHarness mirror{
        test::kPersonalUserId,
        Json::array({Container(
            "Work", "nb-work",
            Json::array({Json{{"displayName", "Inbox"}, {"id", "sec-inbox"}, {"pages", {page}}}}))})};
    ASSERT_TRUE(mirror.Running());
    MThreadOneNoteRESTDB& worker = mirror.Worker();
    worker.Pass();
    const auto tags = [&] {
        std::vector<std::string> found;
        const std::vector<TTaggedElement> elements =
            ReadTaggedElements(worker.GetPageContent("pg-trip")).value();
        for (const TTaggedElement& element : elements) {
            found.push_back(element.DataTag);
        }
        return found;
    };
    // Queued as the alert queues it: the id and text the tag reader gave the reminder.
    const TTaggedElement pack = ReadTaggedElements(worker.GetPageContent("pg-trip")).value().at(0);
    TOutbox outbox(mirror.State().Paths.DataFolderPath + "/Outbox.json", mirror.State().UserId);
    outbox.AddKind(std::make_unique<TToDoDoneKind>());
    ASSERT_EQ(outbox.Add(ToDoDoneItem("pg-trip", pack.Id, pack.Text)), TOutbox::TAddResult::Queued);
    outbox.SendPending(worker);
    EXPECT_EQ(mirror.Count("patch"), 0);
    EXPECT_EQ(outbox.Count(), 0u);
    ASSERT_EQ(outbox.Messages().size(), 1u);
    EXPECT_EQ(outbox.Messages()[0].Key, "strOutboxSubItems");
    EXPECT_EQ(outbox.Messages()[0].Label, pack.Text);
    // Nothing changed: every sub-item keeps its tag.
    EXPECT_EQ(tags(), (std::vector<std::string>{"to-do", "to-do:completed", "to-do,important", "to-do"}));
}

} // namespace
} // namespace rz
