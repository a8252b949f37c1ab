// SPDX-License-Identifier: GPL-3.0-or-later
// The outbox against the Graph emulator: no item blocks another, items stay with their account,
// nothing goes out while the sign-in window is open, and nothing is sent twice.
#include "mirror_harness.h"
#include "outbox/outbox.h"
#include "outbox/todo_done.h"
#include "util/clock.h"
#include "util/files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace rz {
namespace {

using test::MirrorHarness;

Json ToDoPage(const std::string& id, const std::string& text)
{
    return {{"title", "!" + id}, {"id", id}, {"paragraphs", {{{"text", text}, {"tags", "to-do"}}}}};
}

struct OutboxFixture
{
    MirrorHarness mirror{
        test::kPersonalUserId,
        Json::array({test::Container(
            "Work", "nb-work",
            Json::array({{{"displayName", "Inbox"},
                          {"id", "sec-inbox"},
                          {"pages",
                           {ToDoPage("pg-dead", "Call Bob"), ToDoPage("pg-ro", "Read it"),
                            ToDoPage("pg-busy", "Ring Eve"), ToDoPage("pg-live", "Pay Ann")}}}}))})};
    TOutbox outbox{mirror.State().Paths.DataFolderPath + "/Outbox.json", mirror.State().UserId};

    OutboxFixture()
    {
        outbox.AddKind(std::make_unique<TToDoDoneKind>());
        mirror.Worker().SetGraphBase(GraphBaseAddress(test::kPersonalUserId, false));
    }
    // Queues the page's to-do as the alert does.
    void Done(const std::string& pageId, const std::string& text)
    {
        const std::string content =
            mirror.GraphAnswer("/onenote/pages/" + pageId + "/content?includeIDs=true");
        const std::size_t at = content.find("id=\"p:{");
        ASSERT_NE(at, std::string::npos);
        outbox.Add(ToDoDoneItem(pageId, content.substr(at + 4, content.find('"', at + 4) - at - 4), text));
    }
    bool Ticked(const std::string& pageId) const
    {
        return mirror.GraphAnswer("/onenote/pages/" + pageId + "/content").find("to-do:completed") !=
               std::string::npos;
    }
};

TEST(OutboxTest, AnswersAreTransientOrPermanentRefusals)
{
    const auto answer = [](long status, const std::string& code) {
        HttpResponse response;
        response.Status = status;
        response.Body = R"({"error":{"code":")" + code + R"(","message":"m"}})";
        return AnswerOutcome(response);
    };
    HttpResponse timeout;
    timeout.Failure = HttpFailure::Timeout;
    EXPECT_EQ(AnswerOutcome(timeout).Result, TOutboxOutcome::Retry);
    struct Row
    {
        long status;
        std::string code;
        TOutboxOutcome::TResult result;
        std::string key;
    };
    const Row rows[] = {
        {204, "", TOutboxOutcome::Done, ""},
        {404, "20102", TOutboxOutcome::Refused, "strOutboxPageGone"},
        {404, "20113", TOutboxOutcome::Refused, "strOutboxPageGone"},
        {403, "40002", TOutboxOutcome::Refused, "strOutboxReadOnly"},
        {403, "40004", TOutboxOutcome::Refused, "strOutboxReadOnly"},
        {400, "20112", TOutboxOutcome::Refused, "strOutboxRefused"},
        {429, "20166", TOutboxOutcome::Retry, "strToDoProblem"},
        {503, "10002", TOutboxOutcome::Retry, "strToDoProblem"},
        {500, "10001", TOutboxOutcome::Retry, "strToDoProblem"},
    };
    for (const Row& row : rows) {
        const TOutboxOutcome outcome = answer(row.status, row.code);
        EXPECT_EQ(outcome.Result, row.result) << row.status << " " << row.code;
        EXPECT_EQ(outcome.MessageKey, row.key) << row.status << " " << row.code;
    }
}

TEST(OutboxTest, RefusedItemsEndWithAMessageAndNoItemHoldsBackALaterOne)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-dead", "Call Bob");
    f.Done("pg-ro", "Read it");
    f.Done("pg-busy", "Ring Eve");
    f.Done("pg-live", "Pay Ann");
    ASSERT_TRUE(f.mirror.Admin("delete", {{"id", "pg-dead"}}));
    ASSERT_TRUE(f.mirror.Fault({{"route", "patch"}, {"match", "pg-ro"}, {"graphError", "40002"}}));
    ASSERT_TRUE(f.mirror.Fault({{"route", "patch"}, {"match", "pg-busy"}, {"status", 503}, {"count", 99}}));

    for (int second = 0; second < 60 && !f.Ticked("pg-live"); ++second) {
        f.outbox.SendPending(f.mirror.Worker());
        clock.Advance(1);
    }
    EXPECT_TRUE(f.Ticked("pg-live"));
    const std::vector<TOutboxMessage> ended = f.outbox.Messages();
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].Key, "strOutboxPageGone");
    EXPECT_EQ(ended[0].Label, "Call Bob");
    EXPECT_EQ(ended[1].Key, "strOutboxReadOnly");
    EXPECT_EQ(f.outbox.TakeNewMessages().size(), 2u); // each told once, by a notification
    EXPECT_TRUE(f.outbox.TakeNewMessages().empty());
    // The transient failure keeps its item, backing off.
    ASSERT_EQ(f.outbox.Count(), 1u);
    EXPECT_EQ(f.outbox.Items()[0].Label, "Ring Eve");
    EXPECT_TRUE(f.outbox.LastProblem().has_value());
    EXPECT_LE(f.mirror.Count("patch"), 5);
}

TEST(OutboxTest, AClockSetBackHoldsNoRetryBack)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    ASSERT_TRUE(f.mirror.Fault({{"route", "patch"}, {"match", "pg-live"}, {"status", 503}}));
    f.outbox.SendPending(f.mirror.Worker());
    ASSERT_FALSE(f.Ticked("pg-live"));
    clock.SetWallClock(DateNow().seconds - 2 * 3600);
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_TRUE(f.Ticked("pg-live"));
}

// A new item wakes the sender; one already waiting, or one not queued, does not.
TEST(OutboxTest, OnlyANewlyQueuedItemWakesTheSender)
{
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    int wakes = 0;
    f.outbox.SetOnQueued([&] { ++wakes; });
    f.Done("pg-live", "Pay Ann");
    EXPECT_EQ(wakes, 1);
    f.Done("pg-live", "Pay Ann");
    EXPECT_EQ(wakes, 1);
    f.mirror.State().UserId.Set({});
    EXPECT_EQ(f.outbox.Add(ToDoDoneItem("pg-dead", "p:{1}", "Call Bob")), TOutbox::TAddResult::NoAccount);
    EXPECT_EQ(wakes, 1);
}

TEST(OutboxTest, ItemsOfAnotherAccountAreNeverSent)
{
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    f.mirror.State().UserId.Set("someone-else");
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.mirror.Count("patch"), 0);
    EXPECT_EQ(f.outbox.Count(), 0u);
    ASSERT_EQ(f.outbox.Messages().size(), 1u);
    EXPECT_EQ(f.outbox.Messages()[0].Key, "strOutboxOtherAccount");
}

TEST(OutboxTest, NothingGoesOutWhileTheSignInWindowIsOpen)
{
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    const long reads = f.mirror.Count("content");
    f.mirror.State().SignInWindowOpen = true;
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.mirror.Count("content"), reads);
    EXPECT_EQ(f.mirror.Count("patch"), 0);
    ASSERT_EQ(f.outbox.Count(), 1u);
    EXPECT_EQ(f.outbox.Items()[0].Attempts, 0);
    f.mirror.State().SignInWindowOpen = false;
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_TRUE(f.Ticked("pg-live"));
}

TEST(OutboxTest, AnExpiredTokenIsRefreshedAndTheChangeGoesOutInTheSameAttempt)
{
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    ASSERT_TRUE(f.mirror.Admin("expire-tokens", Json::object()));
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.mirror.Count("token"), 1);
    EXPECT_EQ(f.mirror.Count("patch"), 1);
    EXPECT_EQ(f.outbox.Count(), 0u);
    EXPECT_TRUE(f.outbox.Messages().empty());
}

TEST(OutboxTest, AWriteWhoseAnswerWasLostIsCheckedBeforeItIsSentAgain)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    // The update lands, its answer does not; the page's ids change with it.
    ASSERT_TRUE(f.mirror.Fault({{"route", "patch"}, {"cutOff", true}}));
    f.outbox.SendPending(f.mirror.Worker());
    ASSERT_EQ(f.outbox.Count(), 1u);
    EXPECT_TRUE(f.outbox.Items()[0].Unconfirmed);
    clock.Advance(kOutboxRetryMaxSeconds);
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.outbox.Count(), 0u);
    EXPECT_EQ(f.mirror.Count("patch"), 1);
}

TEST(OutboxTest, AnEarlierToDoQueueFileIsTakenOverOnce)
{
    OutboxFixture f;
    const std::string folder = f.mirror.State().Paths.DataFolderPath;
    ASSERT_TRUE(WriteTextFile(folder + "/ToDoQueue.json",
                              R"({"toDos":[{"pageId":"pg-live","elementId":"p:{G}{1}","text":"Pay Ann",)"
                              R"("attempts":2,"lastError":"x"}]})"));
    f.outbox.Load();
    ASSERT_EQ(f.outbox.Count(), 1u);
    EXPECT_EQ(f.outbox.Items()[0].Kind, kToDoDoneKind);
    EXPECT_EQ(f.outbox.Items()[0].UserId, test::kPersonalUserId);
    EXPECT_FALSE(FileExists(folder + "/ToDoQueue.json"));
    TOutbox reloaded{folder + "/Outbox.json", f.mirror.State().UserId};
    reloaded.Load();
    EXPECT_EQ(reloaded.Items()[0].Fields, f.outbox.Items()[0].Fields);
}

TEST(OutboxTest, AnAnswerThatMayFollowTheWriteKeepsItUnconfirmed)
{
    // A gateway's or a throttling answer can come after the service applied the write.
    for (const Json& fault : {Json{{"status", 504}}, Json{{"graphError", "20166"}}}) {
        ScopedFakeClock clock{SystemSecondsNow()};
        OutboxFixture f;
        ASSERT_TRUE(f.mirror.Running());
        f.Done("pg-live", "Pay Ann");
        Json applied = fault;
        applied.update({{"route", "patch"}, {"applied", true}});
        ASSERT_TRUE(f.mirror.Fault(applied));
        f.outbox.SendPending(f.mirror.Worker());
        clock.Advance(kOutboxRetryMaxSeconds);
        f.outbox.SendPending(f.mirror.Worker());
        EXPECT_EQ(f.outbox.Count(), 0u) << fault;
        EXPECT_EQ(f.mirror.Count("patch"), 1) << fault;
    }
}

TEST(OutboxTest, AWriteWhoseMarkCannotBeSavedDoesNotGoOut)
{
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-live", "Pay Ann");
    // The file's path taken by a folder that holds something: no write can replace it.
    const std::string path = f.mirror.State().Paths.DataFolderPath + "/Outbox.json";
    ASSERT_TRUE(std::filesystem::remove(path) && CreateFolder(path) && WriteTextFile(path + "/x", "x"));
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.mirror.Count("patch"), 0);
    ASSERT_EQ(f.outbox.Count(), 1u);
}

TEST(OutboxTest, AnUnreadableFileIsMovedAsideNotOverwritten)
{
    const std::string big = R"({"items":[],"pad":")" + std::string(kMaxOutboxFileBytes, 'x') + R"("})";
    for (const std::string& stored : {std::string(R"({"items":[{"kind":"todo-done")"), big}) {
        OutboxFixture f;
        const std::string path = f.mirror.State().Paths.DataFolderPath + "/Outbox.json";
        ASSERT_TRUE(WriteTextFile(path, stored));
        f.outbox.Load();
        EXPECT_EQ(ReadTextFile(path + ".damaged"), stored) << stored.substr(0, 40);
    }
}

TEST(OutboxTest, AFileMovedAsideKeepsTheOneMovedBefore)
{
    OutboxFixture f;
    const std::string path = f.mirror.State().Paths.DataFolderPath + "/Outbox.json";
    ASSERT_TRUE(WriteTextFile(path, "first"));
    f.outbox.Load();
    ASSERT_TRUE(WriteTextFile(path, "second"));
    TOutbox later{path, f.mirror.State().UserId};
    later.Load();
    EXPECT_EQ(ReadTextFile(path + ".damaged"), "first");
    EXPECT_EQ(ReadTextFile(path + ".damaged.2"), "second");
}

TEST(OutboxTest, AnOddTextIsQueuedAndTheFileStillReads)
{
    OutboxFixture f;
    // Surrogates written as three bytes each, as a parser makes of "&#xD83D;&#xDE00;", and a cut
    // character: not UTF-8.
    const std::string odd = "Party \xED\xA0\xBD\xED\xB8\x80 \xC3";
    ASSERT_EQ(f.outbox.Add(ToDoDoneItem("pg-live", "p:{G}{1}", odd)), TOutbox::TAddResult::Queued);
    ASSERT_EQ(f.outbox.Add(ToDoDoneItem("pg-busy", "p:{G}{2}", "Ring Eve")), TOutbox::TAddResult::Queued);
    TOutbox reloaded{f.mirror.State().Paths.DataFolderPath + "/Outbox.json", f.mirror.State().UserId};
    reloaded.AddKind(std::make_unique<TToDoDoneKind>());
    reloaded.Load();
    ASSERT_EQ(reloaded.Count(), 2u);
    const std::string meant = "Party \xF0\x9F\x98\x80 \xEF\xBF\xBD";
    EXPECT_EQ(reloaded.Items()[0].Label, meant);
    EXPECT_EQ(reloaded.Items()[0].Fields, f.outbox.Items()[0].Fields);
    EXPECT_EQ(f.outbox.Items()[0].Label, meant);
}

TEST(OutboxTest, AnItemOfAnUnknownKindEndsWithAMessage)
{
    OutboxFixture f;
    const std::string path = f.mirror.State().Paths.DataFolderPath + "/Outbox.json";
    const Json stored = {
        {"items",
         {{{"kind", "todo-later"}, {"userId", test::kPersonalUserId}, {"key", "k"}, {"label", "Later"}},
          {{"kind", kToDoDoneKind},
           {"userId", test::kPersonalUserId},
           {"key", "pg-live\np:{G}{1}"},
           {"label", "Pay Ann"},
           {"fields", {{"pageId", "pg-live"}, {"elementId", "p:{G}{1}"}, {"text", "Pay Ann"}}}}}},
        {"messages", Json::array()}};
    ASSERT_TRUE(WriteTextFile(path, stored.dump()));
    f.outbox.Load();
    ASSERT_EQ(f.outbox.Count(), 1u);
    EXPECT_EQ(f.outbox.Items()[0].Label, "Pay Ann");
    ASSERT_EQ(f.outbox.Messages().size(), 1u);
    EXPECT_EQ(f.outbox.Messages()[0].Key, "strOutboxUnknownKind");
    EXPECT_EQ(f.outbox.Messages()[0].Label, "Later");
    TOutbox reloaded{path, f.mirror.State().UserId};
    reloaded.AddKind(std::make_unique<TToDoDoneKind>());
    reloaded.Load();
    EXPECT_EQ(reloaded.Count(), 1u);
    EXPECT_EQ(reloaded.Messages().size(), 1u);
}

TEST(OutboxTest, NoSaveTakesTheFilePastItsBound)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    OutboxFixture f;
    ASSERT_TRUE(f.mirror.Running());
    f.Done("pg-busy", "Ring Eve");
    const std::string message(4000, 'm');
    ASSERT_TRUE(f.mirror.Fault(
        {{"route", "patch"},
         {"match", "pg-busy"},
         {"status", 503},
         {"count", 99},
         {"body", R"({"error":{"code":"serviceUnavailable","message":")" + message + R"("}})"}}));
    // As full as Add lets it be, with an item this outbox does not send.
    const std::string path = f.mirror.State().Paths.DataFolderPath + "/Outbox.json";
    const std::size_t queued = std::filesystem::file_size(path);
    bool padded = false;
    for (const std::size_t bound : {kMaxOutboxFileBytes, kOutboxAddBoundBytes}) {
        TOutboxItem pad;
        pad.Kind = "pad";
        pad.Key = "pad";
        pad.Label = std::string(bound - queued - 300, 'x');
        padded = padded || f.outbox.Add(std::move(pad)) == TOutbox::TAddResult::Queued;
    }
    ASSERT_TRUE(padded);
    f.outbox.SendPending(f.mirror.Worker());
    clock.Advance(kOutboxRetryMaxSeconds);
    f.outbox.SendPending(f.mirror.Worker());
    EXPECT_EQ(f.mirror.Count("patch"), 2);
    EXPECT_LE(std::filesystem::file_size(path), kMaxOutboxFileBytes);
    TOutbox reloaded{path, f.mirror.State().UserId};
    reloaded.AddKind(std::make_unique<TToDoDoneKind>());
    reloaded.Load();
    EXPECT_EQ(reloaded.CountOf(kToDoDoneKind), 1u);
    EXPECT_FALSE(FileExists(path + ".damaged"));
}

} // namespace
} // namespace rz
