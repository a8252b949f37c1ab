// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "reminders/reminder_handle.h"
#include "reminders_test_support.h"
#include "util/clock.h"
#include "util/json.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rz::test {

// Stands in for the mirror worker: page contents by id, and the account's page listing by last change
// (with $skip/$top or a next link, as the service pages it). Counts every request.
class FakeOnline : public TOnlineSource
{
public:
    std::map<std::string, std::string> content;      // page id → HTML
    std::map<std::string, std::string> changedAt;    // page id → Graph time of its last change
    std::map<std::string, std::string> titles;       // page id → title the listing gives
    std::map<std::string, TOnlineStatus> readStatus; // page id → a forced outcome
    std::set<std::string> heldBack;                  // page ids whose reads get no slot
    bool listFails = false;
    std::vector<std::string> reads;
    std::vector<std::string> lists;
    // Called before a read answers (to act as another thread would meanwhile).
    std::function<void(const std::string&)> beforeRead;

    TOnlineAnswer GetPageContent(const std::string& pageId) override
    {
        if (heldBack.count(pageId) != 0) {
            return {TOnlineStatus::HeldBack, {}};
        }
        reads.push_back(pageId);
        if (beforeRead) {
            beforeRead(pageId);
        }
        if (const auto it = readStatus.find(pageId); it != readStatus.end()) {
            return {it->second, {}};
        }
        const auto it = content.find(pageId);
        if (it == content.end()) {
            return {TOnlineStatus::Failed, {}};
        }
        return {TOnlineStatus::Ok, it->second};
    }

    TOnlineAnswer GetOneNoteList(const std::string& relative) override
    {
        lists.push_back(relative);
        if (listFails) {
            return {TOnlineStatus::Failed, R"({"error":{"code":"20266","message":"too many sections"}})"};
        }
        std::vector<std::pair<std::string, std::string>> pages(changedAt.begin(), changedAt.end());
        std::stable_sort(pages.begin(), pages.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        const std::size_t skip = Number(relative, "$skip=", 0);
        const std::size_t top = Number(relative, "$top=", 20);
        Json value = Json::array();
        for (std::size_t i = skip; i < pages.size() && i < skip + top; ++i) {
            value.push_back({{"id", pages[i].first}, {"lastModifiedDateTime", pages[i].second}});
            if (const auto title = titles.find(pages[i].first); title != titles.end()) {
                value.back()["title"] = title->second;
            }
        }
        const Json answer = {{"@odata.context", "https://graph/v1.0/$metadata#users('u')/onenote/pages"},
                             {"value", value}};
        return {TOnlineStatus::Ok, answer.dump()};
    }

    std::size_t ReadsOf(const std::string& pageId) const
    {
        return static_cast<std::size_t>(std::count(reads.begin(), reads.end(), pageId));
    }

private:
    static std::size_t Number(const std::string& text, const std::string& key, std::size_t fallback)
    {
        const std::size_t at = text.find(key);
        return at == std::string::npos ? fallback : std::stoul(text.substr(at + key.size()));
    }
};

inline std::string PageLink(const std::string& pageId)
{
    return "onenote:https://d.docs.live.net/x/Notes/Work.one#Page&section-id={S1}&page-id={" + pageId +
           "}&end";
}

// A page's content as the service gives it with element ids.
inline std::string PageHtml(const std::string& title, const std::string& body)
{
    return "<html lang=\"en-US\">\n<head>\n<title>" + title +
           "</title>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n</head>\n"
           "<body data-absolute-enabled=\"true\" style=\"font-family:Calibri\">\n"
           "<div id=\"div:{0A1B}{1}\" data-id=\"_default\">\n" +
           body + "\n</div>\n</body>\n</html>\n";
}

// One tagged paragraph.
inline std::string Para(const std::string& id, const std::string& text, const std::string& tag = "to-do")
{
    return "<p id=\"" + id + "\" data-tag=\"" + tag + "\">" + text + "</p>";
}

// One page of a reminder page list.
inline Json PageEntry(const std::string& id, const std::string& title, const std::string& modified,
                      const std::string& created = "2021-03-01T09:00:00Z")
{
    return {{"id", id},
            {"title", title},
            {"createdDateTime", created},
            {"lastModifiedDateTime", modified},
            {"links", {{"oneNoteClientUrl", {{"href", PageLink(id)}}}}}};
}

inline std::string PageList(const std::vector<Json>& pages)
{
    Json list = {{"@odata.context", "https://graph/v1.0/$metadata#pages"}, {"value", Json::array()}};
    for (const Json& page : pages) {
        list["value"].push_back(page);
    }
    return list.dump();
}

// The engine over a private data folder, a fake online source, the Berlin zone and a fake clock at
// Wednesday 2021-03-10 12:00.
class EngineFixture
{
public:
    EngineFixture()
    {
        m_State.EngineFiles = {m_Dir.File("RedoZevuviva.json"), m_Dir.File("Reminders.plist"),
                               m_Dir.File("TagPages.plist")};
    }

    TReminderHandle Engine() { return TReminderHandle(m_State, &m_Online); }

    // Sets the page list and runs the loader.
    void Load(const std::vector<Json>& pages)
    {
        m_State.ReminderPagesJson.Set(PageList(pages));
        Engine().Run();
    }

    ReminderPtr Reminder(const std::string& id) { return m_State.ReminderList.GetByID(id); }

    ScopedTimeZone m_Tz{kBerlinTz};
    ScopedFakeClock m_Clock{Local(2021, 3, 10, 12, 0, 0).seconds};
    TempDir m_Dir;
    TEngineState m_State;
    FakeOnline m_Online;
};

} // namespace rz::test

namespace rz {
// The helpers every engine test uses, by their short names.
using test::Local;
using test::PageEntry;
using test::PageHtml;
using test::Para;
} // namespace rz
