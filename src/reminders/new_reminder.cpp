// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/new_reminder.h"

#include "reminders/reminder.h"
#include "reminders/title_reading.h"
#include "util/text.h"
#include "util/xml_nodes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <pugixml.hpp>

namespace rz {

namespace {

// A title is one line: line breaks and tabs typed into the text become blanks.
std::string OneLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return StrTrim(line);
}

std::string TwoDigits(int value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

WeekDayFlags ExpectedWeekDays(const TNewReminder& reminder)
{
    WeekDayFlags flags = DefaultWeekDays();
    if (reminder.Repeat != TRepeatChoice::WeekDays) {
        return flags;
    }
    bool all = true;
    for (std::size_t i = 0; i < reminder.Days.size(); ++i) {
        all = all && reminder.Days[i];
    }
    if (all) {
        return flags;
    }
    for (std::size_t i = 0; i < reminder.Days.size(); ++i) {
        // Flags run Sunday = 0 … Saturday = 6; the choice runs Monday = 0 … Sunday = 6.
        if (reminder.Days[i]) {
            flags[(i + 1) % 7] = "1";
        }
    }
    return flags;
}

// The title as the agent will read it back: a page-title reminder only with a time and without the
// tag page's mark.
struct TReadBack
{
    detail::TitleReading title;
    bool Reminder = false;
};

TReadBack ReadBack(std::string_view title)
{
    TReadBack read{detail::ReadTitle(title)};
    read.Reminder = read.title.found && read.title.dt && !TAReminder::PageHasTagReminder(title);
    return read;
}

} // namespace

std::string NewReminderTitle(const TNewReminder& reminder)
{
    const LocalFields when = LocalFieldsOf(reminder.When);
    const std::string time = TwoDigits(when.hour) + ":" + TwoDigits(when.minute);
    std::string title = OneLine(reminder.Text);
    if (reminder.Repeat == TRepeatChoice::Once) {
        return title + " !" + std::to_string(when.year) + "-" + TwoDigits(when.month) + "-" +
               TwoDigits(when.day) + " " + time;
    }
    title += " !! " + time;
    const WeekDayFlags flags = ExpectedWeekDays(reminder);
    std::string list;
    for (std::size_t i = 0; i < reminder.Days.size(); ++i) {
        if (flags[(i + 1) % 7] != "0") {
            list += (list.empty() ? "" : ",") + std::to_string(i + 1);
        }
    }
    if (!list.empty()) {
        title += " [" + list + "]";
    }
    return title;
}

TNewReminderProblem CheckNewReminder(const TNewReminder& reminder, Date now, std::string& title)
{
    title = NewReminderTitle(reminder);
    if (OneLine(reminder.Text).empty()) {
        return TNewReminderProblem::EmptyText;
    }
    if (Utf8ToUtf16(title).size() > kMaxReminderTitleLength) {
        return TNewReminderProblem::TooLong;
    }
    if (reminder.Repeat == TRepeatChoice::WeekDays && ExpectedWeekDays(reminder) == DefaultWeekDays()) {
        bool any = false;
        for (const bool day : reminder.Days) {
            any = any || day;
        }
        if (!any) {
            return TNewReminderProblem::NoWeekDay;
        }
    }

    const TReadBack read = ReadBack(title);
    const LocalFields when = LocalFieldsOf(reminder.When);
    if (reminder.Repeat == TRepeatChoice::Once) {
        const Date minute = DateFromParts(when.year, when.month, when.day, when.hour, when.minute, 0);
        if (!read.Reminder || read.title.type != kReminderTypeOneOff || *read.title.dt != minute) {
            return TNewReminderProblem::NotReadBack;
        }
        return minute <= now ? TNewReminderProblem::PastTime : TNewReminderProblem::None;
    }
    if (!read.Reminder || read.title.type != kReminderTypeRepeating ||
        !(TimeOfDay(*read.title.dt) == TimeOfDayValue{when.hour, when.minute, 0}) ||
        read.title.weekDay != ExpectedWeekDays(reminder)) {
        return TNewReminderProblem::NotReadBack;
    }
    return TNewReminderProblem::None;
}

TNewReminderProblem CheckReminderTitle(std::string_view title, Date now, std::string& line)
{
    line = OneLine(title);
    const std::size_t mark = line.find('!');
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; };
    if (Utf8ToUtf16(line).size() > kMaxReminderTitleLength) {
        return TNewReminderProblem::TooLong;
    }
    if (mark == std::string::npos || std::any_of(line.begin(), line.end(), control)) {
        return TNewReminderProblem::NotReadBack;
    }
    if (StrTrim(std::string_view(line).substr(0, mark)).empty()) {
        return TNewReminderProblem::EmptyText;
    }
    const TReadBack read = ReadBack(line);
    if (!read.Reminder) {
        return TNewReminderProblem::NotReadBack;
    }
    if (read.title.type == kReminderTypeOneOff && *read.title.dt <= now) {
        return TNewReminderProblem::PastTime;
    }
    return TNewReminderProblem::None;
}

std::string NewPageXhtml(std::string_view title)
{
    pugi::xml_document document;
    document.append_child(pugi::node_doctype).set_value("html");
    pugi::xml_node html = document.append_child("html");
    pugi::xml_node head = html.append_child("head");
    head.append_child("title").text().set(std::string(title).c_str());
    html.append_child("body");

    // "<body></body>", not "<body />", which an HTML reader takes for an open body.
    return XmlNodeText(document, pugi::format_default | pugi::format_no_empty_element_tags, "  ");
}

} // namespace rz
