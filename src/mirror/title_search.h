// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/json.h"

#include <set>
#include <string>

namespace rz {

// A title search in progress over several requests (worker thread only).
struct TTitleSearch
{
    std::string user; // progress belongs to one account
    int skip = 0;
    std::string first; // the first answer as received
    Json context;
    Json pages = Json::array();
    std::set<std::string> seen;
};

// The title search's steps.
enum class TSearchStep {
    More,     // a full hundred with new pages: ask for the next
    Complete, // every "!" page is in the search
    Stopped,  // put off for the budget (progress kept) or refused (progress dropped)
};

} // namespace rz
