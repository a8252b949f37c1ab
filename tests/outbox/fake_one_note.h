// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/one_note_channel.h"
#include "util/json.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace rz::test {

// The outbox's channel to an in-process stand-in of OneNote's page routes, for tests that drive the
// outbox without a worker: a page's content with generated ids (renumbered by every update, as the
// service may), a PATCH that replaces one element, a page POST into a section with a page limit, a
// section's page list and name. Scripted faults take the next requests in turn.
class FakeOneNote : public TOneNoteChannel
{
public:
    // One tagged paragraph ("p", "h1"…"h6") or flat list item ("li") of a page.
    struct Element
    {
        std::string Tag = "p";
        std::string DataTag; // empty: untagged
        std::string Text;    // as the page shows it (escaped when served)
        bool operator==(const Element&) const = default;
    };
    struct Page
    {
        std::string Id;
        std::string SectionId;
        std::string Title;
        std::vector<Element> Elements;
    };
    // What the next request meets.
    enum class Fault {
        Status,        // answered with Status and Body, nothing applied
        AppliedStatus, // applied, then answered with Status and Body (a gateway's answer)
        AppliedLost,   // applied, then the connection breaks before the answer
        Lost,          // the connection breaks after the request went out, nothing applied
        Refused,       // the connection is refused: nothing went out
        Renumber,      // the page is updated elsewhere first (its generated ids change), then served
    };
    struct Scripted
    {
        Fault Kind = Fault::Status;
        long Status = 503;
        std::string Body;
        std::string Method; // empty: the next request of any method
    };

    std::map<std::string, Page> Pages;                        // by id
    std::map<std::string, std::string> SectionNames;          // by id; a section not named here is unknown
    std::size_t SectionLimit = 1000;                          // pages a section holds at most
    std::deque<Scripted> Faults;                              // taken in turn by matching requests
    std::vector<TOneNoteRequest> Sent;                        // every request that went out, in order
    int Creates = 0;                                          // pages made by POSTs
    std::vector<std::pair<std::string, std::size_t>> Patched; // page id and element of every applied PATCH
    bool KnowsBases = true;                                   // false: every base is unknown yet
    static constexpr const char* kBase = "https://graph.test/v1.0/me";

    std::string BaseForAddress(const std::string&) override { return KnowsBases ? kBase : std::string(); }
    bool Stopping() const override { return false; }
    bool SignedIn() const override { return true; }
    std::optional<HttpResponse> Exchange(const TOneNoteRequest& request,
                                         const std::function<bool()>& beforeSend) override;

    // The page's content as the service serves it with includeIDs=true.
    std::string Content(const Page& page) const;
    // The generated id of the page's element at `index` now.
    std::string ElementId(const Page& page, std::size_t index) const;

private:
    int m_Generation = 1;
    // Answers a request that reached the service (and applies it).
    HttpResponse Serve(const TOneNoteRequest& request);
    HttpResponse Patch(Page& page, const std::string& body);
    HttpResponse Create(const std::string& sectionId, const std::string& body);
};

} // namespace rz::test
