// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Input: text, start and end markers separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t first = all.find('\0');
    const size_t second = first == std::string_view::npos ? first : all.find('\0', first + 1);
    const std::string_view text = all.substr(0, first);
    const std::string_view start =
        first == std::string_view::npos ? "" : all.substr(first + 1, second - first - 1);
    const std::string_view end = second == std::string_view::npos ? "" : all.substr(second + 1);
    const std::string cut = rz::StrBetween(text, start, end);
    if (cut.size() > text.size()) {
        __builtin_trap();
    }
    rz::StrTrim(text);
    rz::StrContainsNoCase(start, text);
    rz::TagParagraphLink(text, start);
    rz::Utf16ToUtf8(rz::Utf8ToUtf16(text));
    return 0;
}
