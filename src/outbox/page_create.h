// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox/full_sections.h"
#include "outbox/outbox.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

// The outbox kind of a page created for a new reminder.
inline constexpr const char* kPageCreateKind = "page-create";

// The item that creates a page titled `title` in the section `sectionId`. The same title waiting for
// the same section is one item.
TOutboxItem PageCreateItem(const std::string& title, const std::string& sectionId);
// How long a page list may lag behind a create whose answer was lost: the look-ups go on this long
// after the POST; a page not listed by then ends the item with a message, never a second POST.
inline constexpr double kPageListLagSeconds = 3600;
// The item's field with the ids of the pages of its title that stood before its first POST.
inline constexpr const char* kKnownPagesField = "knownPageIds";
// The pause between two look-ups while a lost create may still show up.
inline constexpr double kPageLookupPauseSeconds = 120;

// The title as the service may store it: its ends trimmed and every run of blanks (white space and
// Unicode space separators) one space.
std::string StoredTitleForm(std::string_view title);
// True when two titles are one page title once the service has stored them.
bool SameStoredTitle(std::string_view a, std::string_view b);

// The address, below the account's Graph base, that lists the section's pages whose title contains
// the title's longest run without blanks (quote marks doubled, percent-encoded), ids and titles only:
// a search for the whole title would miss a title whose blanks the service changed.
std::string TitleLookupAddress(const std::string& sectionId, const std::string& title);
// The ids of a page list answer's pages whose title is SameStoredTitle as `title`; empty when none.
std::vector<std::string> PageIdsTitled(std::string_view answer, const std::string& title);
// True when a page list answer holds a page whose title is SameStoredTitle as `title`.
bool PageListHoldsTitle(std::string_view answer, const std::string& title);

// Creates the page with one POST of its XHTML, at most once. Before the first POST the ids of the
// section's pages of that title are kept; when an attempt's answer was lost (the item is
// Unconfirmed) the section is searched for the title, and only a page not kept before ends the item
// as done. A page list may lag behind a create, so a page not found is looked for again until
// kPageListLagSeconds have passed since that POST; then the item ends with a message.
class TPageCreateKind : public TOutboxKind
{
public:
    std::string Name() const override { return kPageCreateKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override;

    // Titles whose page was created since the last call, oldest first; the main thread takes them
    // to show each as waiting until the mirror brings its reminder.
    std::vector<std::string> TakeCreated();
    // The sections this kind's creates found full: marked by a refusal for it, cleared by a page
    // created there.
    const TFullSections& FullSections() const { return m_FullSections; }

private:
    TOutboxOutcome Attempt(TOutboxLink& link, TOutboxItem& item);
    // A lost create's page is not listed: look again later, or end the item once the lag is past.
    static TOutboxOutcome AfterLostCreate(TOutboxItem& item);
    std::mutex m_Mutex;
    std::vector<std::string> m_Created;
    TFullSections m_FullSections;
};

} // namespace rz
