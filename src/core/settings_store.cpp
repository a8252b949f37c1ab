// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"

#include "util/files.h"
#include "util/plist_node.h"
#include "util/text.h"

#include <cstdio>
#include <map>
#include <unistd.h>
#include <variant>

namespace rz {

struct MConfig::Dict
{
    PlistPtr root;
};

namespace {

std::string DateToDayText(Date date)
{
    const LocalFields f = LocalFieldsOf(date);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", f.year, f.month, f.day);
    return buffer;
}

// "yyyyMMdd", exactly eight digits, a real calendar day.
std::optional<Date> DayTextToDate(std::string_view text)
{
    if (text.size() != 8) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    const auto number = [text](size_t from, size_t length) {
        return static_cast<int>(StrLeadingInt(text.substr(from, length)));
    };
    const int year = number(0, 4);
    const int month = number(4, 2);
    const int day = number(6, 2);
    if (!IsCalendarDay(year, month, day)) {
        return std::nullopt;
    }
    return DateFromParts(year, month, day, 0, 0, 0);
}

std::string_view StringOf(plist_t node)
{
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text != nullptr ? std::string_view(text, static_cast<size_t>(length)) : std::string_view();
}

std::mutex& MutexFor(const std::string& fileName)
{
    static std::mutex registryMutex;
    static std::map<std::string, std::mutex> mutexes;
    std::lock_guard lock(registryMutex);
    return mutexes[fileName];
}

} // namespace

MConfig::MConfig(std::string fileName) : m_FileName(std::move(fileName))
{
    if (!FileExists(m_FileName)) {
        m_Dict = std::make_unique<Dict>(Dict{PlistPtr(plist_new_dict())});
        return;
    }
    PlistPtr root = ReadPlistFile(m_FileName);
    if (root && plist_get_node_type(root.get()) == PLIST_DICT) {
        m_Dict = std::make_unique<Dict>(Dict{std::move(root)});
    }
}

MConfig::~MConfig() = default;

bool MConfig::HasDictionary() const
{
    return m_Dict != nullptr;
}

namespace {

// The scalar kinds a settings value can hold; anything else (data, dates, containers) is none.
using Scalar = std::variant<std::monostate, std::string_view, std::int64_t, bool, double>;

Scalar ScalarOf(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_STRING:
        return StringOf(node);
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return static_cast<std::int64_t>(value);
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    default:
        return std::monostate{};
    }
}

bool StringIsTrue(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    while (i < text.size() && text[i] == '0') {
        ++i;
    }
    if (i >= text.size()) {
        return false;
    }
    const char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

template <class... Visitors> struct Overloaded : Visitors...
{
    using Visitors::operator()...;
};
template <class... Visitors> Overloaded(Visitors...) -> Overloaded<Visitors...>;

} // namespace

void* MConfig::Find(const std::string& key) const
{
    return m_Dict ? plist_dict_get_item(m_Dict->root.get(), key.c_str()) : nullptr;
}

std::string MConfig::ReadValueDefStr(const std::string& key, const std::string& def) const
{
    plist_t node = Find(key);
    if (node == nullptr) {
        return def;
    }
    return std::visit(Overloaded{[&def](std::monostate) { return def; },
                                 [](std::string_view text) { return std::string(text); },
                                 [](std::int64_t value) { return std::to_string(value); },
                                 [](bool value) { return std::string(value ? "1" : "0"); },
                                 [](double value) {
                                     char buffer[64];
                                     std::snprintf(buffer, sizeof buffer, "%.17g", value);
                                     return std::string(buffer);
                                 }},
                      ScalarOf(node));
}

bool MConfig::ReadValueDefBool(const std::string& key, bool def) const
{
    plist_t node = Find(key);
    if (node == nullptr) {
        return def;
    }
    return std::visit(Overloaded{[def](std::monostate) { return def; },
                                 [](std::string_view text) { return StringIsTrue(text); },
                                 [](std::int64_t value) { return value != 0; },
                                 [](bool value) { return value; }, [](double value) { return value != 0; }},
                      ScalarOf(node));
}

std::int64_t MConfig::ReadValueDefInt(const std::string& key, std::int64_t def) const
{
    plist_t node = Find(key);
    if (node == nullptr) {
        return def;
    }
    return std::visit(
        Overloaded{
            [def](std::monostate) { return def; }, [](std::string_view text) { return StrLeadingInt(text); },
            [](std::int64_t value) { return value; }, [](bool value) { return std::int64_t{value ? 1 : 0}; },
            [](double value) {
                return value > -9.2e18 && value < 9.2e18 ? static_cast<std::int64_t>(value) : std::int64_t{0};
            }},
        ScalarOf(node));
}

std::optional<Date> MConfig::ReadValueDefDate(const std::string& key, std::optional<Date> def) const
{
    plist_t node = Find(key);
    if (node == nullptr) {
        return def;
    }
    if (plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    return DayTextToDate(StringOf(node));
}

void MConfig::WriteValueValueStr(const std::string& key, const std::string& value)
{
    if (m_Dict) {
        plist_dict_set_item(m_Dict->root.get(), key.c_str(), plist_new_string(value.c_str()));
    }
}

void MConfig::WriteValueValueInt(const std::string& key, std::int64_t value)
{
    if (m_Dict) {
        plist_dict_set_item(m_Dict->root.get(), key.c_str(), plist_new_uint(static_cast<uint64_t>(value)));
    }
}

void MConfig::WriteValueValueBool(const std::string& key, bool value)
{
    if (m_Dict) {
        plist_dict_set_item(m_Dict->root.get(), key.c_str(), plist_new_bool(value ? 1 : 0));
    }
}

void MConfig::WriteValueValueDate(const std::string& key, Date value)
{
    WriteValueValueStr(key, DateToDayText(value));
}

void MConfig::RemoveValue(const std::string& key)
{
    if (Find(key) != nullptr) {
        plist_dict_remove_item(m_Dict->root.get(), key.c_str());
    }
}

bool MConfig::Save()
{
    if (!m_Dict) {
        return false;
    }
    const std::string xml = PlistToXml(m_Dict->root.get());
    return !xml.empty() && WriteTextFile(m_FileName, xml);
}

MFileLock::MFileLock(const std::string& fileName)
{
    if (fileName.empty()) {
        return;
    }
    m_Fd = OpenLockedFile(fileName + ".lock", /*wait=*/true);
}

MFileLock::~MFileLock()
{
    // Closing the descriptor releases the lock.
    if (m_Fd >= 0) {
        ::close(m_Fd);
    }
}

// Threads of this process queue on the mutex, so each process holds one lock descriptor at a time.
MConfigTransaction::MConfigTransaction(const std::string& fileName)
    : m_Lock(MutexFor(fileName)), m_FileLock(fileName), m_Config(fileName)
{
}

} // namespace rz
