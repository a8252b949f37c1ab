// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/preferences.h"

#include "core/settings_store.h"
#include "util/delay_text.h"
#include "util/json.h"
#include "util/text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

namespace rz {

namespace {

// Ten years of minutes: more is no snooze.
constexpr std::int64_t kMaxSnoozeMinutes = 10LL * 366 * 24 * 60;

} // namespace

TPreferences LoadPreferences(const std::string& settingsFilePath)
{
    const MConfig config(settingsFilePath);
    TPreferences p;
    p.ClientId = StrTrim(config.ReadValueDefStr(kClientIdKey, std::string()));
    p.NewReminderSectionId = config.ReadValueDefStr(kNewReminderSectionKey, std::string());
    p.AlertSound = config.ReadValueDefBool(kAlertSoundKey, true);
    p.AlertSoundFile = config.ReadValueDefStr(kAlertSoundFileKey, std::string());
    p.AlertSoundTheme = config.ReadValueDefBool(kAlertSoundThemeKey, false);
    p.DesktopNotifications = config.ReadValueDefBool(kDesktopNotificationsKey, true);
    p.DefaultSnoozeMinutes =
        SnoozeMinutesFromSetting(config.ReadValueDefStr(kDefaultSnoozeKey, std::string()));
    p.LateAlarms = config.ReadValueDefBool(kLateAlarmsKey, true);
    p.DateOnlyMinutes =
        DateOnlyMinutesFromText(StrTrim(config.ReadValueDefStr(kDateOnlyTimeKey, std::string()))).value_or(0);
    return p;
}

bool SavePreferences(const std::string& settingsFilePath, const TPreferences& p)
{
    MConfigTransaction settings(settingsFilePath);
    MConfig& config = settings.Config();
    config.WriteValueValueStr(kClientIdKey, StrTrim(p.ClientId));
    config.WriteValueValueStr(kNewReminderSectionKey, p.NewReminderSectionId);
    config.WriteValueValueBool(kAlertSoundKey, p.AlertSound);
    config.WriteValueValueStr(kAlertSoundFileKey, p.AlertSoundFile);
    config.WriteValueValueBool(kAlertSoundThemeKey, p.AlertSoundTheme);
    config.WriteValueValueBool(kDesktopNotificationsKey, p.DesktopNotifications);
    config.WriteValueValueInt(kDefaultSnoozeKey, p.DefaultSnoozeMinutes);
    config.WriteValueValueBool(kLateAlarmsKey, p.LateAlarms);
    config.WriteValueValueStr(kDateOnlyTimeKey, DateOnlyTimeText(p.DateOnlyMinutes));
    return config.Save();
}

namespace {

constexpr std::size_t kMaxUnwatchedBytes = 1 << 20;
constexpr std::size_t kMaxUnwatchedPerAccount = 10000;

// A per-account value: an object keyed by user id; anything else, or too long a text, reads as none.
Json AccountDocument(const MConfig& config, const char* key)
{
    const std::string text = config.ReadValueDefStr(key, std::string());
    if (text.size() > kMaxUnwatchedBytes) {
        return Json::object();
    }
    Json document = JsonTextToObject(std::string_view(text));
    return document.is_object() ? document : Json::object();
}

} // namespace

std::set<std::string> LoadUnwatchedNotebooks(const std::string& settingsFilePath, const std::string& userId)
{
    std::set<std::string> ids;
    const Json document = AccountDocument(MConfig(settingsFilePath), kUnwatchedNotebooksKey);
    if (const Json* list = JsonArray(document, userId.c_str())) {
        for (const Json& id : *list) {
            if (id.is_string() && ids.size() < kMaxUnwatchedPerAccount) {
                ids.insert(id.get<std::string>());
            }
        }
    }
    return ids;
}

bool SaveUnwatchedNotebooks(const std::string& settingsFilePath, const std::string& userId,
                            const std::set<std::string>& notebookIds)
{
    if (userId.empty()) {
        return false;
    }
    MConfigTransaction settings(settingsFilePath);
    MConfig& config = settings.Config();
    Json document = AccountDocument(config, kUnwatchedNotebooksKey);
    if (notebookIds.empty()) {
        document.erase(userId);
    } else {
        document[userId] = Json(notebookIds);
    }
    config.WriteValueValueStr(kUnwatchedNotebooksKey, JsonObjectToText(document));
    return config.Save();
}

bool LoadPhoneReminders(const std::string& settingsFilePath, const std::string& userId)
{
    const Json document = AccountDocument(MConfig(settingsFilePath), kPhoneRemindersKey);
    return !userId.empty() && JsonBool(document, userId.c_str()).value_or(false);
}

bool SavePhoneReminders(const std::string& settingsFilePath, const std::string& userId, bool on)
{
    if (userId.empty()) {
        return false;
    }
    MConfigTransaction settings(settingsFilePath);
    MConfig& config = settings.Config();
    Json document = AccountDocument(config, kPhoneRemindersKey);
    if (on) {
        document[userId] = true;
    } else {
        document.erase(userId);
    }
    config.WriteValueValueStr(kPhoneRemindersKey, JsonObjectToText(document));
    return config.Save();
}

bool IsClientIdForm(std::string_view text)
{
    const std::string id = StrTrim(text);
    constexpr std::size_t kDashes[] = {8, 13, 18, 23};
    if (id.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = std::find(std::begin(kDashes), std::end(kDashes), i) != std::end(kDashes);
        if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) {
            return false;
        }
    }
    return true;
}

int SnoozeMinutesFromSetting(std::string_view stored)
{
    const std::string text = StrTrim(stored);
    std::int64_t minutes = 0;
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        minutes = StrLeadingInt(text);
    }
    // Older versions stored the text itself, as the snooze box reads it.
    else if (const std::optional<DelayText> delay = ReadDelayText(text)) {
        minutes = DelayMinutes(*delay);
    }
    if (minutes < 1 || minutes > kMaxSnoozeMinutes) {
        return kDefaultSnoozeMinutes;
    }
    return static_cast<int>(minutes);
}

std::optional<int> DateOnlyMinutesFromText(std::string_view text)
{
    const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
        return std::nullopt;
    }
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    if (hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

std::string DateOnlyTimeText(int minutes)
{
    const int bounded = std::clamp(minutes, 0, 24 * 60 - 1);
    const char text[] = {static_cast<char>('0' + bounded / 600), static_cast<char>('0' + bounded / 60 % 10),
                         ':', static_cast<char>('0' + bounded % 60 / 10),
                         static_cast<char>('0' + bounded % 10)};
    return std::string(text, sizeof text);
}

} // namespace rz
