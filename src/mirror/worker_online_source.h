// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/online_source.h"

#include <string>

namespace rz {

class MThreadOneNoteRESTDB;

// What the application hands the reminder engine: the engine's requests through the worker's
// tokens and request budget.
class MWorkerOnlineSource : public TOnlineSource
{
public:
    explicit MWorkerOnlineSource(MThreadOneNoteRESTDB& worker) : m_Worker(worker) {}
    // The page's HTML through the worker (budgeted); Failed or HeldBack with no text otherwise.
    TOnlineAnswer GetPageContent(const std::string& pageId) override;
    // A OneNote list below the account's base, or an absolute next link on the Graph host.
    TOnlineAnswer GetOneNoteList(const std::string& relativeOrNextLink) override;

private:
    MThreadOneNoteRESTDB& m_Worker;
};

} // namespace rz
