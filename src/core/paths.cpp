#include "core/paths.h"

#include "util/files.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace rz {

std::string ApplicationSupportFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    std::string home;
    if (const char* fromEnv = std::getenv("HOME"); fromEnv != nullptr && fromEnv[0] == '/') {
        home = fromEnv;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        home = entry->pw_dir;
    }
    if (home.empty()) {
        return {};
    }
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
