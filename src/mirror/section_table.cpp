// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/section_table.h"

#include "util/clock.h"
#include "util/dates.h"
#include "util/files.h"
#include "util/plist.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace rz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorListFile = "errorsections.json";
constexpr const char* kProgressFile = "mirrorprogress.json";

// Monotonic times go to the file as wall-clock times: the next run has its own monotonic clock.
double WallOffset()
{
    return DateNow().seconds - MonotonicSecondsNow();
}

bool IsPutOff(const TSectionRecord& record)
{
    return record.state == TSectionState::PutOff || record.state == TSectionState::Paging;
}

// Waiting, with the name and folder to fetch it into.
bool OnErrorList(const TSectionRecord& record)
{
    return record.state != TSectionState::Listed && !record.folder.empty();
}

bool BacksOff(const TSectionRecord& record, double now)
{
    return record.failures > 0 && now < record.retryAt;
}

TErrorSection EntryOf(const TSectionRecord& record)
{
    return {record.id, record.name, record.folder};
}

// A record that says nothing more than that the section is mirrored.
bool Empty(const TSectionRecord& record)
{
    return record.state == TSectionState::Listed && !record.listedSinceSearch;
}

} // namespace

void TSectionTable::Load(const fs::path& accountFolder)
{
    std::map<std::string, TSectionRecord> records;
    auto at = [&records](const std::string& id) -> TSectionRecord& {
        TSectionRecord& record = records[id];
        record.id = id;
        return record;
    };
    if (const auto stored = ReadPlistStringArrayDict((accountFolder / kErrorListFile).string())) {
        for (const auto& [id, values] : *stored) {
            // An entry that names another section than its key is no entry this agent wrote.
            if (values.size() == 3 && values[0] == id) {
                TSectionRecord& record = at(id);
                record.name = values[1];
                record.folder = values[2];
                record.state = TSectionState::Waiting;
            }
        }
    }
    // Written by this agent, but maybe by an older version or by hand: every member is judged by
    // its kind, and one of another kind counts as missing.
    const Json saved = ReadJsonFile((accountFolder / kProgressFile).string(), kMaxStateFileBytes);
    if (const Json* deferred = JsonObject(saved, "deferred")) {
        for (const auto& [id, modified] : deferred->items()) {
            TSectionRecord& record = at(id);
            record.state = TSectionState::PutOff;
            record.lastModified = modified.is_string() ? modified.get<std::string>() : std::string();
        }
    }
    const double offset = WallOffset();
    const double now = MonotonicSecondsNow();
    if (const Json* failing = JsonObject(saved, "failing")) {
        for (const auto& [id, entry] : failing->items()) {
            if (!entry.is_object()) {
                continue;
            }
            TSectionRecord& record = at(id);
            record.failures =
                static_cast<int>(JsonCount(entry, "failures", 1, kMaxSectionFailures).value_or(1));
            // A retry time the clock set back puts further away is cut to the longest back-off.
            record.retryAt = std::min(JsonNumber(entry, "retryAt").value_or(0.0) - offset,
                                      now + kSectionBackOffMaxSeconds);
            if (!IsPutOff(record)) {
                record.state = TSectionState::Failing;
            }
        }
    }
    const Json* search = JsonObject(saved, "search");
    if (const Json* listed = search != nullptr ? JsonArray(*search, "listed") : nullptr) {
        for (const Json& id : *listed) {
            if (id.is_string()) {
                at(id.get<std::string>()).listedSinceSearch = true;
            }
        }
    }
    std::lock_guard lock(m_Mutex);
    m_Records = std::move(records);
    m_Folder = accountFolder;
    ++m_Generation;
}

void TSectionTable::Clear()
{
    std::lock_guard lock(m_Mutex);
    m_Records.clear();
    m_Folder.clear();
    ++m_Generation;
}

fs::path TSectionTable::Folder() const
{
    std::lock_guard lock(m_Mutex);
    return m_Folder;
}

bool TSectionTable::SaveErrorList(const std::string& path) const
{
    PlistStringArrayDict dict;
    for (const auto& [id, entry] : ErrorList()) {
        dict[id] = {entry[0], entry[1], entry[2]};
    }
    return WritePlistStringArrayDict(path, dict);
}

void TSectionTable::AddProgress(Json& progress, bool withListed) const
{
    const double offset = WallOffset();
    Json deferred = Json::object();
    Json failing = Json::object();
    Json listed = Json::array();
    {
        std::lock_guard lock(m_Mutex);
        for (const auto& [id, record] : m_Records) {
            if (IsPutOff(record)) {
                deferred[id] = record.lastModified;
            }
            if (record.failures > 0) {
                failing[id] = {{"failures", record.failures},
                               {"retryAt", std::round(record.retryAt + offset)}};
            }
            if (record.listedSinceSearch) {
                listed.push_back(id);
            }
        }
    }
    progress["deferred"] = std::move(deferred);
    progress["failing"] = std::move(failing);
    if (withListed) {
        progress["search"]["listed"] = std::move(listed);
    }
}

std::uint64_t TSectionTable::Generation() const
{
    std::lock_guard lock(m_Mutex);
    return m_Generation;
}

TSectionRecord& TSectionTable::At(const std::string& id)
{
    TSectionRecord& record = m_Records[id];
    record.id = id;
    return record;
}

void TSectionTable::Wait(const std::string& id, const std::string& name, const std::string& folder)
{
    std::lock_guard lock(m_Mutex);
    TSectionRecord& record = At(id);
    record.name = name;
    record.folder = folder;
    if (record.state == TSectionState::Listed) {
        record.state = TSectionState::Waiting;
    }
}

void TSectionTable::PutOff(const std::string& id, const std::string& lastModified)
{
    std::lock_guard lock(m_Mutex);
    TSectionRecord& record = At(id);
    if (!IsPutOff(record)) {
        record.state = TSectionState::PutOff;
        record.lastModified = lastModified;
        ++m_Generation;
    } else if (!lastModified.empty() && record.lastModified != lastModified) {
        record.lastModified = lastModified;
        ++m_Generation;
    }
}

void TSectionTable::PagingStopped(const std::string& id, int skip)
{
    std::lock_guard lock(m_Mutex);
    TSectionRecord& record = At(id);
    if (!IsPutOff(record)) {
        record.lastModified.clear();
        ++m_Generation;
    }
    record.state = TSectionState::Paging;
    record.pagingSkip = skip;
}

void TSectionTable::Fail(const TErrorSection& entry)
{
    const double now = MonotonicSecondsNow();
    std::lock_guard lock(m_Mutex);
    TSectionRecord& record = At(entry[0]);
    record.name = entry[1];
    record.folder = entry[2];
    record.failures = std::min(record.failures + 1, kMaxSectionFailures);
    record.retryAt = now + (record.failures <= 1
                                ? 0.0
                                : std::min(kSectionBackOffFirstSeconds * std::pow(2.0, record.failures - 2),
                                           kSectionBackOffMaxSeconds));
    record.state = TSectionState::Failing;
    record.lastModified.clear();
    record.pagingSkip = 0;
    ++m_Generation;
}

void TSectionTable::MarkListed(const std::string& id, bool sinceSearch)
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    if (found == m_Records.end() && !sinceSearch) {
        return;
    }
    TSectionRecord& record = At(id);
    const bool changed = record.state != TSectionState::Listed || record.failures > 0 ||
                         (sinceSearch && !record.listedSinceSearch);
    record.state = TSectionState::Listed;
    record.failures = 0;
    record.retryAt = 0;
    record.lastModified.clear();
    record.pagingSkip = 0;
    record.listedSinceSearch = record.listedSinceSearch || sinceSearch;
    if (Empty(record)) {
        m_Records.erase(id);
    }
    if (changed) {
        ++m_Generation;
    }
}

void TSectionTable::KeepOnly(const THierarchyIds& ids)
{
    std::lock_guard lock(m_Mutex);
    if (std::erase_if(m_Records, [&](const auto& entry) { return !ids.contains(entry.first); }) > 0) {
        ++m_Generation;
    }
}

void TSectionTable::ClearListed()
{
    std::lock_guard lock(m_Mutex);
    bool changed = false;
    for (auto& [id, record] : m_Records) {
        changed = changed || record.listedSinceSearch;
        record.listedSinceSearch = false;
    }
    std::erase_if(m_Records, [](const auto& entry) { return Empty(entry.second); });
    if (changed) {
        ++m_Generation;
    }
}

bool TSectionTable::Waits(const std::string& id) const
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    // A section only the progress names backs off all the same: the error list may be older than
    // the progress after a kill.
    return found != m_Records.end() && found->second.state != TSectionState::Listed &&
           (!found->second.folder.empty() || found->second.failures > 0);
}

bool TSectionTable::InBackOff(const std::string& id) const
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    return found != m_Records.end() && BacksOff(found->second, MonotonicSecondsNow());
}

bool TSectionTable::IsListed(const std::string& id) const
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    return found != m_Records.end() && found->second.listedSinceSearch &&
           found->second.state == TSectionState::Listed;
}

bool TSectionTable::HasPutOff() const
{
    std::lock_guard lock(m_Mutex);
    return std::any_of(m_Records.begin(), m_Records.end(),
                       [](const auto& entry) { return IsPutOff(entry.second); });
}

std::vector<std::string> TSectionTable::ErrorListIds() const
{
    std::lock_guard lock(m_Mutex);
    std::vector<std::string> ids;
    for (const auto& [id, record] : m_Records) {
        if (OnErrorList(record)) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::optional<TErrorSection> TSectionTable::DueRetry(const std::string& id) const
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    if (found == m_Records.end() || !OnErrorList(found->second) || IsPutOff(found->second) ||
        BacksOff(found->second, MonotonicSecondsNow())) {
        return std::nullopt;
    }
    return EntryOf(found->second);
}

std::optional<TErrorSection> TSectionTable::NextPutOff()
{
    std::lock_guard lock(m_Mutex);
    for (;;) {
        auto newest = m_Records.end();
        for (auto at = m_Records.begin(); at != m_Records.end(); ++at) {
            if (IsPutOff(at->second) &&
                (newest == m_Records.end() || newest->second.lastModified < at->second.lastModified)) {
                newest = at;
            }
        }
        if (newest == m_Records.end()) {
            return std::nullopt;
        }
        if (!newest->second.folder.empty()) {
            return EntryOf(newest->second);
        }
        // Nothing says where to fetch it: the next walk puts it off again if its list is missing.
        TSectionRecord& record = newest->second;
        record.state = record.failures > 0 ? TSectionState::Failing : TSectionState::Listed;
        record.lastModified.clear();
        record.pagingSkip = 0;
        if (Empty(record)) {
            m_Records.erase(newest);
        }
        ++m_Generation;
    }
}

std::map<std::string, TErrorSection> TSectionTable::ErrorList() const
{
    std::lock_guard lock(m_Mutex);
    std::map<std::string, TErrorSection> list;
    for (const auto& [id, record] : m_Records) {
        if (OnErrorList(record)) {
            list.emplace(id, EntryOf(record));
        }
    }
    return list;
}

std::map<std::string, TSectionBackOff> TSectionTable::Failing() const
{
    std::lock_guard lock(m_Mutex);
    std::map<std::string, TSectionBackOff> failing;
    for (const auto& [id, record] : m_Records) {
        if (record.failures > 0) {
            failing.emplace(id, TSectionBackOff{record.failures, record.retryAt});
        }
    }
    return failing;
}

std::optional<TSectionRecord> TSectionTable::Record(const std::string& id) const
{
    std::lock_guard lock(m_Mutex);
    const auto found = m_Records.find(id);
    return found == m_Records.end() ? std::nullopt : std::optional(found->second);
}

std::size_t TSectionTable::ToMirror() const
{
    std::lock_guard lock(m_Mutex);
    return static_cast<std::size_t>(std::count_if(m_Records.begin(), m_Records.end(), [](const auto& entry) {
        return OnErrorList(entry.second) && entry.second.failures == 0;
    }));
}

std::vector<std::string> TSectionTable::FailingNames() const
{
    std::lock_guard lock(m_Mutex);
    std::vector<std::string> names;
    for (const auto& [id, record] : m_Records) {
        if (OnErrorList(record) && record.failures > 0) {
            names.push_back(record.name);
        }
    }
    return names;
}

} // namespace rz
