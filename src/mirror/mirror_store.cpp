// SPDX-License-Identifier: GPL-3.0-or-later
// Store operations: every create, write and delete below the account folder, guarded.
#include "mirror/store_path.h"
#include "mirror/thread_one_note_restdb.h"
#include "util/files.h"

#include <system_error>

namespace rz {

namespace fs = std::filesystem;

bool MThreadOneNoteRESTDB::StoreCreateFolder(const fs::path& path)
{
    const fs::path root = StoreRoot();
    if (root.empty() || !IsInsideStore(root, path)) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    if (!CreateFolder(path.string()) || !IsInsideStore(root, path)) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreWrite(const fs::path& path, const std::string& text)
{
    const fs::path root = StoreRoot();
    if (root.empty() || !IsInsideStore(root, path) || !WriteTextFile(path.string(), text)) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    if (path.filename() == "pages.json") {
        m_Shared.PagesChanged();
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreDeleteFolder(const fs::path& path)
{
    const fs::path root = StoreRoot();
    std::error_code error;
    if (root.empty() || !IsInsideStore(root, path) || fs::equivalent(root, path, error) ||
        !DeleteFolder(path.string())) {
        ++m_Counts.StoreErrorCount;
        return false;
    }
    return true;
}

bool MThreadOneNoteRESTDB::StoreHasFolder(const fs::path& path) const
{
    return FileExists(path.string());
}

} // namespace rz
