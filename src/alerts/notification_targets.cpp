// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/notification_targets.h"

#include <algorithm>
#include <charconv>

namespace rz {

namespace {

// Bubbles older than this many notifications are long gone from any server.
constexpr std::size_t kShownKept = 16;

} // namespace

std::string TNotificationTargets::Tie(const ReminderPtr& reminder)
{
    ++m_Serial;
    m_Shown[m_Serial] = reminder;
    while (m_Shown.size() > kShownKept) {
        m_Shown.erase(m_Shown.begin());
    }
    return std::to_string(m_Serial);
}

std::pair<std::string, ReminderPtr> TNotificationTargets::Resolve(std::string_view key) const
{
    const std::size_t hash = key.rfind('#');
    if (hash == std::string_view::npos) {
        return {std::string(key), nullptr};
    }
    std::uint64_t serial = 0;
    const std::string_view digits = key.substr(hash + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), serial);
    const auto it = m_Shown.find(serial);
    if (error != std::errc() || end != digits.data() + digits.size() || it == m_Shown.end()) {
        return {std::string(key.substr(0, hash)), nullptr};
    }
    return {std::string(key.substr(0, hash)), it->second.lock()};
}

ReminderPtr TNotificationTargets::Latest() const
{
    const auto it = m_Shown.find(m_Serial);
    return it != m_Shown.end() ? it->second.lock() : nullptr;
}

void TNotificationTargets::NoteNamed(const std::vector<ReminderPtr>& named)
{
    m_Named.assign(named.begin(), named.end());
}

bool TNotificationTargets::TakeWithdrawal(const std::vector<ReminderPtr>& pending, bool windowSnoozed)
{
    if (m_Named.empty()) {
        return false;
    }
    const bool waits = !windowSnoozed && std::any_of(m_Named.begin(), m_Named.end(), [&](const auto& named) {
        const ReminderPtr reminder = named.lock();
        return reminder && std::find(pending.begin(), pending.end(), reminder) != pending.end();
    });
    if (waits) {
        return false;
    }
    m_Named.clear();
    return true;
}

std::string NotificationActionKey(std::string_view action, const std::string& tie)
{
    return std::string(action) + "#" + tie;
}

} // namespace rz
