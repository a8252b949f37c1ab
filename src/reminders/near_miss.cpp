// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/near_miss.h"

#include "reminders/tag_reader.h"
#include "reminders/title_reading.h"
#include "util/json.h"
#include "util/text.h"

#include <algorithm>
#include <utility>

namespace rz {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Weekday items after "!!" that the syntax skips: anything but a single digit from 1 to 7.
bool HasWeekdayOutOfRange(std::string_view afterMarks)
{
    const std::string list = StrBetween(afterMarks, "[", "]");
    std::size_t begin = 0;
    while (!list.empty() && begin <= list.size()) {
        std::size_t end = list.find(',', begin);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string item = StrTrim(std::string_view(list).substr(begin, end - begin));
        if (!item.empty() && !(item.size() == 1 && item[0] >= '1' && item[0] <= '7')) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

// The syntax's fixed places report where an out-of-range field stopped the reading, counted from
// the mark; a reading that went to its end reports 0 or the end of the text. Only a field holding a
// number stopped it for a reason worth telling: "Order !3000 cups" stops at the letters.
std::optional<TNearMissReason> StoppedAt(std::int64_t offset, bool repeating, std::string_view y)
{
    // The field's place in the trimmed date text: a repeating reading counts from its second mark.
    const std::size_t at =
        static_cast<std::size_t>(std::max<std::int64_t>(0, repeating ? offset - 1 : offset));
    const bool number = (at < y.size() && IsDigit(y[at])) || (at + 1 < y.size() && IsDigit(y[at + 1]));
    if (!number) {
        return std::nullopt;
    }
    if (repeating) {
        switch (offset) {
        case 4:
            return TNearMissReason::MinuteOutOfRange;
        case 7:
            return TNearMissReason::SecondOutOfRange;
        default:
            return std::nullopt;
        }
    }
    switch (offset) {
    case 5:
        return TNearMissReason::MonthOutOfRange;
    case 8:
        return TNearMissReason::DayOutOfRange;
    case 11:
        return TNearMissReason::HourStopsReading;
    case 14:
        return TNearMissReason::MinuteOutOfRange;
    case 17:
        return TNearMissReason::SecondOutOfRange;
    default:
        return std::nullopt;
    }
}

std::optional<TNearMiss> RepeatingNearMiss(const std::string& readable, bool found,
                                           const detail::TitleReading& r, std::int64_t start,
                                           std::int64_t end)
{
    const std::string rest = StrBetween(readable, "!!", "");
    const std::string y = StrTrim(rest);
    if (!found) {
        // Only a time that begins with digits was meant as one; "!!7" and "!!" alone stay unlisted.
        if (y.size() >= 2 && IsDigit(y[0])) {
            return TNearMiss{TNearMissReason::HourOutOfRange, true, std::nullopt};
        }
        return std::nullopt;
    }
    if (!StringToDate(rest)) {
        if (y.empty() || !IsDigit(y[0])) {
            return TNearMiss{TNearMissReason::NoTimeAfterRepeat, true, r.dt};
        }
        if (y.size() >= 2 && !IsDigit(y[1])) {
            return TNearMiss{TNearMissReason::OneDigitHour, true, r.dt};
        }
        if (end != 0) {
            if (const auto stopped = StoppedAt(end - start, true, y)) {
                return TNearMiss{*stopped, true, r.dt};
            }
        }
    }
    if (HasWeekdayOutOfRange(rest)) {
        return TNearMiss{TNearMissReason::WeekdayOutOfRange, true, r.dt};
    }
    return std::nullopt;
}

std::optional<TNearMiss> OneOffNearMiss(const std::string& readable, bool found,
                                        const detail::TitleReading& r, std::int64_t start, std::int64_t end)
{
    const std::string rest = StrBetween(readable, "!", "");
    const std::string y = StrTrim(rest);
    if (!found) {
        // Digits that run into a date or time separator were meant as a date; "Top 3! 5 tips" was not.
        const std::size_t digits = std::find_if_not(y.begin(), y.end(), IsDigit) - y.begin();
        if (digits > 0 && digits < y.size() && (y[digits] == '-' || y[digits] == ':')) {
            return TNearMiss{TNearMissReason::YearOutOfRange, false, std::nullopt};
        }
        return std::nullopt;
    }
    if (const std::optional<Date> whole = StringToDate(rest)) {
        if (rest.find('-') == std::string::npos) {
            return TNearMiss{TNearMissReason::TimeWithoutDate, false, r.dt};
        }
        if (LocalFieldsOf(*whole).year < 1000) {
            return TNearMiss{TNearMissReason::ShortYear, false, r.dt};
        }
        return std::nullopt;
    }
    if (end != 0) {
        if (const auto stopped = StoppedAt(end - start, false, y)) {
            return TNearMiss{*stopped, false, r.dt};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<TNearMiss> NearMissOf(std::string_view text, TimeOfDayValue dateOnlyAt)
{
    detail::TitleReading reading;
    std::int64_t start = 0;
    std::int64_t end = 0;
    const bool found = TAReminder::PageTitleReminder_GetDateTime(text, reading.dt, reading.type, start, end,
                                                                 reading.weekDay, dateOnlyAt);
    const std::string readable = detail::ReadableTitle(text);
    if (readable.find("!!") != std::string::npos) {
        return RepeatingNearMiss(readable, found, reading, start, end);
    }
    if (readable.find('!') != std::string::npos) {
        return OneOffNearMiss(readable, found, reading, start, end);
    }
    return std::nullopt;
}

void TNearMissList::TakePageList(const std::string& pageListText, TimeOfDayValue dateOnlyAt)
{
    {
        std::lock_guard lock(m_Mutex);
        if (pageListText == m_PageListText && dateOnlyAt == m_PageListDateOnly) {
            return;
        }
    }
    // Parsed and read outside the lock: the windows read the list meanwhile.
    const Json pages = JsonTextToObject(std::string_view(pageListText));
    std::map<std::string, PageInfo> infos;
    std::vector<TNearMissEntry> titles;
    if (const Json* value = JsonArray(pages, "value")) {
        for (const Json& page : *value) {
            const std::string id = page.is_object() ? JsonText(page, "id") : std::string();
            if (id.empty()) {
                continue;
            }
            PageInfo info;
            if (const Json* section = JsonObject(page, "parentSection")) {
                info.SectionId = JsonText(*section, "id");
                info.SectionName = JsonText(*section, "displayName");
            }
            if (const Json* links = JsonObject(page, "links")) {
                if (const Json* client = JsonObject(*links, "oneNoteClientUrl")) {
                    info.Link = JsonText(*client, "href");
                }
            }
            const std::string title = JsonText(page, "title");
            if (const std::optional<TNearMiss> miss = NearMissOf(title, dateOnlyAt)) {
                titles.push_back({id, {}, title, *miss, info.SectionId, info.SectionName, info.Link});
            }
            infos.emplace(id, std::move(info));
        }
    }
    std::lock_guard lock(m_Mutex);
    m_PageListText = pageListText;
    m_PageListDateOnly = dateOnlyAt;
    m_Pages = std::move(infos);
    m_Titles = std::move(titles);
    std::erase_if(m_Tags, [&](const auto& tags) { return m_Pages.count(tags.first) == 0; });
    for (auto& [pageId, tags] : m_Tags) {
        const PageInfo& info = m_Pages[pageId];
        for (TNearMissEntry& entry : tags) {
            entry.SectionId = info.SectionId;
            entry.SectionName = info.SectionName;
            entry.Link = info.Link;
        }
    }
    ++m_Version;
}

void TNearMissList::TakePageContent(const std::string& pageId, std::string_view content,
                                    TimeOfDayValue dateOnlyAt)
{
    const std::optional<std::vector<TTaggedElement>> elements = ReadTaggedElements(content);
    if (!elements) {
        return;
    }
    std::vector<TNearMissEntry> tags;
    for (const TTaggedElement& element : *elements) {
        if (IsCompletedDataTag(element.DataTag)) {
            continue;
        }
        if (const std::optional<TNearMiss> miss = NearMissOf(element.Text, dateOnlyAt)) {
            tags.push_back({pageId, element.Id, element.Text, *miss, {}, {}, {}});
        }
    }
    std::lock_guard lock(m_Mutex);
    PutTagsLocked(pageId, std::move(tags));
}

void TNearMissList::PutTagsLocked(const std::string& pageId, std::vector<TNearMissEntry> tags)
{
    const auto info = m_Pages.find(pageId);
    for (TNearMissEntry& entry : tags) {
        if (info != m_Pages.end()) {
            entry.SectionId = info->second.SectionId;
            entry.SectionName = info->second.SectionName;
            entry.Link = info->second.Link;
        }
    }
    const auto known = m_Tags.find(pageId);
    if (tags.empty() && known == m_Tags.end()) {
        return;
    }
    if (tags.empty()) {
        m_Tags.erase(known);
    } else {
        m_Tags[pageId] = std::move(tags);
    }
    ++m_Version;
}

void TNearMissList::DropTags(const std::string& pageId)
{
    std::lock_guard lock(m_Mutex);
    if (m_Tags.erase(pageId) != 0) {
        ++m_Version;
    }
}

void TNearMissList::Clear()
{
    std::lock_guard lock(m_Mutex);
    m_PageListText.clear();
    m_Pages.clear();
    m_Titles.clear();
    m_Tags.clear();
    ++m_Version;
}

std::vector<TNearMissEntry> TNearMissList::Entries() const
{
    std::lock_guard lock(m_Mutex);
    std::vector<TNearMissEntry> entries = m_Titles;
    for (const auto& [pageId, tags] : m_Tags) {
        entries.insert(entries.end(), tags.begin(), tags.end());
    }
    return entries;
}

std::size_t TNearMissList::Count() const
{
    std::lock_guard lock(m_Mutex);
    std::size_t count = m_Titles.size();
    for (const auto& [pageId, tags] : m_Tags) {
        count += tags.size();
    }
    return count;
}

std::uint64_t TNearMissList::Version() const
{
    std::lock_guard lock(m_Mutex);
    return m_Version;
}

namespace {

constexpr const char* kTagsKey = "tags";
constexpr const char* kPageKey = "page";
constexpr const char* kIdKey = "id";
constexpr const char* kTextKey = "text";

// A page or element id the agent would have kept: Graph's ids are short.
bool SavableId(const std::string& id)
{
    return !id.empty() && id.size() <= TNearMissList::kMaxSavedTextBytes && IsValidUtf8(id);
}

bool SavableText(const std::string& text)
{
    return !text.empty() && text.size() <= TNearMissList::kMaxSavedTextBytes && IsValidUtf8(text);
}

} // namespace

std::optional<std::string> TNearMissList::UnsavedTagsText() const
{
    std::lock_guard lock(m_Mutex);
    Json tags = Json::array();
    for (const auto& [pageId, entries] : m_Tags) {
        for (const TNearMissEntry& entry : entries) {
            if (tags.size() < kMaxSavedTags && SavableId(pageId) && SavableId(entry.ElementId) &&
                SavableText(entry.Text)) {
                tags.push_back({{kPageKey, pageId}, {kIdKey, entry.ElementId}, {kTextKey, entry.Text}});
            }
        }
    }
    std::optional<std::string> text = JsonTextReadingBack(Json{{kTagsKey, std::move(tags)}});
    if (text && *text == m_SavedTagsText) {
        return std::nullopt;
    }
    return text;
}

void TNearMissList::TagsSaved(const std::string& text)
{
    std::lock_guard lock(m_Mutex);
    m_SavedTagsText = text;
}

std::size_t TNearMissList::RestoreTags(std::string_view text, TimeOfDayValue dateOnlyAt)
{
    const Json saved = JsonTextToObject(text);
    const Json* tags = JsonArray(saved, kTagsKey);
    std::map<std::string, std::vector<TNearMissEntry>> pages;
    std::size_t taken = 0;
    for (std::size_t i = 0; tags != nullptr && i < tags->size() && taken < kMaxSavedTags; ++i) {
        const Json& tag = (*tags)[i];
        const std::string pageId = JsonText(tag, kPageKey);
        const std::string elementId = JsonText(tag, kIdKey);
        const std::string words = JsonText(tag, kTextKey);
        if (!SavableId(pageId) || !SavableId(elementId) || !SavableText(words)) {
            continue;
        }
        std::vector<TNearMissEntry>& entries = pages[pageId];
        const bool twice = std::any_of(entries.begin(), entries.end(),
                                       [&](const TNearMissEntry& e) { return e.ElementId == elementId; });
        if (twice) {
            continue;
        }
        // Read again: a text the reader now takes whole, or takes as no reminder at all, is gone.
        if (const std::optional<TNearMiss> miss = NearMissOf(words, dateOnlyAt)) {
            entries.push_back({pageId, elementId, words, *miss, {}, {}, {}});
            ++taken;
        }
    }
    std::lock_guard lock(m_Mutex);
    std::size_t restored = 0;
    for (auto& [pageId, entries] : pages) {
        // A page read in this run already knows better.
        if (!entries.empty() && m_Tags.count(pageId) == 0) {
            restored += entries.size();
            PutTagsLocked(pageId, std::move(entries));
        }
    }
    m_SavedTagsText = std::string(text);
    return restored;
}

} // namespace rz
