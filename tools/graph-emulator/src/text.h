// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace emu {

// Escapes &, <, > and " for XHTML text and attribute values.
std::string XmlEscape(std::string_view s);

// Percent-encodes everything outside the unreserved set (RFC 3986).
std::string UrlEncode(std::string_view s);

// Decodes %XX; with `plusIsSpace` a "+" becomes a blank, as in form bodies.
std::string UrlDecode(std::string_view s, bool plusIsSpace);

// Splits a raw query (or form body) at "&" and each pair at its first "=",
// decoding both sides. A repeated name keeps its first value.
std::map<std::string, std::string> ParseQuery(std::string_view query);

std::string ToLowerAscii(std::string_view s);

// A stable 128-bit hash of `seed`, shaped as a GUID ("8-4-4-4-12" hex digits).
std::string StableGuid(std::string_view seed, bool upper);

// 16 hexadecimal digits derived from `seed`, upper case.
std::string StableHex16(std::string_view seed);

// Random text of `n` characters drawn from `alphabet`.
std::string RandomText(size_t n, std::string_view alphabet);

// BASE64URL(SHA-256(text)) without padding: the PKCE S256 transformation.
std::string Sha256Base64Url(std::string_view text);

// A random GUID text, lower case.
std::string RandomGuid();

} // namespace emu
