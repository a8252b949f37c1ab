// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace rz {

// A section a new reminder's page can go to.
struct TSectionChoice
{
    std::string Id;
    // "Notebook › Group › Section", as the user finds it in OneNote.
    std::string Path;
};

// The sections of the mirrored hierarchy ("notebookssections.json" in the account's store folder),
// in the order the hierarchy lists them: a notebook's section groups (nested ones first), then its
// own sections. Empty when the store holds no readable hierarchy yet.
std::vector<TSectionChoice> MirroredSections(const std::string& accountStorePath);

// A notebook the user may watch or leave: the user's own, or one shared with the user.
struct TNotebookChoice
{
    std::string Id;
    std::string Name;
    std::string OwnerName; // shared ones only
    bool Shared = false;
    bool Refused = false; // shared, but the service no longer opens it
};

// The user's own notebooks as last listed ("notebooks.json", unchecked ones included), then the
// shared ones ("sharednotebooks.json"), each list in its stored order.
std::vector<TNotebookChoice> NotebookChoices(const std::string& accountStorePath);

} // namespace rz
