// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/http_address.h"

#include <arpa/inet.h>
#include <cstddef>
#include <curl/curl.h>
#include <netinet/in.h>
#include <strings.h>

namespace rz {

namespace {

bool IsLoopbackHost(std::string host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (::strcasecmp(host.c_str(), "localhost") == 0) {
        return true;
    }
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    return ::inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool IsPermittedUrl(const std::string& text)
{
    CURLU* url = curl_url();
    if (url == nullptr) {
        return false;
    }
    bool permitted = false;
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_set(url, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        permitted =
            ::strcasecmp(scheme, "https") == 0 || (::strcasecmp(scheme, "http") == 0 && IsLoopbackHost(host));
    }
    curl_free(scheme);
    curl_free(host);
    curl_url_cleanup(url);
    return permitted;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Reserved characters that keep their meaning in a path or query; "[" and "]" are legal only
// around an IPv6 host, which EscapeAddress leaves alone anyway.
bool IsKeptReserved(unsigned char c)
{
    return c != '\0' &&
           std::string_view("!#$&'()*+,/:;=?@").find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendEscaped(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

bool IsPermittedAddress(std::string_view address)
{
    try {
        return IsPermittedUrl(std::string(address));
    } catch (...) {
        return false;
    }
}

bool IsPermittedConnection(std::string_view address, std::string_view primaryIp)
{
    try {
        return IsHttpsAddress(address) || (!primaryIp.empty() && IsLoopbackHost(std::string(primaryIp)));
    } catch (...) {
        return false;
    }
}

bool IsHttpsAddress(std::string_view address)
{
    return StartsWithNoCase(address, "https://");
}

std::string_view AddressForLog(std::string_view address)
{
    return address.substr(0, address.find_first_of("?#"));
}

std::string WithoutUserInfo(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (c != '@') {
            kept += c;
            continue;
        }
        // Malformed settings may hold blanks, quote marks or further "@"s: the scheme, when there is
        // one, bounds the cut; cutting back this far leaks none of them.
        std::size_t start = 0;
        if (const std::size_t scheme = kept.rfind("://"); scheme != std::string::npos) {
            start = scheme + 3;
        } else if (const std::size_t quote = kept.find_last_of("'\"`"); quote != std::string::npos) {
            start = quote + 1;
        }
        kept.resize(start);
    }
    return kept;
}

std::string EscapeAddress(std::string_view address)
{
    std::string out;
    try {
        std::size_t start = 0;
        const std::size_t scheme = address.find("://");
        if (scheme != std::string_view::npos) {
            start = address.find_first_of("/?#", scheme + 3);
            if (start == std::string_view::npos) {
                start = address.size();
            }
        }
        out.reserve(address.size() + 16);
        out.append(address.substr(0, start));
        for (std::size_t i = start; i < address.size(); ++i) {
            const auto c = static_cast<unsigned char>(address[i]);
            if (IsUnreserved(c) || IsKeptReserved(c)) {
                out += static_cast<char>(c);
            } else {
                AppendEscaped(out, c);
            }
        }
    } catch (...) {
        return {};
    }
    return out;
}

std::string FormEncode(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out += ch;
        } else {
            AppendEscaped(out, c);
        }
    }
    return out;
}

std::string FormBody(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) {
            body += '&';
        }
        body += name;
        body += '=';
        body += FormEncode(value);
    }
    return body;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace rz
