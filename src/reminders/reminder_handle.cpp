// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/reminder_handle.h"

#include "reminders/engine_state.h"
#include "reminders/online_source.h"
#include "util/files.h"
#include "util/json.h"

#include <mutex>

namespace rz {

TReminderHandle::TReminderHandle(TEngineState& state, TOnlineSource* online)
    : m_State(state), m_Online(online)
{
}

bool TReminderHandle::Cleared(std::uint64_t generation) const
{
    return m_State.ClearGeneration.load() != generation;
}

void TReminderHandle::Init()
{
    std::lock_guard lock(m_State.ListsMutex);
    m_State.ReminderList.Clear();
    m_State.PendingReminderList.Clear();
    m_State.TagPageList.Clear();
}

void TReminderHandle::Clear()
{
    std::lock_guard lock(m_State.ListsMutex);
    m_State.LoadPageTotal = 0;
    m_State.LoadPageDone = 0;
    m_State.LoadPageErrors = 0;
    m_State.TagPageList.Clear();
    m_State.ReminderList.Clear();
    m_State.NearMisses.Clear();
    m_State.ReminderPagesJson.Set({});
    m_State.PreviousReminderPagesJson.Set({});
    m_State.SeenReminderPagesJson.Set({});
    m_State.KnownPages.Reset();
    m_State.LoadHeldBack.clear();
    m_State.KnownPagesRestored = true;
    ++m_State.ClearGeneration;
    m_State.ReminderListChanged = true;
}

bool TReminderHandle::AdoptAccount(const std::string& userId, bool unknownIsAnother)
{
    constexpr const char* kUserIdKey = "userId";
    const std::string path = m_State.EngineFiles.Beside(kOwnerFileName);
    if (path.empty() || userId.empty()) {
        return false;
    }
    const std::optional<std::string> text = ReadTextFile(path, kMaxStateFileBytes);
    const std::optional<std::string> former = text ? JsonMemberText(*text, kUserIdKey) : std::nullopt;
    if (former == userId) {
        return false;
    }
    const bool another = former.has_value() || unknownIsAnother;
    if (another) {
        Clear();
        {
            std::lock_guard lock(m_State.ListsMutex);
            m_State.PendingReminderList.Clear();
        }
        SaveRemindersToFile();
        SaveTagPagesToFile();
        SaveNearMissesToFile();
        SaveHierarchyToFile();
        // The former account's change listing would make the first check look for changes since then.
        const std::string listing = m_State.EngineFiles.Beside(kKnownPagesFileName);
        if (FileExists(listing)) {
            WriteTextFile(listing, "{}");
        }
    }
    WriteTextFile(path, Json{{kUserIdKey, userId}}.dump());
    return another;
}

void TReminderHandle::Run()
{
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = true;
    try {
        const std::string current = m_State.ReminderPagesJson.Get();
        m_State.NearMisses.TakePageList(current, m_State.ReminderList.DateOnlyTime());
        bool heldBack = false;
        {
            std::lock_guard lock(m_State.ListsMutex);
            heldBack = !m_State.LoadHeldBack.empty();
        }
        if (current != m_State.PreviousReminderPagesJson.Get() || heldBack) {
            const std::uint64_t generation = m_State.ClearGeneration;
            // A Clear meanwhile (another account) leaves the files to the next load.
            if (GetPendings() && !Cleared(generation)) {
                SaveRemindersToFile();
                SaveHierarchyToFile();
                SaveTagPagesToFile();
                SaveNearMissesToFile();
                m_State.PreviousReminderPagesJson.Set(current);
                m_State.SeenReminderPagesJson.Set(current);
            }
            m_State.ReminderListChanged = true;
        }
    } catch (...) {
        // Contained: the next Run with the same text tries again.
    }
    m_State.LastLoadTime.Set(DateNow());
    m_State.LoadRunning = false;
}

void TReminderHandle::SaveHierarchyToFile()
{
    if (!m_State.EngineFiles.HierarchyFilePath.empty()) {
        WriteTextFile(m_State.EngineFiles.HierarchyFilePath, m_State.ReminderPagesJson.Get());
    }
}

void TReminderHandle::LoadHierarchyFromFile()
{
    const std::optional<std::string> text = m_State.EngineFiles.HierarchyFilePath.empty()
                                                ? std::nullopt
                                                : ReadTextFile(m_State.EngineFiles.HierarchyFilePath);
    m_State.ReminderPagesJson.Set(text.value_or(std::string()));
    m_State.SeenReminderPagesJson.Set(text.value_or(std::string()));
    const std::string nearMisses = m_State.EngineFiles.Beside(kNearMissesFileName);
    const std::optional<std::string> saved =
        nearMisses.empty() ? std::nullopt : ReadTextFile(nearMisses, kMaxStateFileBytes);
    if (saved) {
        m_State.NearMisses.RestoreTags(*saved, m_State.ReminderList.DateOnlyTime());
    }
    m_State.NearMisses.TakePageList(text.value_or(std::string()), m_State.ReminderList.DateOnlyTime());
}

void TReminderHandle::SaveNearMissesToFile()
{
    const std::string path = m_State.EngineFiles.Beside(kNearMissesFileName);
    if (path.empty()) {
        return;
    }
    if (const std::optional<std::string> text = m_State.NearMisses.UnsavedTagsText();
        text && WriteTextFile(path, *text)) {
        m_State.NearMisses.TagsSaved(*text);
    }
}

void TReminderHandle::SaveRemindersToFile()
{
    if (!m_State.EngineFiles.RemindersFilePath.empty()) {
        m_State.ReminderList.SaveToFile(m_State.EngineFiles.RemindersFilePath);
    }
}

void TReminderHandle::SaveTagPagesToFile()
{
    if (!m_State.EngineFiles.TagPagesFilePath.empty()) {
        m_State.TagPageList.SaveToFile(m_State.EngineFiles.TagPagesFilePath);
    }
}

void TReminderHandle::LoadRemindersFromFile()
{
    if (!m_State.EngineFiles.RemindersFilePath.empty()) {
        m_State.ReminderList.LoadFromFile(m_State.EngineFiles.RemindersFilePath);
    }
}

} // namespace rz
