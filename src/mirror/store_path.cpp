// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/store_path.h"

#include "mirror/mirror_json.h"
#include "mirror/shared_notebooks.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <system_error>

namespace rz {
namespace {

constexpr std::size_t kMaxComponentBytes = 255;
constexpr const char* kUnnamed = "(unnamed)";

std::uint64_t Fnv1a64(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string EscapeByte(unsigned char c)
{
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%%%02X", c);
    return buffer;
}

// Length of the longest prefix of at most `limit` bytes that ends on a UTF-8 character boundary.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U) {
        --end;
    }
    return end;
}

std::string SafeComponent(std::string_view raw)
{
    if (raw == ".") {
        return "%2E";
    }
    if (raw == "..") {
        return "%2E%2E";
    }
    // The store's own files share folders with the item folders.
    for (const char* reserved : {"notebooks.json", "notebookssections.json", "errorsections.json",
                                 "pages.json", kSharedStoreFolder}) {
        if (raw == reserved) {
            std::string escaped(raw);
            escaped.replace(escaped.rfind('.'), 1, "%2E");
            return escaped;
        }
    }
    std::string out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '\\') {
            out += EscapeByte(c);
        } else {
            out += ch;
        }
    }
    if (out.size() > kMaxComponentBytes) {
        char suffix[18];
        std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(Fnv1a64(out)));
        out.resize(Utf8PrefixLength(out, kMaxComponentBytes - (sizeof suffix - 1)));
        out += suffix;
    }
    return out;
}

} // namespace

std::filesystem::path StoreFolderName(std::string_view displayName)
{
    std::filesystem::path result;
    std::size_t start = 0;
    while (start <= displayName.size()) {
        std::size_t slash = displayName.find('/', start);
        if (slash == std::string_view::npos) {
            slash = displayName.size();
        }
        const std::string_view raw = displayName.substr(start, slash - start);
        if (!raw.empty()) {
            result /= SafeComponent(raw);
        }
        start = slash + 1;
    }
    if (result.empty()) {
        result = kUnnamed;
    }
    return result;
}

std::filesystem::path ItemFolderName(const Json& item)
{
    const Json* shared = JsonObject(item, kSharedMember);
    const std::string id = JsonText(item, "id");
    if (shared != nullptr) {
        const std::string owner = JsonText(*shared, "owner");
        if (IsSafeGraphIdSegment(owner) && IsSafeGraphIdSegment(id)) {
            return std::filesystem::path(kSharedStoreFolder) / SafeComponent(owner) / SafeComponent(id);
        }
        return std::filesystem::path(kSharedStoreFolder) / kUnnamed;
    }
    return StoreFolderName(JsonText(item, "displayName"));
}

bool IsInsideStore(const std::filesystem::path& root, const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::weakly_canonical(root, error);
    if (error || base.empty()) {
        return false;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    if (error || target.empty()) {
        return false;
    }
    auto b = base.begin();
    auto t = target.begin();
    for (; b != base.end(); ++b, ++t) {
        if (b->empty() && std::next(b) == base.end()) {
            break; // a root given with a trailing "/"
        }
        if (t == target.end() || *t != *b) {
            return false;
        }
    }
    return true;
}

} // namespace rz
