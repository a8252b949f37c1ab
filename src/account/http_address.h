// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rz {

// True for an https address, and for an http address whose host is this computer (127.0.0.0/8,
// ::1, localhost): the only addresses a token may be sent to.
bool IsPermittedAddress(std::string_view address);

// True when a connection that stands may carry a request: any https address, or a plain http
// address whose connection reached this computer (`primaryIp`, the address actually connected to).
bool IsPermittedConnection(std::string_view address, std::string_view primaryIp);

// True when the address starts with "https://", in any case.
bool IsHttpsAddress(std::string_view address);

// The address without its query and fragment, so that log lines never carry query values.
std::string_view AddressForLog(std::string_view address);

// The text with the user information of every address in it left out: what comes before an "@"
// back to the address's "://", else an opening quote mark, else the text's start. curl quotes a proxy
// setting it cannot read whole, password included, and its messages reach files and the log.
std::string WithoutUserInfo(std::string_view text);

// Percent-escapes an address built by a format: UTF-8 bytes, blanks, quote marks and other
// characters that are not legal in an address become %XX, while the query's reserved characters
// (?&=/:;,+!$'()*@#) stay as they are. The scheme and authority are left unchanged.
std::string EscapeAddress(std::string_view address);

// Percent-encodes one form value: everything but ALPHA, DIGIT and "-._~" becomes %XX.
std::string FormEncode(std::string_view value);
// name=value pairs joined by "&", each value form-encoded; names are sent as given.
std::string FormBody(const std::vector<std::pair<std::string, std::string>>& fields);

// Decodes every %XX; a "%" not followed by two hex digits stays as it is, and "+" stays "+".
std::string PercentDecode(std::string_view text);

} // namespace rz
