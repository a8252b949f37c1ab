// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

// Why a text with the reminder marks does not say what it seems to.
enum class TNearMissReason {
    YearOutOfRange,    // refused: the date's year lies outside 1000 to 4000
    HourOutOfRange,    // refused: a repeating time's hour is past 23
    MonthOutOfRange,   // read only up to the month (past 12); the rest keeps its defaults
    DayOutOfRange,     // read only up to the day (past 31)
    HourStopsReading,  // read only up to the hour (past 23)
    MinuteOutOfRange,  // read only up to the minute (past 59)
    SecondOutOfRange,  // read only up to the second (past 59)
    OneDigitHour,      // a repeating time with a one-digit hour: its minutes are not read
    NoTimeAfterRepeat, // words after "!!": a time of day read from them, midnight mostly
    ShortYear,         // a year of fewer than four digits, read as such: long past
    TimeWithoutDate,   // a time of day after a single "!": read on 1 January 2000
    WeekdayOutOfRange, // weekday digits outside 1 to 7 are skipped
};

// What the title syntax makes of a near miss: the reason, whether it reads as a repeating
// reminder, and the date it reads (absent when refused).
struct TNearMiss
{
    TNearMissReason Reason = TNearMissReason::YearOutOfRange;
    bool Repeating = false;
    std::optional<Date> ReadAs;

    bool operator==(const TNearMiss&) const = default;
};

// The near miss a title or tagged paragraph holds, decided from the title syntax's own reading; none
// for a text the syntax reads whole or that only holds an exclamation mark ("Wow! Great").
std::optional<TNearMiss> NearMissOf(std::string_view text);

// One listed near miss: a page title (no element id) or a tagged paragraph of the page.
struct TNearMissEntry
{
    std::string PageId;
    std::string ElementId;
    std::string Text;
    TNearMiss Miss;
    std::string SectionId;
    std::string SectionName;
    std::string Link; // the page's client link
};

// The near misses of the reminder pages, kept beside the reminders by the same loads and never
// turned into reminders. Title entries come from the page list text, tag entries from the page
// contents the loaders read; nothing here sends a request. Safe from any thread.
class TNearMissList
{
public:
    // Lists the titles of the page list text ({"value": [pages]}) again; pages gone from it lose
    // their tag entries too. The same text as last time changes nothing.
    void TakePageList(const std::string& pageListText);
    // Lists the tagged paragraphs of one page's content (completed to-dos aside), in place of the
    // page's earlier ones; content that does not parse leaves them.
    void TakePageContent(const std::string& pageId, std::string_view content);
    // The page holds no tag reminders any more.
    void DropTags(const std::string& pageId);
    void Clear();

    // Title entries in page list order, then tag entries by page.
    std::vector<TNearMissEntry> Entries() const;
    std::size_t Count() const;
    // Moves on at every change, so a window redraws only then.
    std::uint64_t Version() const;

private:
    struct PageInfo
    {
        std::string SectionId;
        std::string SectionName;
        std::string Link;
    };
    mutable std::mutex m_Mutex;
    std::string m_PageListText;
    std::map<std::string, PageInfo> m_Pages;
    std::vector<TNearMissEntry> m_Titles;
    std::map<std::string, std::vector<TNearMissEntry>> m_Tags;
    std::uint64_t m_Version = 0;
};

} // namespace rz
