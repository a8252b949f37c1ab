#pragma once

#include "core/paths.h"
#include "reminders/reminder_list.h"
#include "reminders/tag_page_list.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

namespace rz {

inline constexpr const char* kDefaultClientId = "3f1c9a20-5b7e-4d18-9c61-0a2e7d4b8f53";

// A string shared between the main thread and the worker: read as a copy, written whole.
class SharedString
{
public:
    SharedString() = default;
    explicit SharedString(std::string value) : m_Value(std::move(value)) {}
    std::string Get() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Value;
    }
    void Set(std::string value)
    {
        std::lock_guard lock(m_Mutex);
        m_Value = std::move(value);
    }
    bool Empty() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Value.empty();
    }

private:
    mutable std::mutex m_Mutex;
    std::string m_Value;
};

// The application-wide state: one per process, created by main() and passed by reference.
// Tests make their own.
struct AppState
{
    // Account.
    SharedString ClientId{kDefaultClientId};
    SharedString AuthorizationCode;
    SharedString AccessToken;
    SharedString RefreshToken;
    SharedString UserId;
    SharedString UserPrincipalName;

    // Files; set once at start-up before any other thread exists.
    AppPaths Paths;

    // Reminder engine and mirror status. The lists are created once and never replaced; each
    // serialises its own operations.
    TReminderList ReminderList;
    TReminderList PendingReminderList;
    TTagPageList TagPageList;
    std::atomic<bool> ReminderListChanged{false};
    std::atomic<bool> JustLoggedIn{false};
    SharedString MirrorStatusText;
    std::atomic<std::int64_t> ReminderPageCount{0};
    SharedString ReminderPagesJson;
    SharedString PreviousReminderPagesJson;
};

} // namespace rz
