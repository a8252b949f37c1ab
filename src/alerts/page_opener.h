// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rz {

class TAReminder;

// The page's OneNote for the web address ("links" → "oneNoteWebUrl" → "href") in a page-list
// answer such as the reminder pages text; empty when the page or its address is not there.
std::string WebUrlOfPage(std::string_view pagesJson, std::string_view pageId);

// Which address opens a page: the client link when the desktop can open "onenote:" links, else the
// web address; each stands in for the other when it is missing.
std::string PageAddressToOpen(const std::string& clientLink, const std::string& webUrl, bool clientHandler);

// Opens reminders' pages the same way from every place that offers it. The reminder records keep
// only the client link, so stored files stay as they were; the web address is looked up by page id
// in the latest reminder pages text. Main thread.
class TPageOpener
{
public:
    // `hasClientHandler` is asked once, at the first open (asking the desktop takes a moment);
    // `reminderPagesJson` gives the latest reminder pages text.
    TPageOpener(std::function<bool()> hasClientHandler, std::function<std::string()> reminderPagesJson);

    // Hands the chosen address, braces removed, to the registered URL opener; nothing when the
    // reminder has no address at all.
    void Open(const std::string& clientLink, const std::string& pageId);
    void Open(const TAReminder& reminder);

private:
    std::function<bool()> m_HasClientHandler;
    std::function<std::string()> m_ReminderPagesJson;
    int m_ClientHandler = -1; // not asked yet
};

} // namespace rz
