// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "util/dates.h"
#include "util/text.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace rz::detail {

// The one-line text form records are stored in: "Label:value` Label:value`", absent values as
// "(null)", no escaping.

inline constexpr const char* kNullText = "(null)";

inline std::string OrNull(const std::optional<std::string>& text)
{
    return text ? *text : std::string(kNullText);
}

inline std::string DateOrNull(const std::optional<Date>& date)
{
    return date ? DateToString(date) : std::string(kNullText);
}

struct TextField
{
    std::string_view label; // with its ":"
    std::string value;
};

inline std::string JoinTextForm(std::initializer_list<TextField> fields)
{
    std::size_t size = 0;
    for (const TextField& field : fields) {
        size += field.label.size() + field.value.size() + 2;
    }
    std::string line;
    line.reserve(size);
    bool first = true;
    for (const TextField& field : fields) {
        if (!first) {
            line += "` ";
        }
        first = false;
        line += field.label;
        line += field.value;
    }
    line += "`";
    return line;
}

// The text after the first `label` up to the next "`", as StrBetween reads it.
inline std::string CutTextField(std::string_view line, std::string_view label)
{
    return StrBetween(line, label, "`");
}

} // namespace rz::detail
