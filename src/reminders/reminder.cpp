// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder.h"

#include "reminders/text_form.h"
#include "reminders/title_reading.h"
#include "util/text.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace rz {

namespace {

// A record whose time of day does not exist on some days (a daylight-saving gap) still moves by at
// least 23 hours per step, so eight steps always reach a chosen weekday in the future; the cap only
// guards against a clock or time zone that misbehaves.
constexpr int kMaxRepeatSteps = 16;

// Boolean reading of a stored flag: after leading blanks, "Y", "y", "T" or "t", or an optional sign
// and any zeros followed by a digit 1 to 9.
bool TextIsTrue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    char c = text[i];
    if (c == 'Y' || c == 'y' || c == 'T' || c == 't') {
        return true;
    }
    if (c == '+' || c == '-') {
        ++i;
    }
    while (i < text.size() && text[i] == '0') {
        ++i;
    }
    return i < text.size() && text[i] >= '1' && text[i] <= '9';
}

} // namespace

WeekDayFlags DefaultWeekDays()
{
    return {"0", "0", "0", "0", "0", "0", "0"};
}

bool SameText(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    return a && b && *a == *b;
}

bool SameInstant(const std::optional<Date>& a, const std::optional<Date>& b)
{
    return a && b && *a == *b;
}

bool TAReminder::setId(std::optional<std::string> value)
{
    return detail::LockedSetKey(m_Mutex, m_Lists, m_Id, std::move(value));
}

void TAReminder::ListHold(int delta)
{
    detail::LockedAdd(m_Mutex, m_Lists, delta);
}

bool TAReminder::HasSpecifyRepeatInWeekDay() const
{
    std::lock_guard lock(m_Mutex);
    return std::any_of(m_WeekDay.begin(), m_WeekDay.end(), [](const std::string& d) { return d != "0"; });
}

bool TAReminder::IsInSpecifyWeekDay(Date date) const
{
    const int index = WeekDayOf(date) - 1;
    if (index < 0 || index > 6) {
        return false;
    }
    std::lock_guard lock(m_Mutex);
    return m_WeekDay[static_cast<std::size_t>(index)] != "0";
}

std::optional<TimeOfDayValue> TAReminder::timeOfDay() const
{
    std::lock_guard lock(m_Mutex);
    if (m_TimeOfDay) {
        return m_TimeOfDay;
    }
    if (m_Time) {
        return TimeOfDay(*m_Time);
    }
    return std::nullopt;
}

namespace {

int CalendarDay(Date date)
{
    const LocalFields f = LocalFieldsOf(date);
    return f.year * 10000 + f.month * 100 + f.day;
}

} // namespace

void TAReminder::setLastRaised(std::optional<Date> value)
{
    const std::optional<int> day = value ? std::optional(CalendarDay(*value)) : std::nullopt;
    std::lock_guard lock(m_Mutex);
    m_LastRaised = value;
    m_LastRaisedDay = day;
}

bool TAReminder::DayRaisedAlready(Date occurrence) const
{
    const std::optional<int> raisedDay = detail::LockedGet(m_Mutex, m_LastRaisedDay);
    return raisedDay && CalendarDay(occurrence) <= *raisedDay;
}

std::optional<Date> TAReminder::GetRepeatDateTime() const
{
    const std::optional<TimeOfDayValue> at = time() ? timeOfDay() : std::nullopt;
    if (!at) {
        return std::nullopt;
    }
    const std::optional<Date> raised = lastRaised();
    // An occurrence raised up to ten seconds early is not given again while its time is still ahead.
    const auto after = [&raised] {
        const Date now = DateNow();
        return raised && *raised > now ? *raised : now;
    };
    // Every day from the calendar and the intended time of day, never from another occurrence, which
    // a daylight-saving gap may have moved.
    const LocalFields today = LocalFieldsOf(DateNow());
    const bool anyWeekDay = HasSpecifyRepeatInWeekDay();
    Date candidate{};
    for (int step = 0; step < kMaxRepeatSteps; ++step) {
        candidate =
            DateFromParts(today.year, today.month, today.day + step, at->hour, at->minute, at->second);
        if (candidate > after() && !DayRaisedAlready(candidate) &&
            (!anyWeekDay || IsInSpecifyWeekDay(candidate))) {
            return candidate;
        }
    }
    return candidate;
}

namespace {

constexpr std::string_view kDataTagLabel = " DataTag:";
// Stands right after the title's closing backquote, before a data tag.
constexpr std::string_view kLateField = " Late:1`";
// The title's length in bytes, written before it when the title holds the field separator itself.
constexpr std::string_view kTitleBytesLabel = "TitleBytes:";
constexpr std::string_view kTitleLabel = "Title:";
// A repeating reminder's time of day, "HH:MM:SS", before the title: an occurrence stored as wall time
// and read back in another zone, or moved by a daylight-saving gap, no longer names it.
constexpr std::string_view kTimeOfDayLabel = "TimeOfDay:";

// A repeating reminder's time of day as a line without the field gives it back. The stored time is
// an occurrence, which a daylight-saving gap may have moved; the title names the time of day, but for
// a title that begins with "!!", whose time is the page's.
std::optional<TimeOfDayValue> TimeOfDayWithoutField(std::int64_t objType, const std::string& name,
                                                    std::optional<Date> time)
{
    if (!(objType == kPageTitleReminder && TAReminder::PageTimeRepeatable_Is(name))) {
        const detail::TitleReading reading = detail::ReadTitle(name);
        if (reading.type == kReminderTypeRepeating && reading.dt) {
            return TimeOfDay(*reading.dt);
        }
    }
    return time ? std::optional(TimeOfDay(*time)) : std::nullopt;
}

// The stored time of day, when the line holds a valid one before its title.
std::optional<TimeOfDayValue> StoredTimeOfDay(std::string_view line)
{
    const std::string marker = "` " + std::string(kTimeOfDayLabel);
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos || at > line.find(kTitleLabel)) {
        return std::nullopt;
    }
    const std::string_view text = line.substr(at + marker.size(), 9);
    if (text.size() != 9 || text[2] != ':' || text[5] != ':' || text[8] != '`') {
        return std::nullopt;
    }
    const auto two = [text](std::size_t from) {
        const char a = text[from];
        const char b = text[from + 1];
        return a >= '0' && a <= '9' && b >= '0' && b <= '9' ? (a - '0') * 10 + (b - '0') : -1;
    };
    const TimeOfDayValue value{two(0), two(3), two(6)};
    if (value.hour < 0 || value.hour > 23 || value.minute < 0 || value.minute > 59 || value.second < 0 ||
        value.second > 59) {
        return std::nullopt;
    }
    return value;
}

// The stored title and the position of the backquote that closes it (npos: none). With its length
// stored it is read whole, backquotes and all. Without (a title with no backquote, or one a version
// before the length wrote), it runs from its label to the backquote that closes it, before the late
// flag and the data tag looked for from the line's end.
struct TStoredTitle
{
    std::string Name;
    std::size_t Close = std::string_view::npos;
};

TStoredTitle StoredTitle(std::string_view line)
{
    const std::size_t label = line.find(kTitleLabel);
    if (label == std::string_view::npos) {
        return {};
    }
    const std::size_t from = label + kTitleLabel.size();
    if (const std::size_t bytes = line.find(kTitleBytesLabel);
        bytes != std::string_view::npos && bytes < label) {
        const auto size = static_cast<std::size_t>(
            std::max<std::int64_t>(0, StrLeadingInt(line.substr(bytes + kTitleBytesLabel.size()))));
        if (size < line.size() - from && line[from + size] == '`') {
            return {std::string(line.substr(from, size)), from + size};
        }
    }
    std::string_view rest = line.substr(from);
    if (const std::size_t at = rest.rfind(std::string("`") + std::string(kDataTagLabel));
        at != std::string_view::npos && rest.ends_with('`') &&
        rest.substr(at + 1, rest.size() - at - 2).find('`') == std::string_view::npos) {
        rest = rest.substr(0, at + 1);
    }
    if (rest.size() > kLateField.size() && rest.ends_with(std::string("`") + std::string(kLateField))) {
        rest.remove_suffix(kLateField.size());
    }
    if (!rest.ends_with('`')) {
        std::string name = detail::CutTextField(line, kTitleLabel);
        const std::size_t close = from + name.size();
        return {std::move(name), close < line.size() ? close : std::string_view::npos};
    }
    rest.remove_suffix(1);
    return {std::string(rest), from + rest.size()};
}

} // namespace

std::vector<std::string> DataTagList(std::string_view dataTag)
{
    std::vector<std::string> tags;
    std::size_t from = 0;
    while (from <= dataTag.size()) {
        const std::size_t comma = std::min(dataTag.find(',', from), dataTag.size());
        std::string tag = StrTrim(dataTag.substr(from, comma - from));
        if (!tag.empty()) {
            tags.push_back(std::move(tag));
        }
        from = comma + 1;
    }
    return tags;
}

bool HasOpenToDoTag(std::string_view dataTag)
{
    const std::vector<std::string> tags = DataTagList(dataTag);
    return std::find(tags.begin(), tags.end(), "to-do") != tags.end();
}

bool TAReminder::IsOpenToDo() const
{
    return objType() == kTagReminder && HasOpenToDoTag(dataTag());
}

std::optional<Date> TAReminder::PreviousOccurrence() const
{
    // Occurrences fall on whole seconds.
    const std::optional<Date> base = time();
    return base ? LastOccurrenceBy(DateAddSeconds(*base, -1)) : std::nullopt;
}

std::optional<Date> TAReminder::LastOccurrenceBy(Date at) const
{
    const std::optional<TimeOfDayValue> meant = time() ? timeOfDay() : std::nullopt;
    if (!meant) {
        return std::nullopt;
    }
    const LocalFields day = LocalFieldsOf(at);
    const bool anyWeekDay = HasSpecifyRepeatInWeekDay();
    for (int days = 0; days <= 7; ++days) {
        const Date candidate =
            DateFromParts(day.year, day.month, day.day - days, meant->hour, meant->minute, meant->second);
        if (candidate <= at && (!anyWeekDay || IsInSpecifyWeekDay(candidate))) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::string TAReminder::ToString() const
{
    std::lock_guard lock(m_Mutex);
    std::string line =
        detail::JoinTextForm({{"Type:", std::to_string(m_ObjType)},
                              {"ID:", detail::OrNull(m_Id)},
                              {"PageID:", detail::OrNull(m_PageId)},
                              {"Link:", detail::OrNull(m_Link)},
                              {"Time:", detail::DateOrNull(m_Time)},
                              {"Recurrence:", std::to_string(static_cast<unsigned>(m_Repeat))}});
    // Written only where the rest of the line would give another, so the common line stays as it was.
    if (m_Repeat && m_TimeOfDay &&
        m_TimeOfDay != TimeOfDayWithoutField(m_ObjType, m_Name.value_or(""), m_Time)) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", m_TimeOfDay->hour, m_TimeOfDay->minute,
                      m_TimeOfDay->second);
        line += " ";
        line += kTimeOfDayLabel;
        line += text;
        line += '`';
    }
    const std::string name = detail::OrNull(m_Name);
    // A backquote ends a field: a title holding one is stored with its length, and read whole.
    if (name.find('`') != std::string::npos) {
        line += " ";
        line += kTitleBytesLabel;
        line += std::to_string(name.size());
        line += '`';
    }
    line += " ";
    line += kTitleLabel;
    line += name;
    line += '`';
    if (m_Late) {
        line += kLateField;
    }
    // A data tag never holds a backquote or a line break; one that did could not be read back.
    if (!m_DataTag.empty() && m_DataTag.find_first_of("`\n\r") == std::string::npos) {
        line += kDataTagLabel;
        line += m_DataTag;
        line += '`';
    }
    return line;
}

std::shared_ptr<TAReminder> TAReminder::FromString(std::string_view line)
{
    auto record = std::make_shared<TAReminder>();
    const auto field = [line](std::string_view label) { return detail::CutTextField(line, label); };

    const std::int64_t type = StrLeadingInt(field("Type:"));
    record->m_ObjType = std::clamp<std::int64_t>(type, INT32_MIN, INT32_MAX);
    record->m_Id = field("ID:");
    record->m_PageId = field("PageID:");
    record->m_Link = field("Link:");
    const TStoredTitle title = StoredTitle(line);
    record->m_Name = title.Name;
    record->m_Repeat = TextIsTrue(field("Recurrence:")) ? 1 : 0;
    record->m_PreRemindedTime = DateNow();
    record->m_Time = StringToDate(field("Time:"));
    if (record->m_Repeat) {
        WeekDayFlags flags = DefaultWeekDays();
        GetRepeatWeekDay(*record->m_Name, flags);
        record->m_WeekDay = flags;
        // Kept as fields: read from the occurrence later, after the zone changed, it would shift.
        record->m_TimeOfDay = StoredTimeOfDay(line);
        if (!record->m_TimeOfDay) {
            record->m_TimeOfDay = TimeOfDayWithoutField(record->m_ObjType, *record->m_Name, record->m_Time);
        }
    }
    // The data tag is the line's last field, after the backquote that ends the title; it is looked
    // for from the end and after the title, so a title that merely holds the label cannot stand in.
    constexpr std::string_view kAfterTitle = "`";
    std::string_view beforeDataTag = line;
    if (const std::size_t at = line.rfind(std::string(kAfterTitle) + std::string(kDataTagLabel));
        at != std::string_view::npos && line.ends_with('`') && title.Close != std::string_view::npos &&
        at >= title.Close) {
        const std::size_t from = at + kAfterTitle.size() + kDataTagLabel.size();
        const std::string_view value = line.substr(from, line.size() - 1 - from);
        if (value.find('`') == std::string_view::npos) {
            record->m_DataTag = std::string(value);
            beforeDataTag = line.substr(0, at + kAfterTitle.size());
        }
    }
    // The late flag closes what comes before the data tag, after the title.
    const std::string lateField = std::string(kAfterTitle) + std::string(kLateField);
    if (title.Close != std::string_view::npos && beforeDataTag.ends_with(lateField) &&
        beforeDataTag.size() - lateField.size() >= title.Close) {
        record->m_Late = true;
    }
    return record;
}

} // namespace rz
