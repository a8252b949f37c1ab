// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
// How long a page list may lag behind a create whose answer was lost: no second POST goes out
// before this much time has passed since the first, whatever the look-ups found.
inline constexpr double kPageListLagSeconds = 600;
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
// True when a page list answer holds a page whose title is SameStoredTitle as `title`.
bool PageListHoldsTitle(std::string_view answer, const std::string& title);

// Creates the page with one POST of its XHTML. A page is created at most once: when an earlier
// attempt's answer was lost (the item is Unconfirmed), the section's pages are searched for the
// title first, and a page found there ends the item as done. A page list may lag behind a create,
// so a page not found is looked for again until kPageListLagSeconds have passed since that POST.
class TPageCreateKind : public TOutboxKind
{
public:
    std::string Name() const override { return kPageCreateKind; }
    TOutboxOutcome Send(TOutboxLink& link, TOutboxItem& item) override;

    // Titles whose page was created since the last call, oldest first; the main thread takes them
    // to show each as waiting until the mirror brings its reminder.
    std::vector<std::string> TakeCreated();

private:
    std::mutex m_Mutex;
    std::vector<std::string> m_Created;
};

} // namespace rz
