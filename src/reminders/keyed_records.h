// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace rz::detail {

// An ordered list of shared records with a hash index on each record's key. A record's key cannot be
// changed from outside while it is listed (Record::ListHold tells the record how many lists hold
// it, and its key setter refuses while any does), so the index stays in step with the keys.
// Look-ups keep the meaning of a walk over the list: when a key occurs more than once, the caller
// says whether the first or the last entry in list order counts. Not synchronised; the owning list
// holds its own mutex around every call.
template <class Record> class KeyedRecords
{
public:
    using Ptr = std::shared_ptr<Record>;
    // KeyOf(record) gives the record's current key (std::optional<std::string>).
    using KeyOf = std::optional<std::string> (*)(const Record&);

    KeyedRecords(KeyOf keyOf, bool indexed) : m_KeyOf(keyOf), m_Indexed(indexed) {}
    ~KeyedRecords() { Clear(); }
    KeyedRecords(const KeyedRecords&) = delete;
    KeyedRecords& operator=(const KeyedRecords&) = delete;

    std::size_t Size() const { return m_Entries.size(); }
    const Ptr& At(std::size_t i) const { return m_Entries[i].record; }

    std::vector<Ptr> Records() const
    {
        std::vector<Ptr> out;
        out.reserve(m_Entries.size());
        for (const auto& e : m_Entries) {
            out.push_back(e.record);
        }
        return out;
    }

    void Append(Ptr record)
    {
        Entry entry{std::move(record), std::nullopt};
        entry.record->ListHold(1);
        entry.key = m_KeyOf(*entry.record);
        if (m_Indexed && entry.key) {
            m_Index[*entry.key].push_back(entry.record);
        }
        m_Entries.push_back(std::move(entry));
    }

    void Clear()
    {
        for (const auto& e : m_Entries) {
            e.record->ListHold(-1);
        }
        m_Entries.clear();
        m_Index.clear();
    }

    // The first (fromEnd false) or last (fromEnd true) record in list order whose key equals `key`;
    // null when there is none. An absent key matches nothing.
    Ptr FindRecord(const std::optional<std::string>& key, bool fromEnd) const
    {
        if (!key) {
            return nullptr;
        }
        if (!m_Indexed) {
            return LinearFind(*key, fromEnd);
        }
        const auto it = m_Index.find(*key);
        if (it == m_Index.end()) {
            return nullptr;
        }
        const std::vector<Ptr>& candidates = it->second;
        // Several records share the key (only InsertTop or setList make that): decide by walking
        // the list.
        if (candidates.size() == 1) {
            return candidates.front();
        }
        return LinearFind(*key, fromEnd);
    }

    // Position of the record FindRecord gives.
    std::optional<std::size_t> Find(const std::optional<std::string>& key, bool fromEnd) const
    {
        const Ptr record = FindRecord(key, fromEnd);
        return record ? PositionOf(record.get()) : std::nullopt;
    }

    std::optional<std::size_t> PositionOf(const Record* record) const
    {
        for (std::size_t i = m_Entries.size(); i-- > 0;) {
            if (m_Entries[i].record.get() == record) {
                return i;
            }
        }
        return std::nullopt;
    }

    void RemoveAt(std::size_t i)
    {
        Unindex(m_Entries[i]);
        m_Entries[i].record->ListHold(-1);
        m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(i));
    }

    // Removes every entry for which pred(record) holds, keeping the order of the rest; gives the count.
    template <class Pred> std::size_t RemoveIf(Pred pred)
    {
        std::size_t removed = 0;
        std::vector<Entry> kept;
        kept.reserve(m_Entries.size());
        for (auto& e : m_Entries) {
            if (pred(*e.record)) {
                Unindex(e);
                e.record->ListHold(-1);
                ++removed;
            } else {
                kept.push_back(std::move(e));
            }
        }
        m_Entries = std::move(kept);
        return removed;
    }

    // Reorders the entries; `order` is a permutation of the current indices.
    void Permute(const std::vector<std::size_t>& order)
    {
        std::vector<Entry> sorted;
        sorted.reserve(m_Entries.size());
        for (std::size_t i : order) {
            sorted.push_back(std::move(m_Entries[i]));
        }
        m_Entries = std::move(sorted);
    }

private:
    struct Entry
    {
        Ptr record;
        // The key the record was indexed under.
        std::optional<std::string> key;
    };

    Ptr LinearFind(const std::string& key, bool fromEnd) const
    {
        const std::size_t n = m_Entries.size();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = fromEnd ? n - 1 - k : k;
            const std::optional<std::string> current = m_KeyOf(*m_Entries[i].record);
            if (current && *current == key) {
                return m_Entries[i].record;
            }
        }
        return nullptr;
    }

    void Unindex(const Entry& e)
    {
        if (!m_Indexed || !e.key) {
            return;
        }
        const auto it = m_Index.find(*e.key);
        if (it == m_Index.end()) {
            return;
        }
        auto& v = it->second;
        v.erase(std::remove(v.begin(), v.end(), e.record), v.end());
        if (v.empty()) {
            m_Index.erase(it);
        }
    }

    KeyOf m_KeyOf;
    bool m_Indexed;
    std::vector<Entry> m_Entries;
    std::unordered_map<std::string, std::vector<Ptr>> m_Index;
};

} // namespace rz::detail
