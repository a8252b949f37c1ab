// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace rz {

// Keys of the settings file that the Preferences window writes (the endpoints stay file-only).
inline constexpr const char* kClientIdKey = "ClientId";
inline constexpr const char* kNewReminderSectionKey = "NewReminderSectionId";
inline constexpr const char* kAlertSoundKey = "AlertSound";
inline constexpr const char* kAlertSoundFileKey = "AlertSoundFile";
inline constexpr const char* kAlertSoundThemeKey = "AlertSoundTheme";
inline constexpr const char* kDesktopNotificationsKey = "DesktopNotifications";
inline constexpr const char* kLateAlarmsKey = "LateAlarms";
// Minutes, written as an integer; older versions stored an English text such as "5 minutes".
inline constexpr const char* kDefaultSnoozeKey = "SnoozeTime_Default";
inline constexpr int kDefaultSnoozeMinutes = 5;
// "HH:mm": the time of day a one-off date written without a time rings at; midnight when unset.
inline constexpr const char* kDateOnlyTimeKey = "DateOnlyTime";
// The notebooks the user left unchecked, per account: a JSON object of user id to an array of
// notebook ids, e.g. {"4f2a…":["1-abc…"]}. A notebook not named is watched, so new ones are.
inline constexpr const char* kUnwatchedNotebooksKey = "UnwatchedNotebooks";
// The accounts whose coming reminders also go to Microsoft To Do: a JSON object of user id to true.
// Off for an account not named.
inline constexpr const char* kPhoneRemindersKey = "PhoneReminders";

// What the Preferences window shows and stores. Start at login is not here: it is the desktop's
// autostart entry.
struct TPreferences
{
    // Empty: the built-in application id. Takes effect at the next sign-in.
    std::string ClientId;
    std::string NewReminderSectionId;
    bool AlertSound = true;
    // Empty: the built-in sound.
    std::string AlertSoundFile;
    bool DesktopNotifications = true;
    int DefaultSnoozeMinutes = kDefaultSnoozeMinutes;
    // Reminders that came due while the agent was not running ring, marked late, at its start.
    bool LateAlarms = true;
    // The desktop's sound theme gives the alarm sound instead of the file.
    bool AlertSoundTheme = false;
    // Minutes after midnight at which a one-off date without a time rings.
    int DateOnlyMinutes = 0;

    bool operator==(const TPreferences&) const = default;
};

// The stored preferences over the defaults; a missing file or key keeps the default.
TPreferences LoadPreferences(const std::string& settingsFilePath);
// Writes every preference in one exclusive transaction on the settings file, keeping its other
// keys. False when the file could not be written.
bool SavePreferences(const std::string& settingsFilePath, const TPreferences& preferences);

// The ids of the notebooks the account's user left unchecked; empty when none or the value is damaged.
std::set<std::string> LoadUnwatchedNotebooks(const std::string& settingsFilePath, const std::string& userId);
// Replaces the account's entry (an empty set removes it), keeping other accounts' and other keys.
bool SaveUnwatchedNotebooks(const std::string& settingsFilePath, const std::string& userId,
                            const std::set<std::string>& notebookIds);

// Whether the account's coming reminders also go to Microsoft To Do; false for no account.
bool LoadPhoneReminders(const std::string& settingsFilePath, const std::string& userId);
// Sets the account's choice, keeping other accounts' and other keys; false without an account or
// when the file could not be written.
bool SavePhoneReminders(const std::string& settingsFilePath, const std::string& userId, bool on);

// The form of an application (client) id: 8-4-4-4-12 hexadecimal digits, blanks around allowed.
bool IsClientIdForm(std::string_view text);
// The stored default snooze in minutes: an integer as it is, an older stored text ("10 minutes",
// "2 Hours", "1 day") read as the snooze box reads it; anything else, or less than a minute, the
// default.
int SnoozeMinutesFromSetting(std::string_view stored);
// "HH:mm" (00:00 to 23:59) as minutes after midnight; none for any other text.
std::optional<int> DateOnlyMinutesFromText(std::string_view text);
// Minutes after midnight as "HH:mm".
std::string DateOnlyTimeText(int minutes);

} // namespace rz
