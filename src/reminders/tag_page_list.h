#pragma once

#include "reminders/keyed_records.h"
#include "util/dates.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz {

// A page known to carry tag reminders, with the last-modified time at which its content was read.
// Every single field read or write is indivisible.
class TATagPage
{
public:
    TATagPage() = default;
    TATagPage(const TATagPage&) = delete;
    TATagPage& operator=(const TATagPage&) = delete;

    // The key of the list. Change it only through the list that holds the record.
    std::optional<std::string> pageId() const;
    void setPageId(std::optional<std::string> value);
    std::optional<std::string> link() const;
    void setLink(std::optional<std::string> value);
    std::optional<Date> lastModifyTime() const;
    void setLastModifyTime(std::optional<Date> value);

    // "PageID:%@` Link:%@` Time:%@`", absent values as "(null)", no escaping.
    std::string ToString() const;
    // Reads a line of the ToString form; never fails.
    static std::shared_ptr<TATagPage> FromString(std::string_view line);

private:
    mutable std::mutex m_Mutex;
    std::optional<std::string> m_PageId;
    std::optional<std::string> m_Link;
    std::optional<Date> m_LastModifyTime;
};

using TagPagePtr = std::shared_ptr<TATagPage>;

// The pages known to carry tag reminders, in the order they were added, keyed by pageId. Every
// operation runs under the list's own mutex. GetByID finds the first record with a key, DeleteByID
// removes the last.
class TTagPageList
{
public:
    enum class LookUp { Indexed, Linear };

    explicit TTagPageList(LookUp lookUp = LookUp::Indexed);
    TTagPageList(const TTagPageList&) = delete;
    TTagPageList& operator=(const TTagPageList&) = delete;

    // The page's record with its time set to LastModifyTime (its link is kept), or a new record.
    TagPagePtr AddUnique(const std::optional<std::string>& pageId,
                         const std::optional<std::string>& PageClientLink,
                         std::optional<Date> LastModifyTime);
    // Merges a loaded record: the time of the record with its key is overwritten, or it is appended.
    TagPagePtr AddUnique(const TagPagePtr& record);
    TagPagePtr GetByID(const std::optional<std::string>& pageId) const;
    void DeleteByID(const std::optional<std::string>& pageId);

    // One XML property list string per record; a failed write leaves the old file whole.
    void SaveToFile(const std::string& path) const;
    // Merges the file's records into the list; a missing or malformed file adds nothing.
    void LoadFromFile(const std::string& path);

    std::size_t Count() const;
    // The record at the index, or null when the index is out of range now.
    TagPagePtr At(std::size_t index) const;
    std::vector<TagPagePtr> list() const;
    void setList(const std::vector<TagPagePtr>& records);
    void Clear();

private:
    TagPagePtr AddUniqueLocked(const TagPagePtr& record);

    mutable std::mutex m_Mutex;
    detail::KeyedRecords<TATagPage> m_Records;
};

} // namespace rz
