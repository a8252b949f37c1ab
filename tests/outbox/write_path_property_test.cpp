// SPDX-License-Identifier: GPL-3.0-or-later
// The write path as a whole: a tick and a new page through the real outbox and kinds, against a
// stand-in of the service that answers by generated sequences of faults, restarts and an account
// change. Whatever happens, the intended to-do is ticked exactly once or its item ends with a
// message, no other element of the page changes, no page is made twice, and no item is lost.
#include "fake_one_note.h"
#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "outbox/todo_done.h"
#include "reminders/reminder.h"
#include "reminders/tag_reader.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/shared_value.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <sstream>

namespace rz {
namespace {

using Fake = test::FakeOneNote;

// One step of a run.
struct Step
{
    enum Kind { Fault, Pass, Wait, Restart, OtherAccount } What = Pass;
    Fake::Scripted Scripted;
    int Seconds = 0;
};

std::ostream& operator<<(std::ostream& out, const Step& step)
{
    static const char* const kinds[] = {"fault", "pass", "wait", "restart", "other-account"};
    out << kinds[step.What];
    if (step.What == Step::Fault) {
        out << "(" << static_cast<int>(step.Scripted.Kind) << " " << step.Scripted.Status << " "
            << step.Scripted.Method << " " << step.Scripted.Body << ")";
    } else if (step.What == Step::Wait) {
        out << "(" << step.Seconds << ")";
    }
    return out;
}

rc::Gen<Fake::Element> ElementGen()
{
    // Few texts, so that twins come up; entities, odd Unicode and line ends among them.
    return rc::gen::build<Fake::Element>(
        rc::gen::set(&Fake::Element::Tag, rc::gen::element<std::string>("p", "li")),
        rc::gen::set(&Fake::Element::DataTag,
                     rc::gen::element<std::string>("to-do", "to-do", "to-do:completed", "important", "",
                                                   "to-do,important", "critical, to-do")),
        rc::gen::set(&Fake::Element::Text,
                     rc::gen::element<std::string>("Call Bob", "Call Bob", "Tom & Jerry <3",
                                                   "\"quoted\" 'single'",
                                                   "Stra\xc3\x9f"
                                                   "e \xf0\x9f\x98\x80",
                                                   "a\r\nb", "x\xc2\xa0 y", "Feed cat",
                                                   "\xe2\x80\x8f\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d")));
}

rc::Gen<Fake::Scripted> FaultGen()
{
    const auto error = [](const char* code) {
        return std::string(R"({"error":{"code":")") + code + R"(","message":"m"}})";
    };
    return rc::gen::build<Fake::Scripted>(
        rc::gen::set(&Fake::Scripted::Kind, rc::gen::element(Fake::Fault::Status, Fake::Fault::AppliedStatus,
                                                             Fake::Fault::AppliedLost, Fake::Fault::Lost,
                                                             Fake::Fault::Refused, Fake::Fault::Renumber)),
        rc::gen::set(&Fake::Scripted::Status, rc::gen::element(503L, 504L, 429L, 400L, 500L)),
        rc::gen::set(&Fake::Scripted::Body,
                     rc::gen::element(std::string(), error("10007"), error("20166"), error("30103"))),
        rc::gen::set(&Fake::Scripted::Method, rc::gen::element<std::string>("", "GET", "PATCH", "POST")));
}

rc::Gen<Step> StepGen()
{
    return rc::gen::oneOf(
        rc::gen::build<Step>(rc::gen::set(&Step::What, rc::gen::just(Step::Fault)),
                             rc::gen::set(&Step::Scripted, FaultGen())),
        rc::gen::build<Step>(rc::gen::set(&Step::What, rc::gen::just(Step::Pass))),
        rc::gen::build<Step>(rc::gen::set(&Step::What, rc::gen::just(Step::Wait)),
                             rc::gen::set(&Step::Seconds, rc::gen::inRange(1, 2000))),
        rc::gen::build<Step>(rc::gen::set(&Step::What, rc::gen::just(Step::Restart))),
        rc::gen::build<Step>(rc::gen::set(
            &Step::What, rc::gen::weightedElement<Step::Kind>({{1, Step::OtherAccount}, {9, Step::Pass}}))));
}

// The tag a tick leaves: the open to-do tag completed, every other tag as it was.
std::vector<std::string> Completed(const std::string& dataTag)
{
    std::vector<std::string> tags = DataTagList(dataTag);
    std::replace(tags.begin(), tags.end(), std::string("to-do"), std::string("to-do:completed"));
    return tags;
}

bool EndedWithMessage(const TOutbox& outbox, const std::string& label)
{
    const std::vector<TOutboxMessage> messages = outbox.Messages();
    return std::any_of(messages.begin(), messages.end(),
                       [&](const TOutboxMessage& m) { return m.Label == label; });
}

RC_GTEST_PROP(WritePathProperty, ATickAndANewPageLandOnceOrEndWithAMessage, ())
{
    const auto elements = *rc::gen::nonEmpty(rc::gen::container<std::vector<Fake::Element>>(ElementGen()));
    const bool titleStandsAlready = *rc::gen::arbitrary<bool>();
    const auto steps = *rc::gen::resize(40, rc::gen::container<std::vector<Step>>(StepGen()));

    Fake service;
    service.SectionNames["sec-1"] = "Inbox";
    service.Pages["pg-1"] = {"pg-1", "sec-1", "!Work", elements};
    const std::string title = "Standup !! 09:15 [1,2,3,4,5]";
    if (titleStandsAlready) {
        service.Pages["pg-0"] = {"pg-0", "sec-1", title, {}};
    }
    const Fake::Page original = service.Pages["pg-1"];

    // The to-do the user marks done, as the tag reader gave it to the reminder.
    const std::vector<TTaggedElement> tagged = ReadTaggedElements(service.Content(original)).value();
    std::vector<std::size_t> open;
    for (std::size_t i = 0, t = 0; i < elements.size(); ++i) {
        if (elements[i].DataTag.empty()) {
            continue;
        }
        RC_ASSERT(t < tagged.size());
        if (HasOpenToDoTag(tagged[t].DataTag)) {
            open.push_back(i);
        }
        ++t;
    }
    RC_PRE(!open.empty());
    const std::size_t intended = *rc::gen::elementOf(open);
    const std::string intendedId = service.ElementId(original, intended);
    const auto read = std::find_if(tagged.begin(), tagged.end(),
                                   [&](const TTaggedElement& e) { return e.Id == intendedId; });
    RC_ASSERT(read != tagged.end());

    ScopedFakeClock clock{1'800'000'000};
    test::TempDir dir;
    SharedString user;
    user.Set("user-1");
    const auto start = [&] {
        auto made = std::make_unique<TOutbox>(dir.File("Outbox.json"), user);
        made->AddKind(std::make_unique<TToDoDoneKind>());
        made->AddKind(std::make_unique<TPageCreateKind>());
        made->Load();
        return made;
    };
    auto outbox = start();
    RC_ASSERT(outbox->Add(ToDoDoneItem("pg-1", read->Id, read->Text)) == TOutbox::TAddResult::Queued);
    RC_ASSERT(outbox->Add(PageCreateItem(title, "sec-1")) == TOutbox::TAddResult::Queued);

    for (const Step& step : steps) {
        switch (step.What) {
        case Step::Fault:
            service.Faults.push_back(step.Scripted);
            break;
        case Step::Pass:
            outbox->SendPending(service);
            break;
        case Step::Wait:
            clock.Advance(step.Seconds);
            break;
        case Step::Restart:
            outbox = start();
            break;
        case Step::OtherAccount:
            // Another account signs in; its items never go out for the first one.
            user.Set("user-2");
            outbox->SendPending(service);
            break;
        }
    }
    // The service recovers; the outbox goes on until nothing waits.
    service.Faults.clear();
    for (int round = 0; round < 40 && outbox->Count() > 0; ++round) {
        clock.Advance(kOutboxRetryMaxSeconds);
        outbox->SendPending(service);
    }
    for (const TOutboxItem& item : outbox->Items()) {
        RC_LOG() << "waiting: " << item.Kind << " " << item.LastError << " " << item.Fields.dump() << "\n";
    }
    for (const TOneNoteRequest& sent : service.Sent) {
        RC_LOG() << sent.Method << " " << sent.Address << "\n";
    }
    RC_ASSERT(outbox->Count() == 0u);

    // No element but the intended one changed; it changed only by its tag's completion.
    const Fake::Page& now = service.Pages.at("pg-1");
    RC_ASSERT(now.Elements.size() == original.Elements.size());
    for (std::size_t i = 0; i < now.Elements.size(); ++i) {
        if (i != intended) {
            RC_ASSERT(now.Elements[i] == original.Elements[i]);
        }
    }
    const Fake::Element& target = now.Elements[intended];
    RC_ASSERT(target.Text == original.Elements[intended].Text);
    const bool ticked = DataTagList(target.DataTag) == Completed(original.Elements[intended].DataTag);
    RC_ASSERT(ticked || target.DataTag == original.Elements[intended].DataTag);
    const auto patches = std::count(service.Patched.begin(), service.Patched.end(),
                                    std::make_pair(std::string("pg-1"), intended));
    RC_ASSERT(patches <= 1);
    RC_ASSERT(ticked || EndedWithMessage(*outbox, read->Text));

    // The page is made once at most, and when it is not, the user is told.
    RC_ASSERT(service.Creates <= 1);
    RC_ASSERT(service.Creates == 1 || EndedWithMessage(*outbox, title));
}

} // namespace
} // namespace rz
