// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What became of a section's page list, and of its requests, in the mirror's walk.

namespace rz {

// Section page lists, in creation order (an edit during paging moves no page). A section with
// 100 pages or more is asked for the following hundreds with "$skip" until an answer holds
// fewer or adds no new page, and stored as one list; a shorter section is stored exactly as
// answered. Paging stops with the stretch and goes on from there later. A section that fails (a
// refusal of any code included), or that the budget puts off, waits in the section table.
enum class TSectionFetch {
    Listed,    // the page list is stored
    NotListed, // put off for the budget, or not asked (no account, no network, the store refused)
    Failed,    // an HTTP error or an answer that is no page list: the section backs off
};

// One page-list request.
enum class TSendOutcome {
    Ok,
    HttpError, // tokens refreshed
    Invalid,   // an answer that is no page list
    NotSent,   // the worker stops, no slot, or refused for now (IsTemporaryRefusal): put off
};

// How a stored list was read: in one request, paged through whole, or its changes merged.
enum class TListRead {
    Short,
    Paged,
    Changes,
};

} // namespace rz
