#include "core/paths.h"

#include "util/files.h"

#include <cstdlib>

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
    paths.SettingsFilePath = paths.DataFolderPath + "/velaapp.plist";
    paths.HierarchyFilePath = paths.DataFolderPath + "/RedoZevuviva.json";
    paths.RemindersFilePath = paths.DataFolderPath + "/Reminders.plist";
    paths.TagPagesFilePath = paths.DataFolderPath + "/TagPages.plist";
    paths.PendingRemindersFilePath = paths.DataFolderPath + "/PendingReminders.plist";
    return paths;
}

} // namespace rz
