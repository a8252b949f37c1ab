// SPDX-License-Identifier: GPL-3.0-or-later
// What an answer means for an item, and what the link and the round do with it, through a stand-in
// of the service.
#include "fake_one_note.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "outbox/todo_done.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

HttpResponse Answer(long status, const std::string& code)
{
    HttpResponse response;
    response.Status = status;
    response.Body = Json{{"error", {{"code", code}, {"message", "m"}}}}.dump();
    return response;
}

TEST(OutboxAnswerTest, TheCodeDecidesWhereItAsksToTryAgainAndAFullSectionEnds)
{
    const struct
    {
        long status;
        const char* code;
        TOutboxOutcome::TResult result;
        const char* key;
    } cases[] = {
        {400, "10003", TOutboxOutcome::Retry, "strToDoProblem"},
        {403, "10007", TOutboxOutcome::Retry, "strToDoProblem"},
        {400, "30103", TOutboxOutcome::Retry, "strToDoProblem"},
        {404, "30106", TOutboxOutcome::Retry, "strToDoProblem"},
        {400, "10015", TOutboxOutcome::Retry, "strToDoProblem"},
        {400, "20121", TOutboxOutcome::Refused, "strOutboxRefused"},
        {403, "40004", TOutboxOutcome::Refused, "strOutboxReadOnly"},
        {507, "", TOutboxOutcome::Refused, "strOutboxSectionFull"},
        {400, "30102", TOutboxOutcome::Refused, "strOutboxSectionFull"},
        {503, "", TOutboxOutcome::Retry, "strToDoProblem"},
    };
    for (const auto& c : cases) {
        const TOutboxOutcome outcome = AnswerOutcome(Answer(c.status, c.code));
        EXPECT_EQ(outcome.Result, c.result) << c.status << " " << c.code;
        EXPECT_EQ(outcome.MessageKey, c.key) << c.status << " " << c.code;
    }
}

class OutboxSendTest : public ::testing::Test
{
protected:
    OutboxSendTest() { m_UserId.Set("user-1"); }
    TOutbox& Outbox()
    {
        if (!m_Outbox) {
            m_Outbox = std::make_unique<TOutbox>(m_Dir.File("Outbox.json"), m_UserId);
            m_Outbox->AddKind(std::make_unique<TPageCreateKind>());
            m_Outbox->AddKind(std::make_unique<TToDoDoneKind>());
        }
        return *m_Outbox;
    }
    ScopedFakeClock m_Clock{1'800'000'000};
    test::TempDir m_Dir;
    SharedString m_UserId;
    test::FakeOneNote m_Service;
    std::unique_ptr<TOutbox> m_Outbox;
};

TEST_F(OutboxSendTest, AWriteThatNeverLeftIsNotUnconfirmed)
{
    m_Service.SectionNames["sec-1"] = "Inbox";
    ASSERT_EQ(Outbox().Add(PageCreateItem("Call Bob !2099-01-01 09:00", "sec-1")),
              TOutbox::TAddResult::Queued);
    m_Service.Faults.push_back({test::FakeOneNote::Fault::Refused, 0, {}, "POST"});
    Outbox().SendPending(m_Service);
    ASSERT_EQ(Outbox().Count(), 1u);
    EXPECT_FALSE(Outbox().Items()[0].Unconfirmed);
    // The next attempt sends at once: there is nothing to look for.
    m_Clock.Advance(kOutboxRetryMaxSeconds);
    Outbox().SendPending(m_Service);
    EXPECT_EQ(Outbox().Count(), 0u);
    EXPECT_EQ(m_Service.Creates, 1);
}

TEST_F(OutboxSendTest, AnItemWhoseBaseIsNotKnownWaitsWithoutAnAttempt)
{
    m_Service.SectionNames["sec-1"] = "Inbox";
    ASSERT_EQ(Outbox().Add(PageCreateItem("A !2099-01-01 09:00", "sec-1")), TOutbox::TAddResult::Queued);
    m_Service.KnowsBases = false;
    Outbox().SendPending(m_Service);
    ASSERT_EQ(Outbox().Count(), 1u);
    EXPECT_TRUE(m_Service.Sent.empty());
    EXPECT_EQ(Outbox().Items()[0].Attempts, 0);
    EXPECT_TRUE(Outbox().Messages().empty());
    ASSERT_TRUE(Outbox().Items()[0].NextTry.has_value());

    // Once the base is known, the item goes out at its next time.
    m_Service.KnowsBases = true;
    m_Clock.Advance(kOutboxBaseUnknownSeconds);
    Outbox().SendPending(m_Service);
    EXPECT_EQ(Outbox().Count(), 0u);
    EXPECT_EQ(m_Service.Creates, 1);
}

} // namespace
} // namespace rz
