// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/plist.h"

#include "util/files.h"
#include "util/plist_node.h"
#include "util/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>

namespace rz {
namespace {

// The stored lists and settings are small; anything larger is not one of our files.
constexpr std::size_t kMaxPlistBytes = std::size_t{64} << 20;

// libplist's XML reader recurses per nesting level; our files never nest deeper than two.
bool NestingWithinLimit(const std::string& bytes)
{
    constexpr int kMaxDepth = 64;
    int depth = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] != '<') {
            continue;
        }
        const char next = bytes[i + 1];
        const bool closing = next == '/';
        const std::string_view rest(bytes.data() + i + (closing ? 2 : 1),
                                    bytes.size() - i - (closing ? 2 : 1));
        if (rest.starts_with("array") || rest.starts_with("dict")) {
            const size_t end = rest.find('>');
            const bool selfClosing = end != std::string_view::npos && end > 0 && rest[end - 1] == '/';
            if (closing) {
                depth = std::max(0, depth - 1); // stray closing tags must not buy extra depth
            } else if (!selfClosing && ++depth > kMaxDepth) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

PlistPtr ReadPlistFile(const std::string& path)
{
    const std::optional<std::string> read = ReadRawFile(path, kMaxPlistBytes);
    if (!read || read->empty()) {
        return nullptr;
    }
    const std::string& bytes = *read;
    if (bytes.starts_with("bplist")) {
        // Binary lists are not ours to read: every file we write is XML.
        return nullptr;
    }
    if (!NestingWithinLimit(bytes)) {
        return nullptr;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return PlistPtr(root);
}

std::string PlistToXml(plist_t node)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (xml == nullptr) {
        return {};
    }
    std::string text(xml, length);
    plist_to_xml_free(xml);
    return text;
}

namespace {

std::vector<std::string> StringsOf(plist_t array)
{
    std::vector<std::string> lines;
    const uint32_t count = plist_array_get_size(array);
    lines.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(array, i);
        if (plist_get_node_type(item) != PLIST_STRING) {
            continue;
        }
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(item, &length);
        if (text != nullptr) {
            lines.emplace_back(text, static_cast<size_t>(length));
        }
    }
    return lines;
}

// A property-list string cannot hold NUL; keep what follows one instead of cutting there.
plist_t NewString(const std::string& text)
{
    if (text.find('\0') == std::string::npos) {
        return plist_new_string(text.c_str());
    }
    return plist_new_string(StrReplaceAll(text, std::string_view("\0", 1), "\xEF\xBF\xBD").c_str());
}

plist_t NewStringArray(const std::vector<std::string>& lines)
{
    plist_t array = plist_new_array();
    for (const std::string& line : lines) {
        plist_array_append_item(array, NewString(line));
    }
    return array;
}

} // namespace

std::optional<std::vector<std::string>> ReadPlistStringArray(const std::string& path)
{
    const PlistPtr root = ReadPlistFile(path);
    if (!root || plist_get_node_type(root.get()) != PLIST_ARRAY) {
        return std::nullopt;
    }
    return StringsOf(root.get());
}

std::optional<PlistStringArrayDict> ReadPlistStringArrayDict(const std::string& path)
{
    const PlistPtr root = ReadPlistFile(path);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    PlistStringArrayDict dict;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(root.get(), &iter);
    if (iter == nullptr) {
        return dict;
    }
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iter, &key, &value);
        if (key == nullptr) {
            break;
        }
        if (value != nullptr && plist_get_node_type(value) == PLIST_ARRAY) {
            dict[key] = StringsOf(value);
        }
        std::free(key);
    }
    std::free(iter);
    return dict;
}

bool WritePlistStringArrayDict(const std::string& path, const PlistStringArrayDict& dict)
{
    PlistPtr root(plist_new_dict());
    for (const auto& [key, lines] : dict) {
        if (key.find('\0') != std::string::npos) {
            continue; // a dictionary key cannot hold NUL; such an entry cannot be read back anyway
        }
        plist_dict_set_item(root.get(), key.c_str(), NewStringArray(lines));
    }
    const std::string xml = PlistToXml(root.get());
    return !xml.empty() && WriteTextFile(path, xml);
}

bool WritePlistStringArray(const std::string& path, const std::vector<std::string>& lines)
{
    PlistPtr root(NewStringArray(lines));
    const std::string xml = PlistToXml(root.get());
    return !xml.empty() && WriteTextFile(path, xml);
}

} // namespace rz
