// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rz {

// Text between the first `start` and the first `end` after it; empty when a marker is missing.
// An empty start means from the beginning, an empty end means to the end.
std::string StrBetween(std::string_view text, std::string_view start, std::string_view end);
// True when `part` is non-empty and `text` begins with it.
bool StrStartsWith(std::string_view part, std::string_view text);
// True when `part` is non-empty and occurs in `text`.
bool StrContains(std::string_view part, std::string_view text);
// StrContains after the locale-independent full Unicode lower-case mapping of both texts.
bool StrContainsNoCase(std::string_view part, std::string_view text);
bool StrEquals(std::string_view a, std::string_view b);
// Removes space separators (Unicode Zs, including U+00A0) and tabs at both ends; line breaks stay.
std::string StrTrim(std::string_view text);
// Replaces every "&" by U+00A0, so that HTML entities cannot break a strict XML parse.
std::string StrAmpToNbsp(std::string_view text);
// «{G}{N}» → «{G}&XX»: the first braced text, then N in upper-case hex with at least two digits.
std::string TagObjectId(std::string_view tail);
// The page client link pointing at one paragraph: every "&end" becomes "&object-id=…".
std::string TagParagraphLink(std::string_view pageLink, std::string_view elementId);
// Leading decimal integer: blanks skipped, optional sign, digits up to the first non-digit.
// No digits give 0; values past the 64-bit range saturate.
std::int64_t StrLeadingInt(std::string_view text);
// Replaces every occurrence of `from` (non-empty) by `to`.
std::string StrReplaceAll(std::string_view text, std::string_view from, std::string_view to);
bool IsValidUtf8(std::string_view text);
// The text as valid UTF-8: a surrogate pair written as two three-byte sequences (what a parser
// makes of "&#xD83D;&#xDE00;") becomes the character it encodes, and a lone surrogate or any other
// invalid sequence becomes U+FFFD.
std::string Utf8Repaired(std::string_view text);
// The UTF-8 text with every control character (C0, DEL, C1) as a blank, for a terminal, where a
// page title or a section name holding escape sequences would otherwise drive it.
std::string ControlCharsAsBlanks(std::string_view text);
// UTF-8 ↔ UTF-16 at the boundaries that count in code units; invalid input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace rz
