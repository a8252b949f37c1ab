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

} // namespace rz
