// SPDX-License-Identifier: GPL-3.0-or-later
#include "status/near_miss_rows.h"

#include <unordered_map>

namespace rz {

std::vector<TNearMissRow> NearMissRows(const std::vector<TNearMissEntry>& entries,
                                       const std::vector<TSectionChoice>& sections)
{
    std::unordered_map<std::string, const std::string*> paths;
    for (const TSectionChoice& section : sections) {
        paths.emplace(section.Id, &section.Path);
    }
    std::vector<TNearMissRow> rows;
    rows.reserve(entries.size());
    for (const TNearMissEntry& entry : entries) {
        const auto path = paths.find(entry.SectionId);
        rows.push_back({entry, path != paths.end() ? *path->second : entry.SectionName});
    }
    return rows;
}

const char* NearMissReasonKey(TNearMissReason reason)
{
    switch (reason) {
    case TNearMissReason::YearOutOfRange:
        return "strNearMissYear";
    case TNearMissReason::HourOutOfRange:
        return "strNearMissHour";
    case TNearMissReason::MonthOutOfRange:
        return "strNearMissMonth";
    case TNearMissReason::DayOutOfRange:
        return "strNearMissDay";
    case TNearMissReason::HourStopsReading:
        return "strNearMissHourStops";
    case TNearMissReason::MinuteOutOfRange:
        return "strNearMissMinute";
    case TNearMissReason::SecondOutOfRange:
        return "strNearMissSecond";
    case TNearMissReason::OneDigitHour:
        return "strNearMissOneDigitHour";
    case TNearMissReason::NoTimeAfterRepeat:
        return "strNearMissNoTime";
    case TNearMissReason::ShortYear:
        return "strNearMissShortYear";
    case TNearMissReason::TimeWithoutDate:
        return "strNearMissTimeOnly";
    case TNearMissReason::WeekdayOutOfRange:
        return "strNearMissWeekday";
    }
    return "strNearMissYear";
}

} // namespace rz
