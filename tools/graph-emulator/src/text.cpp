// SPDX-License-Identifier: GPL-3.0-or-later
#include "text.h"

#include <cctype>
#include <cstdio>
#include <mutex>
#include <openssl/evp.h>
#include <random>

namespace emu {
namespace {

uint64_t Fnv1a(std::string_view s, uint64_t h)
{
    for (const unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::mt19937_64& Rng()
{
    static std::mt19937_64 rng{std::random_device{}()};
    return rng;
}

std::mutex g_rngMutex;

std::string GuidFromWords(uint64_t a, uint64_t b, bool upper)
{
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  upper ? "%08llX-%04llX-%04llX-%04llX-%012llX" : "%08llx-%04llx-%04llx-%04llx-%012llx",
                  static_cast<unsigned long long>(a >> 32),
                  static_cast<unsigned long long>((a >> 16) & 0xffff),
                  static_cast<unsigned long long>(a & 0xffff), static_cast<unsigned long long>(b >> 48),
                  static_cast<unsigned long long>(b & 0xffffffffffffULL));
    return buf;
}

} // namespace

std::string XmlEscape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string UrlEncode(std::string_view s)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size() * 3);
    for (const unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string UrlDecode(std::string_view s, bool plusIsSpace)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = HexValue(s[i + 1]);
            const int lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && s[i] == '+') ? ' ' : s[i];
    }
    return out;
}

std::map<std::string, std::string> ParseQuery(std::string_view query)
{
    std::map<std::string, std::string> out;
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        const size_t eq = pair.find('=');
        const std::string name = UrlDecode(pair.substr(0, eq), true);
        const std::string value =
            eq == std::string_view::npos ? std::string{} : UrlDecode(pair.substr(eq + 1), true);
        out.emplace(name, value);
    }
    return out;
}

std::string ToLowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string StableGuid(std::string_view seed, bool upper)
{
    const uint64_t a = Fnv1a(seed, 14695981039346656037ULL);
    const uint64_t b = Fnv1a(seed, a ^ 0x9e3779b97f4a7c15ULL);
    return GuidFromWords(a, b, upper);
}

std::string StableHex16(std::string_view seed)
{
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llX",
                  static_cast<unsigned long long>(Fnv1a(seed, 14695981039346656037ULL)));
    return buf;
}

std::string RandomText(size_t n, std::string_view alphabet)
{
    std::lock_guard lock(g_rngMutex);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string out(n, ' ');
    for (char& c : out) {
        c = alphabet[pick(Rng())];
    }
    return out;
}

std::string RandomGuid()
{
    std::lock_guard lock(g_rngMutex);
    const uint64_t a = Rng()();
    const uint64_t b = Rng()();
    return GuidFromWords(a, b, false);
}

std::string Sha256Base64Url(std::string_view text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        return {};
    }
    std::string out(4 * ((length + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), digest, static_cast<int>(length));
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    while (!out.empty() && out.back() == '=') {
        out.pop_back();
    }
    for (char& c : out) {
        c = c == '+' ? '-' : c == '/' ? '_' : c;
    }
    return out;
}

} // namespace emu
