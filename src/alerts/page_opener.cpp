// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/page_opener.h"

#include "reminders/reminder.h"
#include "util/files.h"
#include "util/json.h"

#include <utility>

namespace rz {

std::string WebUrlOfPage(std::string_view pagesJson, std::string_view pageId)
{
    if (pagesJson.empty() || pageId.empty()) {
        return {};
    }
    const Json pages = JsonTextToObject(pagesJson);
    const Json* list = JsonArray(pages, "value");
    if (!list) {
        return {};
    }
    for (const Json& page : *list) {
        if (JsonText(page, "id") != pageId) {
            continue;
        }
        const auto links = page.find("links");
        if (links == page.end() || !links->is_object()) {
            return {};
        }
        const auto web = links->find("oneNoteWebUrl");
        return web != links->end() ? JsonText(*web, "href") : std::string();
    }
    return {};
}

std::string PageAddressToOpen(const std::string& clientLink, const std::string& webUrl, bool clientHandler)
{
    if (clientHandler) {
        return clientLink.empty() ? webUrl : clientLink;
    }
    return webUrl.empty() ? clientLink : webUrl;
}

TPageOpener::TPageOpener(std::function<bool()> hasClientHandler,
                         std::function<std::string()> reminderPagesJson)
    : m_HasClientHandler(std::move(hasClientHandler)), m_ReminderPagesJson(std::move(reminderPagesJson))
{
}

void TPageOpener::Open(const std::string& clientLink, const std::string& pageId)
{
    if (m_ClientHandler < 0) {
        m_ClientHandler = m_HasClientHandler && m_HasClientHandler() ? 1 : 0;
    }
    // With a handler the web address is not needed, so the pages text is not even parsed.
    const std::string webUrl = m_ClientHandler == 1 || !m_ReminderPagesJson
                                   ? std::string()
                                   : WebUrlOfPage(m_ReminderPagesJson(), pageId);
    const std::string address = PageAddressToOpen(clientLink, webUrl, m_ClientHandler == 1);
    if (!address.empty()) {
        OpenUrl(address);
    }
}

void TPageOpener::Open(const TAReminder& reminder)
{
    Open(reminder.link().value_or(std::string()), reminder.pageId().value_or(std::string()));
}

} // namespace rz
