// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/autostart.h"

#include "util/files.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace rz {
namespace {

std::string ConfigHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config";
    }
    return {};
}

// Exec takes a quoted argument with ", `, $ and \ escaped by a backslash, and the value as a whole
// escapes each backslash once more; "%" starts a field code and is doubled.
std::string QuotedExecArgument(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
        } else if (c == '\\') {
            quoted += "\\\\\\";
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool IsSafeEntryPath(const std::string& path)
{
    return !path.empty() && path[0] == '/' && path.find_first_of("\r\n") == std::string::npos;
}

} // namespace

std::string AutostartFilePath()
{
    const std::string config = ConfigHome();
    if (config.empty()) {
        return {};
    }
    return config + "/autostart/redozevuviva.desktop";
}

std::string AutostartEntryText(const std::string& executablePath, const std::string& dataHome)
{
    if (!IsSafeEntryPath(executablePath) || (!dataHome.empty() && !IsSafeEntryPath(dataHome))) {
        return {};
    }
    std::string exec = QuotedExecArgument(executablePath);
    if (!dataHome.empty()) {
        exec += " --data-home " + QuotedExecArgument(dataHome);
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=RedoZevuviva\n"
           "Comment=Reminders from your OneNote pages\n"
           "Exec=" +
           exec +
           "\n"
           "Icon=redozevuviva\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n"
           // The panel that holds the tray starts with the session too: GNOME waits the delay, KDE
           // and LXQt wait for their panel's tray. Elsewhere the agent keeps looking for a tray.
           "X-GNOME-Autostart-Delay=" +
           std::to_string(kAutostartDelaySeconds) +
           "\n"
           "X-KDE-autostart-after=panel\n"
           "X-LXQt-Need-Tray=true\n";
}

bool IsAutostartEnabled()
{
    const std::string path = AutostartFilePath();
    return !path.empty() && FileExists(path);
}

bool SetAutostartEnabled(bool enabled, const std::string& executablePath, const std::string& dataHome)
{
    const std::string path = AutostartFilePath();
    if (path.empty()) {
        return false;
    }
    if (!enabled) {
        std::error_code error;
        std::filesystem::remove(path, error);
        return !error;
    }
    const std::string text = AutostartEntryText(executablePath, dataHome);
    if (text.empty()) {
        return false;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return CreateFolder(folder) && WriteTextFile(path, text);
}

} // namespace rz
