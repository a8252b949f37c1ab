// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace rz {
namespace {

constexpr std::string_view kNbsp = "\xC2\xA0";

// Lower-cases with the root locale's full mapping (e.g. "İ" becomes two code points).
std::u16string ToLowerFull(std::string_view text)
{
    std::u16string source = Utf8ToUtf16(text);
    std::u16string lowered(source.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = u_strToLower(
            reinterpret_cast<UChar*>(lowered.data()), static_cast<int32_t>(lowered.size()),
            reinterpret_cast<const UChar*>(source.data()), static_cast<int32_t>(source.size()), "", &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            lowered.assign(static_cast<size_t>(length), u'\0');
            continue;
        }
        if (U_FAILURE(status)) {
            return source;
        }
        lowered.resize(static_cast<size_t>(length));
        return lowered;
    }
    return source;
}

bool IsTrimmable(UChar32 c)
{
    return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace

std::string StrBetween(std::string_view text, std::string_view start, std::string_view end)
{
    size_t from = 0;
    if (!start.empty()) {
        const size_t at = text.find(start);
        if (at == std::string_view::npos) {
            return {};
        }
        from = at + start.size();
    }
    const std::string_view rest = text.substr(from);
    if (end.empty()) {
        return std::string(rest);
    }
    const size_t stop = rest.find(end);
    if (stop == std::string_view::npos) {
        return {};
    }
    return std::string(rest.substr(0, stop));
}

bool StrStartsWith(std::string_view part, std::string_view text)
{
    return !part.empty() && text.starts_with(part);
}

bool StrContains(std::string_view part, std::string_view text)
{
    return !part.empty() && text.find(part) != std::string_view::npos;
}

bool StrContainsNoCase(std::string_view part, std::string_view text)
{
    if (part.empty()) {
        return false;
    }
    const std::u16string lowPart = ToLowerFull(part);
    return !lowPart.empty() && ToLowerFull(text).find(lowPart) != std::u16string::npos;
}

bool StrEquals(std::string_view a, std::string_view b)
{
    return a == b;
}

std::string StrTrim(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !IsTrimmable(c)) {
            break;
        }
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, begin, previous, c);
        if (c < 0 || !IsTrimmable(c)) {
            break;
        }
        end = previous;
    }
    return std::string(text.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin)));
}

std::string StrAmpToNbsp(std::string_view text)
{
    return StrReplaceAll(text, "&", kNbsp);
}

std::string TagObjectId(std::string_view tail)
{
    const std::string guid = StrBetween(tail, "{", "}");
    const auto number = static_cast<uint32_t>(StrLeadingInt(StrBetween(tail, "}{", "}")));
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", number);
    return "{" + guid + "}&" + hex;
}

std::string TagParagraphLink(std::string_view pageLink, std::string_view elementId)
{
    const std::string tail = StrBetween(elementId, ":", "");
    return StrReplaceAll(pageLink, "&end", "&object-id=" + TagObjectId(tail));
}

std::int64_t StrLeadingInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kMax - digit) / 10) {
            saturated = true;
            break;
        }
        value = value * 10 + digit;
    }
    if (saturated) {
        return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
    }
    return negative ? -value : value;
}

std::string StrReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty()) {
        return std::string(text);
    }
    std::string result;
    result.reserve(text.size());
    size_t position = 0;
    while (true) {
        const size_t at = text.find(from, position);
        if (at == std::string_view::npos) {
            break;
        }
        result.append(text.substr(position, at - position));
        result.append(to);
        position = at + from.size();
    }
    result.append(text.substr(position));
    return result;
}

std::string ControlCharsAsBlanks(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            shown += ' ';
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080..U+009F, among them the one-character CSI.
            shown += ' ';
            ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

bool IsValidUtf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

std::string Utf8Repaired(std::string_view text)
{
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length =
        static_cast<int32_t>(std::min<size_t>(text.size(), std::numeric_limits<int32_t>::max()));
    // The UTF-16 unit a three-byte sequence at `at` would encode when it is a surrogate; -1 otherwise.
    const auto surrogateAt = [&](int32_t at) -> int32_t {
        if (at + 2 >= length || bytes[at] != 0xED || (bytes[at + 1] & 0xE0) != 0xA0 ||
            (bytes[at + 2] & 0xC0) != 0x80) {
            return -1;
        }
        return 0xD000 | ((bytes[at + 1] & 0x3F) << 6) | (bytes[at + 2] & 0x3F);
    };
    std::string result;
    result.reserve(text.size());
    const auto append = [&](UChar32 c) {
        uint8_t buffer[4];
        int32_t size = 0;
        U8_APPEND_UNSAFE(buffer, size, c);
        result.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
    };
    for (int32_t i = 0; i < length;) {
        if (const int32_t lead = surrogateAt(i); lead >= 0) {
            const int32_t trail = surrogateAt(i + 3);
            if (U16_IS_LEAD(lead) && trail >= 0 && U16_IS_TRAIL(trail)) {
                append(U16_GET_SUPPLEMENTARY(lead, trail));
                i += 6;
            } else {
                append(0xFFFD);
                i += 3;
            }
            continue;
        }
        const int32_t from = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            append(0xFFFD);
        } else {
            result.append(text.substr(static_cast<size_t>(from), static_cast<size_t>(i - from)));
        }
    }
    return result;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length =
        static_cast<int32_t>(std::min<size_t>(text.size(), std::numeric_limits<int32_t>::max()));
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            c = 0xFFFD;
        }
        if (c > 0xFFFF) {
            result.push_back(static_cast<char16_t>(U16_LEAD(c)));
            result.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        } else {
            result.push_back(static_cast<char16_t>(c));
        }
    }
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    const auto length =
        static_cast<int32_t>(std::min<size_t>(text.size(), std::numeric_limits<int32_t>::max()));
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U16_NEXT(text.data(), i, length, c);
        if (U_IS_SURROGATE(c)) {
            c = 0xFFFD;
        }
        uint8_t buffer[4];
        int32_t written = 0;
        UBool error = false;
        U8_APPEND(buffer, written, 4, c, error);
        if (error) {
            continue;
        }
        result.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(written));
    }
    return result;
}

} // namespace rz
