// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/outbox.h"

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
// The address, below the account's Graph base, that lists the section's pages whose title contains
// `title` (quote marks doubled, percent-encoded), ids and titles only.
std::string TitleLookupAddress(const std::string& sectionId, const std::string& title);
// True when a page list answer holds a page titled exactly `title`.
bool PageListHoldsTitle(std::string_view answer, const std::string& title);

// Creates the page with one POST of its XHTML. A page is created at most once: when an earlier
// attempt's answer was lost (the item is Unconfirmed), the section's pages are searched for the
// title first, and a page found there ends the item as done.
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
