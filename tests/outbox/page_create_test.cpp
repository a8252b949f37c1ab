// SPDX-License-Identifier: GPL-3.0-or-later
// A new reminder's page against the Graph emulator, sent through a channel straight to it: created
// once, also when the answer is lost.
#include "emulator_channel.h"
#include "fake_one_note.h"
#include "mirror_harness.h"
#include "outbox/new_reminder_queue.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "util/clock.h"
#include "util/shared_value.h"

#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

// The pages of the emulated section with that title.
int PagesTitled(MirrorHarness& mirror, const std::string& title)
{
    const Json account = Json::parse(mirror.Emulator().Get("/_emulator/account").body);
    int count = 0;
    for (const Json& page : account["notebooks"][0]["sections"][0]["pages"]) {
        count += page.value("title", "") == title ? 1 : 0;
    }
    return count;
}

TEST(PageCreateTest, LostAnswerIsLookedUpAndThePageIsCreatedOnceAcrossARestart)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    MirrorHarness mirror{
        test::kPersonalUserId,
        Json::array({Container("Work", "nb-work", Json::array({Section("Inbox", "sec-inbox")}))})};
    ASSERT_TRUE(mirror.Running());
    AppState& state = mirror.State();
    test::EmulatorChannel channel(mirror.Emulator(), test::kAccessToken);
    const std::string path = state.Paths.DataFolderPath + "/Outbox.json";
    const auto makeOutbox = [&] {
        auto made = std::make_unique<TOutbox>(path, state.UserId);
        made->AddKind(std::make_unique<TPageCreateKind>());
        return made;
    };
    auto outbox = makeOutbox();
    const std::string title = "Tom & Jerry <3 !2099-12-10 09:00";
    ASSERT_EQ(outbox->Add(PageCreateItem(title, "sec-inbox")), TOutbox::TAddResult::Queued);

    // The service creates the page, but its answer breaks off.
    ASSERT_TRUE(mirror.Fault({{"route", "create"}, {"cutOff", true}}));
    outbox->SendPending(channel);
    EXPECT_EQ(mirror.Count("create"), 1);
    EXPECT_EQ(PagesTitled(mirror, title), 1);
    ASSERT_EQ(outbox->Count(), 1u);
    EXPECT_TRUE(outbox->Items()[0].Unconfirmed);

    // After a restart the item looks before it sends: the page is there, so nothing is sent again.
    outbox = makeOutbox();
    outbox->Load();
    ASSERT_EQ(outbox->Count(), 1u);
    clock.Advance(kOutboxRetryMaxSeconds + 1);
    const long lookups = mirror.Count("pages");
    outbox->SendPending(channel);
    EXPECT_EQ(outbox->Count(), 0u);
    EXPECT_GT(mirror.Count("pages"), lookups);
    EXPECT_EQ(mirror.Count("create"), 1);
    EXPECT_EQ(PagesTitled(mirror, title), 1);

    // A lost answer of a request that never reached the service: looked up while a list may lag,
    // then the item ends with a message rather than risk a second page.
    ASSERT_EQ(outbox->Add(PageCreateItem("Standup !! 09:15 [1,2,3,4,5]", "sec-inbox")),
              TOutbox::TAddResult::Queued);
    ASSERT_TRUE(mirror.Fault({{"route", "create"}, {"drop", true}}));
    outbox->SendPending(channel);
    EXPECT_EQ(PagesTitled(mirror, "Standup !! 09:15 [1,2,3,4,5]"), 0);
    clock.Advance(kPageListLagSeconds + 1);
    outbox->SendPending(channel);
    EXPECT_EQ(outbox->Count(), 0u);
    EXPECT_EQ(mirror.Count("create"), 2);
    EXPECT_EQ(PagesTitled(mirror, "Standup !! 09:15 [1,2,3,4,5]"), 0);
    ASSERT_FALSE(outbox->Messages().empty());
    EXPECT_EQ(outbox->Messages().back().Key, "strPageCreateUnconfirmed");
}

TEST(PageCreateTest, AGatewayAnswerAfterTheCreateAndALaggingListMakeNoSecondPage)
{
    ScopedFakeClock clock{SystemSecondsNow()};
    Json fixture = Json::parse(test::FixtureText(
        test::kPersonalUserId,
        Json::array({Container("Work", "nb-work", Json::array({Section("Inbox", "sec-inbox")}))})));
    fixture["createdPagesListedAfterSeconds"] = 300;
    test::EmulatorProcess::Options options;
    options.fixtureText = fixture.dump();
    MirrorHarness mirror{test::kPersonalUserId, options};
    ASSERT_TRUE(mirror.Running());
    test::EmulatorChannel channel(mirror.Emulator(), test::kAccessToken);
    TOutbox outbox(mirror.State().Paths.DataFolderPath + "/Outbox.json", mirror.State().UserId);
    outbox.AddKind(std::make_unique<TPageCreateKind>());
    const std::string title = "Dentist   !2099-12-10 09:00";
    ASSERT_EQ(outbox.Add(PageCreateItem(title, "sec-inbox")), TOutbox::TAddResult::Queued);

    // The page is made, the gateway in front answers 504, and the list lags five minutes behind.
    ASSERT_TRUE(mirror.Fault({{"route", "create"}, {"status", 504}, {"applied", true}}));
    for (int minute = 0; minute < 12 && outbox.Count() > 0; ++minute) {
        outbox.SendPending(channel);
        clock.Advance(60);
        ASSERT_TRUE(mirror.Emulator().AdvanceClock(60));
    }
    EXPECT_EQ(outbox.Count(), 0u);
    EXPECT_EQ(PagesTitled(mirror, title), 1);
}

// A page-create outbox over the in-process stand-in, with one section "Inbox".
struct CreateFixture
{
    CreateFixture()
    {
        user.Set("user-1");
        auto made = std::make_unique<TPageCreateKind>();
        kind = made.get();
        outbox.AddKind(std::move(made));
        service.SectionNames["sec-1"] = "Inbox";
    }
    int Titled(const std::string& title) const
    {
        int count = 0;
        for (const auto& entry : service.Pages) {
            count += entry.second.Title == title ? 1 : 0;
        }
        return count;
    }
    ScopedFakeClock clock{1'800'000'000};
    test::TempDir dir;
    SharedString user;
    TOutbox outbox{dir.File("Outbox.json"), user};
    test::FakeOneNote service;
    TPageCreateKind* kind = nullptr;
};

TEST(PageCreateTest, APageOfTheSameTitleStandingBeforeIsNeverTakenForTheNewOne)
{
    CreateFixture f;
    const std::string title = "Dentist !2099-12-10 09:00";
    f.service.Pages["pg-old"] = {"pg-old", "sec-1", title, {}};
    ASSERT_EQ(f.outbox.Add(PageCreateItem(title, "sec-1")), TOutbox::TAddResult::Queued);
    // The POST is cut off before the service took it.
    f.service.Faults.push_back({test::FakeOneNote::Fault::Lost, 0, {}, "POST"});
    f.outbox.SendPending(f.service);
    ASSERT_EQ(f.outbox.Count(), 1u);
    ASSERT_TRUE(f.outbox.Items()[0].Unconfirmed);
    for (int look = 0; look < 40 && f.outbox.Count() > 0; ++look) {
        f.clock.Advance(kPageLookupPauseSeconds);
        f.outbox.SendPending(f.service);
    }
    // No page was made, and none is made twice: the item ends with a word to the user.
    EXPECT_EQ(f.outbox.Count(), 0u);
    EXPECT_EQ(f.service.Creates, 0);
    EXPECT_EQ(f.Titled(title), 1);
    ASSERT_EQ(f.outbox.Messages().size(), 1u);
    EXPECT_EQ(f.outbox.Messages()[0].Key, "strPageCreateUnconfirmed");
}

TEST(PageCreateTest, AListLaggingPastTenMinutesMakesNoSecondPage)
{
    CreateFixture f;
    const std::string title = "Call Bob !2099-12-10 09:00";
    ASSERT_EQ(f.outbox.Add(PageCreateItem(title, "sec-1")), TOutbox::TAddResult::Queued);
    f.service.Faults.push_back({test::FakeOneNote::Fault::AppliedLost, 0, {}, "POST"});
    f.outbox.SendPending(f.service);
    ASSERT_EQ(f.service.Creates, 1);
    // The list does not show the page for twenty minutes.
    const test::FakeOneNote::Page made = f.service.Pages["pg-made-1"];
    f.service.Pages.erase("pg-made-1");
    for (int minute = 0; minute < 20; ++minute) {
        f.clock.Advance(60);
        f.outbox.SendPending(f.service);
    }
    f.service.Pages["pg-made-1"] = made;
    f.clock.Advance(kPageLookupPauseSeconds);
    f.outbox.SendPending(f.service);
    EXPECT_EQ(f.outbox.Count(), 0u);
    EXPECT_EQ(f.service.Creates, 1);
    EXPECT_TRUE(f.outbox.Messages().empty());
}

TEST(PageCreateTest, AFullSectionEndsTheItemWithItsName)
{
    CreateFixture f;
    f.service.SectionLimit = 0;
    ASSERT_EQ(f.outbox.Add(PageCreateItem("Call Bob !2099-12-10 09:00", "sec-1")),
              TOutbox::TAddResult::Queued);
    f.outbox.SendPending(f.service);
    EXPECT_EQ(f.outbox.Count(), 0u);
    ASSERT_EQ(f.outbox.Messages().size(), 1u);
    EXPECT_EQ(f.outbox.Messages()[0].Key, "strPageCreateSectionFull");
    EXPECT_EQ(f.outbox.Messages()[0].Detail, "Inbox");
}

// Whoever waits for a new page learns whether its section refused it for being full; the section
// stays known as full until a page is created there or the hold has passed.
TEST(PageCreateTest, AFullSectionIsKnownUntilAPageIsCreatedThereOrItsHoldPassed)
{
    CreateFixture f;
    const TFullSections& full = f.kind->FullSections();
    const std::string title = "Call Bob !2099-12-10 09:00";
    const auto fate = [&] { return NewPageFate(f.outbox, full, title, "sec-1"); };
    f.service.SectionLimit = 0;
    ASSERT_EQ(f.outbox.Add(PageCreateItem(title, "sec-1")), TOutbox::TAddResult::Queued);
    EXPECT_EQ(fate(), TNewPageFate::Untried);
    f.service.Faults.push_back({test::FakeOneNote::Fault::Refused, 0, "", ""});
    f.outbox.SendPending(f.service);
    EXPECT_EQ(fate(), TNewPageFate::Tried);
    EXPECT_FALSE(full.IsFull("sec-1"));

    f.clock.Advance(kOutboxRetryMaxSeconds);
    f.outbox.SendPending(f.service);
    EXPECT_EQ(fate(), TNewPageFate::SectionFull);
    EXPECT_TRUE(full.IsFull("sec-1"));
    EXPECT_FALSE(full.IsFull("sec-2"));
    f.clock.Advance(kFullSectionHoldSeconds);
    EXPECT_FALSE(full.IsFull("sec-1"));

    // Room made in OneNote: the page is created, and no refusal stands any longer.
    f.service.SectionLimit = 1000;
    ASSERT_EQ(f.outbox.Add(PageCreateItem(title, "sec-1")), TOutbox::TAddResult::Queued);
    f.outbox.SendPending(f.service);
    EXPECT_EQ(f.service.Creates, 1);
    EXPECT_EQ(fate(), TNewPageFate::Ended);
}

// --add turns a section known as full away before anything is queued; the dialog's Add still queues.
TEST(PageCreateTest, ANewReminderForASectionKnownFullIsTurnedAwayWhenAsked)
{
    CreateFixture f;
    f.service.SectionLimit = 0;
    ASSERT_EQ(f.outbox.Add(PageCreateItem("Old !2099-12-10 09:00", "sec-1")), TOutbox::TAddResult::Queued);
    f.outbox.SendPending(f.service);
    const std::string settings = f.dir.File("velaapp.plist");
    const std::string typed = "Call Bob !2099-12-10 09:00";
    const TFullSections* full = &f.kind->FullSections();
    EXPECT_EQ(QueueNewReminder(f.outbox, settings, typed, "sec-1", DateNow(), full).Result,
              TNewReminderQueueResult::SectionFull);
    EXPECT_EQ(f.outbox.Count(), 0u);
    EXPECT_EQ(QueueNewReminder(f.outbox, settings, typed, "sec-2", DateNow(), full).Result,
              TNewReminderQueueResult::Queued);
    EXPECT_EQ(QueueNewReminder(f.outbox, settings, typed, "sec-1", DateNow()).Result,
              TNewReminderQueueResult::Queued);
}

TEST(PageCreateTest, TitlesAreComparedAsTheServiceStoresThem)
{
    const std::string answer = R"({"value":[{"id":"1","title":"Dentist !2099-12-10 09:00"}]})";
    EXPECT_TRUE(PageListHoldsTitle(answer, " Dentist\u00a0 !2099-12-10\t09:00 "));
    EXPECT_FALSE(PageListHoldsTitle(answer, "Dentist !2099-12-10 09:30"));
}

} // namespace
} // namespace rz
