// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/tag_page_list.h"

#include "reminders/page_ids_in_text.h"
#include "reminders/reminder.h"
#include "reminders/text_form.h"
#include "util/text.h"

#include <cmath>
#include <string>

namespace rz {

namespace {

constexpr std::string_view kInstantLabel = "` Instant:";

std::optional<std::string> TagPageKey(const TATagPage& record)
{
    return record.pageId();
}

} // namespace

bool TATagPage::setPageId(std::optional<std::string> value)
{
    return detail::LockedSetKey(m_Mutex, m_Lists, m_PageId, std::move(value));
}

void TATagPage::ListHold(int delta)
{
    detail::LockedAdd(m_Mutex, m_Lists, delta);
}

std::string TATagPage::ToString() const
{
    std::lock_guard lock(m_Mutex);
    std::string line = detail::JoinTextForm({{"PageID:", detail::OrNull(m_PageId)},
                                             {"Link:", detail::OrNull(m_Link)},
                                             {"Time:", detail::DateOrNull(m_LastModifyTime)}});
    // A change in the second of two repeated hours (the clock set back in autumn) reads back as the
    // first; the instant follows then, so the page is not read again for nothing after a restart.
    // Readers that do not know the field ignore it.
    if (m_LastModifyTime && StringToDate(DateToString(m_LastModifyTime)) != m_LastModifyTime) {
        line += kInstantLabel.substr(1);
        line += std::to_string(static_cast<long long>(m_LastModifyTime->seconds));
        line += '`';
    }
    return line;
}

std::shared_ptr<TATagPage> TATagPage::FromString(std::string_view line)
{
    auto record = std::make_shared<TATagPage>();
    record->m_PageId = detail::CutTextField(line, "PageID:");
    record->m_Link = detail::CutTextField(line, "Link:");
    record->m_LastModifyTime = StringToDate(detail::CutTextField(line, "Time:"));
    // Looked for from the end, after the time, so a link that merely holds the label cannot stand in.
    if (const std::size_t at = line.rfind(kInstantLabel); record->m_LastModifyTime &&
                                                          at != std::string_view::npos &&
                                                          line.ends_with('`') && line.rfind("Time:") < at) {
        const std::string_view digits =
            line.substr(at + kInstantLabel.size(), line.size() - 1 - at - kInstantLabel.size());
        const Date instant{static_cast<double>(StrLeadingInt(digits))};
        // Only ever the other reading of the same local time.
        if (std::abs(instant.seconds - record->m_LastModifyTime->seconds) <= 3 * 3600 &&
            DateToString(instant) == DateToString(record->m_LastModifyTime)) {
            record->m_LastModifyTime = instant;
        }
    }
    return record;
}

TTagPageList::TTagPageList(LookUp lookUp) : RecordList(&TagPageKey, lookUp) {}

TagPagePtr TTagPageList::AddUnique(const std::optional<std::string>& pageId,
                                   const std::optional<std::string>& PageClientLink,
                                   std::optional<Date> LastModifyTime)
{
    std::lock_guard lock(m_Mutex);
    if (TagPagePtr existing = m_Records.FindRecord(pageId, false)) {
        if (!SameInstant(existing->lastModifyTime(), LastModifyTime)) {
            existing->setLastModifyTime(LastModifyTime);
        }
        return existing;
    }
    auto record = std::make_shared<TATagPage>();
    record->setPageId(pageId);
    record->setLink(PageClientLink);
    record->setLastModifyTime(LastModifyTime);
    m_Records.Append(record);
    return record;
}

std::size_t TTagPageList::CheckAndRemoveDeletedPageItem(std::string_view text)
{
    TPageIdsInText pages(text);
    std::lock_guard lock(m_Mutex);
    return m_Records.RemoveIf([&](const TATagPage& page) {
        const std::optional<std::string> pageId = page.pageId();
        return !pageId || !pages.Occurs(*pageId);
    });
}

TagPagePtr TTagPageList::AddUniqueLocked(const TagPagePtr& record)
{
    TagPagePtr existing = m_Records.FindRecord(record->pageId(), false);
    if (!existing) {
        m_Records.Append(record);
        return record;
    }
    if (existing != record) {
        existing->setLastModifyTime(record->lastModifyTime());
    }
    return existing;
}

} // namespace rz
