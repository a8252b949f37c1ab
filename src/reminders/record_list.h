// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/keyed_records.h"
#include "util/plist.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rz::detail {

// What every keyed record list shares: its mutex, its storage, and the operations that do not depend
// on how the list merges a record into one with the same key. Derived supplies that merge as
// `Ptr AddUniqueLocked(const Ptr&)`, called with the mutex held, and says in `kGetByIDFindsLast`
// whether GetByID gives the first or the last record with a key. Record needs `std::string
// ToString() const` and `static Ptr FromString(std::string_view)`.
template <class Derived, class Record> class RecordList
{
public:
    using Ptr = std::shared_ptr<Record>;

    // Linear look-ups walk the list as the plain algorithm does; they exist as a reference for tests
    // and benchmarks.
    enum class LookUp { Indexed, Linear };

    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    // Merges a loaded record by the list's rules; gives the record now in the list (null for null).
    Ptr AddUnique(const Ptr& record)
    {
        if (!record) {
            return nullptr;
        }
        std::lock_guard lock(m_Mutex);
        return AsDerived().AddUniqueLocked(record);
    }

    Ptr GetByID(const std::optional<std::string>& id) const
    {
        std::lock_guard lock(m_Mutex);
        return m_Records.FindRecord(id, Derived::kGetByIDFindsLast);
    }

    // Removes the last record with the key, if any.
    void DeleteByID(const std::optional<std::string>& id)
    {
        std::lock_guard lock(m_Mutex);
        if (const auto i = m_Records.Find(id, true)) {
            m_Records.RemoveAt(*i);
        }
    }

    // One XML property list string per record; a failed write leaves the old file whole and gives
    // false.
    bool SaveToFile(const std::string& path) const
    {
        std::vector<std::string> lines;
        {
            std::lock_guard lock(m_Mutex);
            lines.reserve(m_Records.Size());
            for (std::size_t i = 0; i < m_Records.Size(); ++i) {
                lines.push_back(m_Records.At(i)->ToString());
            }
        }
        return WritePlistStringArray(path, lines);
    }

    // Merges the file's records into the list; a missing or malformed file adds nothing.
    void LoadFromFile(const std::string& path)
    {
        const std::optional<std::vector<std::string>> lines = ReadPlistStringArray(path);
        if (!lines) {
            return;
        }
        std::vector<Ptr> records;
        records.reserve(lines->size());
        for (const std::string& line : *lines) {
            records.push_back(Record::FromString(line));
        }
        std::lock_guard lock(m_Mutex);
        for (const Ptr& record : records) {
            AsDerived().AddUniqueLocked(record);
        }
    }

    std::size_t Count() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Records.Size();
    }

    // The record at the index, or null when the index is out of range now.
    Ptr At(std::size_t index) const
    {
        std::lock_guard lock(m_Mutex);
        return index < m_Records.Size() ? m_Records.At(index) : nullptr;
    }

    // A copy of the record pointers in list order.
    std::vector<Ptr> list() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Records.Records();
    }

    // Replaces the content with the records, in their order; null entries are skipped.
    void setList(const std::vector<Ptr>& records)
    {
        std::lock_guard lock(m_Mutex);
        m_Records.Clear();
        for (const Ptr& record : records) {
            if (record) {
                m_Records.Append(record);
            }
        }
    }

    void Clear()
    {
        std::lock_guard lock(m_Mutex);
        m_Records.Clear();
    }

protected:
    RecordList(typename KeyedRecords<Record>::KeyOf keyOf, LookUp lookUp)
        : m_Records(keyOf, lookUp == LookUp::Indexed)
    {
    }
    ~RecordList() = default;

    mutable std::mutex m_Mutex;
    KeyedRecords<Record> m_Records;

private:
    Derived& AsDerived() { return static_cast<Derived&>(*this); }
};

} // namespace rz::detail
