// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/locked_field.h"
#include "reminders/record_list.h"
#include "util/dates.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

    // The key of the list. Lists index their records by it, so it is set before the record enters
    // a list: while any list holds the record the change is refused (false).
    std::optional<std::string> pageId() const { return detail::LockedGet(m_Mutex, m_PageId); }
    bool setPageId(std::optional<std::string> value);
    std::optional<std::string> link() const { return detail::LockedGet(m_Mutex, m_Link); }
    void setLink(std::optional<std::string> value) { detail::LockedSet(m_Mutex, m_Link, std::move(value)); }
    std::optional<Date> lastModifyTime() const { return detail::LockedGet(m_Mutex, m_LastModifyTime); }
    void setLastModifyTime(std::optional<Date> value) { detail::LockedSet(m_Mutex, m_LastModifyTime, value); }

    // "PageID:%@` Link:%@` Time:%@`", absent values as "(null)", no escaping.
    std::string ToString() const;
    // Reads a line of the ToString form; never fails.
    static std::shared_ptr<TATagPage> FromString(std::string_view line);

private:
    template <class> friend class detail::KeyedRecords;
    // How many lists hold the record now.
    void ListHold(int delta);

    mutable std::mutex m_Mutex;
    int m_Lists = 0;
    std::optional<std::string> m_PageId;
    std::optional<std::string> m_Link;
    std::optional<Date> m_LastModifyTime;
};

using TagPagePtr = std::shared_ptr<TATagPage>;

// The pages whose title marks tag reminders and whose content has been read (with the change time
// it was read at, so an unchanged page is not read again), in the order they were added, keyed by
// pageId. Every operation runs under the list's own mutex. GetByID finds the first record with a
// key, DeleteByID removes the last.
class TTagPageList : public detail::RecordList<TTagPageList, TATagPage>
{
public:
    explicit TTagPageList(LookUp lookUp = LookUp::Indexed);

    // The page's record with its time set to LastModifyTime (its link is kept), or a new record.
    TagPagePtr AddUnique(const std::optional<std::string>& pageId,
                         const std::optional<std::string>& PageClientLink,
                         std::optional<Date> LastModifyTime);
    // AddUnique(record) merges a loaded record: the time of the record with its key is overwritten,
    // or it is appended.
    using RecordList::AddUnique;
    // Removes every page whose id does not occur in the page list text; gives the count.
    std::size_t CheckAndRemoveDeletedPageItem(std::string_view text);

private:
    friend class detail::RecordList<TTagPageList, TATagPage>;
    static constexpr bool kGetByIDFindsLast = false;
    TagPagePtr AddUniqueLocked(const TagPagePtr& record);
};

} // namespace rz
