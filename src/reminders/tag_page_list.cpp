#include "reminders/tag_page_list.h"

#include "reminders/reminder.h"
#include "util/plist.h"
#include "util/text.h"

#include <utility>

namespace rz {

namespace {

constexpr const char* kNull = "(null)";

std::optional<std::string> TagPageKey(const TATagPage& record)
{
    return record.pageId();
}

} // namespace

std::optional<std::string> TATagPage::pageId() const
{
    std::lock_guard lock(m_Mutex);
    return m_PageId;
}

void TATagPage::setPageId(std::optional<std::string> value)
{
    std::lock_guard lock(m_Mutex);
    m_PageId = std::move(value);
}

std::optional<std::string> TATagPage::link() const
{
    std::lock_guard lock(m_Mutex);
    return m_Link;
}

void TATagPage::setLink(std::optional<std::string> value)
{
    std::lock_guard lock(m_Mutex);
    m_Link = std::move(value);
}

std::optional<Date> TATagPage::lastModifyTime() const
{
    std::lock_guard lock(m_Mutex);
    return m_LastModifyTime;
}

void TATagPage::setLastModifyTime(std::optional<Date> value)
{
    std::lock_guard lock(m_Mutex);
    m_LastModifyTime = value;
}

std::string TATagPage::ToString() const
{
    std::lock_guard lock(m_Mutex);
    std::string line = "PageID:" + (m_PageId ? *m_PageId : std::string(kNull));
    line += "` Link:" + (m_Link ? *m_Link : std::string(kNull));
    line += "` Time:" + (m_LastModifyTime ? DateToString(m_LastModifyTime) : std::string(kNull));
    line += "`";
    return line;
}

std::shared_ptr<TATagPage> TATagPage::FromString(std::string_view line)
{
    auto record = std::make_shared<TATagPage>();
    record->m_PageId = StrBetween(line, "PageID:", "`");
    record->m_Link = StrBetween(line, "Link:", "`");
    record->m_LastModifyTime = StringToDate(StrBetween(line, "Time:", "`"));
    return record;
}

TTagPageList::TTagPageList(LookUp lookUp) : m_Records(&TagPageKey, lookUp == LookUp::Indexed) {}

TagPagePtr TTagPageList::AddUnique(const std::optional<std::string>& pageId,
                                   const std::optional<std::string>& PageClientLink,
                                   std::optional<Date> LastModifyTime)
{
    std::lock_guard lock(m_Mutex);
    if (TagPagePtr existing = m_Records.FindRecord(pageId, false)) {
        if (!SameInstant(existing->lastModifyTime(), LastModifyTime))
            existing->setLastModifyTime(LastModifyTime);
        return existing;
    }
    auto record = std::make_shared<TATagPage>();
    record->setPageId(pageId);
    record->setLink(PageClientLink);
    record->setLastModifyTime(LastModifyTime);
    m_Records.Append(record);
    return record;
}

TagPagePtr TTagPageList::AddUnique(const TagPagePtr& record)
{
    if (!record)
        return nullptr;
    std::lock_guard lock(m_Mutex);
    return AddUniqueLocked(record);
}

TagPagePtr TTagPageList::AddUniqueLocked(const TagPagePtr& record)
{
    TagPagePtr existing = m_Records.FindRecord(record->pageId(), false);
    if (!existing) {
        m_Records.Append(record);
        return record;
    }
    if (existing != record)
        existing->setLastModifyTime(record->lastModifyTime());
    return existing;
}

TagPagePtr TTagPageList::GetByID(const std::optional<std::string>& pageId) const
{
    std::lock_guard lock(m_Mutex);
    return m_Records.FindRecord(pageId, false);
}

void TTagPageList::DeleteByID(const std::optional<std::string>& pageId)
{
    std::lock_guard lock(m_Mutex);
    if (const auto i = m_Records.Find(pageId, true))
        m_Records.RemoveAt(*i);
}

void TTagPageList::SaveToFile(const std::string& path) const
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_Mutex);
        lines.reserve(m_Records.Size());
        for (std::size_t i = 0; i < m_Records.Size(); ++i)
            lines.push_back(m_Records.At(i)->ToString());
    }
    WritePlistStringArray(path, lines);
}

void TTagPageList::LoadFromFile(const std::string& path)
{
    const std::optional<std::vector<std::string>> lines = ReadPlistStringArray(path);
    if (!lines)
        return;
    std::vector<TagPagePtr> records;
    records.reserve(lines->size());
    for (const std::string& line : *lines)
        records.push_back(TATagPage::FromString(line));
    std::lock_guard lock(m_Mutex);
    for (const TagPagePtr& record : records)
        AddUniqueLocked(record);
}

std::size_t TTagPageList::Count() const
{
    std::lock_guard lock(m_Mutex);
    return m_Records.Size();
}

TagPagePtr TTagPageList::At(std::size_t index) const
{
    std::lock_guard lock(m_Mutex);
    return index < m_Records.Size() ? m_Records.At(index) : nullptr;
}

std::vector<TagPagePtr> TTagPageList::list() const
{
    std::lock_guard lock(m_Mutex);
    return m_Records.Records();
}

void TTagPageList::setList(const std::vector<TagPagePtr>& records)
{
    std::lock_guard lock(m_Mutex);
    m_Records.Clear();
    for (const TagPagePtr& record : records) {
        if (record)
            m_Records.Append(record);
    }
}

void TTagPageList::Clear()
{
    std::lock_guard lock(m_Mutex);
    m_Records.Clear();
}

} // namespace rz
