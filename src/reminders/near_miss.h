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
// for a text the syntax reads whole or that only holds an exclamation mark ("Wow! Great"). A date
// without a time reads at `dateOnlyAt`.
std::optional<TNearMiss> NearMissOf(std::string_view text, TimeOfDayValue dateOnlyAt = {});

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
    // their tag entries too. The same text and time as last time change nothing. Texts are read as
    // the reminders are, a date without a time at `dateOnlyAt`.
    void TakePageList(const std::string& pageListText, TimeOfDayValue dateOnlyAt = {});
    // Lists the tagged paragraphs of one page's content (completed to-dos aside), in place of the
    // page's earlier ones; content that does not parse leaves them.
    void TakePageContent(const std::string& pageId, std::string_view content, TimeOfDayValue dateOnlyAt = {});
    // The page holds no tag reminders any more.
    void DropTags(const std::string& pageId);
    void Clear();

    // Title entries in page list order, then tag entries by page.
    std::vector<TNearMissEntry> Entries() const;
    std::size_t Count() const;
    // Moves on at every change, so a window redraws only then.
    std::uint64_t Version() const;

    // The tag entries as a file keeps them, for a restart: a page's content is read again only when
    // it changes, while the titles come back with the page list. At most kMaxSavedTags entries, each
    // text within kMaxSavedTextBytes; none when that text was saved last (TagsSaved, RestoreTags).
    std::optional<std::string> UnsavedTagsText() const;
    void TagsSaved(const std::string& text);
    // Takes the tag entries of such a text for pages that have none yet, each read again and kept
    // only while it is still a near miss; entries out of bounds or of another kind are skipped.
    // Gives how many it took.
    std::size_t RestoreTags(std::string_view text, TimeOfDayValue dateOnlyAt = {});

    static constexpr std::size_t kMaxSavedTags = 2000;
    static constexpr std::size_t kMaxSavedTextBytes = 1024;

private:
    struct PageInfo
    {
        std::string SectionId;
        std::string SectionName;
        std::string Link;
    };
    // Puts the page's tag entries in place of its earlier ones, with its section and link.
    void PutTagsLocked(const std::string& pageId, std::vector<TNearMissEntry> tags);

    mutable std::mutex m_Mutex;
    std::string m_PageListText;
    TimeOfDayValue m_PageListDateOnly; // the time the page list text was read with
    std::string m_SavedTagsText;
    std::map<std::string, PageInfo> m_Pages;
    std::vector<TNearMissEntry> m_Titles;
    std::map<std::string, std::vector<TNearMissEntry>> m_Tags;
    std::uint64_t m_Version = 0;
};

} // namespace rz
