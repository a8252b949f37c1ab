// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Internal to the core: owning handle for libplist nodes, and the file reader both the list files
// and the settings store use. Not part of the public headers.

#include <memory>
#include <plist/plist.h>
#include <string>

namespace rz {

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The file parsed as an XML property list; null when missing, binary or not a property list.
PlistPtr ReadPlistFile(const std::string& path);
// The node as an XML property list; empty on failure.
std::string PlistToXml(plist_t node);

} // namespace rz
