// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"

#include "util/files.h"
#include "util/log.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace rz {

std::string ApplicationSupportFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* fromEnv = std::getenv("HOME");
    if (fromEnv == nullptr || fromEnv[0] != '/') {
        return {};
    }
    std::string home = fromEnv;
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    return home + "/.local/share";
}

AppPaths BuildAppPaths(const std::string& applicationSupportFolder, const std::string& bundleName)
{
    AppPaths paths;
    const std::string tidewell = applicationSupportFolder + "/Tidewell";
    paths.DataFolderPath = tidewell + "/" + bundleName;
    paths.StoreRootPath = tidewell + "/RESTDB";
    CreateFolder(paths.DataFolderPath);
    const auto file = [&](const char* name) { return paths.DataFolderPath + "/" + name; };
    paths.SettingsFilePath = file(kSettingsFileName);
    paths.HierarchyFilePath = file(kHierarchyFileName);
    paths.RemindersFilePath = file(kRemindersFileName);
    paths.TagPagesFilePath = file(kTagPagesFileName);
    paths.PendingRemindersFilePath = file(kPendingRemindersFileName);
    paths.OutboxFilePath = file(kOutboxFileName);
    return paths;
}

std::size_t TidyDataFolders(const AppPaths& paths, bool instanceLockHeld)
{
    TightenFolderMode(paths.DataFolderPath);
    if (TightenFolderMode(paths.StoreRootPath)) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(paths.StoreRootPath, error)) {
            if (entry.is_directory(error) && !entry.is_symlink(error)) {
                TightenFolderMode(entry.path().string());
            }
        }
    }
    if (!instanceLockHeld) {
        LogWarning(
            "temporary files left in place: without the instance lock another agent may be writing them");
        return 0;
    }
    return RemoveTemporaryFiles(paths.DataFolderPath, false) +
           RemoveTemporaryFiles(paths.StoreRootPath, true);
}

} // namespace rz
